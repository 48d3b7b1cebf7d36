// Feeds arbitrary bytes to the skin file reader as a file in a folder of its own, beside a
// valid, a truncated and a huge-header bitmap (valid.bmp, truncated.bmp, huge.bmp). Bytes after
// the first "\0IMAGE\0" are not part of the file: they are written as input.bmp, the one image
// the file may name besides those. The file is parsed into the window's and every control's
// values, then applied to one window with the main window's 21 controls (made once,
// offscreen), which are placed at window sizes 1 x 1, 4000 x 3000 and 320 x 200 and painted.
//
// Checks, besides the sanitizers: geometry stays within ±kMaxSkinValue, piece counts are
// positive (box pieces not negative), the font size is set as a pair, colours hold no bits
// above blue, file names start with the skin's folder, and the derived geometry of every
// control is computed for empty, small and extreme strip sizes.
#include <fcntl.h>
#include <unistd.h>

#include <QApplication>
#include <QBuffer>
#include <QImage>
#include <QSize>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "WriteWholeOrAbort.h"
#include "app/Logger.h"
#include "skin/SkinApply.h"
#include "skin/SkinFile.h"
#include "skin/SkinWindowFixture.h"

namespace {

using zvp::SkinCtrlValues;
using zvp::SkinRect;

// A folder of its own holding the skin file and one image file, removed at exit.
class ScratchFolder {
  public:
    ScratchFolder() {
        zvp::Logger::Instance().SetStdoutOutput(false);
        zvp::Logger::Instance().SetFileOutput(false);
        std::string templ =
            (std::filesystem::temp_directory_path() / "zvp-skin-fuzz-XXXXXX").string();
        if (!::mkdtemp(templ.data())) std::abort();
        folder_ = templ + "/";
        std::filesystem::create_directories(folder_ + "Images");
        WriteWholeOrAbort(folder_ + "Images/Stop.bmp", "BM");
    }
    ~ScratchFolder() {
        std::error_code ec;
        std::filesystem::remove_all(folder_, ec);
    }
    // The bitmaps a skin may name beside it; needs the application object.
    void WriteBitmaps() {
        QImage image(80, 20, QImage::Format_RGB32);
        image.fill(qRgb(75, 160, 20));
        QByteArray bmp;
        QBuffer buffer(&bmp);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "BMP");
        WriteWholeOrAbort(folder_ + "valid.bmp", std::string_view(bmp.constData(), bmp.size()));
        WriteWholeOrAbort(folder_ + "truncated.bmp",
                          std::string_view(bmp.constData(), bmp.size() / 2));
        // A header claiming 30000 x 30000 at 24 bits, and no pixels.
        std::string huge = bmp.left(54).toStdString();
        const auto put32 = [&huge](size_t at, uint32_t v) {
            for (int i = 0; i < 4; ++i) huge[at + i] = static_cast<char>(v >> (8 * i));
        };
        put32(18, 30000);
        put32(22, 30000);
        WriteWholeOrAbort(folder_ + "huge.bmp", huge);
    }
    const std::string& Folder() const { return folder_; }
    std::string File() const { return folder_ + "skin.ini"; }

  private:
    std::string folder_;
};

bool InRange(int v) {
    return v >= -zvp::kMaxSkinValue && v <= zvp::kMaxSkinValue;
}

void CheckRect(const SkinRect& r) {
    if (!InRange(r.x) || !InRange(r.y) || !InRange(r.width) || !InRange(r.height)) {
        __builtin_trap();
    }
}

void CheckColor(const std::optional<uint32_t>& color) {
    if (color && (*color >> 24) != 0) __builtin_trap();
}

void CheckImage(const zvp::SkinImageSource& image, const std::string& folder) {
    if (image.resourceId != 0) __builtin_trap();  // a file never names built-in art
    if (!image.file.empty() && image.file.compare(0, folder.size(), folder) != 0) {
        __builtin_trap();
    }
}

void CheckCtrl(const SkinCtrlValues& values, const std::string& folder) {
    CheckImage(values.image, folder);
    CheckImage(values.boxImage, folder);
    if (values.imagePieces < 1 || values.imagePieces > zvp::kMaxSkinValue) __builtin_trap();
    if (values.boxPieces < 0 || values.boxPieces > zvp::kMaxSkinValue) __builtin_trap();
    if ((values.fontWidth == 0) != (values.fontHeight == 0)) __builtin_trap();
    CheckRect({values.left, values.top, values.width, values.height});
    CheckRect({values.right, values.bottom, values.fontWidth, values.fontHeight});
    for (const auto& color : {values.backgroundColor, values.textColor, values.textFocusColor,
                              values.textBackgroundColor, values.textErrorColor,
                              values.textHighlightColor, values.textHighlightBackgroundColor}) {
        CheckColor(color);
    }
    for (const int size : {0, 1, 12, INT_MAX}) {
        const SkinRect geometry = values.Geometry(size, size);
        if (geometry.width == 0 && values.width == 0 && values.right < 0) __builtin_trap();
    }
}

// The application and the window every input is applied to.
struct Stage {
    Stage() {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        app = std::make_unique<QApplication>(argc, argv);
        window = std::make_unique<zvp::test::MainLikeWindow>();
        window->resize(320, 200);
    }
    int argc = 1;
    char name[16] = "skin_ini_fuzzer";
    char* argv[2] = {name, nullptr};
    std::unique_ptr<QApplication> app;
    std::unique_ptr<zvp::test::MainLikeWindow> window;
};

void Apply(Stage& stage, const std::string& file) {
    zvp::test::MainLikeWindow& window = *stage.window;
    zvp::LoadSkinFile(window, window.Slots(), file);
    for (const QSize size : {QSize(1, 1), QSize(4000, 3000), QSize(320, 200)}) {
        window.resize(size);
        window.RepositionControls();
        for (const zvp::SkinCtrlSlot& slot : window.Slots()) {
            const QRect g = slot.ctrl->geometry();
            if (g.width() < 0 || g.height() < 0) __builtin_trap();
        }
    }
    QImage picture(window.size(), QImage::Format_ARGB32_Premultiplied);
    picture.fill(Qt::black);
    window.render(&picture);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static ScratchFolder scratch;
    static Stage stage;
    static const bool bitmaps = (scratch.WriteBitmaps(), true);
    (void)bitmaps;
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    constexpr std::string_view kImageMark("\0IMAGE\0", 7);
    const std::string image = scratch.Folder() + "input.bmp";
    if (const size_t mark = bytes.find(kImageMark); mark != std::string_view::npos) {
        WriteWholeOrAbort(image, bytes.substr(mark + kImageMark.size()));
        bytes = bytes.substr(0, mark);
    } else {
        ::unlink(image.c_str());
    }
    WriteWholeOrAbort(scratch.File(), bytes);
    Apply(stage, scratch.File());

    // The same bytes as single values.
    CheckColor(zvp::ParseSkinColor(bytes));
    CheckRect(zvp::ParseSkinPiece("window", "titlebar_fill", bytes));

    const std::optional<zvp::SkinDefinition> skin = zvp::ReadSkinDefinition(scratch.File());
    if (!skin) return 0;
    CheckImage(skin->window.image, scratch.Folder());
    CheckImage(skin->fullScreenImage, scratch.Folder());
    for (const SkinRect& piece : skin->window.pieces) CheckRect(piece);
    for (const auto& [section, values] : skin->controls) CheckCtrl(values, scratch.Folder());
    return 0;
}
