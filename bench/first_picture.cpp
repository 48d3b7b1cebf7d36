// Times a program from its start until a picture shows in a region of the X screen.
//   usage: first_picture X Y W H TIMEOUT_MS COMMAND [ARGS...]
// Starts COMMAND, then reads the region from the root window every 2 ms until at least a
// tenth of its pixels are coloured (max - min of red, green and blue above 48: video, not
// black, grey window art or text), and prints the milliseconds since the start; COMMAND's own
// output goes to standard error. The program is then sent SIGTERM and waited for (SIGKILL
// after 10 s). Exit status 0 when a picture was seen, 1 on timeout, 2 on bad use or when the
// display cannot be opened.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

// Owns the connection to the X server.
struct XConnection {
    Display* display = XOpenDisplay(nullptr);
    ~XConnection() {
        if (display) XCloseDisplay(display);
    }
};

bool ShowsPicture(Display* display, int x, int y, int w, int h) {
    XImage* image = XGetImage(display, DefaultRootWindow(display), x, y, static_cast<unsigned>(w),
                              static_cast<unsigned>(h), AllPlanes, ZPixmap);
    if (!image) return false;
    int coloured = 0;
    for (int row = 0; row < h; ++row) {
        for (int col = 0; col < w; ++col) {
            const unsigned long p = XGetPixel(image, col, row);
            const int r = static_cast<int>((p >> 16) & 0xFF);
            const int g = static_cast<int>((p >> 8) & 0xFF);
            const int b = static_cast<int>(p & 0xFF);
            if (std::max({r, g, b}) - std::min({r, g, b}) > 48) ++coloured;
        }
    }
    XDestroyImage(image);
    return coloured * 10 >= w * h;
}

void EndChild(pid_t child) {
    kill(child, SIGTERM);
    const Clock::time_point deadline = Clock::now() + std::chrono::seconds(10);
    while (waitpid(child, nullptr, WNOHANG) == 0) {
        if (Clock::now() > deadline) {
            kill(child, SIGKILL);
            waitpid(child, nullptr, 0);
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 7) {
        std::fprintf(stderr, "usage: first_picture X Y W H TIMEOUT_MS COMMAND [ARGS...]\n");
        return 2;
    }
    const int x = std::atoi(argv[1]);
    const int y = std::atoi(argv[2]);
    const int w = std::atoi(argv[3]);
    const int h = std::atoi(argv[4]);
    const int timeoutMs = std::atoi(argv[5]);
    XConnection x11;
    if (!x11.display || w <= 0 || h <= 0) {
        std::fprintf(stderr, "first_picture: no display or an empty region\n");
        return 2;
    }
    if (ShowsPicture(x11.display, x, y, w, h)) {
        std::fprintf(stderr, "first_picture: the region shows a picture already\n");
        return 2;
    }
    const Clock::time_point start = Clock::now();
    const pid_t child = fork();
    if (child < 0) return 2;
    if (child == 0) {
        dup2(STDERR_FILENO, STDOUT_FILENO);  // standard output carries the timing alone
        execvp(argv[6], argv + 6);
        std::perror("first_picture: exec");
        _exit(127);
    }
    while (Clock::now() - start < std::chrono::milliseconds(timeoutMs)) {
        if (ShowsPicture(x11.display, x, y, w, h)) {
            const auto ms =
                std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
            std::printf("%lld\n", static_cast<long long>(ms.count()));
            EndChild(child);
            return 0;
        }
        if (waitpid(child, nullptr, WNOHANG) == child) {
            std::fprintf(stderr, "first_picture: %s ended without a picture\n", argv[6]);
            return 1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    std::fprintf(stderr, "first_picture: no picture within %d ms\n", timeoutMs);
    EndChild(child);
    return 1;
}
