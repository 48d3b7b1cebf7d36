#include "ui/CommandLine.h"

#include <QUrl>
#include <filesystem>

#include "app/CFileFinder.h"
#include "app/FileTypes.h"
#include "ui/MimeTable.h"

namespace zvp {

namespace {

// "scheme:" at the start of `text`, as RFC 3986 spells a scheme; two letters at least, so a
// name like "c:x" stays a path.
bool HasScheme(std::string_view text) {
    const size_t colon = text.find(':');
    if (colon == std::string_view::npos || colon < 2) return false;
    const auto alpha = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); };
    if (!alpha(text[0])) return false;
    for (size_t i = 1; i < colon; ++i) {
        const char c = text[i];
        if (!alpha(c) && !(c >= '0' && c <= '9') && c != '+' && c != '-' && c != '.') {
            return false;
        }
    }
    return true;
}

}  // namespace

CommandLine::Parsed CommandLine::Parse(const std::vector<std::string>& args) {
    Parsed parsed;
    bool options = true;
    for (const std::string& arg : args) {
        if (options && arg == "--") {
            options = false;
        } else if (options && (arg == "--help" || arg == "-h")) {
            return Parsed{Action::kHelp, false, {}};
        } else if (options && arg == "--version") {
            return Parsed{Action::kVersion, false, {}};
        } else if (options && arg == "--enqueue") {
            parsed.enqueue = true;
        } else {
            parsed.arguments.push_back(arg);
        }
    }
    return parsed;
}

CommandLine::Parsed CommandLine::Parse(int argc, char** argv) {
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) args.emplace_back(argv[i]);
    return Parse(args);
}

int CommandLine::OptionCount(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::string_view(argv[i]) == "--") return i;
    }
    return argc;
}

std::string CommandLine::UsageText() {
    return "Usage: zvp [--enqueue] [--] [FILE | FOLDER | file://URL]...\n"
           "       zvp --help | --version\n"
           "\n"
           "Plays the media files, playlists (.mpl) and folders named, appended to the\n"
           "playlist; the last one named plays. A second start brings the running player\n"
           "to the front and opens nothing.\n"
           "\n"
           "  --enqueue  add the files to the running player's playlist (or start one)\n"
           "  --help     show this text and end\n"
           "  --version  show the version and end\n"
           "  --         end of options: every later argument is a path\n";
}

std::string CommandLine::ArgumentToPath(std::string_view argument) {
    if (argument.empty()) return {};
    std::string path;
    if (HasScheme(argument)) {
        const QUrl url(QString::fromUtf8(argument.data(), static_cast<qsizetype>(argument.size())),
                       QUrl::StrictMode);
        const QString host = url.host();
        if (!url.isValid() || url.scheme().compare(QStringLiteral("file"), Qt::CaseInsensitive) ||
            !(host.isEmpty() ||
              host.compare(QStringLiteral("localhost"), Qt::CaseInsensitive) == 0)) {
            return {};
        }
        QUrl local = url;
        local.setHost(QString());
        path = local.toLocalFile().toStdString();
        // A decoded %00 would cut the name the file system sees.
        if (path.empty() || path.find('\0') != std::string::npos) return {};
    } else {
        path = std::string(argument);
    }
    std::error_code ec;
    std::filesystem::path absolute = std::filesystem::absolute(path, ec);
    if (ec) return {};
    return absolute.lexically_normal().string();
}

bool CommandLine::IsMediaFile(std::string_view path) {
    const size_t slash = path.rfind('/');
    const std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    const size_t dot = name.rfind('.');
    if (dot == std::string_view::npos || dot == 0) return false;
    const std::string_view extension = name.substr(dot + 1);
    return IsFileTypeInList(extension, kVideoFileTypes) ||
           IsFileTypeInList(extension, kAudioFileTypes) || MimeTable::HasExtension(extension);
}

CommandLine::OpenList CommandLine::ResolveArguments(const std::vector<std::string>& arguments) {
    OpenList list;
    for (const std::string& argument : arguments) {
        const std::string path = ArgumentToPath(argument);
        if (path.empty()) continue;
        std::error_code ec;
        const auto status = std::filesystem::status(path, ec);
        if (ec || !std::filesystem::exists(status)) continue;
        if (!std::filesystem::is_directory(status)) {
            list.current = static_cast<int>(list.paths.size());
            list.paths.push_back(path);
            continue;
        }
        CFileFinder finder;
        finder.FindFiles(
            path, [](const std::string& name) { return IsMediaFile(name); }, true);
        if (finder.files().empty()) continue;
        list.current = static_cast<int>(list.paths.size());
        list.paths.insert(list.paths.end(), finder.files().begin(), finder.files().end());
    }
    return list;
}

}  // namespace zvp
