#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "app/AtomicFileWriter.h"
#include "app/TextDecoder.h"
#include "app/WholeFile.h"

namespace zvp {

// A text file read or written line by line in UTF-16LE (with byte-order mark), UTF-8 or a
// legacy code page. Text inside the program is UTF-8.
//
// Reading (`modeRead`): a file starting with a UTF-32 or UTF-16 byte-order mark is read in
// that encoding (FF FE 00 00 is UTF-32LE; FF FE otherwise UTF-16LE). Any other file is read in
// the code page set with `SetCodePage` before the first `ReadString`; the default,
// kSystemCodePage, reads valid UTF-8 as UTF-8 and anything else in the code page that
// uchardet detects (Windows-1252 when it cannot tell). A UTF-8 byte-order mark is skipped.
// Lines may be of any length; the whole file (at most kMaxFileSize bytes) is decoded on the
// first read.
//
// Writing (`modeWrite | modeCreate`): text goes to a temporary file that `Close` renames over
// the target (see AtomicFileWriter), so the previous file survives a failed or interrupted
// write. `modeUnicode` writes UTF-16LE with the mark FF FE; otherwise the text is written in
// the code page: UTF-8 with the mark EF BB BF for kUtf8, UTF-8 without a mark for
// kSystemCodePage, else converted with iconv. Line ends are written by the caller.
//
// Move-only; one thread at a time.
class CStdioFileEx {
  public:
    // Open flags (combined with |). modeRead is the absence of modeWrite.
    static constexpr unsigned modeRead = 0x0000;
    static constexpr unsigned modeWrite = 0x0001;
    static constexpr unsigned modeCreate = 0x1000;
    static constexpr unsigned typeText = 0x4000;  // accepted and ignored: lines are ours
    static constexpr unsigned modeUnicode = 0x20000;

    static constexpr size_t kMaxFileSize = kMaxTextFileSize;

    CStdioFileEx() = default;
    ~CStdioFileEx();  // an open writer is committed, as by Close
    CStdioFileEx(CStdioFileEx&&) noexcept;
    CStdioFileEx& operator=(CStdioFileEx&&) noexcept;
    CStdioFileEx(const CStdioFileEx&) = delete;
    CStdioFileEx& operator=(const CStdioFileEx&) = delete;

    // Opens `path` for reading (no modeWrite) or for writing (modeWrite; the file is always
    // created or replaced). Returns false when the file cannot be opened, is larger than
    // kMaxFileSize, or a file is already open.
    bool Open(const std::string& path, unsigned mode);

    // Closes the file. For a writer, commits the new content; returns false (after logging)
    // when it could not be written, and the previous file is then unchanged.
    bool Close();

    // Discards what a writer has written; the previous file is unchanged.
    void Abort();

    bool IsOpen() const { return mode_ != Mode::kClosed; }

    // True when the file is (or is being written as) UTF-16LE.
    bool IsUnicode() const { return unicode_; }

    // The code page for 8-bit text: kSystemCodePage, kUtf8 or a Windows code page number.
    // Takes effect for reading when set before the first ReadString, for writing when set
    // before the first WriteString.
    void SetCodePage(int codePage) { code_page_ = codePage; }
    int GetCodePage() const { return code_page_; }

    // Writes the byte-order mark before the first text (default true).
    void SetWriteBom(bool on) { write_bom_ = on; }

    // Reads the next line without its line feed and one trailing carriage return. Returns
    // false at the end of the file (or when not open for reading).
    bool ReadString(std::string& line);

    // Writes `text` (UTF-8) in the file's encoding. Returns false when not open for writing
    // or on a write error.
    bool WriteString(std::string_view text);

  private:
    enum class Mode { kClosed, kRead, kWrite };

    void DecodeAll();

    Mode mode_ = Mode::kClosed;
    bool unicode_ = false;
    int code_page_ = TextDecoder::kSystemCodePage;
    bool write_bom_ = true;
    bool at_start_ = true;  // nothing read or written yet
    std::string path_;
    std::string raw_;      // reader: the file's bytes until decoded
    std::string text_;     // reader: the decoded UTF-8 content
    size_t read_pos_ = 0;  // reader: offset of the next line in text_
    AtomicFileWriter writer_;
};

}  // namespace zvp
