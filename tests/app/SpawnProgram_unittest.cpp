// Children started through SpawnProgram: only 0-2 reach them, whatever this process holds.
#include "app/SpawnProgram.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

#include "support/TestUtil.h"

namespace zvp {
namespace {

int Wait(pid_t pid) {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string ReadText(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST(SpawnProgramTest, ChildHoldsOnlyTheStandardDescriptors) {
    test::TempDir dir;
    const std::string listing = dir.file("fds.txt");
    // Inheritable descriptors of every kind, and one close-on-exec, all above 2.
    int pipeFds[2];
    ASSERT_EQ(::pipe(pipeFds), 0);
    const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
    const int file = ::open(dir.path().c_str(), O_RDONLY | O_DIRECTORY);
    const int cloexec = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    const int high = ::fcntl(pipeFds[0], F_DUPFD, 200);
    ASSERT_TRUE(sock > 2 && file > 2 && cloexec > 2 && high >= 200);

    for (bool searchPath : {false, true}) {
        SCOPED_TRACE(searchPath);
        std::remove(listing.c_str());
        // The shell of `-c` opens nothing of its own: its descriptors are what it inherited.
        pid_t pid = 0;
        ASSERT_EQ(SpawnProgram({searchPath ? "sh" : "/bin/sh", "-c",
                                "ls /proc/$$/fd | tr '\\n' ' ' > '" + listing + "'"},
                               SpawnOptions{searchPath, true}, &pid),
                  0);
        EXPECT_EQ(Wait(pid), 0);
        EXPECT_EQ(ReadText(listing), "0 1 2 ");
    }
    for (int fd : {pipeFds[0], pipeFds[1], sock, file, cloexec, high}) ::close(fd);
}

TEST(SpawnProgramTest, SessionAndFailures) {
    test::TempDir dir;
    const std::string out = dir.file("sid.txt");
    for (bool newSession : {false, true}) {
        pid_t pid = 0;
        ASSERT_EQ(SpawnProgram({"/bin/sh", "-c", "cut -d' ' -f6 /proc/$$/stat > '" + out + "'"},
                               SpawnOptions{false, newSession}, &pid),
                  0);
        ASSERT_EQ(Wait(pid), 0);
        const pid_t sid = static_cast<pid_t>(std::stol(ReadText(out)));
        EXPECT_EQ(sid == pid, newSession);
    }
    pid_t pid = 0;
    EXPECT_EQ(SpawnProgram({}, {}, &pid), EINVAL);
    EXPECT_EQ(SpawnProgram({dir.file("missing")}, {}, &pid), ENOENT);
    EXPECT_EQ(SpawnProgram({"zvp-no-such-program"}, SpawnOptions{true, false}, &pid), ENOENT);
}

}  // namespace
}  // namespace zvp
