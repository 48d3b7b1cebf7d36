#pragma once

#include <QPointer>
#include <QWidget>
#include <memory>

#include "graph/CBaseVideoRenderer.h"
#include "graph/CVideoFrameStore.h"

namespace zvp {

// A video renderer that shows its pictures in a widget: each presented sample (and the
// pre-rolled poster) goes to the frame store, which asks the widget to repaint.
// The widget is created on the first GetVideoWidget call (UI thread) by CreateWidget; the
// renderer deletes it on destruction unless its parent already did.
class CWidgetVideoRenderer : public CBaseVideoRenderer {
  public:
    CWidgetVideoRenderer(const char* pName, HRESULT* phr);
    ~CWidgetVideoRenderer() override;

    QWidget* GetVideoWidget() override;
    std::shared_ptr<CVideoFrameStore> Store() const { return store_; }
    // Lent frames are kept by reference in the store: the picture is never copied here.
    bool TakesFramePlanes() const override { return true; }

  protected:
    virtual QWidget* CreateWidget(std::shared_ptr<CVideoFrameStore> store) = 0;
    HRESULT DoRenderSample(IMediaSample* pSample) override;
    void OnReceiveFirstSample(IMediaSample* pSample) override;

  private:
    std::shared_ptr<CVideoFrameStore> store_ = std::make_shared<CVideoFrameStore>();
    QPointer<QWidget> widget_;  // UI thread only
};

}  // namespace zvp
