#include "graph/CMediaType.h"

#include <cstring>

extern "C" {
#include <libswscale/swscale.h>
}

namespace zvp {

int SwsColourSpace(ColourMatrix m) {
    switch (m) {
        case ColourMatrix::BT709:
            return SWS_CS_ITU709;
        case ColourMatrix::BT2020NC:
            return SWS_CS_BT2020;
        default:
            return SWS_CS_ITU601;
    }
}

VideoColour VideoColour::Resolved(int height) const {
    VideoColour c = *this;
    if (c.matrix == ColourMatrix::Unknown)
        c.matrix = height >= 720 ? ColourMatrix::BT709 : ColourMatrix::BT601;
    if (c.range == ColourRange::Unknown) c.range = ColourRange::Limited;
    return c;
}

void CMediaType::SetSampleSize(uint32_t size) {
    lSampleSize = size;
    bFixedSizeSamples = true;
}

BYTE* CMediaType::AllocFormatBuffer(uint32_t length) {
    format_.assign(length, 0);
    return Format();
}

bool CMediaType::SetFormat(const BYTE* format, uint32_t length) {
    if (length > 0 && format == nullptr) return false;
    format_.assign(format, format + length);
    return true;
}

VIDEOINFOHEADER* CMediaType::VideoInfo() {
    if (formattype != FormatType::VideoInfo || format_.size() < sizeof(VIDEOINFOHEADER))
        return nullptr;
    return reinterpret_cast<VIDEOINFOHEADER*>(format_.data());
}

const VIDEOINFOHEADER* CMediaType::VideoInfo() const {
    return const_cast<CMediaType*>(this)->VideoInfo();
}

WAVEFORMATEX* CMediaType::WaveFormat() {
    if (formattype != FormatType::WaveFormatEx || format_.size() < sizeof(WAVEFORMATEX))
        return nullptr;
    return reinterpret_cast<WAVEFORMATEX*>(format_.data());
}

const WAVEFORMATEX* CMediaType::WaveFormat() const {
    return const_cast<CMediaType*>(this)->WaveFormat();
}

bool CMediaType::operator==(const CMediaType& other) const {
    return majortype == other.majortype && subtype == other.subtype &&
           formattype == other.formattype && colour == other.colour && format_ == other.format_;
}

uint32_t CMediaType::ImageSize(SubType st, int width, int height) {
    if (width <= 0 || height <= 0) return 0;
    switch (st) {
        case SubType::YV12:
            return uint32_t(width) * uint32_t(height) * 3u / 2u;
        case SubType::RGB24:
            return Rgb24Stride(width) * uint32_t(height);
        default:
            return 0;
    }
}

bool CMediaType::InitVideo(SubType st, int width, int height) {
    uint32_t size = ImageSize(st, width, height);
    if (size == 0) return false;
    InitMediaType();
    majortype = MajorType::Video;
    subtype = st;
    formattype = FormatType::VideoInfo;
    bTemporalCompression = false;
    SetSampleSize(size);
    AllocFormatBuffer(sizeof(VIDEOINFOHEADER));
    VIDEOINFOHEADER* vih = VideoInfo();
    vih->rcSource = RECT{0, 0, width, height};
    vih->rcTarget = RECT{0, 0, width, height};
    vih->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    vih->bmiHeader.biWidth = width;
    vih->bmiHeader.biHeight = height;
    vih->bmiHeader.biPlanes = 1;
    vih->bmiHeader.biBitCount = st == SubType::YV12 ? 12 : 24;
    vih->bmiHeader.biCompression = st == SubType::YV12 ? FOURCC_YV12 : BI_RGB;
    vih->bmiHeader.biSizeImage = size;
    return true;
}

bool CMediaType::InitAudioPcm(int channels, int samplesPerSec) {
    if (channels <= 0 || channels > 8 || samplesPerSec <= 0) return false;
    InitMediaType();
    majortype = MajorType::Audio;
    subtype = SubType::PCM;
    formattype = FormatType::WaveFormatEx;
    AllocFormatBuffer(sizeof(WAVEFORMATEX));
    WAVEFORMATEX* wf = WaveFormat();
    wf->wFormatTag = WAVE_FORMAT_PCM;
    wf->nChannels = uint16_t(channels);
    wf->nSamplesPerSec = uint32_t(samplesPerSec);
    wf->wBitsPerSample = 16;
    wf->nBlockAlign = uint16_t(channels * 2);
    wf->nAvgBytesPerSec = uint32_t(wf->nBlockAlign) * uint32_t(samplesPerSec);
    wf->cbSize = 0;
    SetSampleSize(wf->nBlockAlign);
    return true;
}

}  // namespace zvp
