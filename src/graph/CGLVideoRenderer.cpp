#include "graph/CGLVideoRenderer.h"

#include <QGuiApplication>
#include <QOffscreenSurface>
#include <QOpenGLContext>

#include "app/Logger.h"
#include "graph/CGLVideoWidget.h"

namespace zvp {

CGLVideoRenderer::CGLVideoRenderer(HRESULT* phr) : CWidgetVideoRenderer("Video Renderer", phr) {}

bool CGLVideoRenderer::CanCreateContext() {
    if (!QGuiApplication::instance()) return false;
    QOpenGLContext context;
    if (!context.create()) {
        Log(LogPoint{"CGLVideoRenderer::CanCreateContext", kLogInfo},
            "no OpenGL context on platform %s", qPrintable(QGuiApplication::platformName()));
        return false;
    }
    QOffscreenSurface surface;
    surface.setFormat(context.format());
    surface.create();
    bool ok = surface.isValid() && context.makeCurrent(&surface);
    if (ok) context.doneCurrent();
    if (!ok) {
        Log(LogPoint{"CGLVideoRenderer::CanCreateContext", kLogInfo},
            "OpenGL context cannot be made current on platform %s",
            qPrintable(QGuiApplication::platformName()));
    }
    return ok;
}

QWidget* CGLVideoRenderer::CreateWidget(std::shared_ptr<CVideoFrameStore> store) {
    return new CGLVideoWidget(std::move(store));
}

}  // namespace zvp
