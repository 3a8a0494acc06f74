#include "ToolStream.h"

#include "EyeViews.h"

#include <QElapsedTimer>
#include <QLocalSocket>
#include <QThread>

#include <exception>

namespace depthscope {

using namespace duovis;

namespace {

// The server may not be listening yet: try again until the limit.
bool connectWithRetry(QLocalSocket& socket, const QString& name, int timeoutMs) {
    QElapsedTimer clock;
    clock.start();
    while (true) {
        socket.connectToServer(name);
        if (socket.waitForConnected(std::max(1, timeoutMs - int(clock.elapsed())))) return true;
        socket.abort();
        if (clock.elapsed() >= timeoutMs) return false;
        QThread::msleep(50);
    }
}

// Up to `size` bytes; fewer when the sender closes or goes quiet for longer than the limit.
int64_t readUpTo(QLocalSocket& socket, char* into, int64_t size, int timeoutMs) {
    int64_t got = 0;
    while (got < size) {
        if (socket.bytesAvailable() > 0) {
            const qint64 n = socket.read(into + got, size - got);
            if (n < 0) break;
            got += n;
            continue;
        }
        if (socket.state() != QLocalSocket::ConnectedState) break;
        if (!socket.waitForReadyRead(timeoutMs) && socket.bytesAvailable() == 0) break;
    }
    return got;
}

// The first stream: the block, then the layers, then the measurement; false with a message
// where it falls short.
bool readRequest(QLocalSocket& socket, int timeoutMs, ToolBlock& block, Exchange& ex) {
    const ByteSource source = [&](unsigned char* into, int64_t size) {
        return readUpTo(socket, reinterpret_cast<char*>(into), size, timeoutMs);
    };
    EyeViews views;
    if (!readEyeViews(source, block, views, ex.error)) return false;
    // The reply carries only the correction; the log line takes the pairs' disparity range.
    ex.analysis = analyse(views, valuesFromBlock(block), DepthScope::PairsOnly);
    if (!ex.analysis.ok) ex.error = ex.analysis.error;
    return ex.analysis.ok;
}

}  // namespace

StreamOptions streamOptionsFromEnvironment() {
    StreamOptions o;
    bool ok = false;
    const int ms = qEnvironmentVariableIntValue("DEPTHSCOPE_TIMEOUT_MS", &ok);
    if (ok && ms > 0) o.timeoutMs = ms;
    return o;
}

Exchange runExchange(const StreamOptions& options, const std::function<void(const std::string&)>& log) {
    Exchange ex;
    ToolBlock block;
    bool measured = false;
    {
        QLocalSocket in;
        if (!connectWithRetry(in, options.inName, options.timeoutMs)) {
            ex.error = "could not connect to \"" + options.inName.toStdString() +
                       "\": " + in.errorString().toStdString();
            log(ex.error);
            return ex;
        }
        // Whatever fails while reading or measuring (memory for a huge layer, a degenerate fit
        // deep in OpenCV), the effect still gets its reply.
        try {
            measured = readRequest(in, options.timeoutMs, block, ex);
        } catch (const std::exception& e) {
            ex.error = std::string("the measurement failed: ") + e.what();
        }
        in.abort();
    }
    if (!measured) log(ex.error + "; replying with no changes");

    // A failed read still gets a reply, so the effect stops waiting and changes nothing.
    const ToolBlock reply = measured ? replyBlock(block, ex.analysis.correction) : emptyReply(block);
    unsigned char raw[kToolBlockBytes];
    reply.toBytes(raw);
    QLocalSocket out;
    if (!connectWithRetry(out, options.outName, options.timeoutMs)) {
        ex.result = ExchangeResult::NoReply;
        ex.error = "could not connect to \"" + options.outName.toStdString() +
                   "\" to reply: " + out.errorString().toStdString();
        log(ex.error);
        return ex;
    }
    qint64 written = out.write(reinterpret_cast<const char*>(raw), kToolBlockBytes);
    while (written == kToolBlockBytes && out.bytesToWrite() > 0 &&
           out.waitForBytesWritten(options.timeoutMs)) {
    }
    if (written != kToolBlockBytes || out.bytesToWrite() > 0) {
        ex.result = ExchangeResult::NoReply;
        ex.error = "the reply could not be written: " + out.errorString().toStdString();
        log(ex.error);
        return ex;
    }
    out.disconnectFromServer();
    if (out.state() != QLocalSocket::UnconnectedState) out.waitForDisconnected(options.timeoutMs);
    ex.result = measured ? ExchangeResult::Corrected : ExchangeResult::NoChange;
    return ex;
}

}  // namespace depthscope
