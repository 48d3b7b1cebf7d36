#include "faultpost/CFaultpostDialog.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <filesystem>
#include <fstream>

#include "support/FileWatch.h"
#include "support/TestUtil.h"

namespace zvp {
namespace {

namespace fs = std::filesystem;

// Writes `text` (ASCII) as the UTF-16LE report in `folder`.
void WriteReport(const std::string& folder, const std::string& text) {
    std::ofstream out(folder + "ERRORLOG.TXT", std::ios::binary);
    for (char c : text) out << c << '\0';
}

TEST(CFaultpostDialogTest, ShowsTheProgramTheReportHeadAndTheFolder) {
    test::TempDir dir;
    const std::string folder = dir.path().string() + "/";
    WriteReport(folder,
                "zvp caused an Access Violation (0xc0000005) \r\nin module zvp at "
                "0033:0000000000401000.\r\n\r\nException handler called in "
                "RecordExceptionInfo.\r\n");
    CFaultpostDialog dialog("zvp", "2.0.17 beta", QString::fromStdString(folder));
    EXPECT_EQ(dialog.findChild<QLabel*>("title")->text(), "zvp closed unexpectedly.");
    EXPECT_EQ(dialog.findChild<QLabel*>("report")->text(),
              "zvp caused an Access Violation (0xc0000005) \nin module zvp at "
              "0033:0000000000401000.");
    EXPECT_EQ(dialog.findChild<QLabel*>("folder")->text(), QString::fromStdString(folder));
    EXPECT_EQ(dialog.findChild<QPushButton*>("openFolder")->text(), "Open Folder");
    EXPECT_EQ(dialog.findChild<QPushButton*>("close")->text(), "Close");
    EXPECT_TRUE(dialog.windowTitle().contains("2.0.17 beta"));

    // A missing report leaves the line empty; the dialog still comes up.
    EXPECT_TRUE(
        CFaultpostDialog::ReadReportHead(QString::fromStdString(dir.file("none/")), 2).isEmpty());
}

TEST(CFaultpostDialogTest, OpenFolderHandsTheFolderToTheDesktop) {
    test::TempDir dir;
    const std::string folder = dir.file("Temp") + "/";
    fs::create_directories(folder);
    // A fake xdg-open first in PATH records what it is asked to open.
    const std::string bin = dir.file("bin");
    const std::string record = dir.file("opened.txt");
    fs::create_directories(bin);
    std::ofstream(bin + "/xdg-open") << "#!/bin/sh\nprintf '%s\\n' \"$1\" >> '" << record << "'\n";
    fs::permissions(bin + "/xdg-open", fs::perms::owner_all);
    std::ofstream(record).flush();
    const QByteArray oldPath = qgetenv("PATH");
    qputenv("PATH", QByteArray::fromStdString(bin) + ":" + oldPath);

    CFaultpostDialog dialog("zvp", "1.0", QString::fromStdString(folder));
    dialog.findChild<QPushButton*>("openFolder")->click();
    const auto opened = [&] { return test::FileSize(record) > 0; };
    EXPECT_TRUE(test::WaitForFileWrites(record, opened));
    qputenv("PATH", oldPath);
    std::ifstream in(record);
    std::string url;
    std::getline(in, url);
    EXPECT_EQ(QUrl(QString::fromStdString(url)).toLocalFile().toStdString(), folder);
}

// Runs the program with `args` and the environment changed by `unset`; returns its exit code
// and fills `err`.
int RunFaultpost(const QStringList& args, const QStringList& unset, QString* err) {
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const QString& name : unset) env.remove(name);
    process.setProcessEnvironment(env);
    process.start(ZVP_FAULTPOST, args);
    if (!process.waitForFinished(20000)) return -1;
    if (err) *err = QString::fromUtf8(process.readAllStandardError());
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

TEST(CFaultpostDialogTest, ProgramArgumentsAndNoDisplay) {
    EXPECT_EQ(RunFaultpost({}, {}, nullptr), 2);
    EXPECT_EQ(RunFaultpost({"zvp", "1.0"}, {}, nullptr), 2);
    EXPECT_EQ(RunFaultpost({"zvp", "1.0", "/a/", "extra"}, {}, nullptr), 2);
    QString err;
    EXPECT_EQ(RunFaultpost({"zvp", "1.0", "/tmp/zvp report/"},
                           {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"}, &err),
              0);
    EXPECT_EQ(err, "/tmp/zvp report/\n");
}

}  // namespace
}  // namespace zvp
