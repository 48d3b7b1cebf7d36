// The installer-name rule: what the upgrade server may name, and the version it carries.
#include "app/InstallerName.h"

#include <gtest/gtest.h>

namespace zvp {
namespace {

TEST(InstallerNameTest, AcceptsOnlyPlainNamesWithThreeVersionNumbers) {
    struct Case {
        std::string text;
        const char* name;  // null: refused
        std::array<uint32_t, 3> version;
    };
    const std::string longest = std::string(118, 'a') + "_1.2.3.run";  // 128 bytes
    const Case cases[] = {
        {"zvp_2.0.18.run\n", "zvp_2.0.18.run", {2, 0, 18}},
        {"zvp_2.0.18.run \t\r\n\r\n", "zvp_2.0.18.run", {2, 0, 18}},
        {"ZVP-x86_64+gl_10.20.999999999.AppImage",
         "ZVP-x86_64+gl_10.20.999999999.AppImage",
         {10, 20, 999999999}},
        {"zvp_1.2.3.deb", "zvp_1.2.3.deb", {1, 2, 3}},
        {"_1.2.3.run", "_1.2.3.run", {1, 2, 3}},
        {longest, longest.c_str(), {1, 2, 3}},
        {longest.substr(1) + "x", nullptr, {}},  // still 128, but no ".run" end
        {"a" + longest, nullptr, {}},            // 129 bytes
        {"zvp_1.2.1234567890.run", nullptr, {}},
        {"zvp_1.2.3.4.run", nullptr, {}},
        {"zvp_1.2..run", nullptr, {}},
        {"zvp_1.2.3.RUN", nullptr, {}},
        {"zvp_1.2.3.appimage", nullptr, {}},
        {"zvp-1.2.3.run", nullptr, {}},
        {"zvp_1.2.3_.run", nullptr, {}},
        {"zvp_1.+2.3.run", nullptr, {}},
        {" zvp_1.2.3.run", nullptr, {}},
        {"zvp_1.2.3.run\nx", nullptr, {}},
        {"..zvp_1.2.3.run", nullptr, {}},
        {"\n", nullptr, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const std::optional<InstallerName> parsed = ParseInstallerName(c.text);
        ASSERT_EQ(parsed.has_value(), c.name != nullptr);
        if (!parsed) continue;
        EXPECT_EQ(parsed->name, c.name);
        EXPECT_EQ(parsed->version, c.version);
    }
}

}  // namespace
}  // namespace zvp
