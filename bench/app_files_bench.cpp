// Micro-benchmarks of the settings and text-file layer: bytes per second decoded from a
// legacy code page (detection included), settings saves per second (temporary file, flush,
// rename) and lines per second read from a UTF-16LE file.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "app/CAppIni.h"
#include "app/CStdioFileEx.h"
#include "app/Logger.h"
#include "app/TextDecoder.h"

namespace {

std::string LatinText(size_t bytes) {
    const std::string line =
        "L'\xE9t\xE9 \xE0 la plage, tr\xE8s agr\xE9"
        "able pour Jos\xE9.\r\n";
    std::string text;
    while (text.size() < bytes) text += line;
    return text;
}

std::filesystem::path ScratchFolder() {
    std::string templ = (std::filesystem::temp_directory_path() / "zvp-bench-XXXXXX").string();
    if (!::mkdtemp(templ.data())) std::abort();
    return templ;
}

void BM_LegacyToUtf8(benchmark::State& state) {
    const std::string text = LatinText(static_cast<size_t>(state.range(0)));
    for (auto _ : state) benchmark::DoNotOptimize(zvp::TextDecoder::LegacyToUtf8(text));
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(text.size()));
}
BENCHMARK(BM_LegacyToUtf8)->Arg(4 << 10)->Arg(1 << 20);

void BM_SettingsSave(benchmark::State& state) {
    zvp::Logger::Instance().SetStdoutOutput(false);
    const auto folder = ScratchFolder();
    zvp::CAppIni ini((folder / "zvp_data.ini").string());
    ini.Reload();
    int i = 0;
    for (auto _ : state) {
        ini.SetInt("settings::current_play_item", ++i);
        if (!ini.Save()) state.SkipWithError("save failed");
    }
    state.SetItemsProcessed(state.iterations());
    state.SetLabel("saves");
    std::filesystem::remove_all(folder);
}
BENCHMARK(BM_SettingsSave)->Unit(benchmark::kMicrosecond);

void BM_ReadUtf16Lines(benchmark::State& state) {
    const auto folder = ScratchFolder();
    const std::string path = (folder / "list.mpl").string();
    {
        zvp::CStdioFileEx file;
        file.Open(path, zvp::CStdioFileEx::modeWrite | zvp::CStdioFileEx::modeUnicode);
        for (int i = 0; i < 10000; ++i) {
            file.WriteString("/home/user/M\xC3\xBAsica/album " + std::to_string(i) + ".mp3\r\n");
        }
        file.Close();
    }
    int64_t lines = 0;
    for (auto _ : state) {
        zvp::CStdioFileEx file;
        file.Open(path, zvp::CStdioFileEx::modeRead);
        std::string line;
        while (file.ReadString(line)) ++lines;
    }
    state.SetItemsProcessed(lines);
    state.SetLabel("lines");
    std::filesystem::remove_all(folder);
}
BENCHMARK(BM_ReadUtf16Lines)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
