// Feeds arbitrary bytes to the skin file reader as a file in a folder of its own, and parses
// them into the window's and every control's values.
//
// Checks, besides the sanitizers: geometry stays within ±kMaxSkinValue, piece counts are
// positive (box pieces not negative), the font size is set as a pair, colours hold no bits
// above blue, file names start with the skin's folder, and the derived geometry of every
// control is computed for empty, small and extreme strip sizes.
#include <fcntl.h>
#include <unistd.h>

#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "app/Logger.h"
#include "skin/SkinFile.h"

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
        WriteWhole(folder_ + "Images/Stop.bmp", "BM");
    }
    ~ScratchFolder() {
        std::error_code ec;
        std::filesystem::remove_all(folder_, ec);
    }
    const std::string& Folder() const { return folder_; }
    std::string File() const { return folder_ + "skin.ini"; }

    static void WriteWhole(const std::string& path, std::string_view bytes) {
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        if (fd < 0) std::abort();
        size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
            if (n <= 0) std::abort();
            done += static_cast<size_t>(n);
        }
        ::close(fd);
    }

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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static ScratchFolder scratch;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    ScratchFolder::WriteWhole(scratch.File(), bytes);

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
