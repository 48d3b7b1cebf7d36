#include "upgrade/WinHttpClient.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>

#include "app/CUniqueFd.h"
#include "app/FdWrite.h"
#include "app/InstallerName.h"
#include "app/TextDecoder.h"

namespace zvp {
namespace {

using Clock = std::chrono::steady_clock;

char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// The URL's scheme in lower case ("https", "http", ...); empty when it has none.
std::string SchemeOf(std::string_view url) {
    const size_t colon = url.find("://");
    if (colon == std::string_view::npos) return {};
    std::string scheme;
    for (char c : url.substr(0, colon)) scheme += Lower(c);
    return scheme;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) return false;
    for (size_t i = 0; i < prefix.size(); ++i) {
        if (Lower(text[i]) != Lower(prefix[i])) return false;
    }
    return true;
}

}  // namespace

// One transfer's callbacks and state.
struct WinHttpClient::Transfer {
    WinHttpClient* client = nullptr;
    std::function<bool(const char*, size_t)> sink;  // false aborts the transfer
    bool follow = true;
    bool failOnError = false;
    bool post = false;
    long totalMs = 0;
    curl_off_t maxFileSize = 0;
    int sendStallMs = 0;
    int receiveStallMs = 0;
    curl_slist* headers = nullptr;

    bool stalled = false;
    curl_off_t lastDown = -1;
    curl_off_t lastUp = -1;
    Clock::time_point lastMove = Clock::now();

    static size_t OnBody(char* data, size_t size, size_t count, void* user) {
        auto* self = static_cast<Transfer*>(user);
        const size_t n = size * count;
        return self->sink(data, n) ? n : 0;
    }

    // Only the final response's headers count: a status line starts a new block.
    static size_t OnHeader(char* data, size_t size, size_t count, void* user) {
        auto* self = static_cast<Transfer*>(user);
        const size_t n = size * count;
        const std::string_view line(data, n);
        if (StartsWithNoCase(line, "HTTP/")) self->client->rawHeaders_.clear();
        if (self->client->rawHeaders_.size() + n <= kDefaultBodyCap) {
            self->client->rawHeaders_.append(line);
        }
        return n;
    }

    static int OnProgress(void* user, curl_off_t downTotal, curl_off_t downNow, curl_off_t upTotal,
                          curl_off_t upNow) {
        auto* self = static_cast<Transfer*>(user);
        if (self->client->IsCancelled()) return 1;
        if (self->client->progress_) {
            self->client->progress_(static_cast<uint64_t>(downNow),
                                    static_cast<uint64_t>(downTotal));
        }
        const Clock::time_point now = Clock::now();
        if (downNow != self->lastDown || upNow != self->lastUp) {
            self->lastDown = downNow;
            self->lastUp = upNow;
            self->lastMove = now;
            return 0;
        }
        const bool sending = upTotal > 0 && upNow < upTotal;
        const int limit = sending ? self->sendStallMs : self->receiveStallMs;
        if (limit > 0 && now - self->lastMove >= std::chrono::milliseconds(limit)) {
            self->stalled = true;
            return 1;
        }
        return 0;
    }
};

WinHttpClient::WinHttpClient(std::string url, ProgressCallback progress)
    : url_(std::move(url)), progress_(std::move(progress)) {}

void WinHttpClient::SetTimeouts(int resolveMs, int connectMs, int sendMs, int receiveMs) {
    resolveMs_ = resolveMs;
    connectMs_ = connectMs;
    sendMs_ = sendMs;
    receiveMs_ = receiveMs;
}

void WinHttpClient::SetProxy(std::string proxy, std::string user, std::string password) {
    proxy_ = std::move(proxy);
    proxyUser_ = std::move(user);
    proxyPassword_ = std::move(password);
}

void WinHttpClient::ClearResponse() {
    rawHeaders_.clear();
    captures_ = ResponseHeaders{};
    statusCode_.clear();
    body_.clear();
    content_.clear();
}

