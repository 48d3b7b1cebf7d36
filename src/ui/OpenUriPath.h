#pragma once

#include <QString>
#include <optional>
#include <string>

namespace zvp {

// The local path an OpenUri text names: a valid "file:" URL without a host (or "localhost")
// gives its absolute local path, UTF-8; empty when it names none (a relative path, or one
// holding an encoded NUL). Any other text, scheme or host gives nullopt, which the caller
// answers as not supported. Stateless; any thread.
std::optional<std::string> OpenUriPath(const QString& uri);

}  // namespace zvp
