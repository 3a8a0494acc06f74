#pragma once
// Every program's file writers as rows, and the ways the write tests run them: through a shell
// prologue (a size limit, links planted at the child's own temporary names) that then execs
// the program, so the program keeps the shell's process id.

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>

#include "CliFixture.h"

#ifndef DEPTHSCOPE_PATH
#define DEPTHSCOPE_PATH ""
#endif
#ifndef DUOVIS_STUDIO_PATH
#define DUOVIS_STUDIO_PATH ""
#endif

namespace duovis::clitest {

struct Writer {
    const char* name;
    const char* program;  // empty where this build has none
    const char* suffix;
    bool project;  // the target is a project that must exist before the command
    QStringList (*args)(const QString& target);
};

// The pair `depthscope analyse` measures, made once by depthscope itself (see pairForAnalysis).
const Writer kWriters[] = {
    {"render", DUOVIS_CLI_PATH, ".png", false,
     [](const QString& t) {
         return QStringList{"render", "large.png", "-o", t};
     }},
    {"video", DUOVIS_CLI_PATH, ".mkv", false,
     [](const QString& t) {
         return QStringList{"render", "large.png", "--frames", "0-2", "--codec", "ffv1", "-o", t};
     }},
    {"overlay", DUOVIS_CLI_PATH, ".png", false,
     [](const QString& t) {
         return QStringList{"overlay", "-o", t};
     }},
    {"screenshot", DUOVIS_CLI_PATH, ".png", false,
     [](const QString& t) {
         return QStringList{"about", "--screenshot", t};
     }},
    {"project", DUOVIS_CLI_PATH, ".json", true,
     [](const QString& t) {
         return QStringList{"project", "set", t, "ROTATE_B=2"};
     }},
    {"report", DEPTHSCOPE_PATH, ".png", false,
     [](const QString& t) {
         return QStringList{"analyse", "synth-l.png", "synth-r.png", "--report", t};
     }},
    {"synth", DEPTHSCOPE_PATH, ".png", false,
     [](const QString& t) {
         return QStringList{"synth", t, "other-eye.png", "--size", "160x90"};
     }},
    {"studio", DUOVIS_STUDIO_PATH, ".png", false,
     [](const QString& t) {
         return QStringList{"large.png", "--screenshot", t};
     }},
};

inline void PrintTo(const Writer& w, std::ostream* os) {
    *os << w.name;
}

// The start of every line the program prints about a failure.
inline QString errorPrefix(const Writer& w) {
    return QFileInfo(QString::fromUtf8(w.program)).fileName() + ": ";
}

// Starts `program` through `sh -c PROLOGUE; exec program args`, without a display.
inline void startThroughShell(QProcess& p, const QString& program, const QStringList& args,
                              const QString& workDir, const QString& prologue = {}) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("DISPLAY");
    env.remove("WAYLAND_DISPLAY");
    // The studio leaves Qt's notes about the offscreen platform on; they are not its messages.
    env.insert("QT_LOGGING_RULES", "*.warning=false");
    p.setProcessEnvironment(env);
    p.setWorkingDirectory(workDir);
    p.start("sh",
            QStringList{"-c", prologue + (prologue.isEmpty() ? "" : "; ") + "exec \"$0\" \"$@\"", program} +
                args);
}

inline Result finished(QProcess& p) {
    p.waitForFinished(120000);
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
            QString::fromUtf8(p.readAllStandardOutput()), QString::fromUtf8(p.readAllStandardError())};
}

inline Result runWriter(const Writer& w, const QStringList& args, const QString& workDir,
                        const QString& prologue = {}) {
    QProcess p;
    startThroughShell(p, QString::fromUtf8(w.program), args, workDir, prologue);
    return finished(p);
}

// A measurable pair for `depthscope analyse` in `dir`, drawn once per test program.
inline void pairForAnalysis(const QString& dir) {
    static QTemporaryDir made;
    static bool ok = QString(DEPTHSCOPE_PATH).isEmpty() ||
                     QProcess::execute(DEPTHSCOPE_PATH, {"synth", made.filePath("l.png"),
                                                         made.filePath("r.png"), "--size", "320x180"}) == 0;
    ASSERT_TRUE(ok);
    for (const char* eye : {"l", "r"})
        QFile::copy(made.filePath(QString(eye) + ".png"), dir + "/synth-" + eye + ".png");
}

inline QByteArray contents(const QString& file) {
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

// Our temporary files left in `folder`, links among them.
inline QStringList leftoverTemps(const QString& folder) {
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System).filter(".duovis-");
}

// The target a writer replaces, made as the writer expects it (a project, or any old file).
inline void makeOldTarget(const Writer& w, const QString& target, const QString& workDir) {
    if (w.project) {
        ASSERT_EQ(runCli({"project", "new", target, "--layer", "64x36"}, workDir).exitCode, 0);
        return;
    }
    QFile old(target);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("the old output\n");
}

// The fixture's pictures, with the larger one every writer's output outgrows a size limit with.
class WriterTest : public CliTest {
  protected:
    void SetUp() override {
        CliTest::SetUp();
        ASSERT_TRUE(pattern(160, 90, 5).save(path("large.png")));
        pairForAnalysis(dir_.path());
    }
    bool skipped(const Writer& w) const { return QString(w.program).isEmpty(); }
};

}  // namespace duovis::clitest
