#pragma once

#include <string>
#include <string_view>

namespace zvp {

// What the HTTP client reads out of a response's raw header block ("Name: value" lines ended
// by CR LF or LF). Header names match without case, so HTTP/2's lower-case names count.
struct ResponseHeaders {
    std::string charset;        // [A-Za-z0-9_-]+ after the first "charset=" (any case)
    std::string contentLength;  // the digits of the first Content-Length
    std::string location;       // the digits that start the first Location value (no URL)
    std::string cookies;        // every Set-Cookie value, joined by "; ", ending in ";"

    // Reads the four captures out of `raw`. Any bytes are accepted; nothing throws.
    // Stateless; any thread.
    static ResponseHeaders Parse(std::string_view raw);
};

}  // namespace zvp
