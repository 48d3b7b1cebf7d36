// The skinned main window's costs: painting the whole window (frame and its 21 controls) at
// 960 × 540, 1920 × 1080 and 3840 × 2160 screen pixels at device pixel ratios 1 and 2 (goal:
// under 8 ms at 3840 × 2160), applying the built-in skin and a skin file, and the playlist
// control taking 10,000 inserted rows, a sort and a clear. Prints medians in milliseconds.
// Runs under the offscreen platform; the ratio-2 figures come from a second run of itself
// with QT_SCALE_FACTOR=2.
//
// Usage: skin_bench
#include <QApplication>
#include <QImage>
#include <QProcess>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "MedianTime.h"
#include "app/Logger.h"
#include "engine/CClipInfo.h"
#include "playlist/CPlaylistModel.h"
#include "playlist/IPlaylistAdapter.h"
#include "skin/BuiltinSkin.h"
#include "skin/SkinApply.h"
#include "skin/SkinExport.h"
#include "skin/SkinWindowFixture.h"

namespace {

constexpr int kRuns = 9;
constexpr int kRows = 10000;
constexpr double kPaintGoalMs = 8.0;

// The median of kRuns runs of `timed`, each after `setup` (not timed), in milliseconds.
double Median(const std::function<void()>& setup, const std::function<void()>& timed) {
    return zvp::bench::MedianMs(kRuns, setup, timed);
}

void Print(const std::string& what, double ms, const char* note = "") {
    std::printf("  %-44s %9.3f ms%s\n", what.c_str(), ms, note);
    std::fflush(stdout);
}

// A temporary folder, removed with everything in it.
class ScratchFolder {
  public:
    ScratchFolder() {
        std::string templ =
            (std::filesystem::temp_directory_path() / "zvp-skinbench-XXXXXX").string();
        if (!::mkdtemp(templ.data())) {
            std::perror("mkdtemp");
            std::exit(1);
        }
        folder_ = templ;
    }
    ~ScratchFolder() {
        std::error_code ec;
        std::filesystem::remove_all(folder_, ec);
    }
    std::string File(const char* name) const { return (folder_ / name).string(); }
    std::string Path() const { return folder_.string(); }

  private:
    std::filesystem::path folder_;
};

void FramePaint(zvp::test::MainLikeWindow& window, qreal ratio) {
    std::printf("whole-window paint, device pixel ratio %g (goal < %g ms at 3840 x 2160)\n", ratio,
                kPaintGoalMs);
    for (const QSize screen : {QSize(960, 540), QSize(1920, 1080), QSize(3840, 2160)}) {
        const QSize logical = screen / ratio;
        window.resize(logical);
        window.SetReferenceState();
        QCoreApplication::processEvents();
        // The format the raster backing store paints into.
        QImage target(logical * ratio, QImage::Format_ARGB32_Premultiplied);
        target.setDevicePixelRatio(ratio);
        const double ms = Median([] {}, [&] { window.render(&target); });
        char what[64];
        std::snprintf(what, sizeof what, "%d x %d (%d x %d logical)", screen.width(),
                      screen.height(), window.width(), window.height());
        Print(what, ms,
              screen.width() == 3840 ? (ms < kPaintGoalMs ? "  (goal met)" : "  (over goal)") : "");
    }
}

void ApplySkins(zvp::test::MainLikeWindow& window) {
    std::printf("applying a skin (images loaded anew each time)\n");
    ScratchFolder folder;
    if (!zvp::ExportBuiltinSkin(folder.Path())) std::exit(1);
    const std::string file = folder.File(zvp::kExportedSkinFile);
    Print("built-in skin", Median([] {},
                                  [&] {
                                      zvp::ApplyDefaultSkin(window, window.Slots());
                                      window.RepositionControls();
                                  }));
    Print("skin file (the built-in skin exported)", Median([] {},
                                                           [&] {
                                                               zvp::LoadSkinFile(
                                                                   window, window.Slots(), file);
                                                               window.RepositionControls();
                                                           }));
}

void ListRows(zvp::test::MainLikeWindow& window) {
    std::printf("playlist control, %d rows\n", kRows);
    std::vector<std::string> paths;
    for (int i = 0; i < kRows; ++i) {
        char path[64];
        // Names out of order, so the sort has work to do.
        std::snprintf(path, sizeof path, "/media/clips/clip %05d.mkv", (i * 7919) % kRows);
        paths.push_back(path);
    }
    zvp::CPlaylistModel model;
    window.playlist.SetPlaylistModel(&model);
    const auto insert = [&] {
        for (const std::string& path : paths) {
            const int row = model.InsertItem(-1, path);
            model.SetItemData(row, zvp::IPlaylistAdapter::MakeFileRecord(path));
        }
        QCoreApplication::processEvents();
    };
    const auto clear = [&] {
        model.DeleteAllItems();
        QCoreApplication::processEvents();
    };
    Print("insert one by one (and lay out)", Median(clear, insert));
    Print("sort by title", Median(
                               [&] {
                                   clear();
                                   insert();
                               },
                               [&] {
                                   model.Sort(zvp::kSortByTitle);
                                   QCoreApplication::processEvents();
                               }));
    Print("clear", Median(insert, clear));
    window.playlist.SetPlaylistModel(nullptr);
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    const bool child = qEnvironmentVariableIsSet("ZVP_SKIN_BENCH_CHILD");
    if (!child) qputenv("QT_SCALE_FACTOR", "1");
    QApplication app(argc, argv);
    zvp::Logger::Instance().SetFileOutput(false);
    zvp::Logger::Instance().SetStdoutOutput(false);
    {
        zvp::test::MainLikeWindow window;
        window.resize(960, 540);
        zvp::ApplyDefaultSkin(window, window.Slots());
        zvp::test::ShowExposed(window);
        FramePaint(window, window.devicePixelRatioF());
        if (!child) {
            ApplySkins(window);
            ListRows(window);
        }
    }
    if (child) return 0;
    // The same paint at a ratio of 2, in a process of its own (the ratio is fixed at start).
    QProcess again;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("ZVP_SKIN_BENCH_CHILD", "1");
    env.insert("QT_SCALE_FACTOR", "2");
    again.setProcessEnvironment(env);
    again.setProcessChannelMode(QProcess::ForwardedChannels);
    again.start(QCoreApplication::applicationFilePath(), {});
    if (!again.waitForFinished(600000) || again.exitCode() != 0) {
        std::fprintf(stderr, "the ratio-2 run failed\n");
        return 1;
    }
    return 0;
}
