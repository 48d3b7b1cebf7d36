#pragma once

#include "graph/CWidgetVideoRenderer.h"

namespace zvp {

// The video renderer drawing with OpenGL into a CGLVideoWidget.
class CGLVideoRenderer : public CWidgetVideoRenderer {
  public:
    explicit CGLVideoRenderer(HRESULT* phr = nullptr);
    // Whether an OpenGL context can be made on this display (UI thread).
    static bool CanCreateContext();

  protected:
    QWidget* CreateWidget(std::shared_ptr<CVideoFrameStore> store) override;
};

}  // namespace zvp
