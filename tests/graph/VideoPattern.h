#pragma once

// A synthetic picture for the video renderer checks: four quadrants, top left red, top right
// green, bottom left blue, bottom right white, as YV12 or as bottom-up RGB24, delivered
// through a hand-operated pin to a renderer in fast mode; and the check of a grabbed image.

#include <gtest/gtest.h>

#include <QColor>
#include <QImage>
#include <cstring>
#include <vector>

#include "graph/CFilterGraph.h"
#include "graph/ManualSource.h"

namespace zvp::test {

constexpr int kPatternW = 64, kPatternH = 32;

struct Rgb {
    int r, g, b;
};
inline Rgb QuadrantColour(int x, int y) {
    bool right = x >= kPatternW / 2, bottom = y >= kPatternH / 2;
    if (!bottom) return right ? Rgb{0, 255, 0} : Rgb{255, 0, 0};
    return right ? Rgb{255, 255, 255} : Rgb{0, 0, 255};
}
// BT.601 limited range, as the renderers convert back.
inline void ToYuv(Rgb c, uint8_t* y, uint8_t* u, uint8_t* v) {
    double Y = 16 + 0.256788 * c.r + 0.504129 * c.g + 0.097906 * c.b;
    double U = 128 - 0.148223 * c.r - 0.290993 * c.g + 0.439216 * c.b;
    double V = 128 + 0.439216 * c.r - 0.367788 * c.g - 0.071427 * c.b;
    *y = uint8_t(Y + 0.5);
    *u = uint8_t(U + 0.5);
    *v = uint8_t(V + 0.5);
}

inline std::vector<uint8_t> PatternBytes(SubType st) {
    const int w = kPatternW, h = kPatternH;
    std::vector<uint8_t> out(CMediaType::ImageSize(st, w, h));
    if (st == SubType::RGB24) {
        size_t stride = CMediaType::Rgb24Stride(w);
        for (int y = 0; y < h; ++y) {
            uint8_t* row = out.data() + size_t(h - 1 - y) * stride;  // bottom-up
            for (int x = 0; x < w; ++x) {
                Rgb c = QuadrantColour(x, y);
                row[3 * x] = uint8_t(c.r);
                row[3 * x + 1] = uint8_t(c.g);
                row[3 * x + 2] = uint8_t(c.b);
            }
        }
        return out;
    }
    uint8_t* Y = out.data();
    uint8_t* V = Y + w * h;
    uint8_t* U = V + (w / 2) * (h / 2);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint8_t yy, uu, vv;
            ToYuv(QuadrantColour(x, y), &yy, &uu, &vv);
            Y[y * w + x] = yy;
            if (x % 2 == 0 && y % 2 == 0) {
                U[(y / 2) * (w / 2) + x / 2] = uu;
                V[(y / 2) * (w / 2) + x / 2] = vv;
            }
        }
    return out;
}

// Sends one picture of `st` through `pin` (connected, graph running in fast mode).
inline void DeliverPattern(CManualPin* pin, SubType st) {
    auto bytes = PatternBytes(st);
    CSampleRef s;
    ASSERT_EQ(pin->GetDeliveryBuffer(&s, nullptr, nullptr, 0), S_OK);
    ASSERT_GE(s->GetSize(), long(bytes.size()));
    std::memcpy(s->Data(), bytes.data(), bytes.size());
    s->SetActualDataLength(long(bytes.size()));
    ASSERT_EQ(pin->Deliver(s.get()), S_OK);
}

inline CMediaType PatternType(SubType st) {
    CMediaType t;
    t.InitVideo(st, kPatternW, kPatternH);
    return t;
}

// The image shows the four quadrants in place (sampled at their centres).
inline bool ShowsPattern(const QImage& img, std::string* why) {
    if (img.isNull()) {
        *why = "null image";
        return false;
    }
    const int w = img.width(), h = img.height();
    struct Probe {
        int x, y;
        Rgb want;
    } probes[] = {{w / 4, h / 4, {255, 0, 0}},
                  {3 * w / 4, h / 4, {0, 255, 0}},
                  {w / 4, 3 * h / 4, {0, 0, 255}},
                  {3 * w / 4, 3 * h / 4, {255, 255, 255}}};
    for (const Probe& p : probes) {
        QColor c = img.pixelColor(p.x, p.y);
        if (std::abs(c.red() - p.want.r) > 16 || std::abs(c.green() - p.want.g) > 16 ||
            std::abs(c.blue() - p.want.b) > 16) {
            *why = "pixel (" + std::to_string(p.x) + "," + std::to_string(p.y) + ") is " +
                   std::to_string(c.red()) + "," + std::to_string(c.green()) + "," +
                   std::to_string(c.blue());
            return false;
        }
    }
    return true;
}

}  // namespace zvp::test