int WinHttpClient::Perform(Transfer& t, const std::string& url, const char* protocols) {
    CURL* h = easy_.Get();
    if (!h) return CURLE_FAILED_INIT;
    curl_easy_reset(h);
    t.client = this;
    t.lastMove = Clock::now();
    curl_easy_setopt(h, CURLOPT_URL, url.c_str());
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(h, CURLOPT_USERAGENT, kUserAgent);
    curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, protocols);
    curl_easy_setopt(h, CURLOPT_REDIR_PROTOCOLS_STR, "https");
    curl_easy_setopt(h, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(h, CURLOPT_SSL_VERIFYHOST, 2L);
    if (!caFile_.empty()) {
        curl_easy_setopt(h, CURLOPT_CAINFO, caFile_.c_str());
        curl_easy_setopt(h, CURLOPT_CAPATH, nullptr);
    }
    const long connectMs = connectMs_ > 0 ? connectMs_ + (resolveMs_ > 0 ? resolveMs_ : 0) : 0;
    curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT_MS, connectMs);
    if (t.totalMs > 0) curl_easy_setopt(h, CURLOPT_TIMEOUT_MS, t.totalMs);
    if (t.maxFileSize > 0) curl_easy_setopt(h, CURLOPT_MAXFILESIZE_LARGE, t.maxFileSize);
    curl_easy_setopt(h, CURLOPT_FAILONERROR, t.failOnError ? 1L : 0L);
    curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, t.follow ? 1L : 0L);
    curl_easy_setopt(h, CURLOPT_MAXREDIRS, kMaxRedirects);
    curl_easy_setopt(h, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(h, CURLOPT_XFERINFOFUNCTION, &Transfer::OnProgress);
    curl_easy_setopt(h, CURLOPT_XFERINFODATA, &t);
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &Transfer::OnBody);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, &t);
    curl_easy_setopt(h, CURLOPT_HEADERFUNCTION, &Transfer::OnHeader);
    curl_easy_setopt(h, CURLOPT_HEADERDATA, &t);
    if (t.headers) curl_easy_setopt(h, CURLOPT_HTTPHEADER, t.headers);
    if (!cookies_.empty()) curl_easy_setopt(h, CURLOPT_COOKIE, cookies_.c_str());
    if (!proxy_.empty()) {
        curl_easy_setopt(h, CURLOPT_PROXY, proxy_.c_str());
        if (!proxyUser_.empty()) curl_easy_setopt(h, CURLOPT_PROXYUSERNAME, proxyUser_.c_str());
        if (!proxyPassword_.empty()) {
            curl_easy_setopt(h, CURLOPT_PROXYPASSWORD, proxyPassword_.c_str());
        }
    }
    if (t.post) {
        curl_easy_setopt(h, CURLOPT_POSTFIELDSIZE_LARGE,
                         static_cast<curl_off_t>(requestBody_.size()));
        curl_easy_setopt(h, CURLOPT_POSTFIELDS, requestBody_.data());
    }
    const CURLcode rc = curl_easy_perform(h);
    // The handle keeps pointers into `t` and this object's texts: drop them now.
    curl_easy_setopt(h, CURLOPT_HTTPHEADER, nullptr);
    if (rc == CURLE_ABORTED_BY_CALLBACK && t.stalled) return CURLE_OPERATION_TIMEDOUT;
    return rc;
}

