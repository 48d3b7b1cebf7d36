// A deliberate data race that ThreadSanitizer must report through the project's suppressions:
// the SDL audio device thread writes a plain int in our callback while the Qt event loop of
// the main thread reads it from a timer slot, with nothing ordering the two. If the
// suppressions hide this race they also hide the same mistake in the audio renderer.
//
// Exit status: 0 once both sides ran (the report itself is checked by expect-report.sh),
// 2 when no audio device could be opened or the callback never ran.
#include <SDL.h>

#include <QCoreApplication>
#include <QTimer>
#include <atomic>
#include <cstdio>

namespace {

int g_level = 0;  // unguarded on purpose
// Relaxed atomics give ThreadSanitizer no happens-before edge, so they count without hiding
// the race.
std::atomic<int> g_callbacks{0};

__attribute__((noinline)) void CanaryAudioCallback(void*, Uint8* stream, int len) {
    g_level = g_level + len;
    SDL_memset(stream, 0, size_t(len));
    g_callbacks.fetch_add(1, std::memory_order_relaxed);
}

__attribute__((noinline)) int CanaryReadLevelOnUiThread() {
    return g_level;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (SDL_Init(SDL_INIT_AUDIO) != 0) {
        std::fprintf(stderr, "canary: SDL_Init failed: %s\n", SDL_GetError());
        return 2;
    }
    SDL_AudioSpec want{};
    want.freq = 8000;
    want.format = AUDIO_S16SYS;
    want.channels = 1;
    want.samples = 256;
    want.callback = &CanaryAudioCallback;
    SDL_AudioSpec have{};
    SDL_AudioDeviceID device = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    if (device == 0) {
        std::fprintf(stderr, "canary: no audio device: %s\n", SDL_GetError());
        SDL_Quit();
        return 2;
    }
    SDL_PauseAudioDevice(device, 0);

    // Reads until the callback has run a few times, and a few times after that.
    int readsAfterCallbacks = 0;
    long sum = 0;
    QTimer reader;
    reader.setInterval(1);
    QObject::connect(&reader, &QTimer::timeout, &app, [&] {
        sum += CanaryReadLevelOnUiThread();
        if (g_callbacks.load(std::memory_order_relaxed) >= 3 && ++readsAfterCallbacks >= 5)
            app.quit();
    });
    reader.start();
    QTimer::singleShot(20000, &app, &QCoreApplication::quit);  // bounds a device that never calls
    app.exec();

    SDL_CloseAudioDevice(device);
    SDL_Quit();
    const int callbacks = g_callbacks.load(std::memory_order_relaxed);
    std::fprintf(stderr, "canary: %d callbacks, %d reads after them (sum %ld)\n", callbacks,
                 readsAfterCallbacks, sum);
    return callbacks >= 3 && readsAfterCallbacks >= 5 ? 0 : 2;
}
