#pragma once

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <filesystem>
#include <functional>
#include <string>

#include "app/AppFileTestUtil.h"
#include "app/CAppIni.h"
#include "support/TestUtil.h"

namespace zvp::test {

// Runs `answer` from the event loop on the first visible window of type T, as soon as one
// shows (polled every 20 ms). Arm it before the call that runs the dialog's exec(); the
// answer then runs inside that exec. A dialog that does not show within 10 s fails the test
// and every modal window is rejected, so a broken script cannot hang the run.
template <class T>
void WhenShown(std::function<void(T*)> answer) {
    auto* timer = new QTimer(qApp);
    auto ticks = std::make_shared<int>(0);
    QObject::connect(timer, &QTimer::timeout, [timer, ticks, answer] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (auto* found = qobject_cast<T*>(w); found && found->isVisible()) {
                timer->stop();
                timer->deleteLater();
                answer(found);
                return;
            }
        }
        if (++*ticks > 500) {
            timer->stop();
            timer->deleteLater();
            ADD_FAILURE() << "no " << T::staticMetaObject.className() << " showed";
            while (QWidget* modal = QApplication::activeModalWidget()) modal->close();
        }
    });
    timer->start(20);
}

// A fresh settings home for each test: XDG_DATA_HOME points below a temporary folder (set for
// the whole suite, emptied per test) and the process-wide settings are reloaded from it.
class SettingsHomeTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        home_ = new TempDir();
        ::setenv("XDG_DATA_HOME", home_->file("data").c_str(), 1);
        ::setenv("XDG_CONFIG_HOME", home_->file("config").c_str(), 1);
    }
    static void TearDownTestSuite() {
        delete home_;
        home_ = nullptr;
    }
    void SetUp() override {
        // Reload keeps values whose default is empty (the font name) from the document it
        // had: put back the defaults of the keys these tests touch first.
        for (const char* key : kSubtitleKeys) {
            std::string value;
            CAppIni::GetDefault(key, value);
            CAppIni::Instance().SetString(key, value);
        }
        std::filesystem::remove_all(home_->file("data"));
        CAppIni::Instance().Reload();
    }

    static constexpr const char* kSubtitleKeys[] = {
        "subtitle::primary_text_color", "subtitle::secondary_text_color",
        "subtitle::outline_color",      "subtitle::shadow_color",
        "subtitle::font_name",          "subtitle::font_size",
        "subtitle::font_border_size"};

    static std::string SettingsPath() { return CAppIni::Instance().GetSettingsPath(); }
    // The settings as a second store reads them from the file.
    static std::string Stored(const char* key) {
        CAppIni stored(SettingsPath());
        stored.Reload();
        return stored.GetString(key);
    }

    // The settings file's bytes and modification time, to show that nothing was written.
    struct FileState {
        std::string bytes;
        timespec mtime{};
        bool operator==(const FileState& o) const {
            return bytes == o.bytes && mtime.tv_sec == o.mtime.tv_sec &&
                   mtime.tv_nsec == o.mtime.tv_nsec;
        }
    };
    static FileState SettingsFile() {
        FileState state;
        state.bytes = ReadBytes(SettingsPath());
        struct stat st {};
        if (::stat(SettingsPath().c_str(), &st) == 0) state.mtime = st.st_mtim;
        return state;
    }

    static TempDir* home_;
};

inline TempDir* SettingsHomeTest::home_ = nullptr;

}  // namespace zvp::test
