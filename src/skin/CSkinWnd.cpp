#include "skin/CSkinWnd.h"

#include <QApplication>
#include <QEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QRegion>
#include <QWindow>
#include <algorithm>

#include "skin/CSkinCtrl.h"
#include "skin/SkinDraw.h"

namespace zvp {
namespace {

// Placed coordinates stay within what a widget geometry holds.
constexpr int64_t kMaxCoordinate = QWIDGETSIZE_MAX;

Qt::Edges EdgesOf(CSkinWnd::Hit hit) {
    using Hit = CSkinWnd::Hit;
    switch (hit) {
        case Hit::kLeft:
            return Qt::LeftEdge;
        case Hit::kRight:
            return Qt::RightEdge;
        case Hit::kTop:
            return Qt::TopEdge;
        case Hit::kBottom:
            return Qt::BottomEdge;
        case Hit::kTopLeft:
            return Qt::TopEdge | Qt::LeftEdge;
        case Hit::kTopRight:
            return Qt::TopEdge | Qt::RightEdge;
        case Hit::kBottomLeft:
            return Qt::BottomEdge | Qt::LeftEdge;
        case Hit::kBottomRight:
            return Qt::BottomEdge | Qt::RightEdge;
        default:
            return {};
    }
}

Qt::CursorShape CursorOf(Qt::Edges edges) {
    const bool horizontal = edges & (Qt::LeftEdge | Qt::RightEdge);
    const bool vertical = edges & (Qt::TopEdge | Qt::BottomEdge);
    if (horizontal && vertical) {
        const bool falling = ((edges & Qt::LeftEdge) && (edges & Qt::TopEdge)) ||
                             ((edges & Qt::RightEdge) && (edges & Qt::BottomEdge));
        return falling ? Qt::SizeFDiagCursor : Qt::SizeBDiagCursor;
    }
    return horizontal ? Qt::SizeHorCursor : Qt::SizeVerCursor;
}

// Draws the frame steps on one painter, keeping the region no piece has drawn yet.
class FramePainter {
  public:
    FramePainter(QPainter& painter, const CSkinWnd& window)
        : painter_(painter), window_(window), left_(QRect(QPoint(0, 0), window.size())) {}

    // Piece `index` with its top-left corner at the point `place` gives for its size.
    template <typename Place>
    void Draw(int index, Place place) {
        const CMemDC2* image = nullptr;
        QRect source;
        if (!Piece(index, image, source)) return;
        const QRect target(place(source.size()), source.size());
        painter_.setClipRegion(left_);
        DrawSkinImage(painter_, target.topLeft(), *image, source);
        left_ -= target;
    }

    // Piece `index` tiled over `area(pieceSize)` from its top-left corner.
    template <typename Area>
    void Tile(int index, Area area) {
        const CMemDC2* image = nullptr;
        QRect source;
        if (!Piece(index, image, source)) return;
        const QRect target = area(source.size());
        if (target.width() <= 0 || target.height() <= 0) return;
        painter_.setClipRegion(left_);
        DrawSkinTiles(painter_, target, *image, source);
        left_ -= target;
    }

    // Black wherever no piece drew.
    void FillRest() {
        painter_.setClipRegion(left_);
        painter_.fillRect(QRect(QPoint(0, 0), window_.size()), Qt::black);
        painter_.setClipping(false);
    }

  private:
    bool Piece(int index, const CMemDC2*& image, QRect& source) const {
        return window_.GetPiece(index, image, source) && image && source.width() > 0 &&
               source.height() > 0;
    }

    QPainter& painter_;
    const CSkinWnd& window_;
    QRegion left_;
};

}  // namespace

CSkinWnd::CSkinWnd(QWidget* parent) : QWidget(parent, Qt::Window | Qt::FramelessWindowHint) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
}

CSkinWnd::~CSkinWnd() = default;

bool CSkinWnd::CreateSkinWnd(const QRect& rect) {
    setMinimumSize(GetMinSize());
    setGeometry(rect);
    show();
    return windowHandle() != nullptr;
}

