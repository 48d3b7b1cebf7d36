#pragma once

#include <cstdint>
#include <vector>

#include "graph/GraphTypes.h"

namespace zvp {

// What a pin carries. Only the kinds the player needs exist.
enum class MajorType { None, Video, Audio };
enum class SubType { None, YV12, RGB24, PCM };
enum class FormatType { None, VideoInfo, WaveFormatEx };

inline constexpr MajorType MEDIATYPE_Video = MajorType::Video;
inline constexpr MajorType MEDIATYPE_Audio = MajorType::Audio;
// Planar 4:2:0: the Y plane (width x height, stride width), then the V plane, then the U
// plane (each width/2 x height/2, stride width/2). Top row first.
inline constexpr SubType MEDIASUBTYPE_YV12 = SubType::YV12;
// Packed 24-bit pixels, bytes in the order red, green, blue; rows bottom-up (the first row
// in memory is the bottom row of the picture), each row padded to a multiple of 4 bytes.
inline constexpr SubType MEDIASUBTYPE_RGB24 = SubType::RGB24;
// Interleaved signed 16-bit little-endian PCM.
inline constexpr SubType MEDIASUBTYPE_PCM = SubType::PCM;
inline constexpr FormatType FORMAT_VideoInfo = FormatType::VideoInfo;
inline constexpr FormatType FORMAT_WaveFormatEx = FormatType::WaveFormatEx;

inline constexpr uint32_t BI_RGB = 0;
inline constexpr uint32_t MakeFourCC(char a, char b, char c, char d) {
    return uint32_t(uint8_t(a)) | uint32_t(uint8_t(b)) << 8 | uint32_t(uint8_t(c)) << 16 |
           uint32_t(uint8_t(d)) << 24;
}
inline constexpr uint32_t FOURCC_YV12 = MakeFourCC('Y', 'V', '1', '2');
inline constexpr uint16_t WAVE_FORMAT_PCM = 1;

// How the samples of a YV12 picture map to RGB: the Y'CbCr matrix and the sample range.
enum class ColourMatrix : uint8_t { Unknown, BT601, BT709, BT2020NC };
enum class ColourRange : uint8_t { Unknown, Limited, Full };

struct VideoColour {
    ColourMatrix matrix = ColourMatrix::Unknown;
    ColourRange range = ColourRange::Unknown;

    bool operator==(const VideoColour&) const = default;
    // This colour with nothing unknown, as players read an untagged picture of `height`
    // rows: BT.709 from 720 rows up, else BT.601; limited range.
    VideoColour Resolved(int height) const;
};

// libswscale's colour-space id (SWS_CS_*) of `m`; Unknown gives BT.601's.
int SwsColourSpace(ColourMatrix m);

struct RECT {
    int32_t left = 0, top = 0, right = 0, bottom = 0;
};

// 40 bytes.
struct BITMAPINFOHEADER {
    uint32_t biSize = 0;
    int32_t biWidth = 0;
    int32_t biHeight = 0;  // positive
    uint16_t biPlanes = 0;
    uint16_t biBitCount = 0;
    uint32_t biCompression = 0;  // BI_RGB or FOURCC_YV12
    uint32_t biSizeImage = 0;
    int32_t biXPelsPerMeter = 0;
    int32_t biYPelsPerMeter = 0;
    uint32_t biClrUsed = 0;
    uint32_t biClrImportant = 0;
};
static_assert(sizeof(BITMAPINFOHEADER) == 40);

// The video-information header, 88 bytes.
struct VIDEOINFOHEADER {
    RECT rcSource;
    RECT rcTarget;
    uint32_t dwBitRate = 0;
    uint32_t dwBitErrorRate = 0;
    REFERENCE_TIME AvgTimePerFrame = 0;
    BITMAPINFOHEADER bmiHeader;
};
static_assert(sizeof(VIDEOINFOHEADER) == 88);

// The wave format, 18 bytes.
#pragma pack(push, 1)
struct WAVEFORMATEX {
    uint16_t wFormatTag = 0;
    uint16_t nChannels = 0;
    uint32_t nSamplesPerSec = 0;
    uint32_t nAvgBytesPerSec = 0;
    uint16_t nBlockAlign = 0;
    uint16_t wBitsPerSample = 0;
    uint16_t cbSize = 0;
};
#pragma pack(pop)
static_assert(sizeof(WAVEFORMATEX) == 18);

// A media type: major type, subtype, sample properties and a format block (a
// VIDEOINFOHEADER for FORMAT_VideoInfo, a WAVEFORMATEX for FORMAT_WaveFormatEx). A value
// type; copies are deep. Not thread-safe: each owner guards its own copy.
class CMediaType {
  public:
    CMediaType() = default;

