#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "upgrade/CurlEasy.h"
#include "upgrade/ResponseHeaders.h"

namespace zvp {

// Limits of one download (DownloadToFile).
struct DownloadLimits {
    uint64_t maxBytes = 256ull * 1024 * 1024;
    int stallMs = 30000;  // no byte for this long fails the download
    int totalMs = 30 * 60 * 1000;
};

// A synchronous HTTP(S) client on one libcurl easy handle, used by the upgrade check.
//
// A request (SendHttpRequest) makes at most three attempts; an attempt fails on any transfer
// error and, for a GET that follows redirects, on a body holding "<html>" without "</html>"
// (error kInvalidData). Any received response counts, whatever its status; the caller gives the
// status its meaning. HTTPS always checks the peer's certificate and host name (against the
// system bundle, or SetCaFile's). Only the URL's own scheme is allowed, and redirects (at most
// kMaxRedirects) only to https. Without an explicit proxy libcurl reads https_proxy,
// http_proxy and no_proxy itself.
//
// Timeouts: connect bounds the connection (with resolve added when it is not 0); send and
// receive are stall limits: an attempt fails when no byte moves for that long while sending
// (receiving).
//
// Threads: one thread at a time makes requests (the upgrade worker); Cancel may be called from
// any thread. Cancel is sticky: the running request returns false within about a second, and
// every later request fails at once.
class WinHttpClient {
  public:
    using ProgressCallback = std::function<void(uint64_t received, uint64_t total)>;

    static constexpr int kInvalidData = 13;
    static constexpr int kAttempts = 3;
    static constexpr long kMaxRedirects = 5;
    static constexpr size_t kDefaultBodyCap = 1024 * 1024;
    static constexpr const char* kUserAgent = "WinHttpClient";

    explicit WinHttpClient(std::string url = {}, ProgressCallback progress = {});
    WinHttpClient(const WinHttpClient&) = delete;
    WinHttpClient& operator=(const WinHttpClient&) = delete;

    void SetUrl(std::string url) { url_ = std::move(url); }
    const std::string& GetUrl() const { return url_; }
    // Milliseconds; defaults 0 (none), 60000, 30000, 30000.
    void SetTimeouts(int resolveMs, int connectMs, int sendMs, int receiveMs);
    // A larger body fails the attempt. Default kDefaultBodyCap.
    void SetBodyCap(size_t bytes) { bodyCap_ = bytes; }
    // PEM bundle that replaces the system's certificate authorities; empty: the system's.
    void SetCaFile(std::string path) { caFile_ = std::move(path); }
    // Extra request header lines ("Name: value", separated by CR LF or LF).
    void SetAdditionalHeaders(std::string headers) { extraHeaders_ = std::move(headers); }
    // Sent as "Cookie: <cookies>" when not empty.
    void SetCookies(std::string cookies) { cookies_ = std::move(cookies); }
    // An explicit proxy ("host:port" or a URL) and its credentials; empty: the environment's.
    void SetProxy(std::string proxy, std::string user = {}, std::string password = {});
    // The body of a POST request.
    void SetRequestBody(std::string body) { requestBody_ = std::move(body); }

    void Cancel() { cancelled_.store(true); }
    bool IsCancelled() const { return cancelled_.load(); }

    // `verb` "GET" (also when empty) or "POST". True when a response was received and its
    // body read; the getters then describe the final response (after redirects).
    bool SendHttpRequest(std::string_view verb = "GET", bool disableAutoRedirect = false);

    // Downloads `url` to `folder` + `name`: the bytes go to "<name>.part" (created anew, mode
    // 0600, never through a link), only a 200 response is kept, within `limits`; a sent
    // Content-Length must match. Complete: flushed, mode 0700 for an executable installer
    // name (else 0600), renamed to `name`. Any failure or Cancel removes the .part and returns
    // false. `url` must be https, or http when `allowPlainHttp`.
    bool DownloadToFile(const std::string& url, const std::string& folder, const std::string& name,
                        const DownloadLimits& limits, bool allowPlainHttp = false);

    // The status code as decimal text ("200", "404"); empty before a response.
    const std::string& GetResponseStatusCode() const { return statusCode_; }
    // The body as UTF-8: kept when the charset starts with "utf-8" and the bytes are valid
    // UTF-8, else decoded by the legacy rule.
    const std::string& GetResponseContent() const { return content_; }
    const std::string& GetResponseHeader() const { return rawHeaders_; }
    const std::string& GetResponseCharset() const { return captures_.charset; }
    const std::string& GetResponseContentLength() const { return captures_.contentLength; }
    const std::string& GetResponseLocation() const { return captures_.location; }
    const std::string& GetResponseCookies() const { return captures_.cookies; }
    // The CURLcode of the failing step, kInvalidData from the HTML rule, 0 after a success.
    int GetLastError() const { return lastError_; }

  private:
    struct Transfer;
    // Sets the options every transfer shares and runs one. `protocols` is libcurl's list.
    int Perform(Transfer& transfer, const std::string& url, const char* protocols);
    void ClearResponse();

    CurlEasy easy_;
    std::string url_;
    ProgressCallback progress_;
    int resolveMs_ = 0;
    int connectMs_ = 60000;
    int sendMs_ = 30000;
    int receiveMs_ = 30000;
    size_t bodyCap_ = kDefaultBodyCap;
    std::string caFile_;
    std::string extraHeaders_;
    std::string cookies_;
    std::string proxy_, proxyUser_, proxyPassword_;
    std::string requestBody_;
    std::atomic<bool> cancelled_{false};

    std::string rawHeaders_;
    ResponseHeaders captures_;
    std::string statusCode_;
    std::string body_;
    std::string content_;
    int lastError_ = 0;
};

}  // namespace zvp
