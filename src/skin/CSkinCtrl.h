#pragma once

#include <QPoint>
#include <QWidget>
#include <memory>
#include <string>

#include "app/ISubject.h"
#include "skin/CMemDC2.h"
#include "skin/SkinCtrlValues.h"

namespace zvp {

class CSkinWnd;

// A skinned child control: draws one piece of its image strip, chosen by its visual state, and
// publishes what the mouse did through its own subject, each event with the pointer's x and y
// in the control's coordinates: "LeftDown", "LeftUp", "LeftClicked", "LeftDoubleClicked",
// "MouseDragging", "MouseMove", "MouseLeave" (0, 0). A left press or double click holds Qt's
// implicit grab until the next left release. Other buttons go on to the parent; wheel events
// are handed to the top-level window.
//
// Geometry (left, top, width, height) is anchored as SkinCtrlValues describes; the window
// places the control (CSkinWnd::PlaceControls). A source point of −1 is unset: a missing hover
// or fourth point falls back to the normal one, and with no normal point the control draws
// nothing of its own.
//
// Ownership: the image is shared (it usually lives in a window's CSkinImageCache as well). The
// control is a QWidget without a parent until CreateCtrl; as a member of its window it is
// destroyed before the window's QWidget part. UI thread only.
class CSkinCtrl : public QWidget, public ISubject, public IObserver {
    Q_OBJECT

  public:
    using Image = std::shared_ptr<const CMemDC2>;
    enum VisualState { kNormal = 0, kHover = 1, kPressed = 2, kFourth = 3 };
    enum CaptureMode { kNoCapture = 0, kCapturePress = 1, kCaptureDoubleClick = 2 };

    CSkinCtrl();
    ~CSkinCtrl() override;

    // Makes the control a visible child of `parent` at (left, top) sized (|width|, |height|),
    // without focus and with mouse tracking, and stores the geometry, image and source points
    // (an unset fourth point becomes the normal one). False for a null parent or a second call.
    bool CreateCtrl(QWidget* parent, int left, int top, int width, int height, Image image,
                    QPoint normal, QPoint hover, QPoint fourth);
    bool IsCreated() const { return created_; }

    // "Button", "Check", "List", "Screen", "Sizer", "Slider" or "String".
    virtual const char* GetTypeName() const = 0;

    // Anchored geometry; takes effect at the window's next placement.
    void SetLayout(int left, int top, int width, int height);
    int GetLeft() const { return left_; }
    int GetTop() const { return top_; }
    int GetWidth() const { return width_; }
    int GetHeight() const { return height_; }

    // The strip and where it came from (kept so built-in art can be drawn again at another
    // device pixel ratio). Repaints.
    void SetImage(Image image, SkinImageSource source = {});
    const Image& GetImage() const { return image_; }
    const SkinImageSource& GetImageSource() const { return imageSource_; }

    // Loads the built-in art this control draws again from `cacheOwner`'s cache, after the
    // window's device pixel ratio changed; image files stay.
    virtual void ReloadImages(CSkinWnd& cacheOwner);

    void SetTooltipText(const std::string& text);
    const std::string& GetTooltipText() const { return tooltip_; }

    VisualState GetVisualState() const { return state_; }
    CaptureMode GetCaptureMode() const { return capture_; }

    // The strip point the current visual state draws from; (−1, −1) draws nothing.
    virtual QPoint SourcePoint() const;

  protected:
    // Draws the piece at SourcePoint(); kinds add or replace layers.
    virtual void Draw(QPainter& painter);
    // Lets a kind move the hover piece's source; the base leaves it.
    virtual void AdjustHoverSource(int& x, int& y) const {}
    // Sets the cursor while the pointer hovers; the base sets the arrow.
    virtual void OnHoverCursor();

    void SetVisualState(VisualState state);
    // ReloadImages' helper: `image` drawn again from its source when that is built-in art.
    static void Reload(CSkinWnd& cacheOwner, Image& image, const SkinImageSource& source);

    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

    void Publish(const char* name, QPoint at);

  private:
    bool created_ = false;
    Image image_;
    SkinImageSource imageSource_;
    int left_ = 0;
    int top_ = 0;
    int width_ = 0;
    int height_ = 0;
    QPoint normal_{-1, -1};
    QPoint hover_{-1, -1};
    QPoint fourth_{-1, -1};
    VisualState state_ = kNormal;
    CaptureMode capture_ = kNoCapture;
    std::string tooltip_;
};

}  // namespace zvp
