#include "app/CStdioFileEx.h"

#include <cerrno>
#include <cstring>
#include <utility>

#include "app/Logger.h"
#include "app/WholeFile.h"

namespace zvp {
namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16Bom = "\xFF\xFE";

}  // namespace

CStdioFileEx::~CStdioFileEx() {
    if (IsOpen()) Close();
}

CStdioFileEx::CStdioFileEx(CStdioFileEx&& other) noexcept {
    *this = std::move(other);
}

CStdioFileEx& CStdioFileEx::operator=(CStdioFileEx&& other) noexcept {
    if (this != &other) {
        if (IsOpen()) Close();
        mode_ = std::exchange(other.mode_, Mode::kClosed);
        unicode_ = other.unicode_;
        code_page_ = other.code_page_;
        write_bom_ = other.write_bom_;
        at_start_ = other.at_start_;
        path_ = std::move(other.path_);
        raw_ = std::move(other.raw_);
        text_ = std::move(other.text_);
        read_pos_ = other.read_pos_;
        writer_ = std::move(other.writer_);
    }
    return *this;
}

bool CStdioFileEx::Open(const std::string& path, unsigned mode) {
    if (IsOpen()) return false;
    path_ = path;
    at_start_ = true;
    read_pos_ = 0;
    raw_.clear();
    text_.clear();
    if (mode & modeWrite) {
        unicode_ = (mode & modeUnicode) != 0;
        if (!writer_.Open(path)) {
            Log(LogPoint{"CStdioFileEx::Open", kLogDebug}, "Cannot create %s: %s", path.c_str(),
                std::strerror(errno));
            return false;
        }
        mode_ = Mode::kWrite;
        return true;
    }
    if (!ReadWholeFile(path, kMaxFileSize, raw_)) {
        const int err = errno;
        Log(LogPoint{"CStdioFileEx::Open", err == EFBIG ? kLogInfo : kLogDebug},
            "Cannot read %s: %s", path.c_str(), std::strerror(err));
        raw_.clear();
        errno = err;
        return false;
    }
    unicode_ = TextDecoder::ByteOrderMark(raw_) == TextDecoder::Mark::kUtf16Le;
    mode_ = Mode::kRead;
    return true;
}

void CStdioFileEx::DecodeAll() {
    std::string_view bytes(raw_);
    const TextDecoder::Mark mark = TextDecoder::ByteOrderMark(bytes);
    if (TextDecoder::MarkedUnicodeToUtf8(bytes, mark, text_)) {
        // UTF-16 or UTF-32 by its mark, whatever the code page.
    } else {
        if (bytes.substr(0, 3) == kUtf8Bom &&
            (code_page_ == TextDecoder::kUtf8 || code_page_ == TextDecoder::kSystemCodePage)) {
            bytes.remove_prefix(3);
        }
        if (code_page_ == TextDecoder::kSystemCodePage) {
            std::string charset;
            text_ = TextDecoder::LegacyToUtf8(bytes, &charset);
            if (charset != "UTF-8") {
                Log(LogPoint{"CStdioFileEx::ReadString", kLogDebug}, "%s read as %s", path_.c_str(),
                    charset.c_str());
            }
        } else if (code_page_ == TextDecoder::kUtf8 && TextDecoder::IsValidUtf8(bytes)) {
            text_.assign(bytes);
        } else {
            const std::string charset = TextDecoder::CodePageName(code_page_);
            if (!TextDecoder::ToUtf8(bytes, charset, text_)) {
                Log(LogPoint{"CStdioFileEx::ReadString", kLogInfo},
                    "Unknown code page %d, reading %s as detected", code_page_, path_.c_str());
                text_ = TextDecoder::LegacyToUtf8(bytes);
            }
        }
    }
    raw_.clear();
    raw_.shrink_to_fit();
}

bool CStdioFileEx::ReadString(std::string& line) {
    line.clear();
    if (mode_ != Mode::kRead) return false;
    if (at_start_) {
        DecodeAll();
        at_start_ = false;
    }
    if (read_pos_ >= text_.size()) return false;
    const size_t end = text_.find('\n', read_pos_);
    const size_t stop = end == std::string::npos ? text_.size() : end;
    line.assign(text_, read_pos_, stop - read_pos_);
    read_pos_ = end == std::string::npos ? text_.size() : end + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return true;
}

bool CStdioFileEx::WriteString(std::string_view text) {
    if (mode_ != Mode::kWrite) return false;
    if (at_start_) {
        at_start_ = false;
        if (write_bom_) {
            if (unicode_) {
                writer_.Write(kUtf16Bom);
            } else if (code_page_ == TextDecoder::kUtf8) {
                writer_.Write(kUtf8Bom);
            }
        }
    }
    if (unicode_) return writer_.Write(TextDecoder::Utf8ToUtf16Le(text));
    if (code_page_ == TextDecoder::kUtf8 || code_page_ == TextDecoder::kSystemCodePage) {
        return writer_.Write(text);
    }
    std::string encoded;
    if (!TextDecoder::FromUtf8(text, TextDecoder::CodePageName(code_page_), encoded)) {
        Log(LogPoint{"CStdioFileEx::WriteString", kLogInfo},
            "Unknown code page %d, writing %s as UTF-8", code_page_, path_.c_str());
        return writer_.Write(text);
    }
    return writer_.Write(encoded);
}

bool CStdioFileEx::Close() {
    const Mode mode = std::exchange(mode_, Mode::kClosed);
    raw_.clear();
    text_.clear();
    read_pos_ = 0;
    if (mode != Mode::kWrite) return mode == Mode::kRead;
    if (!writer_.Commit()) {
        Log(LogPoint{"CStdioFileEx::Close", kLogError}, "Cannot write %s: %s", path_.c_str(),
            std::strerror(errno));
        return false;
    }
    return true;
}

void CStdioFileEx::Abort() {
    if (mode_ == Mode::kWrite) writer_.Abort();
    mode_ = Mode::kClosed;
    raw_.clear();
    text_.clear();
}

}  // namespace zvp
