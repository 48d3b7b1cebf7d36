#pragma once

#include <cstdlib>
#include <optional>
#include <string>

#include "support/TestUtil.h"

namespace zvp::test {

// Points XDG_DATA_HOME and XDG_CONFIG_HOME into a temporary folder for its lifetime and puts
// the old values back afterwards. Make it before anything reads the settings (Qt keeps the
// configuration folder once it has looked it up).
class ScopedXdgHome {
  public:
    ScopedXdgHome() {
        for (int i = 0; i < 2; ++i) {
            const char* old = std::getenv(kNames[i]);
            if (old) saved_[i] = old;
        }
        ::setenv("XDG_DATA_HOME", DataHome().c_str(), 1);
        ::setenv("XDG_CONFIG_HOME", dir_.file("config").c_str(), 1);
    }
    ~ScopedXdgHome() {
        for (int i = 0; i < 2; ++i) {
            if (saved_[i]) {
                ::setenv(kNames[i], saved_[i]->c_str(), 1);
            } else {
                ::unsetenv(kNames[i]);
            }
        }
    }
    ScopedXdgHome(const ScopedXdgHome&) = delete;
    ScopedXdgHome& operator=(const ScopedXdgHome&) = delete;

    std::string DataHome() const { return dir_.file("data"); }

  private:
    static constexpr const char* kNames[2] = {"XDG_DATA_HOME", "XDG_CONFIG_HOME"};
    TempDir dir_;
    std::optional<std::string> saved_[2];
};

}  // namespace zvp::test
