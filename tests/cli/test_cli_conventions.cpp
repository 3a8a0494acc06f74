// Conventions users bring from other tools: frame patterns and lists, the overwrite flags,
// the summary line, and the host's thread count.
#include "CliFixture.h"
#include "duovis/Progress.h"
#include "session/FrameSequence.h"

#include <QFile>

#include <stdexcept>

namespace duovis::clitest {
namespace {

using session::FrameRange;
using session::FrameSequence;

struct NameCase {
    const char* name;
    int frame;
    const char* expanded;  // null: the name is refused
    bool pattern;
};

TEST(CliNames, PatternsExpandAndReadBack) {
    const NameCase cases[] = {
        {"shot_%04d.png", 7, "shot_0007.png", true},
        {"shot_%d.png", 7, "shot_7.png", true},
        {"shot_%3d.png", 7, "shot_  7.png", true},
        {"shot_####.png", 7, "shot_0007.png", true},
        {"shot_#.png", 12, "shot_12.png", true},
        {"shot_%04d.png", 12345, "shot_12345.png", true},
        {"100%%_%02d.png", 3, "100%_03.png", true},
        {"100%%.png", 3, "100%.png", false},
        {"50%.png", 3, "50%.png", false},
        {"a%%04d.png", 3, "a%04d.png", false},
        {"plain.png", 3, "plain.png", false},
        {"a_%04d_%04d.png", 1, nullptr, true},
        {"a_%04d_##.png", 1, nullptr, true},
        {"a_%099d.png", 1, nullptr, true},
        {"a_%99999999999d.png", 1, nullptr, true},
    };
    for (const NameCase& c : cases) {
        SCOPED_TRACE(c.name);
        const QString name = QString::fromUtf8(c.name);
        if (c.expanded == nullptr) {
            EXPECT_THROW(FrameSequence::expand(name, c.frame), std::runtime_error);
            EXPECT_THROW(FrameSequence seq(name), std::runtime_error);
            continue;
        }
        EXPECT_EQ(FrameSequence::expand(name, c.frame).toStdString(), c.expanded);
        EXPECT_EQ(FrameSequence::looksLikePattern(name), c.pattern);
        // The pattern reads back the frame number from the name it makes, and only from that.
        const FrameSequence seq(name);
        EXPECT_EQ(seq.frameNamed(QString::fromUtf8(c.expanded)),
                  c.pattern ? std::optional<int>(c.frame) : std::nullopt);
        EXPECT_FALSE(seq.frameNamed("x" + QString::fromUtf8(c.expanded)));
    }
}

struct RangeCase {
    const char* text;
    FrameRange expected;  // step 0: refused
};

TEST(CliNames, FrameListsParseOrNameTheCulprit) {
    const RangeCase cases[] = {
        {"5", {5, 5, 1}},
        {"1-100", {1, 100, 1}},
        {"1-100x2", {1, 100, 2}},
        {"0-0", {0, 0, 1}},
        {"3-4x10", {3, 4, 10}},
        {"4-3", {0, 0, 0}},
        {"-1", {0, 0, 0}},
        {"1-", {0, 0, 0}},
        {"1-10x0", {0, 0, 0}},
        {"1-10x", {0, 0, 0}},
        {"1-10x-2", {0, 0, 0}},
        {"1x2", {0, 0, 0}},
        {"a-b", {0, 0, 0}},
        {"", {0, 0, 0}},
        {"1--5", {0, 0, 0}},
        {"+1-5", {0, 0, 0}},
        {"1-99999999999", {0, 0, 0}},
    };
    for (const RangeCase& c : cases) {
        SCOPED_TRACE(c.text);
        if (c.expected.step == 0) {
            try {
                session::parseFrameRange(c.text, "--frames");
                ADD_FAILURE() << "accepted";
            } catch (const std::runtime_error& e) {
                EXPECT_NE(std::string(e.what()).find("--frames"), std::string::npos) << e.what();
            }
            continue;
        }
        const FrameRange r = session::parseFrameRange(c.text, "--frames");
        EXPECT_EQ(r.first, c.expected.first);
        EXPECT_EQ(r.last, c.expected.last);
        EXPECT_EQ(r.step, c.expected.step);
    }
    const FrameRange stepped{1, 10, 4};
    EXPECT_EQ(stepped.count(), 3);
    EXPECT_EQ(stepped.at(2), 9);
}

TEST(CliNames, DurationsReadAsClockTimes) {
    const std::pair<double, const char*> cases[] = {{0.4, "0 s"},    {42.0, "42 s"},      {59.6, "1:00"},
                                                    {187.0, "3:07"}, {3723.0, "1:02:03"}, {-5.0, "0 s"}};
    for (const auto& [seconds, text] : cases) EXPECT_EQ(cli::durationText(seconds), text) << seconds;
}

class CliConventions : public CliTest {
  protected:
    void SetUp() override {
        CliTest::SetUp();
        for (int i = 1; i <= 5; ++i) {
            QImage frame(8, 4, QImage::Format_ARGB32);
            frame.fill(qRgba(i * 40, 0, 0, 255));
            ASSERT_TRUE(frame.save(path(QString("L_%1.png").arg(i, 4, 10, QChar('0')))));
        }
    }
    QStringList outputs() const { return QDir(dir_.path()).entryList({"out*"}, QDir::Files, QDir::Name); }
};

TEST_F(CliConventions, HashPatternsAndSteppedFramesNameTheFramesRendered) {
    const Result r = run({"render", "L_####.png", "--frames", "1-5x2", "-o", "out%%_###.png"});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(outputs(), QStringList({"out%_001.png", "out%_003.png", "out%_005.png"}));
    EXPECT_EQ(qRed(QImage(path("out%_003.png")).pixel(0, 0)), 120);
    // Standard error is no terminal here: one summary line, no progress.
    EXPECT_EQ(r.err.trimmed(), r.err.trimmed().section('\n', 0, 0));
    EXPECT_TRUE(r.err.startsWith("duovis: rendered 3 frames in ")) << r.err.toStdString();
    EXPECT_TRUE(run({"render", "L_####.png", "--quiet", "-o", "out_###.png"}).err.isEmpty());
}

TEST_F(CliConventions, NoOverwriteRefusesBeforeAnyFrameIsWritten) {
    {
        QFile existing(path("out_0004.png"));
        ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
        existing.write("keep");
    }
    Result r = run({"render", "L_%04d.png", "-n", "-o", "out_%04d.png"});
    EXPECT_NE(r.exitCode, 0);
    EXPECT_TRUE(r.err.contains("out_0004.png")) << r.err.toStdString();
    EXPECT_EQ(outputs(), QStringList({"out_0004.png"}));
    // -y and the default replace it.
    for (const QStringList& flag : {QStringList{"-y"}, QStringList{}}) {
        r = run(QStringList{"render", "L_%04d.png", "--frames", "4"} + flag +
                QStringList{"-o", "out_%04d.png"});
        ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
        EXPECT_FALSE(QImage(path("out_0004.png")).isNull());
        ASSERT_TRUE(QFile::remove(path("out_0004.png")));
        QFile(path("out_0004.png")).open(QIODevice::WriteOnly);
    }
    EXPECT_NE(run({"render", "L_%04d.png", "-n", "-y", "-o", "out_%04d.png"}).exitCode, 0);
}

TEST_F(CliConventions, EveryThreadCountAndSpellingGivesOneImage) {
    const QStringList render = {"render", "left.png", "--second", "right.png", "-p", "DISPLAY_TYPE=5"};
    ASSERT_EQ(run(render + QStringList{"--threads", "1", "-o", "one.png"}).exitCode, 0);
    ASSERT_EQ(run(QStringList{"--threads", "3"} + render + QStringList{"-o", "global.png"}).exitCode, 0);
    QProcess p;
    p.setWorkingDirectory(dir_.path());
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DUOVIS_THREADS", "2");
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(DUOVIS_CLI_PATH), render + QStringList{"-o", "env.png"});
    ASSERT_TRUE(p.waitForFinished(60000));
    ASSERT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    const QImage one(path("one.png"));
    ASSERT_FALSE(one.isNull());
    EXPECT_EQ(maxDifference(one, QImage(path("global.png"))), 0);
    EXPECT_EQ(maxDifference(one, QImage(path("env.png"))), 0);
    env.insert("DUOVIS_THREADS", "lots");
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(DUOVIS_CLI_PATH), render + QStringList{"-o", "bad.png"});
    ASSERT_TRUE(p.waitForFinished(60000));
    EXPECT_NE(p.exitCode(), 0);
    EXPECT_TRUE(QString::fromUtf8(p.readAllStandardError()).contains("DUOVIS_THREADS"));
}

}  // namespace
}  // namespace duovis::clitest
