// The two local sockets of the parallax tool link: made for this user only, a stale socket
// left by a crashed host cleared, a live one never taken over, and every wait time-limited.
#pragma once

#include <QDeadlineTimer>
#include <QString>

#include <memory>

class QLocalServer;
class QLocalSocket;

namespace duovis {

// The effect sends on the first and receives the tool's reply on the second.
extern const char* const kToolStreamName;  // "depthscope.pipe"
extern const char* const kToolReplyName;   // "depthscope.pipeout"

// How long the effect waits: for the tool to connect to the first socket and to take each part
// of the stream (seconds), and from offering the second socket until the whole reply is in
// (minutes: a person may be working in the tool meanwhile). DUOVIS_TOOL_CONNECT_TIMEOUT_MS and
// DUOVIS_TOOL_REPLY_TIMEOUT_MS override them; a value that is not a positive number is ignored.
struct ToolLinkLimits {
    int connectMs = 30000;
    int replyMs = 600000;
};
ToolLinkLimits toolLinkLimits();

// Whether something is listening on the socket `name` now: another exchange in progress, or a
// socket this user may not open.
bool toolChannelBusy(const QString& name);

// Listens on `name` for this user only. A socket file nobody listens on is removed first; a
// live one is left alone and the listen refused. Null, with the reason in `why`, on failure.
std::unique_ptr<QLocalServer> listenForTool(const QString& name, QString* why);

// The first connection that arrives before `deadline`; null when none did. The server owns it.
QLocalSocket* acceptTool(QLocalServer& server, QDeadlineTimer deadline);

// Writes `size` bytes straight from `data`, a slice at a time, waiting at most `progressMs` for
// each slice to be taken. False when the tool stopped reading or went away.
bool writeToTool(QLocalSocket& socket, const char* data, qint64 size, int progressMs);

// Reads until `size` bytes are in, the tool hangs up or `deadline` passes; returns the count.
qint64 readFromTool(QLocalSocket& socket, char* into, qint64 size, QDeadlineTimer deadline);

// Tool-link failures go to the process's error stream; the host is not told of them.
void logToolLink(const QString& message);

}  // namespace duovis
