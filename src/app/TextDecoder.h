#pragma once

#include <string>
#include <string_view>

namespace zvp {

// Conversions between the program's internal UTF-8 text and the byte encodings found in
// text files: UTF-32 and UTF-16 (by their byte-order marks), UTF-8 and legacy code pages (converted
// with iconv; the code page of a file without a byte-order mark is detected with uchardet).
//
// Every function is stateless and may be called from any thread. None throws; bytes that
// cannot be decoded become U+FFFD, characters that cannot be encoded become '?'.
class TextDecoder {
  public:
    // Code page numbers understood by the functions below (Windows numbering).
    static constexpr int kSystemCodePage = -1;  // "detect": UTF-8 when valid, else uchardet
    static constexpr int kWindows1252 = 1252;
    static constexpr int kUtf8 = 65001;

    // True when `bytes` is entirely well-formed UTF-8 (no overlongs, no surrogates, nothing
    // above U+10FFFF). The empty text is valid.
    static bool IsValidUtf8(std::string_view bytes);

    // The length (1 to 4) of the well-formed UTF-8 character that starts at `text[pos]`, 0 when
    // the bytes there start none (or `pos` is past the end).
    static size_t CharacterLength(std::string_view text, size_t pos);

    // The bytes of a text without a byte-order mark, as UTF-8: valid UTF-8 is returned as it
    // is; anything else is converted from the legacy code page uchardet detects, or from
    // Windows-1252 when detection fails or names a code page iconv cannot open. When
    // `charset` is given it receives the encoding used ("UTF-8", "WINDOWS-1252", ...).
    static std::string LegacyToUtf8(std::string_view bytes, std::string* charset = nullptr);

    // The encoding a byte-order mark at the start of a text names. The 4-byte marks are
    // tested first: FF FE 00 00 is UTF-32LE, not UTF-16LE.
    enum class Mark { kNone, kUtf8, kUtf16Le, kUtf16Be, kUtf32Le, kUtf32Be };
    static Mark ByteOrderMark(std::string_view bytes);
    // The mark's length in bytes (0 for kNone).
    static size_t MarkLength(Mark mark);
    // The text after a UTF-16 or UTF-32 mark (`mark` as ByteOrderMark gave it) as UTF-8, as
    // Utf16LeToUtf8 does for UTF-16; a UTF-32 unit that is no character, or is cut short at the
    // end, becomes U+FFFD. False (and `out` untouched) for kNone and kUtf8.
    static bool MarkedUnicodeToUtf8(std::string_view bytes, Mark mark, std::string& out);

    // The bytes of a whole text file as UTF-8, whatever its form: a UTF-32 or UTF-16 mark
    // (either byte order) names its encoding, EF BB BF starts UTF-8 (the mark is dropped),
    // anything else goes through LegacyToUtf8.
    static std::string FileBytesToUtf8(std::string_view bytes);

    // The charset uchardet names for `bytes`, upper-case ("WINDOWS-1252", "UTF-8", "ASCII");
    // empty when it cannot tell.
    static std::string DetectCharset(std::string_view bytes);

    // Converts `bytes` in `charset` (an iconv name) to UTF-8 into `out`. Invalid sequences
    // become U+FFFD. Returns false (and leaves `out` empty) when iconv does not know
    // `charset`.
    static bool ToUtf8(std::string_view bytes, const std::string& charset, std::string& out);

    // Converts UTF-8 `text` to `charset` into `out`; characters the charset cannot hold become
    // '?', invalid UTF-8 input bytes become '?' too. Returns false when iconv does not know
    // `charset`.
    static bool FromUtf8(std::string_view text, const std::string& charset, std::string& out);

    // UTF-16LE bytes (no mark expected; an odd last byte is dropped) to UTF-8; unpaired
    // surrogates become U+FFFD.
    static std::string Utf16LeToUtf8(std::string_view bytes);

    // UTF-8 to UTF-16LE bytes (no mark); invalid UTF-8 bytes become U+FFFD.
    static std::string Utf8ToUtf16Le(std::string_view text);

    // The iconv name of a Windows code page number (1252 -> "CP1252", 65001 -> "UTF-8",
    // 28591 -> "ISO-8859-1", 932 -> "CP932", ...). kSystemCodePage gives "UTF-8", the
    // encoding of text on this system.
    static std::string CodePageName(int codePage);
};

}  // namespace zvp
