#include "playlist/LoopModes.h"

#include "playlist/CLoopModePlaylistLoop.h"
#include "playlist/CLoopModePlaylistOnce.h"
#include "playlist/CLoopModePlaylistShuffle.h"
#include "playlist/CLoopModeSingleFileLoop.h"
#include "playlist/CLoopModeSingleFileOnce.h"

namespace zvp {

const std::array<LoopModeEntry, 5>& LoopModeTable() {
    static const std::array<LoopModeEntry, 5> table = {{
        {15049, "Single File Once", &CLoopModeSingleFileOnce::Instance()},
        {15050, "Single File Loop", &CLoopModeSingleFileLoop::Instance()},
        {15051, "Playlist Once", &CLoopModePlaylistOnce::Instance()},
        {15052, "Playlist Loop", &CLoopModePlaylistLoop::Instance()},
        {15053, "Playlist Shuffle", &CLoopModePlaylistShuffle::Instance()},
    }};
    return table;
}

const ILoopMode& LoopModeFromName(const std::string& name) {
    for (const LoopModeEntry& entry : LoopModeTable()) {
        if (name == entry.mode->GetName()) return *entry.mode;
    }
    return CLoopModePlaylistLoop::Instance();
}

}  // namespace zvp
