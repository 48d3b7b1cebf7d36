// The registry used from two threads at once: the streaming thread draws every picture and
// hands over embedded text while the UI thread replaces the renderer, the external track and
// the registry itself.
#include "subtitle/CSubtitle.h"

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <thread>

#include "subtitle/SubtitleTestUtil.h"

namespace zvp {
namespace {

using test::Picture;

class CSubtitleThreadsTest : public test::SubtitleTest {
  protected:
    // Blocks until the streaming thread has drawn `count` more pictures.
    bool WaitPictures(int count) {
        std::unique_lock lock(mutex_);
        const long target = pictures_ + count;
        return cv_.wait_for(lock, std::chrono::seconds(60), [&] { return pictures_ >= target; });
    }

    std::mutex mutex_;
    std::condition_variable cv_;
    long pictures_ = 0;  // guarded by mutex_
};

TEST_F(CSubtitleThreadsTest, ReplacingRendererAndTracksWhileDrawing) {
    const std::string dir = temp_.file("media") + "/";
    std::filesystem::create_directories(dir);
    test::WriteFile(dir + "clip.mkv", "");
    test::WriteFile(dir + "clip.srt", "1\n00:00:00,000 --> 01:00:00,000\nExternal line\n");
    test::WriteFile(dir + "other.mkv", "");
    test::WriteFile(dir + "other.ass",
                    test::AssScript("Dialogue: 0,0:00:00.00,1:00:00.00,Default,,0,0,0,,Other\n"));
    ASSERT_TRUE(OpenSubtitle(kSubtitleExternal, 0, dir + "clip.mkv"));

    std::atomic<bool> stop{false};
    std::thread streaming([&] {
        Picture yuv = Picture::Yv12(kWidth, kHeight);
        Picture rgb = Picture::Rgb24(kWidth, kHeight);
        for (int64_t n = 0; !stop.load(); ++n) {
            if (n % 3 == 0) {
                OpenSubtitle(kSubtitleText, int(n % 2),
                             "Dialogue: 0,0:00:00.00,1:00:00.00,Default,,0,0,0,,Embedded " +
                                 std::to_string(n));
            }
            Picture& p = (n % 4 == 0) ? rgb : yuv;
            SetSubtitleOutputRgb24(p.rgb24);
            int baseline = p.height - 32;
            RenderSubtitles(p.data.data(), p.width, p.height, n * 40, baseline, p.stride);
            // As the video decoder does, with a wrong guess now and then.
            RenderSubtitlesAhead(n % 5 == 0 ? n * 40 + 7 : (n + 1) * 40, (n + 1) % 4 == 0);
            {
                std::lock_guard lock(mutex_);
                ++pictures_;
            }
            cv_.notify_all();
        }
    });

    for (int i = 0; i < 12; ++i) {
        ResetSubtitleRenderer();
        ASSERT_TRUE(WaitPictures(2));
        OpenSubtitle(kSubtitleExternal, 0, dir + (i % 2 ? "clip.mkv" : "other.mkv"));
        ASSERT_TRUE(WaitPictures(2));
        ClearSubtitles(kSubtitleExternal);
        SeekSubtitles(0);
        ASSERT_TRUE(WaitPictures(1));
        ClearSubtitles(kSubtitleText);
        ShutdownSubtitles();
        ASSERT_TRUE(WaitPictures(1));
        ASSERT_TRUE(CSubtitle::Setup(kWidth, kHeight));
        OpenSubtitle(kSubtitleExternal, 0, dir + "clip.mkv");
        ASSERT_TRUE(WaitPictures(2));
    }
    stop.store(true);
    streaming.join();
}

TEST_F(CSubtitleThreadsTest, RenderingAheadDrawsWhatRenderingNowDraws) {
    const std::string dir = temp_.file("ahead") + "/";
    std::filesystem::create_directories(dir);
    test::WriteFile(dir + "moving.ass",
                    test::AssScript("Dialogue: 0,0:00:00.00,0:00:09.00,Default,,0,0,0,,"
                                    "{\\move(100,400,500,300)}{\\k30}Kara{\\k40}oke line\n"
                                    "Dialogue: 0,0:00:00.40,0:00:00.80,Default,,0,0,0,,Short\n"));
    // Picture times and formats as a player meets them: a format change, a jump back (a
    // seek) and a jump forward, and an embedded text that changes while its picture is
    // rendered ahead.
    const struct {
        int64_t time;
        bool rgb24;
    } pictures[] = {{0, false},   {40, false},  {80, false},  {120, true},  {160, true},
                    {200, false}, {240, false}, {280, false}, {120, false}, {160, false},
                    {440, false}, {480, false}, {520, false}, {560, false}, {600, false}};
    auto play = [&](bool ahead) {
        ShutdownSubtitles();
        EXPECT_TRUE(CSubtitle::Setup(kWidth, kHeight));
        SubtitleData data;
        data.text = dir + "moving.ass";
        data.picked = true;
        EXPECT_TRUE(OpenSubtitle(kSubtitleExternal, 0, std::move(data)));
        std::vector<std::vector<uint8_t>> shown;
        int n = 0;
        for (const auto& at : pictures) {
            if (n % 4 == 0) {
                OpenSubtitle(
                    kSubtitleText, 0,
                    "Dialogue: 0,0:00:00.00,1:00:00.00,Default,,0,0,0,,Text " + std::to_string(n));
            }
            Picture p = at.rgb24 ? Picture::Rgb24(kWidth, kHeight) : Picture::Yv12(kWidth, kHeight);
            int baseline = p.height - 32;
            RenderSubtitles(p.data.data(), p.width, p.height, at.time, baseline, p.stride,
                            at.rgb24);
            if (ahead) RenderSubtitlesAhead(at.time + 40, at.rgb24);
            shown.push_back(std::move(p.data));
            ++n;
        }
        return shown;
    };
    const auto now = play(false);
    const auto early = play(true);
    ASSERT_EQ(now.size(), early.size());
    for (size_t i = 0; i < now.size(); ++i) EXPECT_TRUE(now[i] == early[i]) << "picture " << i;
    EXPECT_NE(now[0], now[2]);  // the line moves
}

}  // namespace
}  // namespace zvp
