#pragma once

#include <cdio/cdio.h>
#include <cdio/logging.h>

#include <memory>
#include <mutex>
#include <string>

#include "app/Logger.h"

namespace zvp {

struct CdIoDeleter {
    void operator()(CdIo_t* p) const { cdio_destroy(p); }
};

// Move-only owner of one libcdio handle; the handle is used by one thread at a time.
using CdIoHandle = std::unique_ptr<CdIo_t, CdIoDeleter>;

// Sends libcdio's messages to the diagnostic log at debug level instead of stderr. Call before
// the first libcdio call; any thread; later calls do nothing.
inline void RouteCdioLog() {
    static std::once_flag once;
    std::call_once(once, [] {
        cdio_log_set_handler([](cdio_log_level_t, const char message[]) {
            // One log line per message: its line breaks become spaces.
            std::string line = message ? message : "";
            while (!line.empty() && (line.back() == '\n' || line.back() == ' ')) line.pop_back();
            for (char& c : line) {
                if (c == '\n') c = ' ';
            }
            Log({"libcdio::Log", kLogDebug}, "%s", line.c_str());
        });
    });
}

}  // namespace zvp
