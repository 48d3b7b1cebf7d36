#include "app/Logger.h"

#include <gtest/gtest.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <ctime>
#include <fstream>
#include <regex>
#include <sstream>
#include <thread>
#include <vector>

#include "support/TestUtil.h"

namespace zvp {
namespace {

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::stringstream ss(text);
    for (std::string line; std::getline(ss, line);) lines.push_back(line);
    return lines;
}

class LoggerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        Logger::Instance().SetStdoutOutput(false);
        Logger::Instance().SetFileOutput(true);
        ASSERT_TRUE(Logger::Instance().OpenLogFile(path_));
    }
    void TearDown() override { Logger::Instance().SetStdoutOutput(true); }

    test::TempDir dir_;
    std::string path_ = dir_.file("ZVP.log");
};

TEST_F(LoggerTest, PrefixWithAndWithoutLocationAndLevelWords) {
    Log({"CVelloSource::Load", kLogInfo}, "opened %s (%d)", "a.mp4", 7);
    Log({nullptr, kLogError}, "no location");
    Log({"X::Y", kLogDebug}, "debug is written");
    const auto lines = Lines(ReadAll(path_));
    ASSERT_EQ(lines.size(), 3u);
    const int tid = static_cast<int>(::syscall(SYS_gettid));
    char tidText[16];
    std::snprintf(tidText, sizeof tidText, "% 5i", tid);
    const std::string stamp = R"(\d\d:\d\d:\d\d:\d\d\d )";
    EXPECT_TRUE(std::regex_match(
        lines[0],
        std::regex(stamp + tidText + " info: CVelloSource::Load: opened a\\.mp4 \\(7\\)")))
        << lines[0];
    EXPECT_TRUE(std::regex_match(lines[1], std::regex(stamp + tidText + " ERROR: no location")))
        << lines[1];
    EXPECT_TRUE(
        std::regex_match(lines[2], std::regex(stamp + tidText + " debug: X::Y: debug is written")))
        << lines[2];
}

TEST_F(LoggerTest, OverlongMessageIsCutToExactlyOneBuffer) {
    const std::string big(5000, 'x');
    Log({"A::B", kLogInfo}, "%s", big.c_str());
    const std::string text = ReadAll(path_);
    ASSERT_EQ(text.size(), Logger::kLineCapacity);
    EXPECT_EQ(text.back(), '\n');
    EXPECT_EQ(text[text.size() - 2], 'x');
}

TEST_F(LoggerTest, MessageThatExactlyFillsTheRoomIsKeptWhole) {
    Log({nullptr, kLogInfo}, "%s", "");
    const size_t prefix = ReadAll(path_).size() - 1;
    ASSERT_TRUE(Logger::Instance().OpenLogFile(path_));
    const std::string fits(Logger::kLineCapacity - 1 - prefix - 1, 'y');
    Log({nullptr, kLogInfo}, "%s", fits.c_str());
    const std::string text = ReadAll(path_);
    EXPECT_EQ(text.size(), prefix + fits.size() + 1);
    EXPECT_EQ(text.back(), '\n');
}

TEST_F(LoggerTest, TwoThreadsWriteWholeLinesWithTheirOwnIds) {
    constexpr int kPerThread = 500;
    std::vector<int> tids(2);
    auto writer = [&](int index) {
        tids[index] = static_cast<int>(::syscall(SYS_gettid));
        for (int i = 0; i < kPerThread; ++i)
            Log({"T::Run", kLogInfo}, "thread %d line %d %s", index, i,
                std::string(200, 'a' + index).c_str());
    };
    std::thread a(writer, 0), b(writer, 1);
    a.join();
    b.join();
    const auto lines = Lines(ReadAll(path_));
    ASSERT_EQ(lines.size(), 2u * kPerThread);
    const std::regex re(
        R"(\d\d:\d\d:\d\d:\d\d\d +(\d+) info: T::Run: thread (\d) line \d+ ([ab]{200}))");
    int counts[2] = {0, 0};
    for (const auto& line : lines) {
        std::smatch m;
        ASSERT_TRUE(std::regex_match(line, m, re)) << line;
        const int index = std::stoi(m[2]);
        EXPECT_EQ(std::stoi(m[1]), tids[index]);
        EXPECT_EQ(m[3].str(), std::string(200, 'a' + index));
        ++counts[index];
    }
    EXPECT_EQ(counts[0], kPerThread);
    EXPECT_EQ(counts[1], kPerThread);
}

TEST_F(LoggerTest, SecondOpenTruncatesAndFailedOpenKeepsNoFile) {
    Log({nullptr, kLogInfo}, "first run");
    ASSERT_TRUE(Logger::Instance().OpenLogFile(path_));
    Log({nullptr, kLogInfo}, "second run");
    const std::string text = ReadAll(path_);
    EXPECT_EQ(text.find("first run"), std::string::npos);
    EXPECT_NE(text.find("second run"), std::string::npos);

    EXPECT_FALSE(Logger::Instance().OpenLogFile(dir_.file("missing/folder/ZVP.log")));
    Log({nullptr, kLogInfo}, "after failure");  // must not crash, and reaches no file
    EXPECT_EQ(ReadAll(path_).find("after failure"), std::string::npos);
}

TEST_F(LoggerTest, FileOutputSwitchReturnsPreviousValue) {
    EXPECT_TRUE(Logger::Instance().SetFileOutput(false));
    Log({nullptr, kLogInfo}, "hidden");
    EXPECT_FALSE(Logger::Instance().SetFileOutput(true));
    Log({nullptr, kLogInfo}, "shown");
    const std::string text = ReadAll(path_);
    EXPECT_EQ(text.find("hidden"), std::string::npos);
    EXPECT_NE(text.find("shown"), std::string::npos);
}

TEST_F(LoggerTest, StampsAreUtc) {
    ::setenv("TZ", "Asia/Kathmandu", 1);  // UTC+05:45: any local stamp would be far off
    ::tzset();
    const time_t before = std::time(nullptr);
    Log({nullptr, kLogInfo}, "when");
    const time_t after = std::time(nullptr);
    ::unsetenv("TZ");
    ::tzset();
    const std::string line = ReadAll(path_);
    int h = 0, m = 0, s = 0, ms = 0;
    ASSERT_EQ(std::sscanf(line.c_str(), "%d:%d:%d:%d", &h, &m, &s, &ms), 4);
    const int logged = h * 3600 + m * 60 + s;
    struct tm b, a;
    gmtime_r(&before, &b);
    gmtime_r(&after, &a);
    const int lo = b.tm_hour * 3600 + b.tm_min * 60 + b.tm_sec;
    const int hi = a.tm_hour * 3600 + a.tm_min * 60 + a.tm_sec;
    EXPECT_TRUE((lo <= logged && logged <= hi) || hi < lo) << line;
    EXPECT_LT(ms, 1000);
}

}  // namespace
}  // namespace zvp