    MajorType majortype = MajorType::None;
    SubType subtype = SubType::None;
    bool bFixedSizeSamples = true;
    bool bTemporalCompression = false;
    uint32_t lSampleSize = 0;
    FormatType formattype = FormatType::None;
    // The colour of YV12 pictures; Unknown where the stream does not say (and for other
    // subtypes, which ignore it).
    VideoColour colour;

    MajorType Type() const { return majortype; }
    SubType Subtype() const { return subtype; }
    FormatType GetFormatType() const { return formattype; }
    void SetType(MajorType t) { majortype = t; }
    void SetSubtype(SubType t) { subtype = t; }
    void SetFormatType(FormatType t) { formattype = t; }
    void SetTemporalCompression(bool on) { bTemporalCompression = on; }
    const VideoColour& Colour() const { return colour; }
    void SetColour(VideoColour c) { colour = c; }
    void SetSampleSize(uint32_t size);  // also marks the samples as fixed size
    void SetVariableSize() { bFixedSizeSamples = false; }
    bool IsFixedSize() const { return bFixedSizeSamples; }
    bool IsTemporalCompressed() const { return bTemporalCompression; }
    uint32_t GetSampleSize() const { return bFixedSizeSamples ? lSampleSize : 0; }
    bool IsValid() const { return majortype != MajorType::None; }
    void InitMediaType() { *this = CMediaType(); }

    // The format block. AllocFormatBuffer replaces it with `length` zero bytes and returns
    // it (null for length 0); SetFormat copies `length` bytes.
    BYTE* AllocFormatBuffer(uint32_t length);
    bool SetFormat(const BYTE* format, uint32_t length);
    void ResetFormatBuffer() { format_.clear(); }
    BYTE* Format() { return format_.empty() ? nullptr : format_.data(); }
    const BYTE* Format() const { return format_.empty() ? nullptr : format_.data(); }
    uint32_t FormatLength() const { return static_cast<uint32_t>(format_.size()); }

    // Typed views of the format block: null unless the format type matches and the block
    // is large enough.
    VIDEOINFOHEADER* VideoInfo();
    const VIDEOINFOHEADER* VideoInfo() const;
    WAVEFORMATEX* WaveFormat();
    const WAVEFORMATEX* WaveFormat() const;

    // Equal when major type, subtype, format type, colour and format block are equal.
    bool operator==(const CMediaType& other) const;
    bool operator!=(const CMediaType& other) const { return !(*this == other); }

    // Fills a complete uncompressed video type of `width` x `height` (YV12 or RGB24):
    // major type video, FORMAT_VideoInfo with rectangles (0,0,width,height), fixed-size
    // samples of the image size, colour unknown. Returns false for other subtypes or a bad
    // size.
    bool InitVideo(SubType st, int width, int height);
    // Fills a 16-bit PCM audio type (FORMAT_WaveFormatEx), sample size = block alignment.
    bool InitAudioPcm(int channels, int samplesPerSec);

    // Bytes in one RGB24 row of `width` pixels, padded to a multiple of 4.
    static uint32_t Rgb24Stride(int width) { return (24u * uint32_t(width) + 31u) / 32u * 4u; }
    // Bytes of one picture in the given subtype (0 for others).
    static uint32_t ImageSize(SubType st, int width, int height);

  private:
    std::vector<BYTE> format_;
};

}  // namespace zvp
