#pragma once

#include <QPointer>
#include <string_view>

#include "engine/VideoGeometry.h"
#include "skin/CSkinCtrl.h"

namespace zvp {

class IZoom;

// The video area. Holds the source picture's size, a minimum area size, the zoom strategy
// (built-in "FITWINDOW") and the display rectangle, where the picture lies in the client area
// (right and bottom exclusive). Setting the display rectangle publishes "DisplayRectChanged"
// (address of the rectangle, valid during the call; 0) and moves the video window, when there
// is one, to it. Every size change fits the rectangle to the new client size.
//
// Mouse: publishes "LButtonDown", "LButtonUp", "LButtonDblClk", "RButtonDown", "RButtonUp"
// and one "MouseMove" per move, each with the pointer's x and y, then leaves the event to the
// window (ignored), so the window's move, full-screen toggle and menu work over the video.
// Paints black under the video window. UI thread only.
class CSkinScreen : public CSkinCtrl {
    Q_OBJECT

  public:
    CSkinScreen();
    ~CSkinScreen() override;

    const char* GetTypeName() const override { return "Screen"; }

    // Makes the named aspect-ratio strategy the process-wide current one, then applies the
    // source size again.
    void SetAspectRatio(std::string_view name);
    // Chooses the zoom strategy by name, then applies the source size again.
    void SetZoom(std::string_view name);
    const IZoom& GetZoom() const { return *zoom_; }
    // Stores the size; with both sides non-zero, asks the zoom strategy for the area (GetArea)
    // and the picture's rectangle in it, for an area at least the control's client size and
    // the minimum area size on each side, and sets the rectangle.
    void SetSourceSize(VideoSize size);
    VideoSize GetSourceSize() const { return source_; }
    void SetMinAreaSize(VideoSize size) { minArea_ = size; }
    VideoSize GetMinAreaSize() const { return minArea_; }
    // The area the last SetSourceSize asked for.
    VideoSize GetArea() const { return area_; }

    const VideoRect& GetDisplayRect() const { return displayRect_; }
    void SetDisplayRect(const VideoRect& rect);

    // The window the engine shows the video in (not owned; forgotten when destroyed).
    void SetVideoWindow(QWidget* window);
    QWidget* GetVideoWindow() const { return videoWindow_; }

    static QRect ToQRect(const VideoRect& rect);

  protected:
    void Draw(QPainter& painter) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    const IZoom* zoom_;
    VideoSize source_;
    VideoSize minArea_;
    VideoSize area_;
    VideoRect displayRect_;
    QPointer<QWidget> videoWindow_;
};

}  // namespace zvp
