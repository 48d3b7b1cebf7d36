#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace zvp {

// An installer file name the upgrade server offered, once checked, and its version.
struct InstallerName {
    std::string name;                   // the file name, without any folder
    std::array<uint32_t, 3> version{};  // major, minor, build
};

inline constexpr size_t kMaxInstallerNameLength = 128;

// The only reader of the installer name the upgrade server sends (the whole check response
// body). Trailing CR, LF, spaces and tabs are dropped; the rest is accepted only when it
//  - is 1 to 128 bytes of [A-Za-z0-9._+-],
//  - starts with neither "." nor "-" and holds no "..",
//  - ends in ".run", ".AppImage" or ".deb",
//  - has exactly three numbers of 1 to 9 digits, joined by ".", between its last "_" and its
//    last ".".
// So an accepted name is always a plain file name inside its folder. Anything else: nullopt.
// Plain C++ (the relauncher uses it too); stateless, any thread.
std::optional<InstallerName> ParseInstallerName(std::string_view text);

// Reads "<a>.<b>.<c>" with three numbers of 1 to 9 digits into `out`; false for anything else.
bool ParseVersionTriple(std::string_view text, std::array<uint32_t, 3>& out);

// Whether an installer of this name is run directly (".run", ".AppImage") rather than opened.
bool IsExecutableInstallerName(std::string_view name);

}  // namespace zvp
