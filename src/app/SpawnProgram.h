#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace zvp {

struct SpawnOptions {
    bool searchPath = false;  // argv[0] is looked up on PATH when it has no slash
    bool newSession = false;  // the child leads a session of its own (outlives our terminal)
};

// Starts `argv` (argv[0] the program) with this process's environment and an empty signal
// mask. The child holds standard input, output and error and nothing else: every other
// descriptor is closed in it, close-on-exec or not, so no socket, pipe or lock of the player
// keeps living in a helper, an installer or a browser. Returns 0 and the child's id in `pid`
// (the caller reaps it), or the errno of the failed start. Stateless; any thread.
int SpawnProgram(const std::vector<std::string>& argv, const SpawnOptions& options, pid_t* pid);

}  // namespace zvp
