#include "faultpost/CFaultpostDialog.h"

#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QFile>
#include <QFont>
#include <QLabel>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

#include "app/SpawnProgram.h"

namespace zvp {

namespace {

constexpr qint64 kReportHeadBytes = 16 * 1024;

}  // namespace

CFaultpostDialog::CFaultpostDialog(const QString& programName, const QString& version,
                                   const QString& folder, QWidget* parent)
    : QDialog(parent), folder_(folder) {
    setWindowTitle(version.isEmpty() ? programName : programName + QLatin1Char(' ') + version);
    auto* layout = new QVBoxLayout(this);

    auto* title = new QLabel(QStringLiteral("%1 closed unexpectedly.").arg(programName), this);
    title->setObjectName(QStringLiteral("title"));
    QFont bold = title->font();
    bold.setBold(true);
    title->setFont(bold);
    layout->addWidget(title);

    auto* report = new QLabel(ReadReportHead(folder, 2).join(QLatin1Char('\n')), this);
    report->setObjectName(QStringLiteral("report"));
    report->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(report);

    auto* where = new QLabel(folder, this);
    where->setObjectName(QStringLiteral("folder"));
    where->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(where);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* open =
        buttons->addButton(QStringLiteral("Open Folder"), QDialogButtonBox::ActionRole);
    open->setObjectName(QStringLiteral("openFolder"));
    QPushButton* close = buttons->addButton(QStringLiteral("Close"), QDialogButtonBox::RejectRole);
    close->setObjectName(QStringLiteral("close"));
    close->setDefault(true);
    connect(open, &QPushButton::clicked, this, &CFaultpostDialog::OpenFolder);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

QStringList CFaultpostDialog::ReadReportHead(const QString& folder, int count) {
    QFile file(folder + QStringLiteral("ERRORLOG.TXT"));
    if (!file.open(QIODevice::ReadOnly)) return {};
    QByteArray bytes = file.read(kReportHeadBytes);
    if (bytes.size() % 2 != 0) bytes.chop(1);
    const QString text =
        QString::fromUtf16(reinterpret_cast<const char16_t*>(bytes.constData()), bytes.size() / 2);
    QStringList lines = text.split(QStringLiteral("\r\n"));
    if (lines.size() > count) lines = lines.mid(0, count);
    return lines;
}

void CFaultpostDialog::OpenFolder() {
    const QUrl url = QUrl::fromLocalFile(folder_);
    // Platform plugins without desktop services (offscreen, minimal) refuse; the desktop's
    // opener is asked directly then.
    if (!QDesktopServices::openUrl(url)) {
        pid_t pid = 0;
        SpawnProgram({"xdg-open", url.toString(QUrl::FullyEncoded).toStdString()},
                     SpawnOptions{true, true}, &pid);
    }
}

}  // namespace zvp
