#include "ToolChannel.h"

#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>

#include <algorithm>
#include <cstdio>

namespace duovis {

const char* const kToolStreamName = "depthscope.pipe";
const char* const kToolReplyName = "depthscope.pipeout";

namespace {

// The tool takes the stream in slices this big, so a stalled reader is noticed without the
// whole frame sitting in the socket's buffer.
constexpr qint64 kSliceBytes = 1 << 20;
// A listening server answers a connection at once; this only bounds a wedged one.
constexpr int kProbeMs = 1000;

// One bounded step of a wait that ends at `deadline`: at most a second, so a deadline is
// checked again soon.
int stepMs(QDeadlineTimer deadline) {
    const qint64 left = deadline.remainingTime();
    return left < 0 ? 1000 : static_cast<int>(std::min<qint64>(left, 1000));
}

int limitFromEnvironment(const char* variable, int fallback) {
    bool ok = false;
    const int ms = qEnvironmentVariableIntValue(variable, &ok);
    return ok && ms > 0 ? ms : fallback;
}

}  // namespace

ToolLinkLimits toolLinkLimits() {
    const ToolLinkLimits defaults;
    return ToolLinkLimits{limitFromEnvironment("DUOVIS_TOOL_CONNECT_TIMEOUT_MS", defaults.connectMs),
                          limitFromEnvironment("DUOVIS_TOOL_REPLY_TIMEOUT_MS", defaults.replyMs)};
}

bool toolChannelBusy(const QString& name) {
    QLocalSocket probe;
    probe.connectToServer(name);
    if (probe.waitForConnected(kProbeMs)) {
        probe.abort();
        return true;
    }
    // Nothing there, or a socket file with no listener behind it (left by a crashed host): free.
    // Anything else (another user's socket, a wedged listener) is not ours to take.
    const QLocalSocket::LocalSocketError error = probe.error();
    return error != QLocalSocket::ServerNotFoundError && error != QLocalSocket::ConnectionRefusedError;
}

std::unique_ptr<QLocalServer> listenForTool(const QString& name, QString* why) {
    // With access options Qt renames its socket into place, which would silently take the
    // name from a live server, so the check comes first.
    if (toolChannelBusy(name)) {
        *why = QStringLiteral("another parallax tool exchange is using ") + name;
        return nullptr;
    }
    // Qt would report a directory in the socket's place only by its error number.
    const QString path = QDir::isAbsolutePath(name) ? name : QDir::tempPath() + QLatin1Char('/') + name;
    if (QFileInfo(path).isDir()) {
        *why = path + QStringLiteral(": is a directory, not the tool's socket (remove it)");
        return nullptr;
    }
    QLocalServer::removeServer(name);
    auto server = std::make_unique<QLocalServer>();
    server->setSocketOptions(QLocalServer::UserAccessOption);
    server->setMaxPendingConnections(1);
    if (!server->listen(name)) {
        *why = QStringLiteral("Not able to start the Server : ") + server->errorString();
        return nullptr;
    }
    return server;
}

QLocalSocket* acceptTool(QLocalServer& server, QDeadlineTimer deadline) {
    while (!server.hasPendingConnections()) {
        if (deadline.hasExpired()) return nullptr;
        server.waitForNewConnection(stepMs(deadline));
    }
    return server.nextPendingConnection();
}

bool writeToTool(QLocalSocket& socket, const char* data, qint64 size, int progressMs) {
    for (qint64 done = 0; done < size;) {
        const qint64 slice = std::min(kSliceBytes, size - done);
        const qint64 taken = socket.write(data + done, slice);
        if (taken <= 0) return false;
        done += taken;
        while (socket.bytesToWrite() > 0)
            if (!socket.waitForBytesWritten(progressMs)) return false;
    }
    return socket.state() == QLocalSocket::ConnectedState;
}

qint64 readFromTool(QLocalSocket& socket, char* into, qint64 size, QDeadlineTimer deadline) {
    qint64 got = 0;
    while (got < size) {
        if (socket.bytesAvailable() == 0) {
            if (deadline.hasExpired() || socket.state() != QLocalSocket::ConnectedState) break;
            socket.waitForReadyRead(stepMs(deadline));
            continue;
        }
        const qint64 n = socket.read(into + got, size - got);
        if (n <= 0) break;
        got += n;
    }
    return got;
}

void logToolLink(const QString& message) {
    std::fprintf(stderr, "Duovis: %s\n", message.toLocal8Bit().constData());
}

}  // namespace duovis