bool WinHttpClient::SendHttpRequest(std::string_view verb, bool disableAutoRedirect) {
    ClearResponse();
    lastError_ = 0;
    const bool post = verb == "POST";
    if (!verb.empty() && verb != "GET" && !post) {
        lastError_ = CURLE_UNSUPPORTED_PROTOCOL;
        return false;
    }
    const std::string scheme = SchemeOf(url_);
    if (scheme != "https" && scheme != "http") {
        lastError_ = CURLE_UNSUPPORTED_PROTOCOL;
        return false;
    }
    CurlHeaderList headers;
    std::string_view lines = extraHeaders_;
    while (!lines.empty()) {
        const size_t end = lines.find('\n');
        std::string line(lines.substr(0, end));
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty()) headers.Append(line.c_str());
        if (end == std::string_view::npos) break;
        lines.remove_prefix(end + 1);
    }
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        if (IsCancelled()) {
            lastError_ = CURLE_ABORTED_BY_CALLBACK;
            return false;
        }
        ClearResponse();
        Transfer t;
        t.follow = !disableAutoRedirect;
        t.post = post;
        t.sendStallMs = sendMs_;
        t.receiveStallMs = receiveMs_;
        t.headers = headers.Get();
        t.sink = [this](const char* data, size_t n) {
            if (body_.size() + n > bodyCap_) return false;
            body_.append(data, n);
            return true;
        };
        const int rc = Perform(t, url_, scheme.c_str());
        if (rc != CURLE_OK) {
            lastError_ = rc;
            continue;
        }
        long status = 0;
        curl_easy_getinfo(easy_.Get(), CURLINFO_RESPONSE_CODE, &status);
        statusCode_ = std::to_string(status);
        captures_ = ResponseHeaders::Parse(rawHeaders_);
        const bool utf8 = StartsWithNoCase(captures_.charset, "utf-8");
        content_ =
            utf8 && TextDecoder::IsValidUtf8(body_) ? body_ : TextDecoder::LegacyToUtf8(body_);
        if (!post && !disableAutoRedirect && body_.find("<html>") != std::string::npos &&
            body_.find("</html>") == std::string::npos) {
            lastError_ = kInvalidData;
            continue;
        }
        lastError_ = 0;
        return true;
    }
    return false;
}

bool WinHttpClient::DownloadToFile(const std::string& url, const std::string& folder,
                                   const std::string& name, const DownloadLimits& limits,
                                   bool allowPlainHttp) {
    ClearResponse();
    lastError_ = 0;
    const std::string scheme = SchemeOf(url);
    if (scheme != "https" && !(scheme == "http" && allowPlainHttp)) {
        lastError_ = CURLE_UNSUPPORTED_PROTOCOL;
        return false;
    }
    if (name.empty() || name == "." || name == ".." || name.find('/') != std::string::npos ||
        folder.empty()) {
        lastError_ = CURLE_WRITE_ERROR;
        return false;
    }
    if (IsCancelled()) {
        lastError_ = CURLE_ABORTED_BY_CALLBACK;
        return false;
    }
    const std::string finalPath = folder + name;
    const std::string partPath = finalPath + ".part";
    ::unlink(partPath.c_str());
    CUniqueFd fd(
        ::open(partPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (!fd) {
        lastError_ = CURLE_WRITE_ERROR;
        return false;
    }
    uint64_t written = 0;
    Transfer t;
    t.follow = true;
    t.failOnError = true;
    t.totalMs = limits.totalMs;
    t.maxFileSize = static_cast<curl_off_t>(limits.maxBytes);
    t.sendStallMs = limits.stallMs;
    t.receiveStallMs = limits.stallMs;
    t.sink = [&](const char* data, size_t n) {
        if (written + n > limits.maxBytes) return false;
        if (!WriteAll(fd.Get(), data, n)) return false;
        written += n;
        return true;
    };
    int rc = Perform(t, url, scheme.c_str());
    long status = 0;
    curl_easy_getinfo(easy_.Get(), CURLINFO_RESPONSE_CODE, &status);
    if (status != 0) statusCode_ = std::to_string(status);
    captures_ = ResponseHeaders::Parse(rawHeaders_);
    if (rc == CURLE_OK && status != 200) rc = CURLE_HTTP_RETURNED_ERROR;
    if (rc == CURLE_OK) {
        curl_off_t announced = -1;
        curl_easy_getinfo(easy_.Get(), CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &announced);
        if (announced >= 0 && static_cast<uint64_t>(announced) != written) {
            rc = CURLE_PARTIAL_FILE;
        }
    }
    const mode_t mode = IsExecutableInstallerName(name) ? 0700 : 0600;
    if (rc == CURLE_OK &&
        (::fsync(fd.Get()) != 0 || ::fchmod(fd.Get(), mode) != 0 || ::close(fd.Release()) != 0 ||
         ::rename(partPath.c_str(), finalPath.c_str()) != 0)) {
        rc = CURLE_WRITE_ERROR;
    }
    if (rc != CURLE_OK) {
        fd.Reset();
        ::unlink(partPath.c_str());
        lastError_ = rc;
        return false;
    }
    return true;
}

}  // namespace zvp
