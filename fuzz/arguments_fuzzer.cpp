// Feeds arbitrary bytes to the texts another program hands the player: cut at every NUL, the
// pieces are a command line (options, paths and file URLs) and MPRIS OpenUri texts; whole, the
// bytes are what a second start sends on the instance socket, read in pieces as a peer's
// socket delivers them.
//
// Checks, besides the sanitizers: an argument's path is empty or absolute, lexically normal
// and free of NUL (a NUL would cut the name the file system sees); an OpenUri path likewise
// holds no NUL; every enqueued path is absolute and NUL-free, one per NUL of the body at most;
// a request is taken the same whether the bytes come at once or piece by piece.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/InstanceSocket.h"
#include "app/Logger.h"
#include "ui/CommandLine.h"
#include "ui/OpenUriPath.h"

namespace {

using zvp::CommandLine;
using zvp::InstanceRequest;

std::vector<std::string> Pieces(std::string_view bytes) {
    std::vector<std::string> pieces(1);
    for (char c : bytes) {
        if (c == '\0') {
            pieces.emplace_back();
        } else {
            pieces.back().push_back(c);
        }
    }
    return pieces;
}

void CheckCommandLine(const std::vector<std::string>& pieces) {
    const CommandLine::Parsed parsed = CommandLine::Parse(pieces);
    if (parsed.arguments.size() > pieces.size()) __builtin_trap();
    for (const std::string& argument : parsed.arguments) {
        const std::string path = CommandLine::ArgumentToPath(argument);
        if (path.empty()) continue;
        if (path[0] != '/' || path.find('\0') != std::string::npos) __builtin_trap();
        if (std::filesystem::path(path).lexically_normal().string() != path) __builtin_trap();
        (void)CommandLine::IsMediaFile(path);
    }
}

void CheckOpenUri(const std::string& text) {
    const std::optional<std::string> path =
        zvp::OpenUriPath(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
    if (path && path->find('\0') != std::string::npos) __builtin_trap();
}

// The peer's bytes as the instance socket reads them: the request line classified after each
// piece, then (enqueue) the body read to its end.
void CheckInstanceRequest(std::string_view bytes, const std::vector<std::string>& pieces) {
    const InstanceRequest whole = zvp::ClassifyInstanceRequest(
        bytes.substr(0, std::min(bytes.size(), zvp::kMaxInstanceRequest + 1)));
    std::string received;
    InstanceRequest state = InstanceRequest::kIncomplete;
    for (size_t i = 0; i < pieces.size() && state == InstanceRequest::kIncomplete; ++i) {
        received += pieces[i];
        if (i + 1 < pieces.size()) received.push_back('\0');
        if (received.size() > zvp::kMaxInstanceRequest + 1) {
            received.resize(zvp::kMaxInstanceRequest + 1);
        }
        state = zvp::ClassifyInstanceRequest(received);
    }
    // A line past the length limit is refused either as unknown or as too long, depending on
    // where the pieces fall; any other outcome must not depend on them.
    const auto refused = [](InstanceRequest r) {
        return r == InstanceRequest::kUnknown || r == InstanceRequest::kTooLong;
    };
    if (state != whole && !(refused(state) && refused(whole))) __builtin_trap();
    if (state != InstanceRequest::kEnqueue) return;
    const std::string_view body = bytes.substr(zvp::kEnqueueRequest.size());
    const std::vector<std::string> paths = zvp::ParseEnqueueBody(body);
    size_t nuls = 0;
    for (char c : body) nuls += c == '\0';
    if (paths.size() > nuls) __builtin_trap();
    for (const std::string& path : paths) {
        if (path.empty() || path[0] != '/' || path.find('\0') != std::string::npos) {
            __builtin_trap();
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool quiet = [] {
        zvp::Logger::Instance().SetStdoutOutput(false);
        zvp::Logger::Instance().SetFileOutput(false);
        return true;
    }();
    (void)quiet;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::vector<std::string> pieces = Pieces(bytes);
    CheckCommandLine(pieces);
    for (const std::string& piece : pieces) CheckOpenUri(piece);
    CheckInstanceRequest(bytes, pieces);
    return 0;
}
