// A stand-in for the parallax tool in the module tests: connects as the tool does, records the
// stream it is sent, and replies with a block from a file. The effect starts it with the one
// argument "Plugin", so its settings also come from the environment the test process hands on.
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QLocalSocket>
#include <QThread>

#include <sys/stat.h>

#include <cstdio>
#include <string>

namespace {

const char* kHelp =
    "usage: tool_recorder Plugin [--record DIR] [--reply FILE] [--mode MODE]\n"
    "Connects to depthscope.pipe, writes what it receives to DIR/exchange-N/ (stream.bin,\n"
    "args.txt, socket-mode.txt), then connects to depthscope.pipeout and sends FILE as is.\n"
    "MODE: reply (default), silent (never connects), no-reply (connects for the reply, sends\n"
    "nothing), short-reply (sends the first 100 bytes), reply-first (replies in the first\n"
    "exchange only, as no-reply after it). Unset options come from\n"
    "DUOVIS_TEST_TOOL_DIR, DUOVIS_TEST_TOOL_REPLY and DUOVIS_TEST_TOOL_MODE. Where DIR holds\n"
    "reply-N.bin, the N-th exchange sends that instead, so each frame of a shot gets its own.\n";

// The permission bits of the socket file, or -1. Looked at before connecting: once the stream
// is sent the effect may close its server, and the file goes with it.
int socketMode(const QString& name) {
    struct stat info {};
    const QByteArray path = QFile::encodeName(QDir::tempPath() + '/' + name);
    return ::stat(path.constData(), &info) == 0 ? static_cast<int>(info.st_mode & 0777) : -1;
}

// The effect starts listening only after starting this program, so connecting is retried.
bool connectPatiently(QLocalSocket& socket, const QString& name, int* mode = nullptr) {
    const QDeadlineTimer deadline(20000);
    while (!deadline.hasExpired()) {
        if (mode) *mode = socketMode(name);
        socket.connectToServer(name);
        if (socket.waitForConnected(1000)) return true;
        socket.abort();
        QThread::msleep(10);
    }
    return false;
}

QByteArray readUntilClosed(QLocalSocket& socket) {
    QByteArray all;
    const QDeadlineTimer deadline(20000);
    while (!deadline.hasExpired()) {
        all += socket.readAll();
        if (socket.state() != QLocalSocket::ConnectedState) break;
        socket.waitForReadyRead(1000);
    }
    return all + socket.readAll();
}

bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// The next free exchange-N folder; making it is what claims the number.
QString claimExchangeFolder(const QString& dir) {
    for (int n = 1;; ++n) {
        const QString path = dir + QStringLiteral("/exchange-%1").arg(n);
        if (QDir().mkdir(path)) return path;
        if (!QDir(path).exists()) return {};
    }
}

QString option(const QStringList& args, const char* name, const char* variable) {
    const int at = args.indexOf(QString::fromLatin1(name));
    if (at >= 0 && at + 1 < args.size()) return args[at + 1];
    return qEnvironmentVariable(variable);
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.contains(QStringLiteral("--help"))) {
        std::fputs(kHelp, stdout);
        return 0;
    }
    const QString dir = option(args, "--record", "DUOVIS_TEST_TOOL_DIR");
    const QString replyFile = option(args, "--reply", "DUOVIS_TEST_TOOL_REPLY");
    const QString behaviour = option(args, "--mode", "DUOVIS_TEST_TOOL_MODE");
    if (dir.isEmpty()) {
        std::fputs("tool_recorder: no record folder (--record DIR or DUOVIS_TEST_TOOL_DIR)\n", stderr);
        return 2;
    }
    if (behaviour == QLatin1String("silent")) return 0;

    QLocalSocket stream;
    int mode = -1;
    if (!connectPatiently(stream, QStringLiteral("depthscope.pipe"), &mode)) return 1;
    const QByteArray received = readUntilClosed(stream);

    const QString folder = claimExchangeFolder(dir);
    if (folder.isEmpty()) return 1;
    writeFile(folder + "/stream.bin", received);
    writeFile(folder + "/args.txt", args.join('\n').toUtf8());
    writeFile(folder + "/socket-mode.txt", QByteArray::number(mode, 8));

    QByteArray reply;
    const QString own = dir + "/reply-" + folder.section("exchange-", -1) + ".bin";
    QFile f(QFile::exists(own) ? own : replyFile);
    if (f.open(QIODevice::ReadOnly)) reply = f.readAll();
    if (behaviour == QLatin1String("short-reply")) reply = reply.left(100);

    QLocalSocket back;
    if (!connectPatiently(back, QStringLiteral("depthscope.pipeout"))) return 1;
    const bool answers = behaviour == QLatin1String("reply-first")
                             ? folder.endsWith(QLatin1String("exchange-1"))
                             : behaviour != QLatin1String("no-reply");
    if (answers) {
        back.write(reply);
        while (back.bytesToWrite() > 0 && back.waitForBytesWritten(5000)) {
        }
        back.disconnectFromServer();
    }
    // Holds on until the effect hangs up, as a tool would that is still busy.
    readUntilClosed(back);
    return 0;
}
