// Feeds arbitrary bytes to the readers of the upgrade server's answers: the installer-name
// rule (an accepted name is re-checked here against the rule, independently written), the
// version comparison (against fixed running versions and the bytes' own split), and the
// response header captures.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "app/InstallerName.h"
#include "upgrade/OfferedVersion.h"
#include "upgrade/ResponseHeaders.h"

namespace {

void Check(bool condition) {
    if (!condition) std::abort();
}

bool IsDigits(std::string_view text) {
    if (text.empty() || text.size() > 9) return false;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
    }
    return true;
}

// The rule an accepted name must meet.
void CheckAccepted(const zvp::InstallerName& accepted) {
    const std::string_view name = accepted.name;
    Check(!name.empty() && name.size() <= zvp::kMaxInstallerNameLength);
    for (char c : name) {
        const bool ok = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                        (c >= '0' && c <= '9') || c == '.' || c == '_' || c == '+' || c == '-';
        Check(ok);
    }
    Check(name.front() != '.' && name.front() != '-');
    Check(name.find("..") == std::string_view::npos);
    Check(name.find('/') == std::string_view::npos);
    Check(name.ends_with(".run") || name.ends_with(".AppImage") || name.ends_with(".deb"));
    const size_t underscore = name.rfind('_');
    const size_t dot = name.rfind('.');
    Check(underscore != std::string_view::npos && dot > underscore);
    std::string_view version = name.substr(underscore + 1, dot - underscore - 1);
    for (int part = 0; part < 3; ++part) {
        const size_t end = part < 2 ? version.find('.') : version.size();
        Check(end != std::string_view::npos);
        const std::string_view digits = version.substr(0, end);
        Check(IsDigits(digits));
        Check(static_cast<uint32_t>(std::strtoul(std::string(digits).c_str(), nullptr, 10)) ==
              accepted.version[part]);
        version.remove_prefix(part < 2 ? end + 1 : end);
    }
    Check(version.empty());
    // Accepting is idempotent.
    const std::optional<zvp::InstallerName> again = zvp::ParseInstallerName(name);
    Check(again && again->name == accepted.name && again->version == accepted.version);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::optional<zvp::InstallerName> accepted = zvp::ParseInstallerName(bytes);
    if (accepted) CheckAccepted(*accepted);

    const bool newer = zvp::IsOfferedVersionNewer("2.0.17", bytes);
    Check(!newer || accepted);
    Check(!zvp::IsOfferedVersionNewer("999999999.999999999.999999999", bytes));
    // The bytes split at their first NUL: a running version and an offered name.
    const size_t nul = bytes.find('\0');
    if (nul != std::string_view::npos) {
        zvp::IsOfferedVersionNewer(bytes.substr(0, nul), bytes.substr(nul + 1));
    }

    const zvp::ResponseHeaders headers = zvp::ResponseHeaders::Parse(bytes);
    Check(headers.contentLength.find_first_not_of("0123456789") == std::string::npos);
    Check(headers.location.find_first_not_of("0123456789") == std::string::npos);
    Check(headers.charset.size() <= size);
    return 0;
}
