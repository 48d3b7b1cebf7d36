#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "subtitle/CMemorySubtitleHost.h"
#include "subtitle/CSubtitle.h"
#include "subtitle/CSubtitleFile.h"
#include "support/TestUtil.h"

namespace zvp::test {

// A picture the size of the renderer's frame, plus the rows where blending changed it.
struct Picture {
    int width = 0;
    int height = 0;
    bool rgb24 = false;
    int stride = 0;
    std::vector<uint8_t> data;

    static Picture Yv12(int w, int h, uint8_t luma = 128) {
        Picture p;
        p.width = w;
        p.height = h;
        p.stride = w;
        p.data.assign(size_t(w) * h, luma);
        p.data.resize(size_t(w) * h + 2 * size_t(w / 2) * (h / 2), 128);
        return p;
    }
    static Picture Rgb24(int w, int h, uint8_t grey = 128) {
        Picture p;
        p.width = w;
        p.height = h;
        p.rgb24 = true;
        p.stride = (w * 3 + 3) / 4 * 4;
        p.data.assign(size_t(p.stride) * h, grey);
        return p;
    }
    // Top-down row `y` differs from `other` (luma plane or RGB bytes within the width).
    bool RowDiffers(const Picture& other, int y) const {
        const size_t bytes = rgb24 ? size_t(width) * 3 : size_t(width);
        const size_t row = rgb24 ? size_t(height - 1 - y) * stride : size_t(y) * stride;
        return !std::equal(data.begin() + row, data.begin() + row + bytes,
                           other.data.begin() + row);
    }
    // Top-down rows that differ from `other`.
    std::vector<int> ChangedRows(const Picture& other) const {
        std::vector<int> rows;
        for (int y = 0; y < height; ++y) {
            if (RowDiffers(other, y)) rows.push_back(y);
        }
        return rows;
    }
    bool Differs(const Picture& other) const { return data != other.data; }
    // B, G, R of top-down pixel (x, y) of an RGB24 picture.
    const uint8_t* Pixel(int x, int y) const {
        return data.data() + size_t(height - 1 - y) * stride + size_t(x) * 3;
    }
    uint8_t Luma(int x, int y) const { return data[size_t(y) * stride + x]; }
    uint8_t V(int x, int y) const {
        return data[size_t(stride) * height + size_t(y / 2) * (stride / 2) + x / 2];
    }
    uint8_t U(int x, int y) const {
        return data[size_t(stride) * height + size_t(stride / 2) * (height / 2) +
                    size_t(y / 2) * (stride / 2) + x / 2];
    }
};

// Runs of consecutive rows: {first, last} pairs, top to bottom.
inline std::vector<std::pair<int, int>> RowRuns(const std::vector<int>& rows) {
    std::vector<std::pair<int, int>> runs;
    for (int y : rows) {
        if (!runs.empty() && runs.back().second + 1 == y) {
            runs.back().second = y;
        } else {
            runs.push_back({y, y});
        }
    }
    return runs;
}

inline void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), std::streamsize(bytes.size()));
}

inline std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A minimal ASS script with the given dialogue lines (already "Dialogue: ..." formatted).
inline std::string AssScript(const std::string& dialogues) {
    return "[Script Info]\nScriptType: v4.00+\nPlayResX: 640\nPlayResY: 480\n\n"
           "[V4+ Styles]\nFormat: Name, Fontname, Fontsize, PrimaryColour, SecondaryColour, "
           "OutlineColour, BackColour, Bold, Italic, Underline, StrikeOut, ScaleX, ScaleY, "
           "Spacing, Angle, BorderStyle, Outline, Shadow, Alignment, MarginL, MarginR, MarginV, "
           "Encoding\nStyle: Default,Arial,20,&H00FFFFFF,&H000000FF,&H00000000,&H00000000,0,0,"
           "0,0,100,100,0,0,1,2,2,2,10,10,10,1\n\n[Events]\nFormat: Layer, Start, End, Style, "
           "Name, MarginL, MarginR, MarginV, Effect, Text\n" +
           dialogues;
}

// Installs an in-memory host (temporary folder inside a fresh TempDir, settings at their
// defaults, a font chosen from the system) and sets the renderer up for 640 x 480; the
// registry is shut down afterwards.
class SubtitleTest : public ::testing::Test {
  protected:
    static constexpr int kWidth = 640;
    static constexpr int kHeight = 480;

    void SetUp() override {
        host_ = std::make_shared<CMemorySubtitleHost>();
        host_->SetTempFolder(temp_.file("tmp"));
        SetSubtitleHost(host_);
        SetSubtitleOutputRgb24(false);
        ASSERT_TRUE(CSubtitle::Setup(kWidth, kHeight));
    }
    void TearDown() override {
        ShutdownSubtitles();
        CSubtitleFile::SetCurrentPath(std::string());
        SetSubtitleHost(nullptr);
    }

    // Renders the registry onto a copy of `base` at `timeMs`; returns the copy.
    Picture Render(const Picture& base, int64_t timeMs, int* baselineOut = nullptr) {
        Picture p = base;
        SetSubtitleOutputRgb24(p.rgb24);
        int baseline = p.height - 32;
        RenderSubtitles(p.data.data(), p.width, p.height, timeMs, baseline, p.stride);
        if (baselineOut) *baselineOut = baseline;
        return p;
    }

    // Rows changed when rendering at `timeMs` onto a grey YV12 picture.
    std::vector<int> DrawnRows(int64_t timeMs) {
        Picture base = Picture::Yv12(kWidth, kHeight);
        return Render(base, timeMs).ChangedRows(base);
    }

    TempDir temp_;
    std::shared_ptr<CMemorySubtitleHost> host_;
};

}  // namespace zvp::test
