#pragma once

#include <QPoint>
#include <QPointer>
#include <QRect>
#include <QWidget>
#include <array>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "skin/CMemDC2.h"
#include "skin/CSkinImageCache.h"
#include "skin/SkinCtrlValues.h"

class QPainter;

namespace zvp {

class CSkinCtrl;

// A frameless top-level window that paints its frame from the skin's fourteen pieces, moves
// when its own surface is dragged, resizes from a 5-pixel band along its edges (8 × 8 at the
// bottom-right corner), places its skinned controls by their anchors on every size change and
// caches the images its skin uses.
//
// Moving and resizing go through QWindow::startSystemMove / startSystemResize, and are done
// here when those are refused (no window manager). A move starts only once the pointer has
// travelled QApplication::startDragDistance(), so a click, a double click or a right release
// on the surface still reaches the window's handlers.
//
// Ownership: the controls are not owned (they are members of the derived window); the list
// forgets a control that is destroyed. Images are shared with the controls that draw them.
// UI thread only.
class CSkinWnd : public QWidget {
    Q_OBJECT

  public:
    using Image = std::shared_ptr<const CMemDC2>;

    // What a point of the screen is to the frame.
    enum class Hit {
        kNowhere,  // outside the window
        kCaption,  // the window's surface: a drag moves the window
        kLeft,
        kRight,
        kTop,
        kBottom,
        kTopLeft,
        kTopRight,
        kBottomLeft,
        kBottomRight,
    };
    static constexpr int kBorder = 5;  // resize band, logical pixels
    static constexpr int kGrip = 8;    // bottom-right resize square

    // The frame art: image and pieces; empty until a skin sets them.
    struct FrameArt {
        Image image;
        SkinImageSource source;
        std::array<SkinRect, kFramePieceCount> pieces{};
    };

    explicit CSkinWnd(QWidget* parent = nullptr);
    ~CSkinWnd() override;

    // Shows the window at `rect` (global, logical pixels) with GetMinSize as its minimum.
    bool CreateSkinWnd(const QRect& rect);

    FrameArt& Frame() { return frame_; }
    const FrameArt& Frame() const { return frame_; }

    // Piece `index` (0…13) of the frame: its image and source rectangle within it, clipped to
    // the image. False, with the outputs untouched, when the index, the image or the piece is
    // empty or outside.
    virtual bool GetPiece(int index, const CMemDC2*& image, QRect& source) const;

    // Minimum size in logical pixels; the base gives 200 × 150.
    virtual QSize GetMinSize() const { return {200, 150}; }

    // Where the point `globalPos` lies on the frame.
    virtual Hit HitTest(QPoint globalPos) const;

    // The control list, in placement order.
    void AddCtrl(CSkinCtrl* ctrl);
    void ClearCtrls() { ctrls_.clear(); }
    std::vector<CSkinCtrl*> Ctrls() const;

    // Places every listed control for the current client size.
    void RepositionControls();
    // The rectangle a control with anchored geometry `layout` takes in a client area of
    // `client`; a negative resulting side becomes 0.
    static QRect PlaceRect(const SkinRect& layout, QSize client);
    // Moves each created control in `ctrls` to its PlaceRect, keeping the stacking order.
    static void PlaceControls(std::span<CSkinCtrl* const> ctrls, QSize client);

    // Images from this window's cache, built-in art at this window's device pixel ratio.
    Image LoadImageFile(const std::string& path) { return cache_.File(path); }
    Image LoadImageResource(int id) { return cache_.Resource(id, devicePixelRatioF()); }
    // Null for an empty source.
    Image LoadImage(const SkinImageSource& source) {
        return cache_.Load(source, devicePixelRatioF());
    }
    // Drops the cache's hold on every image; holders keep theirs.
    void ReleaseImages() { cache_.Clear(); }
    const CSkinImageCache& ImageCache() const { return cache_; }

  protected:
    // Called first by the paint handler; the base draws nothing.
    virtual void DrawHook(QPainter& painter) {}
    // The ten frame steps, each piece excluded from the clip once drawn, then black wherever
    // no piece drew.
    virtual void DrawFrame(QPainter& painter);

    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    enum class Drag { kNone, kPending, kMoving, kResizing };

    // Draws built-in art again when the device pixel ratio has changed since the last paint.
    void FollowDevicePixelRatio();
    void DragTo(QPoint globalPos);

    FrameArt frame_;
    CSkinImageCache cache_;
    std::vector<QPointer<CSkinCtrl>> ctrls_;
    qreal paintedRatio_ = 0;

    Drag drag_ = Drag::kNone;
    Hit dragHit_ = Hit::kNowhere;
    QPoint pressGlobal_;
    QRect pressGeometry_;
};

}  // namespace zvp
