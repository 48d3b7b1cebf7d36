#pragma once

#include <string>
#include <string_view>

namespace zvp {

// Replaces a file without ever leaving it half written: the bytes go to a new temporary
// file in the same folder ("<name>.tmp<pid>-<n>"), which `Commit` flushes to disk and renames
// over the target. Until `Commit` succeeds the previous file stays untouched; a writer
// destroyed (or a process killed) before that leaves at most the temporary file behind,
// which readers of the target never look at. A target that is a symbolic link keeps the link:
// the file it points at is replaced.
//
// Move-only owner of the temporary file descriptor. One thread at a time.
class AtomicFileWriter {
  public:
    AtomicFileWriter() = default;
    ~AtomicFileWriter();
    AtomicFileWriter(AtomicFileWriter&& other) noexcept;
    AtomicFileWriter& operator=(AtomicFileWriter&& other) noexcept;
    AtomicFileWriter(const AtomicFileWriter&) = delete;
    AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

    // `mode` for Open and WriteFile: the default keeps an existing target's mode.
    static constexpr int kKeepMode = -1;

    // Creates the temporary file for `target`. With kKeepMode its mode is 0666 less the
    // umask, or an existing target's mode; any other `mode` is given to it exactly (so the
    // target has it after Commit). Returns false, with errno set, when it cannot be created.
    bool Open(const std::string& target, int mode = kKeepMode);

    bool IsOpen() const { return fd_ >= 0; }

    // Appends bytes to the temporary file; false on a write error (which `Commit` reports
    // again).
    bool Write(std::string_view bytes);

    // Flushes the temporary file to disk, closes it and renames it over the target. On any
    // failure the temporary file is removed, the target is left as it was and false is
    // returned with errno set.
    bool Commit();

    // Removes the temporary file; the target is left as it was.
    void Abort();

    // Writes `bytes` as the whole new content of `path` by the protocol above, with `mode`
    // as Open takes it.
    static bool WriteFile(const std::string& path, std::string_view bytes, int mode = kKeepMode);

  private:
    int fd_ = -1;
    bool failed_ = false;
    int saved_errno_ = 0;
    std::string target_;
    std::string temp_path_;
};

}  // namespace zvp
