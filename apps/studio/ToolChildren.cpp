#include "ToolChildren.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QThread>

#include <csignal>

#include <sys/wait.h>
#include <unistd.h>
#ifdef __linux__
#include <sys/prctl.h>
#endif

namespace duovis::studio {

namespace {

QByteArray procFile(pid_t pid, const char* name) {
    QFile f(QStringLiteral("/proc/%1/%2").arg(pid).arg(QLatin1String(name)));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The parent and state from /proc/PID/stat; the name in brackets may hold spaces.
bool parentAndState(pid_t pid, pid_t* parent, char* state) {
    const QByteArray stat = procFile(pid, "stat");
    const int close = stat.lastIndexOf(')');
    if (close < 0) return false;
    const QList<QByteArray> fields = stat.mid(close + 2).split(' ');
    if (fields.size() < 2 || fields[0].isEmpty()) return false;
    *state = fields[0].at(0);
    bool ok = false;
    *parent = static_cast<pid_t>(fields[1].toInt(&ok));
    return ok;
}

bool startedAsTool(pid_t pid) {
    const QList<QByteArray> args = procFile(pid, "cmdline").split('\0');
    return args.size() >= 2 && args[1] == "Plugin";
}

std::vector<pid_t> children() {
    std::vector<pid_t> found;
    const pid_t self = ::getpid();
    for (const QString& entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        bool number = false;
        const auto pid = static_cast<pid_t>(entry.toInt(&number));
        pid_t parent = 0;
        char state = 0;
        if (!number || !parentAndState(pid, &parent, &state) || parent != self) continue;
        if (state != 'Z' && startedAsTool(pid)) found.push_back(pid);
    }
    return found;
}

bool ended(pid_t pid) {
    return ::waitpid(pid, nullptr, WNOHANG) != 0;  // gone, or not ours any more
}

bool endsWithin(pid_t pid, int ms) {
    for (int waited = 0;; waited += 10) {
        if (ended(pid)) return true;
        if (waited >= ms) return false;
        QThread::msleep(10);
    }
}

}  // namespace

void adoptOrphans() {
#ifdef __linux__
    ::prctl(PR_SET_CHILD_SUBREAPER, 1L, 0L, 0L, 0L);
#endif
}

std::vector<pid_t> toolChildren() {
    return children();
}

void stopTools(const std::vector<pid_t>& pids, int graceMs) {
    for (const pid_t pid : pids) {
        if (endsWithin(pid, graceMs)) continue;
        ::kill(pid, SIGTERM);
        if (endsWithin(pid, 500)) continue;
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
    }
}

}  // namespace duovis::studio
