#include "subtitle/SubtitleFonts.h"

#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string_view>
#include <vector>

#include "app/Logger.h"
#include "subtitle/ISubtitleHost.h"

namespace zvp {

namespace {

struct FcPatternDeleter {
    void operator()(FcPattern* p) const { FcPatternDestroy(p); }
};
struct FcFontSetDeleter {
    void operator()(FcFontSet* p) const { FcFontSetDestroy(p); }
};
struct FcObjectSetDeleter {
    void operator()(FcObjectSet* p) const { FcObjectSetDestroy(p); }
};
using FcPatternPtr = std::unique_ptr<FcPattern, FcPatternDeleter>;
using FcFontSetPtr = std::unique_ptr<FcFontSet, FcFontSetDeleter>;
using FcObjectSetPtr = std::unique_ptr<FcObjectSet, FcObjectSetDeleter>;

bool FileExists(const std::string& path) {
    std::error_code ec;
    return !path.empty() && std::filesystem::is_regular_file(path, ec);
}

bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

bool InitFontconfig() {
    static const bool ok = FcInit() == FcTrue;
    return ok;
}

// One installed face as fontconfig lists it.
struct FaceInfo {
    std::vector<std::string> families;
    std::vector<std::string> languages;  // parallel to families; may be shorter
    std::string file;
    int weight = FC_WEIGHT_REGULAR;
    int slant = FC_SLANT_ROMAN;
    std::string format;
};

std::vector<FaceInfo> ListFaces() {
    std::vector<FaceInfo> faces;
    if (!InitFontconfig()) return faces;
    FcPatternPtr pattern(FcPatternCreate());
    FcObjectSetPtr objects(FcObjectSetBuild(FC_FAMILY, FC_FAMILYLANG, FC_FILE, FC_WEIGHT, FC_SLANT,
                                            FC_FONTFORMAT, nullptr));
    if (!pattern || !objects) return faces;
    FcFontSetPtr set(FcFontList(nullptr, pattern.get(), objects.get()));
    if (!set) return faces;
    for (int i = 0; i < set->nfont; ++i) {
        FcPattern* font = set->fonts[i];
        FaceInfo face;
        FcChar8* text = nullptr;
        for (int n = 0; FcPatternGetString(font, FC_FAMILY, n, &text) == FcResultMatch; ++n)
            face.families.emplace_back(reinterpret_cast<char*>(text));
        for (int n = 0; FcPatternGetString(font, FC_FAMILYLANG, n, &text) == FcResultMatch; ++n)
            face.languages.emplace_back(reinterpret_cast<char*>(text));
        if (FcPatternGetString(font, FC_FILE, 0, &text) == FcResultMatch)
            face.file = reinterpret_cast<char*>(text);
        if (FcPatternGetString(font, FC_FONTFORMAT, 0, &text) == FcResultMatch)
            face.format = reinterpret_cast<char*>(text);
        FcPatternGetInteger(font, FC_WEIGHT, 0, &face.weight);
        FcPatternGetInteger(font, FC_SLANT, 0, &face.slant);
        faces.push_back(std::move(face));
    }
    std::sort(faces.begin(), faces.end(),
              [](const FaceInfo& a, const FaceInfo& b) { return a.file < b.file; });
    return faces;
}

bool IsScalableFile(const FaceInfo& face) {
    if (face.format == "TrueType" || face.format == "CFF") return true;
    const std::string ext = std::filesystem::path(face.file).extension().string();
    return EqualsIgnoreCase(ext, ".ttf") || EqualsIgnoreCase(ext, ".otf") ||
           EqualsIgnoreCase(ext, ".ttc");
}

bool HasFamily(const FaceInfo& face, const std::string& name) {
    return std::any_of(face.families.begin(), face.families.end(),
                       [&](const std::string& f) { return EqualsIgnoreCase(f, name); });
}

// fontconfig's best match for "sans-serif" in the current locale, or null.
FcPatternPtr MatchSansSerif() {
    if (!InitFontconfig()) return nullptr;
    FcPatternPtr pattern(FcNameParse(reinterpret_cast<const FcChar8*>("sans-serif")));
    if (!pattern) return nullptr;
    FcConfigSubstitute(nullptr, pattern.get(), FcMatchPattern);
    FcDefaultSubstitute(pattern.get());
    FcResult result = FcResultNoMatch;
    return FcPatternPtr(FcFontMatch(nullptr, pattern.get(), &result));
}

}  // namespace

void WarmFontLookups() {
    // The match loads the caches of the default family's fonts as well.
    MatchSansSerif();
}

std::string GetSystemDefaultFontFile() {
    std::string path;
    if (FcPatternPtr match = MatchSansSerif()) {
        FcChar8* file = nullptr;
        if (FcPatternGetString(match.get(), FC_FILE, 0, &file) == FcResultMatch)
            path = reinterpret_cast<char*>(file);
    }
    Log(LogPoint{"CSubtitle::GetSystemDefaultFontFile", kLogInfo}, "AssocSystemFont: %s",
        path.c_str());
    if (FileExists(path)) return path;
    for (const FaceInfo& face : ListFaces()) {
        if (IsScalableFile(face) && FileExists(face.file)) return face.file;
    }
    return std::string();
}

std::string GetDefaultFontName() {
    if (FcPatternPtr match = MatchSansSerif()) {
        FcChar8* family = nullptr;
        if (FcPatternGetString(match.get(), FC_FAMILY, 0, &family) == FcResultMatch)
            return reinterpret_cast<char*>(family);
    }
    return "Arial";
}

bool GetFontFile(const std::string& name, bool bold, std::string& face, std::string& file) {
    if (name.empty()) return false;
    const std::vector<FaceInfo> faces = ListFaces();
    if (bold) {
        for (const FaceInfo& info : faces) {
            if (info.weight >= FC_WEIGHT_BOLD && info.slant == FC_SLANT_ROMAN &&
                HasFamily(info, name) && IsScalableFile(info)) {
                Log(LogPoint{"GetFontFile", kLogInfo}, "Bold found font");
                face = name + " Bold";
                file = info.file;
                return true;
            }
        }
    }
    // The plain face: upright first, then the weight closest to regular.
    auto distance = [](const FaceInfo& f) {
        return (f.slant == FC_SLANT_ROMAN ? 0 : 1000) + std::abs(f.weight - FC_WEIGHT_REGULAR);
    };
    const FaceInfo* best = nullptr;
    for (const FaceInfo& info : faces) {
        if (!HasFamily(info, name) || !IsScalableFile(info)) continue;
        if (!best || distance(info) < distance(*best)) best = &info;
    }
    if (!best) return false;
    Log(LogPoint{"GetFontFile", kLogInfo}, "Found font");
    face = name;
    file = best->file;
    return true;
}

std::string GetEnglishFontName(const std::string& name) {
    if (name.empty()) return std::string();
    for (const FaceInfo& face : ListFaces()) {
        if (!HasFamily(face, name)) continue;
        for (size_t i = 0; i < face.families.size() && i < face.languages.size(); ++i) {
            if (face.languages[i] == "en") return face.families[i];
        }
    }
    return std::string();
}

std::vector<std::string> ListFontFamilies() {
    std::vector<std::string> names;
    if (!InitFontconfig()) return names;
    FcPatternPtr pattern(FcPatternCreate());
    FcObjectSetPtr objects(
        FcObjectSetBuild(FC_FAMILY, FC_FAMILYLANG, FC_FONTFORMAT, FC_OUTLINE, FC_SYMBOL, nullptr));
    if (!pattern || !objects) return names;
    FcPatternAddBool(pattern.get(), FC_OUTLINE, FcTrue);
    FcFontSetPtr set(FcFontList(nullptr, pattern.get(), objects.get()));
    if (!set) return names;
    for (int i = 0; i < set->nfont; ++i) {
        FcPattern* font = set->fonts[i];
        FcChar8* format = nullptr;
        if (FcPatternGetString(font, FC_FONTFORMAT, 0, &format) != FcResultMatch) continue;
        const std::string_view formatName(reinterpret_cast<char*>(format));
        if (formatName != "TrueType" && formatName != "CFF") continue;
        FcBool symbol = FcFalse;
        if (FcPatternGetBool(font, FC_SYMBOL, 0, &symbol) == FcResultMatch && symbol) continue;
        FcChar8* family = nullptr;
        std::string chosen;
        for (int n = 0; FcPatternGetString(font, FC_FAMILY, n, &family) == FcResultMatch; ++n) {
            FcChar8* lang = nullptr;
            if (FcPatternGetString(font, FC_FAMILYLANG, n, &lang) == FcResultMatch &&
                std::string_view(reinterpret_cast<char*>(lang)) == "en") {
                chosen = reinterpret_cast<char*>(family);
                break;
            }
            if (n == 0) chosen = reinterpret_cast<char*>(family);
        }
        if (chosen.empty() || chosen.front() == '@') continue;
        names.push_back(std::move(chosen));
    }
    auto lower = [](const std::string& s) {
        std::string out(s);
        for (char& c : out) c = char(std::tolower(static_cast<unsigned char>(c)));
        return out;
    };
    std::sort(names.begin(), names.end(), [&](const std::string& a, const std::string& b) {
        const std::string la = lower(a), lb = lower(b);
        return la != lb ? la < lb : a < b;
    });
    names.erase(std::unique(names.begin(), names.end(), EqualsIgnoreCase), names.end());
    return names;
}

std::string get_app_font_file(ISubtitleHost& host) {
    const LogPoint point{"get_app_font_file", kLogInfo};
    std::string name = host.ReadSettings().font_name;
    if (name.empty()) {
        std::string file = GetSystemDefaultFontFile();
        if (FileExists(file)) {
            host.StoreFontName(GetDefaultFontName());
            return file;
        }
    } else {
        Log(point, "Font name: %s", name.c_str());
        std::string english = GetEnglishFontName(name);
        Log(point, "English font name: %s", english.c_str());
        if (!english.empty()) {
            std::string face, file;
            if (!GetFontFile(english, true, face, file)) {
                Log(point, "Cannot parse font file from font name: %s, use system default font",
                    name.c_str());
                name = GetDefaultFontName();
                english = GetEnglishFontName(name);
                GetFontFile(english, true, face, file);
            }
            Log(point, "English font file: %s", file.c_str());
            if (FileExists(file)) {
                Log(point, "English font path file: %s", file.c_str());
                return file;
            }
        }
    }
    return GetSystemDefaultFontFile();
}

}  // namespace zvp
