#include "app/SpawnProgram.h"

#include <signal.h>
#include <spawn.h>
#include <unistd.h>

#include <cerrno>

extern char** environ;

namespace zvp {

int SpawnProgram(const std::vector<std::string>& argv, const SpawnOptions& options, pid_t* pid) {
    if (argv.empty() || argv[0].empty()) return EINVAL;
    std::vector<char*> args;
    args.reserve(argv.size() + 1);
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    if (int rc = posix_spawn_file_actions_init(&actions); rc != 0) return rc;
    posix_spawnattr_t attr;
    if (int rc = posix_spawnattr_init(&attr); rc != 0) {
        posix_spawn_file_actions_destroy(&actions);
        return rc;
    }
    int rc = posix_spawn_file_actions_addclosefrom_np(&actions, STDERR_FILENO + 1);
    sigset_t none;
    sigemptyset(&none);
    if (rc == 0) rc = posix_spawnattr_setsigmask(&attr, &none);
    short flags = POSIX_SPAWN_SETSIGMASK;
    if (options.newSession) flags |= POSIX_SPAWN_SETSID;
    if (rc == 0) rc = posix_spawnattr_setflags(&attr, flags);
    pid_t child = 0;
    if (rc == 0) {
        rc = options.searchPath
                 ? ::posix_spawnp(&child, args[0], &actions, &attr, args.data(), environ)
                 : ::posix_spawn(&child, args[0], &actions, &attr, args.data(), environ);
    }
    posix_spawnattr_destroy(&attr);
    posix_spawn_file_actions_destroy(&actions);
    if (rc == 0 && pid) *pid = child;
    return rc;
}

}  // namespace zvp
