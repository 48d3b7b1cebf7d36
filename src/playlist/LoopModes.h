#pragma once

#include <array>
#include <string>

namespace zvp {

class ILoopMode;

// The loop modes as the "Playlist Mode" menu offers them, in menu order.
struct LoopModeEntry {
    int commandId;
    const char* menuText;
    const ILoopMode* mode;  // a singleton
};

// The five modes: 15049 single file once … 15053 playlist shuffle. UI thread only.
const std::array<LoopModeEntry, 5>& LoopModeTable();

// The table's first mode whose GetName equals `name`; playlist loop when none does.
const ILoopMode& LoopModeFromName(const std::string& name);

}  // namespace zvp
