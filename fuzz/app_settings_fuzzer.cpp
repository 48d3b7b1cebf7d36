// Feeds arbitrary bytes to the settings INI loader and the text-file reader.
//
// Checks, besides the sanitizers: decoding always yields valid UTF-8, and a parsed document
// written out and parsed again gives the same file (nothing the loader accepts can break or
// change the saved form).
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "app/CAppIni.h"
#include "app/CStdioFileEx.h"
#include "app/IniDocument.h"
#include "app/Logger.h"
#include "app/SettingDefaults.h"
#include "app/TextDecoder.h"

namespace {

using zvp::CStdioFileEx;
using zvp::IniDocument;
using zvp::TextDecoder;

// One scratch file per fuzzing process, removed at exit.
char g_scratch[] = "/tmp/zvp-fuzz-settings-XXXXXX";

const std::string& ScratchPath() {
    static const std::string path = [] {
        zvp::Logger::Instance().SetStdoutOutput(false);
        zvp::Logger::Instance().SetFileOutput(false);
        const int fd = ::mkstemp(g_scratch);
        if (fd < 0) std::abort();
        ::close(fd);
        std::atexit([] { ::unlink(g_scratch); });
        return std::string(g_scratch);
    }();
    return path;
}

void WriteScratch(std::string_view bytes) {
    FILE* file = std::fopen(ScratchPath().c_str(), "wb");
    if (!file) std::abort();
    if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::string& path = ScratchPath();

    // In memory: decode, parse, save, parse again.
    const std::string text = TextDecoder::FileBytesToUtf8(bytes);
    if (!TextDecoder::IsValidUtf8(text)) std::abort();
    IniDocument doc;
    doc.Parse(text, IniDocument::LoadMode::kReplace);
    const std::string saved = doc.Serialize();
    IniDocument again;
    again.Parse(TextDecoder::FileBytesToUtf8(saved), IniDocument::LoadMode::kReplace);
    if (again.Serialize() != saved) std::abort();

    // Through the file reader with the code page chosen by the first byte.
    WriteScratch(bytes);
    static const int kCodePages[] = {-1, 65001, 1252, 1251, 932, 936, 28591, 12345};
    CStdioFileEx file;
    if (file.Open(path, CStdioFileEx::modeRead)) {
        file.SetCodePage(size > 0 ? kCodePages[data[0] % 8] : -1);
        std::string line;
        while (file.ReadString(line)) {
            if (!TextDecoder::IsValidUtf8(line)) std::abort();
        }
        file.Close();
    }

    // The settings store on that file: typed reads of every known key.
    zvp::CAppIni ini(path);
    ini.Reload();
    for (const char* entry : zvp::SettingDefaults) {
        const std::string_view key(entry);
        const std::string_view two = key.substr(0, key.find("::", key.find("::") + 2));
        (void)ini.GetString(two);
        (void)ini.GetInt(two);
        (void)ini.GetColor(two);
    }
    for (const auto& [section, values] : ini.document().sections()) {
        for (const auto& [name, value] : values) {
            (void)ini.GetInt(section + "::" + name);
            (void)ini.GetColor(section + "::" + name);
        }
    }
    return 0;
}
