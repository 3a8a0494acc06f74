// What no writer may do to files around its output: follow a link planted at its temporary
// name, drop a replaced file's permissions, replace an output that appears during the work
// under -n, replace one of its own inputs, or leave its temporary file when a signal ends it.
#include <poll.h>
#include <signal.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>

#include "Writers.h"

namespace duovis::clitest {
namespace {

mode_t modeOf(const QString& file) {
    struct stat st {};
    return ::lstat(QFile::encodeName(file).constData(), &st) == 0 ? (st.st_mode & 07777) : 0;
}

bool isLink(const QString& file) {
    struct stat st {};
    return ::lstat(QFile::encodeName(file).constData(), &st) == 0 && S_ISLNK(st.st_mode);
}

// Tells when a file whose name starts with ".duovis-" is made in a folder, as it happens.
class TempWatch {
  public:
    explicit TempWatch(const QString& folder) : fd_(::inotify_init1(IN_CLOEXEC | IN_NONBLOCK)) {
        if (fd_ >= 0) ::inotify_add_watch(fd_, QFile::encodeName(folder).constData(), IN_CREATE);
    }
    ~TempWatch() {
        if (fd_ >= 0) ::close(fd_);
    }
    bool waitForTemp(int timeoutMs) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        alignas(inotify_event) char buffer[4096];
        while (std::chrono::steady_clock::now() < end) {
            pollfd p{fd_, POLLIN, 0};
            if (::poll(&p, 1, 50) <= 0) continue;
            const ssize_t n = ::read(fd_, buffer, sizeof buffer);
            for (ssize_t at = 0; at < n;) {
                const auto* e = reinterpret_cast<const inotify_event*>(buffer + at);
                if (e->len > 0 && QByteArray(e->name).startsWith(".duovis-")) return true;
                at += static_cast<ssize_t>(sizeof(inotify_event) + e->len);
            }
        }
        return false;
    }

