#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace zvp {

// The playlist file ("mpl"): one path per line, nothing else.
//
// Written form: the mark FF FE before the first line, then each path as UTF-16LE followed by
// CR LF; an empty list is a 0-byte file. Paths are bytes: a byte that is not part of a
// well-formed UTF-8 character is written as the lone code unit U+DC00 + byte and read back as
// that byte, so a Latin-1 file name survives a save. A path holding LF (or NUL, which no file
// name can hold) would not read back as itself and is left out, with an info line.
//
// Read form: a file starting with FF FE is UTF-16LE (an odd last byte is dropped; lone
// surrogates other than the byte escapes above become U+FFFD); its lines holding U+0000 are
// skipped, all counted in one info line. Any other file is 8-bit text as
// TextDecoder::FileBytesToUtf8 reads it (UTF-8 with or without mark, else a legacy code page),
// except that a file holding a NUL byte is not a playlist at all, and that UTF-8 cut inside
// its last character stays UTF-8 (the cut character becomes U+FFFD). Lines end at LF and lose
// one trailing CR; every line is a row, an empty one too; nothing follows a final LF. Files
// written by older versions (UTF-16, CR LF, backslash paths) read unchanged.
//
// For any bytes that parse, Parse(Serialize(rows)) == rows, and no row holds LF.
//
// Stateless: every function may be called from any thread at once.
class CPlaylistFile {
  public:
    // The rows of a playlist file's content; nullopt (and an info line) when the bytes are
    // not a playlist. `source` names the bytes in log lines (the file's path).
    static std::optional<std::vector<std::string>> Parse(std::string_view bytes,
                                                         std::string_view source = {});

    // The file content for `paths`, in order, leaving out those that cannot be stored (see
    // above; one info line naming `target` and how many were left out).
    static std::string Serialize(std::span<const std::string> paths, std::string_view target = {});

    // Reads the playlist file at `path` into `rows` (replacing them). False, with `rows`
    // untouched and an info line naming the file and the reason, when it is missing,
    // unreadable, not a regular file, larger than the text reader's limit (kMaxTextFileSize)
    // or not a playlist.
    static bool Read(const std::string& path, std::vector<std::string>& rows);

    // Replaces the file at `path` with the playlist of `paths` through AtomicFileWriter. On
    // any failure: false, an error line, and the previous file byte-identical.
    static bool Write(const std::string& path, std::span<const std::string> paths);
};

}  // namespace zvp