bool CSkinWnd::GetPiece(int index, const CMemDC2*& image, QRect& source) const {
    if (index < 0 || index >= kFramePieceCount || !frame_.image || frame_.image->IsEmpty()) {
        return false;
    }
    const SkinRect& piece = frame_.pieces[index];
    if (piece.IsEmpty()) return false;
    const QRect clipped = QRect(piece.x, piece.y, piece.width, piece.height)
                              .intersected(QRect(QPoint(0, 0), frame_.image->Size()));
    if (clipped.isEmpty()) return false;
    image = frame_.image.get();
    source = clipped;
    return true;
}

CSkinWnd::Hit CSkinWnd::HitTest(QPoint p) const {
    const QRect r(mapToGlobal(QPoint(0, 0)), size());
    if (!r.contains(p)) return Hit::kNowhere;
    const int right = r.x() + r.width();  // exclusive
    const int bottom = r.y() + r.height();
    if (p.x() >= right - kGrip && p.y() >= bottom - kGrip) return Hit::kBottomRight;
    const bool l = p.x() < r.x() + kBorder;
    const bool rt = p.x() >= right - kBorder;
    const bool t = p.y() < r.y() + kBorder;
    const bool b = p.y() >= bottom - kBorder;
    if (l && t) return Hit::kTopLeft;
    if (l && b) return Hit::kBottomLeft;
    if (rt && t) return Hit::kTopRight;
    if (rt && b) return Hit::kBottomRight;
    if (l) return Hit::kLeft;
    if (rt) return Hit::kRight;
    if (t) return Hit::kTop;
    if (b) return Hit::kBottom;
    return Hit::kCaption;
}

void CSkinWnd::AddCtrl(CSkinCtrl* ctrl) {
    if (ctrl) ctrls_.emplace_back(ctrl);
}

std::vector<CSkinCtrl*> CSkinWnd::Ctrls() const {
    std::vector<CSkinCtrl*> live;
    for (const QPointer<CSkinCtrl>& ctrl : ctrls_) {
        if (ctrl) live.push_back(ctrl.data());
    }
    return live;
}

void CSkinWnd::RepositionControls() {
    const std::vector<CSkinCtrl*> live = Ctrls();
    PlaceControls(live, size());
}

QRect CSkinWnd::PlaceRect(const SkinRect& layout, QSize client) {
    const int64_t w = client.width();
    const int64_t h = client.height();
    const int64_t x = layout.x < 0 ? layout.x + w : layout.x;
    const int64_t y = layout.y < 0 ? layout.y + h : layout.y;
    const int64_t cw = layout.width < 0 ? layout.width + w - x : layout.width;
    const int64_t ch = layout.height < 0 ? layout.height + h - y : layout.height;
    const auto fit = [](int64_t v) {
        return static_cast<int>(std::clamp<int64_t>(v, -kMaxCoordinate, kMaxCoordinate));
    };
    return QRect(fit(x), fit(y), fit(std::max<int64_t>(cw, 0)), fit(std::max<int64_t>(ch, 0)));
}

void CSkinWnd::PlaceControls(std::span<CSkinCtrl* const> ctrls, QSize client) {
    for (CSkinCtrl* ctrl : ctrls) {
        if (!ctrl || !ctrl->IsCreated()) continue;
        ctrl->setGeometry(PlaceRect(
            {ctrl->GetLeft(), ctrl->GetTop(), ctrl->GetWidth(), ctrl->GetHeight()}, client));
    }
}

