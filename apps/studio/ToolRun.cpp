#include "ToolRun.h"

#include <QEventLoop>
#include <QLocalSocket>
#include <QProgressDialog>
#include <QPushButton>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <memory>
#include <utility>

#include "ToolChannel.h"
#include "ToolChildren.h"

namespace duovis::studio {

namespace {

// A tool that sent its reply ends at once; this only bounds one that lingers.
constexpr int kToolEndMs = 2000;
constexpr int kPollMs = 50;

// Connects to each socket the effect may be waiting on and hangs up, so a wait for a tool that
// is gone ends now rather than at its time limit. Nothing is sent: the effect sees a reply cut
// short and changes nothing.
void hangUpToolChannels() {
    for (const char* name : {kToolStreamName, kToolReplyName}) {
        QLocalSocket socket;
        socket.connectToServer(QString::fromLatin1(name));
        if (socket.waitForConnected(100)) socket.abort();
    }
}

void remember(std::vector<pid_t>& seen, const std::vector<pid_t>& now) {
    for (const pid_t pid : now)
        if (std::find(seen.begin(), seen.end(), pid) == seen.end()) seen.push_back(pid);
}

// The dialog's look: a busy one for a single press, a counting one for a run of them.
void dress(QProgressDialog& busy, const PressProgress* progress) {
    busy.setObjectName(progress ? progress->name() : QStringLiteral("tool-progress"));
    busy.setLabelText(progress ? progress->label()
                               : QObject::tr("Measuring the pair with the parallax tool..."));
    busy.setRange(0, progress ? progress->total() : 0);
    busy.setValue(0);
    busy.setWindowTitle(QObject::tr("Parallax tool"));
    busy.setWindowModality(Qt::WindowModal);
    busy.setMinimumDuration(0);
    busy.setAutoClose(false);
    busy.setAutoReset(false);  // a cancel at the last step still counts
}

// The newest step the worker told, unless the dialog already says the tool is stopping.
void showStep(QProgressDialog& busy, PressProgress* progress) {
    int done = 0;
    QString label;
    if (progress == nullptr || busy.wasCanceled() || !progress->take(done, label)) return;
    busy.setLabelText(label);
    busy.setValue(done);
}

}  // namespace

PressProgress::PressProgress(QString name, QString label, int total)
    : name_(std::move(name)), label_(std::move(label)), total_(total) {}

void PressProgress::tell(int done, const QString& label) {
    const std::lock_guard<std::mutex> hold(mutex_);
    done_ = done;
    told_ = label;
    fresh_ = true;
}

bool PressProgress::take(int& done, QString& label) {
    const std::lock_guard<std::mutex> hold(mutex_);
    if (!fresh_) return false;
    done = done_;
    label = told_;
    fresh_ = false;
    return true;
}

bool runToolPress(QWidget* parent, const std::function<void()>& press, PressProgress* progress) {
    adoptOrphans();
    QProgressDialog busy(parent);
    busy.setCancelButtonText(QObject::tr("Cancel"));
    dress(busy, progress);

    QEventLoop loop;
    std::atomic<bool> done{false};
    std::vector<pid_t> tools;
    bool cancelled = false;
    QTimer poll;
    // Cancel, Escape or closing the dialog all end in wasCanceled().
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        remember(tools, toolChildren());
        showStep(busy, progress);
        if (done) loop.quit();
        if (!busy.wasCanceled()) return;
        if (!cancelled) {
            cancelled = true;
            if (progress) progress->cancel();  // no further press starts
            busy.setLabelText(QObject::tr("Stopping the parallax tool..."));
            if (auto* button = busy.findChild<QPushButton*>()) button->setEnabled(false);
        }
        stopTools(toolChildren(), 0);
        hangUpToolChannels();
    });
    // A QThread, not a bare thread: the tool link's sockets need its event dispatcher.
    std::unique_ptr<QThread> worker(QThread::create([&] {
        press();
        done = true;
    }));
    worker->start();
    poll.start(kPollMs);
    busy.show();
    loop.exec();
    worker->wait();
    stopTools(tools, cancelled ? 0 : kToolEndMs);
    return !cancelled;
}

}  // namespace duovis::studio
