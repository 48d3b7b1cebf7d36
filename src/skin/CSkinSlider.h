#pragma once

#include "skin/CSkinCtrl.h"

namespace zvp {

// A slider: a channel image repeated along the track and a thumb drawn at the thumb position,
// which is 0 across the track. Values run from the range minimum (0) to its maximum; one value
// step is k = (track length − thumb length) ÷ (maximum − minimum) pixels, and k = 0 when the
// range is empty or the track is not longer than the thumb, in which case the thumb stays at 0
// and every pointer position reads as the minimum.
//
// A left press (with the grab offset set to half the thumb) and every drag move place the thumb
// under the pointer; a horizontal slider's thumb snaps down to whole steps. When the thumb
// moves the slider publishes "SliderPosChanged" (value, travel length in pixels) and stores
// the value. Each move publishes "SliderPosHovered" (value under the pointer, travel length),
// the pointer read with half the thumb as grab offset. A resize places the thumb again from
// the value. UI thread only.
class CSkinSlider : public CSkinCtrl {
    Q_OBJECT

  public:
    CSkinSlider();
    ~CSkinSlider() override;

    // Creates the control without piece points; the channel is `image`, the thumb is
    // `thumbWidth` × `thumbHeight` drawn from `thumb`.
    bool CreateSlider(QWidget* parent, bool horizontal, int left, int top, int width, int height,
                      Image image, int thumbWidth, int thumbHeight, Image thumb);

    const char* GetTypeName() const override { return "Slider"; }

    void SetRange(int minimum, int maximum);
    int GetMinimum() const { return minimum_; }
    int GetMaximum() const { return maximum_; }
    // Stores `value` and places the thumb for it; does not publish.
    void SetValue(int value);
    int GetValue() const { return value_; }

    void SetHorizontal(bool horizontal);
    bool IsHorizontal() const { return horizontal_; }
    // The thumb image; the thumb takes its logical size (0 × 0 without one).
    void SetThumbImage(Image thumb, SkinImageSource source = {});
    QSize GetThumbSize() const { return thumbSize_; }
    QPoint GetThumbPos() const { return thumbPos_; }

    // Pixels per value step (see the class comment).
    double PixelsPerUnit() const;
    // Track length less thumb length, never negative.
    int TravelLength() const;

    void ReloadImages(CSkinWnd& cacheOwner) override;
    void OnNotify(ISubject* subject, std::string eventName, HandlerKey handler, EventArg arg1,
                  EventArg arg2) override;

  protected:
    void Draw(QPainter& painter) override;
    void mousePressEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    int ThumbLength() const;
    int ValueAt(int pixel) const;
    // Moves the thumb for the pointer at `at` (control coordinates).
    void Track(QPoint at);

    int minimum_ = 0;
    int maximum_ = 0;
    int value_ = 0;
    bool horizontal_ = true;
    QPoint thumbPos_{0, 0};
    QSize thumbSize_{0, 0};
    Image thumb_;
    SkinImageSource thumbSource_;
    int grabOffset_ = 0;
};

}  // namespace zvp
