// Every file the programs write, under the faults a user meets: each writer × each fault fails with
// one line naming the file and the system's reason, keeps the old file and leaves no
// temporary file; names at the length limit work. Projects changed by two commands at once
// keep both changes.
#include <QDir>
#include <QFile>
#include <QProcessEnvironment>

#include <unistd.h>
#include <cstring>

#include "Writers.h"

namespace duovis::clitest {
namespace {

// A one-block file-size limit, the signal that would end the writer ignored, as a full disk
// would refuse the write.
const char* kSizeLimit = "trap '' XFSZ; ulimit -f 1";

struct Fault {
    const char* name;
    int nameLength;          // of the target's file name, suffix included
    bool sizeLimited;        // a file-size limit of one block
    bool targetIsDirectory;  // a folder stands where the file goes
    bool readOnlyFolder;     // the target's folder cannot be written
    const char* reason;      // in the message; null: the write must succeed
};

const Fault kFaults[] = {
    {"FileSizeLimit", 12, true, false, false, "File too large"},
    {"TargetIsADirectory", 12, false, true, false, "is a directory"},
    {"ReadOnlyFolder", 12, false, false, true, "Permission denied"},
    {"NameAtTheLengthLimit", 255, false, false, false, nullptr},
};

void PrintTo(const Fault& f, std::ostream* os) {
    *os << f.name;
}

class CliWrites : public WriterTest, public ::testing::WithParamInterface<std::tuple<Writer, Fault>> {};

TEST_P(CliWrites, FailsNamingTheFileAndKeepsTheOldOne) {
    const auto& [w, f] = GetParam();
    if (skipped(w)) GTEST_SKIP() << "not in this build";
    if (f.targetIsDirectory && w.project) GTEST_SKIP() << "a folder is no project to change";
    if (f.readOnlyFolder && ::geteuid() == 0) GTEST_SKIP() << "the superuser writes into any folder";
    const QString folder = f.readOnlyFolder ? path("locked") : dir_.path();
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString name =
        QString(f.nameLength - static_cast<int>(std::strlen(w.suffix)), QChar('o')) + QString(w.suffix);
    const QString target = folder + "/" + name;
    if (f.targetIsDirectory) {
        ASSERT_TRUE(QDir().mkpath(target));
    } else {
        makeOldTarget(w, target, dir_.path());
    }
    const QByteArray before = f.targetIsDirectory ? QByteArray() : contents(target);
    if (f.readOnlyFolder) QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner);
    const Result r = runWriter(w, w.args(target), dir_.path(), f.sizeLimited ? kSizeLimit : "");
    if (f.readOnlyFolder)
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    if (f.reason) {
        EXPECT_NE(r.exitCode, 0) << r.out.toStdString();
        EXPECT_EQ(r.err.count('\n'), 1) << r.err.toStdString();
        EXPECT_TRUE(r.err.startsWith(errorPrefix(w)) && r.err.contains(name) && r.err.contains(f.reason))
            << r.err.toStdString();
        if (f.targetIsDirectory)
            EXPECT_TRUE(QFileInfo(target).isDir());
        else
            EXPECT_EQ(contents(target), before) << "the old file must stay as it was";
    } else {
        EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
        EXPECT_NE(contents(target), before) << "the new file must replace the old one";
    }
    EXPECT_TRUE(leftoverTemps(folder).isEmpty()) << leftoverTemps(folder).join(' ').toStdString();
}

INSTANTIATE_TEST_SUITE_P(Cli, CliWrites,
                         ::testing::Combine(::testing::ValuesIn(kWriters), ::testing::ValuesIn(kFaults)),
                         [](const auto& tp) {
                             return std::string(std::get<0>(tp.param).name) + "_" +
                                    std::get<1>(tp.param).name;
                         });

// Starts every command at the same moment and waits for them all.
std::vector<Result> runTogether(const QString& dir, const std::vector<QStringList>& commands) {
    std::vector<std::unique_ptr<QProcess>> running;
    for (const QStringList& args : commands) {
        running.push_back(std::make_unique<QProcess>());
        running.back()->setWorkingDirectory(dir);
        running.back()->start(QStringLiteral(DUOVIS_CLI_PATH), args);
    }
    std::vector<Result> results;
    for (auto& p : running) {
        p->waitForFinished(60000);
        results.push_back({p->exitStatus() == QProcess::NormalExit ? p->exitCode() : -1,
                           QString::fromUtf8(p->readAllStandardOutput()),
                           QString::fromUtf8(p->readAllStandardError())});
    }
    return results;
}

// Three commands change one project at the same moment, again and again: the lock makes them
// take turns, so every change is in the file at the end of each round.
TEST_F(CliTest, ConcurrentProjectSetsKeepEveryChange) {
    ASSERT_EQ(run({"project", "new", "p.json", "--layer", "64x36"}).exitCode, 0);
    const char* ids[] = {"ROTATE_L", "ROTATE_R", "ROTATE_B"};
    for (int round = 1; round <= 4; ++round) {
        std::vector<QStringList> commands;
        for (const char* id : ids)
            commands.push_back({"project", "set", "p.json", QString("%1=%2").arg(id).arg(round)});
        for (const Result& r : runTogether(dir_.path(), commands))
            EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
        const Result shown = run({"project", "show", "p.json"});
        for (const char* id : ids)
            EXPECT_TRUE(shown.out.contains(QString("%1 = %2\n").arg(id).arg(round)))
                << id << " lost in round " << round << "\n"
                << shown.out.toStdString();
    }
}

// Three `project new` of one name at once: exactly one makes the file, the others say it exists.
TEST_F(CliTest, ConcurrentProjectNewsMakeOneFile) {
    const std::vector<Result> results =
        runTogether(dir_.path(), {{"project", "new", "p.json", "--layer", "16x8"},
                                  {"project", "new", "p.json", "--layer", "24x8"},
                                  {"project", "new", "p.json", "--layer", "32x8"}});
    int made = 0;
    for (const Result& r : results) {
        if (r.exitCode == 0) {
            ++made;
            EXPECT_TRUE(run({"project", "show", "p.json"})
                            .out.contains(r.out.section("layer ", 1).trimmed().chopped(1)))
                << "the file is not the one its maker reported";
        } else {
            EXPECT_TRUE(r.err.contains("p.json: already exists")) << r.err.toStdString();
        }
    }
    EXPECT_EQ(made, 1);
}

}  // namespace
}  // namespace duovis::clitest
