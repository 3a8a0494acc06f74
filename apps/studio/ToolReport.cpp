#include "ToolReport.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QEventLoop>
#include <QLabel>
#include <QProcess>
#include <QProgressDialog>
#include <QTemporaryDir>
#include <QVBoxLayout>

namespace duovis::studio {

namespace {

// The last line the tool wrote to standard error, as its reason.
QString lastLine(const QByteArray& text) {
    const QList<QByteArray> lines = text.trimmed().split('\n');
    return lines.isEmpty() ? QString() : QString::fromLocal8Bit(lines.back());
}

// Runs the process to its end under a busy dialog; false when the person cancelled.
bool runBusy(QWidget* parent, QProcess& process) {
    QProgressDialog busy(QObject::tr("The parallax tool is writing its report..."), QObject::tr("Cancel"), 0,
                         0, parent);
    busy.setObjectName(QStringLiteral("tool-progress"));
    busy.setWindowModality(Qt::WindowModal);
    busy.setMinimumDuration(0);
    QEventLoop loop;
    QObject::connect(&process, QOverload<int, QProcess::ExitStatus>::of(&QProcess::finished), &loop,
                     &QEventLoop::quit);
    QObject::connect(&process, &QProcess::errorOccurred, &loop, &QEventLoop::quit);
    QObject::connect(&busy, &QProgressDialog::canceled, &loop, &QEventLoop::quit);
    busy.show();
    if (process.state() != QProcess::NotRunning) loop.exec();
    if (process.state() == QProcess::NotRunning) return true;
    process.kill();
    process.waitForFinished(2000);
    return false;
}

}  // namespace

QString analyserProgram() {
    return qEnvironmentVariable("DUOVIS_DEPTHSCOPE");
}

bool measureForReport(QWidget* parent, const QImage& left, const QImage& right, ToolReport& report) {
    report = ToolReport{};
    if (left.isNull() || right.isNull()) {
        report.missing = QObject::tr("no measurement: the tool's report needs two separate eyes");
        return true;
    }
    QTemporaryDir dir;
    const QString l = dir.filePath(QStringLiteral("left.png")), r = dir.filePath(QStringLiteral("right.png"));
    const QString picture = dir.filePath(QStringLiteral("report.png"));
    if (!dir.isValid() || !left.save(l) || !right.save(r)) {
        report.missing = QObject::tr("no measurement: the eyes could not be written to %1").arg(dir.path());
        return true;
    }
    QProcess process;
    process.start(analyserProgram(), {QStringLiteral("analyse"), l, r, QStringLiteral("--report"), picture});
    if (!runBusy(parent, process)) return false;
    report.measured = QString::fromLocal8Bit(process.readAllStandardOutput()).trimmed();
    report.picture = QImage(picture);
    if (report.measured.isEmpty())
        report.missing = QObject::tr("no measurement: %1 analyse: %2")
                             .arg(analyserProgram(), process.error() == QProcess::FailedToStart
                                                         ? process.errorString()
                                                         : lastLine(process.readAllStandardError()));
    return true;
}

void showToolReportDialog(QWidget* parent, const QString& applied, const ToolReport& report) {
    QDialog dialog(parent);
    dialog.setWindowTitle(QObject::tr("Parallax tool summary"));
    auto* column = new QVBoxLayout(&dialog);
    auto* text = new QLabel(
        applied + QStringLiteral("\n\n") + (report.measured.isEmpty() ? report.missing : report.measured),
        &dialog);
    text->setTextInteractionFlags(Qt::TextSelectableByMouse);
    text->setWordWrap(true);
    column->addWidget(text);
    if (!report.picture.isNull()) {
        auto* picture = new QLabel(&dialog);
        picture->setPixmap(QPixmap::fromImage(
            report.picture.scaled(900, 600, Qt::KeepAspectRatio, Qt::SmoothTransformation)));
        column->addWidget(picture);
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    column->addWidget(buttons);
    dialog.exec();
}

}  // namespace duovis::studio
