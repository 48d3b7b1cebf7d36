#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <mutex>
#include <string>

namespace zvp::test {

// A fresh, empty folder below the system temporary folder, removed by the destructor.
class TempDir {
  public:
    TempDir() {
        std::string templ = (std::filesystem::temp_directory_path() / "zvp-test-XXXXXX").string();
        path_ = ::mkdtemp(templ.data()) ? templ : std::string();
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    const std::filesystem::path& path() const { return path_; }
    std::string file(const std::string& name) const { return (path_ / name).string(); }

  private:
    std::filesystem::path path_;
};

// Runs the Qt event loop until `done` holds or `timeout` passes; returns `done()`.
inline bool PumpUntil(const std::function<bool()>& done,
                      std::chrono::milliseconds timeout = std::chrono::seconds(20)) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > timeout.count()) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 50);
    }
    return true;
}

// The folder the build writes generated test media into.
inline std::string MediaDir() {
    const char* dir = std::getenv("ZVP_MEDIA_DIR");
    return dir ? dir : "media";
}
inline std::string MediaPath(const std::string& name) {
    return MediaDir() + "/" + name;
}

}  // namespace zvp::test
