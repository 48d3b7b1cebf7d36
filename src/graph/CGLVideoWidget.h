#pragma once

#include <QOpenGLBuffer>
#include <QOpenGLFunctions>
#include <QOpenGLShaderProgram>
#include <QOpenGLWidget>
#include <QSize>
#include <memory>
#include <vector>

#include "graph/CVideoFrameStore.h"

namespace zvp {

// Draws the frame store's latest picture with OpenGL, stretched over the whole widget:
// YV12 as three single-channel textures converted to RGB in a fragment shader with the
// picture format's matrix and range, RGB24 as one texture drawn upside down (its rows are
// bottom-up). Textures are allocated when the picture size changes and refilled in place
// for every new picture. Black until the first picture. Survives reparenting (the GL objects
// are made again in the new context). UI thread only.
class CGLVideoWidget : public QOpenGLWidget, protected QOpenGLFunctions {
  public:
    explicit CGLVideoWidget(std::shared_ptr<CVideoFrameStore> store, QWidget* parent = nullptr);
    ~CGLVideoWidget() override;

  protected:
    void initializeGL() override;
    void paintGL() override;

  private:
    void Upload(const VideoFrame& frame);
    // Fills texture `index` with one plane of rows `stride` bytes apart, allocating it first
    // when its size changed. A stride other than the row's own length is handed to OpenGL
    // where it can take one (desktop OpenGL, OpenGL ES 3), else the rows are packed first.
    void UploadPlane(int index, int width, int height, int stride, GLenum format,
                     const uint8_t* pixels);
    // Frees the GL objects while their context is current; called when the context is
    // about to go (reparenting makes a new one) and on destruction.
    void ReleaseGL();

    std::shared_ptr<CVideoFrameStore> store_;
    std::unique_ptr<QOpenGLShaderProgram> yuvProgram_;
    std::unique_ptr<QOpenGLShaderProgram> rgbProgram_;
    GLuint textures_[4] = {0, 0, 0, 0};  // Y, U, V, RGB
    QSize textureSizes_[4];              // as allocated; empty before the first upload
    uint64_t uploaded_ = 0;              // serial of the picture in the textures
    VideoFormat uploadedFormat_;
    bool ready_ = false;
    bool rowLength_ = false;       // the context takes GL_UNPACK_ROW_LENGTH
    std::vector<uint8_t> packed_;  // rows packed for a context that does not
};

}  // namespace zvp
