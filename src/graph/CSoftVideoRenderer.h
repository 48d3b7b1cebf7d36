#pragma once

#include "graph/CWidgetVideoRenderer.h"

namespace zvp {

// The video renderer used when no OpenGL context can be made: converts with libswscale and
// paints with QPainter into a CSoftVideoWidget.
class CSoftVideoRenderer : public CWidgetVideoRenderer {
  public:
    explicit CSoftVideoRenderer(HRESULT* phr = nullptr);

  protected:
    QWidget* CreateWidget(std::shared_ptr<CVideoFrameStore> store) override;
};

}  // namespace zvp
