#pragma once

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace zvp::test {

// CD audio: 2,352-byte sectors of 44.1 kHz 16-bit little-endian stereo, 75 per second.
inline constexpr int kCdSectorBytes = 2352;
inline constexpr int kCdSamplesPerSector = kCdSectorBytes / 4;

// `sectors` sectors of a sine of `hz` at a quarter of full scale in both channels.
inline std::string CdTone(double hz, int sectors) {
    std::string pcm(static_cast<size_t>(sectors) * kCdSectorBytes, '\0');
    const int samples = sectors * kCdSamplesPerSector;
    for (int i = 0; i < samples; ++i) {
        const auto v = static_cast<int16_t>(8192.0 * std::sin(2.0 * M_PI * hz * i / 44100.0));
        for (int c = 0; c < 2; ++c) {
            pcm[static_cast<size_t>(i) * 4 + c * 2] = static_cast<char>(v & 0xff);
            pcm[static_cast<size_t>(i) * 4 + c * 2 + 1] = static_cast<char>((v >> 8) & 0xff);
        }
    }
    return pcm;
}

// Writes "<folder>/disc.bin" and "<folder>/disc.cue": track 1 a MODE1/2352 data track of
// `dataSectors` sectors, then one AUDIO track per entry of `audio` (raw PCM, whole sectors).
// `binBytes`, when not negative, cuts the BIN to that many bytes after the CUE is written.
// Returns the CUE's path.
inline std::string WriteCueImage(const std::filesystem::path& folder, int dataSectors,
                                 const std::vector<std::string>& audio, long binBytes = -1) {
    std::string bin(static_cast<size_t>(dataSectors) * kCdSectorBytes, '\0');
    std::string cue = "FILE \"disc.bin\" BINARY\n  TRACK 01 MODE1/2352\n    INDEX 01 00:00:00\n";
    int track = 2;
    for (const std::string& pcm : audio) {
        const long sector = static_cast<long>(bin.size() / kCdSectorBytes);
        char line[96];
        std::snprintf(line, sizeof line, "  TRACK %02d AUDIO\n    INDEX 01 %02ld:%02ld:%02ld\n",
                      track++, sector / 75 / 60, sector / 75 % 60, sector % 75);
        cue += line;
        bin += pcm;
    }
    if (binBytes >= 0) bin.resize(static_cast<size_t>(binBytes));
    std::ofstream(folder / "disc.bin", std::ios::binary) << bin;
    std::ofstream(folder / "disc.cue", std::ios::binary) << cue;
    return (folder / "disc.cue").string();
}

}  // namespace zvp::test
