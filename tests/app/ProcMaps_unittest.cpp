#include "app/ProcMaps.h"

#include <gtest/gtest.h>

#include <string>

namespace zvp {
namespace {

struct Line {
    std::string text;
    bool parses = false;
    uint64_t start = 0, end = 0, offset = 0;
    const char* perms = "---";  // "rwx" flags, '-' for off
    std::string path = "";
    bool deleted = false;
};

TEST(ProcMapsTest, ParsesLines) {
    const Line lines[] = {
        {"55d0c0a00000-55d0c0a02000 r--p 00000000 fe:01 1835010                    /usr/bin/zvp",
         true, 0x55d0c0a00000, 0x55d0c0a02000, 0, "r--", "/usr/bin/zvp", false},
        {"7f0000001000-7f0000003000 r-xp 00001000 08:02 42 /opt/My Player/lib q.so", true,
         0x7f0000001000, 0x7f0000003000, 0x1000, "r-x", "/opt/My Player/lib q.so", false},
        {"7f0000003000-7f0000004000 rw-s 00000000 00:05 7 /memfd:x (deleted)", true, 0x7f0000003000,
         0x7f0000004000, 0, "rw-", "/memfd:x", true},
        {"7ffc00000000-7ffc00021000 rw-p 00000000 00:00 0                          [stack]", true,
         0x7ffc00000000, 0x7ffc00021000, 0, "rw-", "[stack]", false},
        {"7f0000005000-7f0000006000 ---p 00000000 00:00 0", true, 0x7f0000005000, 0x7f0000006000, 0,
         "---", "", false},
        {"ffffffffff600000-ffffffffff601000 --xp 00000000 00:00 0   [vsyscall]", true,
         0xffffffffff600000, 0xffffffffff601000, 0, "--x", "[vsyscall]", false},
        {"", false},
        {"7f00-7e00 r--p 00000000 00:00 0", false},                     // end below start
        {"7f00-8f00 r--p", false},                                      // cut short
        {"7f00 8f00 r--p 00000000 00:00 0", false},                     // no dash
        {"x7f00-8f00 r--p 00000000 00:00 0", false},                    // not hexadecimal
        {"10000000000000000-2 r--p 00000000 00:00 0", false},           // over 64 bits
        {"1000-2000 r--p 0 00:00 0 " + std::string(4096, 'a'), false},  // longer than 4 KiB
    };
    for (const Line& l : lines) {
        ProcMapsEntry e;
        ASSERT_EQ(ProcMaps::ParseLine(l.text.data(), l.text.size(), &e), l.parses) << l.text;
        if (!l.parses) continue;
        EXPECT_EQ(e.start, l.start);
        EXPECT_EQ(e.end, l.end);
        EXPECT_EQ(e.offset, l.offset);
        EXPECT_EQ(e.readable, l.perms[0] == 'r');
        EXPECT_EQ(e.writable, l.perms[1] == 'w');
        EXPECT_EQ(e.executable, l.perms[2] == 'x');
        EXPECT_EQ(std::string(e.path, e.pathLength), l.path);
        EXPECT_EQ(e.deleted, l.deleted);
    }
}

TEST(ProcMapsTest, CursorSkipsOverlongAndMalformedLinesWhole) {
    const std::string text = "1000-2000 r--p 00000000 00:00 0 /a\n" +
                             ("3000-4000 r--p 00000000 00:00 0 /" + std::string(5000, 'b')) +
                             "\ngarbage\n5000-6000 r-xp 00000000 00:00 0 /c";
    ProcMaps::Cursor cursor(text.data(), text.size());
    ProcMapsEntry e;
    std::string paths;
    while (cursor.Next(&e)) paths += std::string(e.path, e.pathLength) + ";";
    EXPECT_EQ(paths, "/a;/c;");
}

}  // namespace
}  // namespace zvp