void CSkinWnd::DrawFrame(QPainter& painter) {
    const int w = width();
    const int h = height();
    const int a = isActiveWindow() ? 0 : 4;
    FramePainter frame(painter, *this);
    frame.Draw(a, [](QSize) { return QPoint(0, 0); });
    frame.Draw(a + 3, [w](QSize s) { return QPoint(w - s.width(), 0); });
    frame.Draw(a + 1, [w](QSize s) { return QPoint((w - s.width()) / 2, 0); });
    frame.Tile(a + 2, [w](QSize s) { return QRect(0, 0, w, s.height()); });
    frame.Draw(8, [h](QSize s) { return QPoint(0, h - s.height()); });
    frame.Draw(10, [w, h](QSize s) { return QPoint(w - s.width(), h - s.height()); });
    frame.Tile(9, [w, h](QSize s) { return QRect(0, h - s.height(), w, s.height()); });
    frame.Tile(11, [h](QSize s) { return QRect(0, 0, s.width(), h); });
    frame.Tile(12, [w, h](QSize s) { return QRect(w - s.width(), 0, s.width(), h); });
    frame.Tile(13, [w, h](QSize) { return QRect(0, 0, w, h); });
    frame.FillRest();
}

void CSkinWnd::FollowDevicePixelRatio() {
    const qreal ratio = devicePixelRatioF();
    if (paintedRatio_ != 0 && ratio != paintedRatio_) {
        cache_.ClearResources();
        if (frame_.source.resourceId != 0) frame_.image = LoadImage(frame_.source);
        for (CSkinCtrl* ctrl : Ctrls()) ctrl->ReloadImages(*this);
    }
    paintedRatio_ = ratio;
}

void CSkinWnd::paintEvent(QPaintEvent*) {
    FollowDevicePixelRatio();
    QPainter painter(this);
    painter.save();
    DrawHook(painter);
    DrawFrame(painter);
    painter.restore();
}

void CSkinWnd::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    RepositionControls();
}

void CSkinWnd::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange) update();
}

void CSkinWnd::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    pressGlobal_ = event->globalPosition().toPoint();
    pressGeometry_ = geometry();
    dragHit_ = HitTest(pressGlobal_);
    drag_ = Drag::kNone;
    if (dragHit_ == Hit::kCaption) {
        drag_ = Drag::kPending;
    } else if (const Qt::Edges edges = EdgesOf(dragHit_)) {
        QWindow* window = windowHandle();
        drag_ = window && window->startSystemResize(edges) ? Drag::kNone : Drag::kResizing;
    }
    event->accept();
}

void CSkinWnd::mouseMoveEvent(QMouseEvent* event) {
    const QPoint global = event->globalPosition().toPoint();
    if (!(event->buttons() & Qt::LeftButton)) {
        drag_ = Drag::kNone;
        const Qt::Edges edges = EdgesOf(HitTest(global));
        if (edges) {
            setCursor(CursorOf(edges));
        } else {
            unsetCursor();
        }
        return;
    }
    if (drag_ == Drag::kPending &&
        (global - pressGlobal_).manhattanLength() >= QApplication::startDragDistance()) {
        QWindow* window = windowHandle();
        drag_ = window && window->startSystemMove() ? Drag::kNone : Drag::kMoving;
    }
    DragTo(global);
}

void CSkinWnd::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        if (drag_ == Drag::kMoving || drag_ == Drag::kResizing) {
            DragTo(event->globalPosition().toPoint());
        }
        drag_ = Drag::kNone;
    }
    QWidget::mouseReleaseEvent(event);
}

void CSkinWnd::DragTo(QPoint global) {
    const QPoint delta = global - pressGlobal_;
    if (drag_ == Drag::kMoving) {
        move(pressGeometry_.topLeft() + delta);
        return;
    }
    if (drag_ != Drag::kResizing) return;
    const QSize least = minimumSize().expandedTo(GetMinSize());
    const Qt::Edges edges = EdgesOf(dragHit_);
    QRect g = pressGeometry_;
    if (edges & Qt::LeftEdge) {
        g.setLeft(std::min(g.left() + delta.x(), g.right() + 1 - least.width()));
    } else if (edges & Qt::RightEdge) {
        g.setWidth(std::max(least.width(), g.width() + delta.x()));
    }
    if (edges & Qt::TopEdge) {
        g.setTop(std::min(g.top() + delta.y(), g.bottom() + 1 - least.height()));
    } else if (edges & Qt::BottomEdge) {
        g.setHeight(std::max(least.height(), g.height() + delta.y()));
    }
    setGeometry(g);
}

}  // namespace zvp
