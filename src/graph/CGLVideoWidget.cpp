#include "graph/CGLVideoWidget.h"

#include <QGenericMatrix>
#include <QVector3D>
#include <cstring>

#include "app/Logger.h"

namespace zvp {

namespace {

const char* kVertex = R"(
attribute vec2 a_pos;
attribute vec2 a_tex;
varying vec2 v_tex;
void main() {
    gl_Position = vec4(a_pos, 0.0, 1.0);
    v_tex = a_tex;
}
)";

const char* kYuvFragment = R"(
#ifdef GL_ES
precision mediump float;
#endif
varying vec2 v_tex;
uniform sampler2D u_y;
uniform sampler2D u_u;
uniform sampler2D u_v;
uniform mat3 u_matrix;
uniform vec3 u_offset;
void main() {
    vec3 yuv = vec3(texture2D(u_y, v_tex).r, texture2D(u_u, v_tex).r, texture2D(u_v, v_tex).r);
    gl_FragColor = vec4(u_matrix * (yuv - u_offset), 1.0);
}
)";

// What the YUV shader computes for a resolved colour: rgb = matrix * (yuv - offset), the
// samples as the textures give them (byte / 255).
struct YuvToRgb {
    QMatrix3x3 matrix;
    QVector3D offset;
};

YuvToRgb Conversion(VideoColour colour) {
    double kr = 0.299, kb = 0.114;  // BT.601
    if (colour.matrix == ColourMatrix::BT709) {
        kr = 0.2126;
        kb = 0.0722;
    } else if (colour.matrix == ColourMatrix::BT2020NC) {
        kr = 0.2627;
        kb = 0.0593;
    }
    const double kg = 1.0 - kr - kb;
    const bool full = colour.range == ColourRange::Full;
    // Limited range: Y' 16..235, Cb and Cr 16..240 around 128, of 255.
    const double ys = full ? 1.0 : 255.0 / 219.0;
    const double cs = full ? 1.0 : 255.0 / 224.0;
    const float y = float(ys), rv = float(2.0 * (1.0 - kr) * cs);
    const float gu = float(-2.0 * kb * (1.0 - kb) / kg * cs);
    const float gv = float(-2.0 * kr * (1.0 - kr) / kg * cs);
    const float bu = float(2.0 * (1.0 - kb) * cs);
    const float rows[9] = {y, 0.f, rv, y, gu, gv, y, bu, 0.f};
    return YuvToRgb{QMatrix3x3(rows),
                    QVector3D(full ? 0.f : 16.f / 255.f, 128.f / 255.f, 128.f / 255.f)};
}

const char* kRgbFragment = R"(
#ifdef GL_ES
precision mediump float;
#endif
varying vec2 v_tex;
uniform sampler2D u_rgb;
void main() {
    gl_FragColor = vec4(texture2D(u_rgb, v_tex).rgb, 1.0);
}
)";

std::unique_ptr<QOpenGLShaderProgram> Build(const char* fragment) {
    auto p = std::make_unique<QOpenGLShaderProgram>();
    if (!p->addShaderFromSourceCode(QOpenGLShader::Vertex, kVertex) ||
        !p->addShaderFromSourceCode(QOpenGLShader::Fragment, fragment)) {
        Log(LogPoint{"CGLVideoWidget::initializeGL", kLogError}, "shader failed: %s",
            p->log().toUtf8().constData());
        return nullptr;
    }
    p->bindAttributeLocation("a_pos", 0);
    p->bindAttributeLocation("a_tex", 1);
    if (!p->link()) {
        Log(LogPoint{"CGLVideoWidget::initializeGL", kLogError}, "shader link failed: %s",
            p->log().toUtf8().constData());
        return nullptr;
    }
    return p;
}

}  // namespace

CGLVideoWidget::CGLVideoWidget(std::shared_ptr<CVideoFrameStore> store, QWidget* parent)
    : QOpenGLWidget(parent), store_(std::move(store)) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    store_->Attach(this);
}

CGLVideoWidget::~CGLVideoWidget() {
    store_->Detach(this);
    ReleaseGL();
    // The base destructor destroys the context, whose aboutToBeDestroyed must no longer
    // reach this (by then destroyed) part of the object.
    if (context()) disconnect(context(), nullptr, this, nullptr);
}

void CGLVideoWidget::ReleaseGL() {
    if (!context() || (!textures_[0] && !yuvProgram_ && !rgbProgram_)) return;
    makeCurrent();
    if (textures_[0]) glDeleteTextures(4, textures_);
    for (GLuint& t : textures_) t = 0;
    for (QSize& s : textureSizes_) s = QSize();
    yuvProgram_.reset();
    rgbProgram_.reset();
    doneCurrent();
    ready_ = false;
    uploaded_ = 0;
}

void CGLVideoWidget::initializeGL() {
    initializeOpenGLFunctions();
    connect(context(), &QOpenGLContext::aboutToBeDestroyed, this, &CGLVideoWidget::ReleaseGL,
            Qt::UniqueConnection);
    yuvProgram_ = Build(kYuvFragment);
    rgbProgram_ = Build(kRgbFragment);
    glGenTextures(4, textures_);
    for (GLuint t : textures_) {
        glBindTexture(GL_TEXTURE_2D, t);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    }
    for (QSize& s : textureSizes_) s = QSize();
    uploaded_ = 0;
    rowLength_ = !context()->isOpenGLES() || context()->format().majorVersion() >= 3;
    ready_ = yuvProgram_ && rgbProgram_;
}

