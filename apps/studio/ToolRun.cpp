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

}  // namespace

bool runToolPress(QWidget* parent, const std::function<void()>& press) {
    adoptOrphans();
    QProgressDialog busy(QObject::tr("Measuring the pair with the parallax tool..."), QObject::tr("Cancel"),
                         0, 0, parent);
    busy.setObjectName(QStringLiteral("tool-progress"));
    busy.setWindowTitle(QObject::tr("Parallax tool"));
    busy.setWindowModality(Qt::WindowModal);
    busy.setMinimumDuration(0);
    busy.setAutoClose(false);
    busy.setAutoReset(false);

    QEventLoop loop;
    std::atomic<bool> done{false};
    std::vector<pid_t> tools;
    bool cancelled = false;
    QTimer poll;
    // Cancel, Escape or closing the dialog all end in wasCanceled().
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        remember(tools, toolChildren());
        if (done) loop.quit();
        if (!busy.wasCanceled()) return;
        if (!cancelled) {
            cancelled = true;
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
