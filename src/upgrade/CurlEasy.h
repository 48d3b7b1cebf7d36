#pragma once

#include <curl/curl.h>

#include <utility>

namespace zvp {

// Move-only owner of one libcurl easy handle (curl_easy_cleanup on destruction). The first
// owner made in the process runs curl_global_init once, whatever thread makes it.
// One thread at a time, like the handle.
class CurlEasy {
  public:
    CurlEasy();
    ~CurlEasy() { Reset(); }
    CurlEasy(CurlEasy&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
    CurlEasy& operator=(CurlEasy&& other) noexcept {
        if (this != &other) {
            Reset();
            handle_ = std::exchange(other.handle_, nullptr);
        }
        return *this;
    }
    CurlEasy(const CurlEasy&) = delete;
    CurlEasy& operator=(const CurlEasy&) = delete;

    CURL* Get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }

  private:
    void Reset() {
        if (handle_) curl_easy_cleanup(handle_);
        handle_ = nullptr;
    }

    CURL* handle_ = nullptr;
};

// Move-only owner of a libcurl header list (curl_slist_free_all on destruction).
class CurlHeaderList {
  public:
    CurlHeaderList() = default;
    ~CurlHeaderList() { Reset(); }
    CurlHeaderList(CurlHeaderList&& other) noexcept : list_(std::exchange(other.list_, nullptr)) {}
    CurlHeaderList& operator=(CurlHeaderList&& other) noexcept {
        if (this != &other) {
            Reset();
            list_ = std::exchange(other.list_, nullptr);
        }
        return *this;
    }
    CurlHeaderList(const CurlHeaderList&) = delete;
    CurlHeaderList& operator=(const CurlHeaderList&) = delete;

    // Appends one "Name: value" line; false when libcurl could not (the list is kept).
    bool Append(const char* line) {
        curl_slist* grown = curl_slist_append(list_, line);
        if (!grown) return false;
        list_ = grown;
        return true;
    }
    curl_slist* Get() const { return list_; }

  private:
    void Reset() {
        if (list_) curl_slist_free_all(list_);
        list_ = nullptr;
    }

    curl_slist* list_ = nullptr;
};

}  // namespace zvp
