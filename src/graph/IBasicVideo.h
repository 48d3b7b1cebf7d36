#pragma once

#include "graph/GraphTypes.h"

class QWidget;

namespace zvp {

// Picture size and video display of a video renderer.
class IBasicVideo {
  public:
    virtual ~IBasicVideo() = default;
    // The connection's picture size; VFW_E_NOT_CONNECTED before a connection.
    virtual HRESULT GetVideoSize(long* pWidth, long* pHeight) = 0;
    // The widget the renderer draws into, or null for renderers without a display. Created
    // on first call; UI thread only. The caller may reparent, move, resize, show and hide
    // it; the picture fills the widget's rectangle (the owner keeps the aspect by the
    // rectangle it chooses). The renderer deletes it when destroyed unless its parent
    // deleted it before.
    virtual QWidget* GetVideoWidget() = 0;
};

}  // namespace zvp
