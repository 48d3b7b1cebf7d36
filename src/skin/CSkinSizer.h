#pragma once

#include <QPointer>
#include <cstdint>

#include "skin/CSkinCheck.h"
#include "skin/CSkinCtrl.h"

namespace zvp {

// The splitter between the video area and the playlist: a strip filled with its background
// colour, holding a toggle box (a CSkinCheck at x 0, kept vertically centred) and dragged
// sideways by the user.
//
// Clicking the box flips its checked flag and publishes "SkinSizerBoxChecked" (flag, 0).
// A left press records the press x as the grab offset and shows a tracking line, a
// (164, 164, 164) bar 10 pixels wide centred on left + drag x (the pointer's x in the sizer),
// raised over the parent's other children; it follows the pointer while it stays right of the
// minimum position. On release the line goes and "SkinSizerPosChanged" (new position, grab
// offset) is published, the position being the sizer's left in the parent + drag x, raised to
// the minimum (offset 0) or lowered to the parent's width − half the sizer's width when past
// the parent's width − 2 × the sizer's width (offset 0). UI thread only.
class CSkinSizer : public CSkinCtrl {
    Q_OBJECT

  public:
    static constexpr int kLineWidth = 10;

    CSkinSizer();
    ~CSkinSizer() override;

    // Creates the sizer and its box from the box strip (`boxPieces` pieces, the box as wide as
    // one piece and as high as the strip).
    bool CreateSizer(QWidget* parent, int left, int top, int width, int height, Image boxImage,
                     int boxPieces);

    const char* GetTypeName() const override { return "Sizer"; }

    void SetMinPos(int minPos) { minPos_ = minPos; }
    int GetMinPos() const { return minPos_; }
    // 0x00BBGGRR.
    void SetBackgroundColor(uint32_t color);
    uint32_t GetBackgroundColor() const { return background_; }
    // The box's strip; with `pieces` > 0 the box becomes strip width ÷ pieces wide and strip
    // height high, else it keeps its size.
    void SetBoxImage(Image image, int pieces, SkinImageSource source = {});

    CSkinCheck& Box() { return box_; }
    // The tracking line while dragging, else null.
    QWidget* TrackingLine() const { return line_; }

    void ReloadImages(CSkinWnd& cacheOwner) override;
    void OnNotify(ISubject* subject, std::string eventName, HandlerKey handler, EventArg arg1,
                  EventArg arg2) override;

  protected:
    void Draw(QPainter& painter) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    void PlaceBox();
    void PlaceLine();

    CSkinCheck box_;
    QSize boxSize_{0, 0};
    uint32_t background_;
    int minPos_ = 0;
    int grabOffset_ = 0;
    int dragX_ = 0;
    QPointer<QWidget> line_;
};

}  // namespace zvp