  private:
    int fd_;
};

class CliWriterSafety : public WriterTest, public ::testing::WithParamInterface<Writer> {
  protected:
    void SetUp() override {
        WriterTest::SetUp();
        if (skipped(GetParam())) GTEST_SKIP() << "not in this build";
    }
    QString target() const { return path(QString("out") + GetParam().suffix); }
};

// Links at the names the writer tries first, pointing at a file that must stay as it is.
TEST_P(CliWriterSafety, PlantedLinkAtTheTemporaryNameIsNotFollowed) {
    const Writer& w = GetParam();
    makeOldTarget(w, target(), dir_.path());
    QFile victim(path("victim.txt"));
    ASSERT_TRUE(victim.open(QIODevice::WriteOnly));
    victim.write("not yours\n");
    victim.close();
    const QString plant =
        "for n in 0 1 2 3 video" + QString(w.suffix) + "; do ln -s victim.txt .duovis-$$-$n; done";
    const Result r = runWriter(w, w.args(target()), dir_.path(), plant);
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(contents(path("victim.txt")), "not yours\n");
    EXPECT_FALSE(isLink(target())) << "the output became a link";
    EXPECT_NE(contents(target()), "not yours\n");
}

TEST_P(CliWriterSafety, ReplacedOutputKeepsItsPermissions) {
    const Writer& w = GetParam();
    makeOldTarget(w, target(), dir_.path());
    const QByteArray before = contents(target());
    for (const mode_t mode : {0600, 0640}) {
        ASSERT_EQ(::chmod(QFile::encodeName(target()).constData(), mode), 0);
        const Result r = runWriter(w, w.args(target()), dir_.path());
        ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
        EXPECT_NE(contents(target()), before);
        EXPECT_EQ(modeOf(target()), mode) << std::oct << modeOf(target());
    }
}

INSTANTIATE_TEST_SUITE_P(Cli, CliWriterSafety, ::testing::ValuesIn(kWriters),
                         [](const auto& tp) { return std::string(tp.param.name); });

// Renders long enough for the test to act between the first temporary file and the last write.
struct LongRender {
    const char* name;
    const char* output;
    const char* appears;  // the output file the race makes, or the signal test keeps
    const char* codec;    // "" for stills
};

const LongRender kLongRenders[] = {
    {"Video", "out.mkv", "out.mkv", "ffv1"},
    {"Sequence", "out_%04d.png", "out_0047.png", ""},
};

void PrintTo(const LongRender& l, std::ostream* os) {
    *os << l.name;
}

QStringList longRenderArgs(const LongRender& l) {
    QStringList args{"render", "large.png", "--frames", "0-47", "--quiet", "-o", l.output};
    if (*l.codec != '\0') args << "--codec" << l.codec;
    return args;
}

class CliNoOverwriteRace : public WriterTest, public ::testing::WithParamInterface<LongRender> {};

// Under -n, an output made by someone else once the render has begun is kept, and the render
// says so.
TEST_P(CliNoOverwriteRace, OutputAppearingMidRenderIsKept) {
    const LongRender& l = GetParam();
    TempWatch watch(dir_.path());
    QProcess p;
    startThroughShell(p, DUOVIS_CLI_PATH, longRenderArgs(l) << "-n", dir_.path());
    ASSERT_TRUE(watch.waitForTemp(60000)) << "the render wrote nothing";
    QFile other(path(l.appears));
    ASSERT_TRUE(other.open(QIODevice::NewOnly));
    other.write("made meanwhile\n");
    other.close();
    const Result r = finished(p);
    EXPECT_NE(r.exitCode, 0);
    EXPECT_TRUE(r.err.contains(QString(l.appears) + ": already exists")) << r.err.toStdString();
    EXPECT_EQ(contents(path(l.appears)), "made meanwhile\n");
    EXPECT_TRUE(leftoverTemps(dir_.path()).isEmpty()) << leftoverTemps(dir_.path()).join(' ').toStdString();
}

INSTANTIATE_TEST_SUITE_P(Cli, CliNoOverwriteRace, ::testing::ValuesIn(kLongRenders),
                         [](const auto& tp) { return std::string(tp.param.name); });

struct Interruption {
    const char* name;
    int signal;
};

const Interruption kInterruptions[] = {{"Interrupt", SIGINT}, {"Terminate", SIGTERM}, {"HangUp", SIGHUP}};

void PrintTo(const Interruption& i, std::ostream* os) {
    *os << i.name;
}

class CliInterrupted : public WriterTest,
                       public ::testing::WithParamInterface<std::tuple<LongRender, Interruption>> {};

// The signal still ends the process (its exit status says which), the old output stays and no
// temporary file is left growing.
TEST_P(CliInterrupted, LeavesNoTemporaryFile) {
    const auto& [l, i] = GetParam();
    QFile old(path(l.appears));
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("the old output\n");
    old.close();
    TempWatch watch(dir_.path());
    QProcess p;
    startThroughShell(p, DUOVIS_CLI_PATH, longRenderArgs(l), dir_.path());
    ASSERT_TRUE(watch.waitForTemp(60000)) << "the render wrote nothing";
    ASSERT_EQ(::kill(static_cast<pid_t>(p.processId()), i.signal), 0);
    ASSERT_TRUE(p.waitForFinished(60000));
    EXPECT_EQ(p.exitStatus(), QProcess::CrashExit);
    EXPECT_EQ(p.exitCode(), i.signal);
    EXPECT_EQ(contents(path(l.appears)), "the old output\n");
    EXPECT_TRUE(leftoverTemps(dir_.path()).isEmpty()) << leftoverTemps(dir_.path()).join(' ').toStdString();
}

INSTANTIATE_TEST_SUITE_P(Cli, CliInterrupted,
                         ::testing::Combine(::testing::ValuesIn(kLongRenders),
                                            ::testing::ValuesIn(kInterruptions)),
                         [](const auto& tp) {
                             return std::string(std::get<0>(tp.param).name) + "_" +
                                    std::get<1>(tp.param).name;
                         });

// A command whose output is, as a file, one of its inputs.
struct OutputOverInput {
    const char* name;
    const char* program;
    const char* prepare;  // shell lines run in the folder first, duovis as $0
    const char* command;  // the program's words, split at spaces
    const char* input;    // the file that must stay as it is, and the error's output name
};

const OutputOverInput kOutputsOverInputs[] = {
    {"OverlayOverTheProjectLayer", DUOVIS_CLI_PATH, "\"$0\" project new p.json --primary left.png >/dev/null",
     "overlay --project p.json -o left.png", "left.png"},
    {"OverlayOverTheProject", DUOVIS_CLI_PATH, "\"$0\" project new p.json --layer 64x36 >/dev/null",
     "overlay --project p.json -o p.json", "p.json"},
    {"ReportOverTheLeftEye", DEPTHSCOPE_PATH, "", "analyse synth-l.png synth-r.png --report synth-l.png",
     "synth-l.png"},
    {"ReportThroughALinkToTheRightEye", DEPTHSCOPE_PATH, "ln -s synth-r.png link.png",
     "analyse synth-l.png synth-r.png --report link.png", "link.png"},
    {"StudioScreenshotOverTheSecondEye", DUOVIS_STUDIO_PATH, "",
     "left.png --second right.png --screenshot right.png", "right.png"},
    {"StudioScreenshotOverAProjectLayer", DUOVIS_STUDIO_PATH,
     "\"$0\" project new p.json --primary left.png >/dev/null", "p.json --screenshot left.png", "left.png"},
};

void PrintTo(const OutputOverInput& o, std::ostream* os) {
    *os << o.name;
}

class CliOutputOverInput : public WriterTest, public ::testing::WithParamInterface<OutputOverInput> {};

TEST_P(CliOutputOverInput, IsRefusedNamingTheFile) {
    const OutputOverInput& o = GetParam();
    if (QString(o.program).isEmpty()) GTEST_SKIP() << "not in this build";
    if (*o.prepare != '\0') {
        const QStringList shell{"-c", QString("cd \"$1\" && ") + o.prepare, DUOVIS_CLI_PATH, dir_.path()};
        ASSERT_EQ(QProcess::execute("sh", shell), 0);
    }
    const QByteArray before = contents(path(o.input));
    QProcess p;
    startThroughShell(p, o.program, QString(o.command).split(' '), dir_.path());
    const Result r = finished(p);
    EXPECT_NE(r.exitCode, 0);
    EXPECT_EQ(r.err.count('\n'), 1) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(QString(o.input) + ": is the input")) << r.err.toStdString();
    EXPECT_EQ(contents(path(o.input)), before);
    EXPECT_TRUE(leftoverTemps(dir_.path()).isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Cli, CliOutputOverInput, ::testing::ValuesIn(kOutputsOverInputs),
                         [](const auto& tp) { return std::string(tp.param.name); });

}  // namespace
}  // namespace duovis::clitest
