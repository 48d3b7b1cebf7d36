// A stand-in player for the relauncher's tests: holds this user's instance socket, prints
// "ready" once it listens, and appends the byte count of every connection it accepts (read
// to its end) to the file named by its argument. Ends only when killed.
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "app/CUniqueFd.h"
#include "app/InstanceSocket.h"

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    zvp::CUniqueFd listener = zvp::ListenOnInstanceSocket(zvp::InstanceSocketAddress(::getuid()));
    if (!listener) {
        std::perror("fake player: listen");
        return 1;
    }
    std::puts("ready");
    std::fflush(stdout);
    for (;;) {
        pollfd p{listener.Get(), POLLIN, 0};
        if (::poll(&p, 1, -1) <= 0) continue;
        zvp::CUniqueFd peer(::accept4(listener.Get(), nullptr, nullptr, SOCK_CLOEXEC));
        if (!peer) continue;
        size_t total = 0;
        char buffer[256];
        for (;;) {
            const ssize_t n = ::recv(peer.Get(), buffer, sizeof buffer, 0);
            if (n > 0) {
                total += static_cast<size_t>(n);
            } else if (n == 0 || errno != EINTR) {
                break;
            }
        }
        if (FILE* log = std::fopen(argv[1], "a")) {
            std::fprintf(log, "%zu\n", total);
            std::fclose(log);
        }
    }
}
