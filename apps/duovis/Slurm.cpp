#include "Slurm.h"

#include <QProcess>
#include <QStandardPaths>
#include <QStringList>
#include <stdexcept>

#include "FarmScript.h"

namespace duovis::cli {

namespace {

struct Ran {
    int status = -1;
    std::string out, err;
};

Ran run(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    Ran r;
    if (!p.waitForStarted(-1)) {
        r.err = program.toStdString() + " did not start";
        return r;
    }
    p.waitForFinished(-1);
    r.status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = p.readAllStandardOutput().trimmed().toStdString();
    r.err = p.readAllStandardError().trimmed().toStdString();
    return r;
}

QStringList listed(const std::vector<std::string>& words) {
    QStringList list;
    for (const std::string& w : words) list << QString::fromStdString(w);
    return list;
}

std::string firstLine(const std::string& text) {
    return text.substr(0, text.find('\n'));
}

}  // namespace

void requireSlurm() {
    if (QStandardPaths::findExecutable("sbatch").isEmpty())
        throw std::runtime_error(
            "farm render needs Slurm, and sbatch is not on the PATH: run it on a cluster's login "
            "node, or install Slurm (apt-get install slurm-wlm munge) and start a one-machine "
            "cluster with scripts/slurm-local start");
}

std::string submitJob(const std::vector<std::string>& options, const std::string& script) {
    const Ran r = run("sbatch", listed(options) << "--parsable" << QString::fromStdString(script));
    if (r.status != 0)
        throw std::runtime_error("sbatch refused " + script + ": " +
                                 firstLine(r.err.empty() ? "exit " + std::to_string(r.status) : r.err));
    // --parsable prints "ID" or "ID;CLUSTER".
    const std::string id = r.out.substr(0, r.out.find(';'));
    if (id.empty() || id.find_first_not_of("0123456789") != std::string::npos)
        throw std::runtime_error("sbatch gave no job id for " + script + " ('" + firstLine(r.out) + "')");
    return id;
}

std::string sbatchCommand(const std::vector<std::string>& options, const std::string& script) {
    std::string text = "sbatch";
    for (const std::string& o : options) text += " " + shellQuoted(o);
    return text + " " + shellQuoted(script);
}

bool jobsQueued(const std::vector<std::string>& jobs) {
    std::string list;
    for (const std::string& j : jobs) list += (list.empty() ? "" : ",") + j;
    const Ran r = run("squeue", {"-h", "-o", "%i", "-j", QString::fromStdString(list)});
    // squeue refuses ids it no longer knows: those jobs are long over.
    if (r.status != 0 && r.err.find("Invalid job id") != std::string::npos) return false;
    if (r.status != 0) throw std::runtime_error("squeue failed: " + firstLine(r.err));
    return !r.out.empty();
}

void cancelJob(const std::string& job) {
    (void)run("scancel", {QString::fromStdString(job)});
}

}  // namespace duovis::cli