void CGLVideoWidget::UploadPlane(int index, int width, int height, int stride, GLenum format,
                                 const uint8_t* pixels) {
    glBindTexture(GL_TEXTURE_2D, textures_[index]);
    const QSize size(width, height);
    if (textureSizes_[index] != size) {
        glTexImage2D(GL_TEXTURE_2D, 0, GLint(format), width, height, 0, format, GL_UNSIGNED_BYTE,
                     nullptr);
        textureSizes_[index] = size;
    }
    const int rowBytes = format == GL_RGB ? width * 3 : width;
    if (stride == rowBytes || format == GL_RGB) {
        glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, width, height, format, GL_UNSIGNED_BYTE, pixels);
    } else if (rowLength_) {
        glPixelStorei(GL_UNPACK_ROW_LENGTH, stride);
        glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, width, height, format, GL_UNSIGNED_BYTE, pixels);
        glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    } else {
        packed_.resize(size_t(rowBytes) * size_t(height));
        for (int row = 0; row < height; ++row) {
            std::memcpy(packed_.data() + size_t(row) * rowBytes, pixels + ptrdiff_t(row) * stride,
                        size_t(rowBytes));
        }
        glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, width, height, format, GL_UNSIGNED_BYTE,
                        packed_.data());
    }
}

void CGLVideoWidget::Upload(const VideoFrame& f) {
    const int w = f.format.width, h = f.format.height;
    if (f.format.subtype == SubType::YV12) {
        const YuvPlanes planes = f.Planes();
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        UploadPlane(0, w, h, planes.stride[0], GL_LUMINANCE, planes.plane[0]);
        UploadPlane(1, w / 2, h / 2, planes.stride[1], GL_LUMINANCE, planes.plane[1]);
        UploadPlane(2, w / 2, h / 2, planes.stride[2], GL_LUMINANCE, planes.plane[2]);
        if (!f.band.empty()) {
            // The rows drawn on after lending replace the frame's: packed, so no row length.
            const YuvPlanes band = f.BandPlanes();
            for (int i = 0; i < 3; ++i) {
                const int shift = i ? 1 : 0;
                glBindTexture(GL_TEXTURE_2D, textures_[i]);
                glTexSubImage2D(GL_TEXTURE_2D, 0, 0, f.band.top >> shift, w >> shift,
                                f.band.rows() >> shift, GL_LUMINANCE, GL_UNSIGNED_BYTE,
                                band.plane[i]);
            }
        }
    } else {
        glPixelStorei(GL_UNPACK_ALIGNMENT, 4);  // rows are padded to 4 bytes
        UploadPlane(3, w, h, int(CMediaType::Rgb24Stride(w)), GL_RGB, f.data.data());
    }
    uploaded_ = f.serial;
    uploadedFormat_ = f.format;
}

void CGLVideoWidget::paintGL() {
    glClearColor(0.f, 0.f, 0.f, 1.f);
    glClear(GL_COLOR_BUFFER_BIT);
    if (!ready_) return;
    std::shared_ptr<const VideoFrame> frame = store_->Latest();
    if (!frame) return;
    if (frame->serial != uploaded_) Upload(*frame);

    bool rgb = uploadedFormat_.subtype == SubType::RGB24;
    // Texture row 0 is the first row in memory: the top row for YV12, the bottom for RGB24.
    const float top = rgb ? 1.f : 0.f, bottom = rgb ? 0.f : 1.f;
    const GLfloat quad[] = {
        -1.f, 1.f,  0.f, top,     // top left
        1.f,  1.f,  1.f, top,     // top right
        -1.f, -1.f, 0.f, bottom,  // bottom left
        1.f,  -1.f, 1.f, bottom,  // bottom right
    };
    QOpenGLShaderProgram* p = rgb ? rgbProgram_.get() : yuvProgram_.get();
    p->bind();
    if (rgb) {
        glActiveTexture(GL_TEXTURE0);
        glBindTexture(GL_TEXTURE_2D, textures_[3]);
        p->setUniformValue("u_rgb", 0);
    } else {
        const char* names[3] = {"u_y", "u_u", "u_v"};
        for (int i = 0; i < 3; ++i) {
            glActiveTexture(GLenum(GL_TEXTURE0 + i));
            glBindTexture(GL_TEXTURE_2D, textures_[i]);
            p->setUniformValue(names[i], i);
        }
        const YuvToRgb conversion = Conversion(uploadedFormat_.colour);
        p->setUniformValue("u_matrix", conversion.matrix);
        p->setUniformValue("u_offset", conversion.offset);
    }
    glVertexAttribPointer(0, 2, GL_FLOAT, GL_FALSE, 4 * sizeof(GLfloat), quad);
    glVertexAttribPointer(1, 2, GL_FLOAT, GL_FALSE, 4 * sizeof(GLfloat), quad + 2);
    glEnableVertexAttribArray(0);
    glEnableVertexAttribArray(1);
    glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
    glDisableVertexAttribArray(0);
    glDisableVertexAttribArray(1);
    glActiveTexture(GL_TEXTURE0);
    p->release();
}

}  // namespace zvp
