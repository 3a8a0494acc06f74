// `duovis project press FILE LAUNCH_TOOL`: the whole exchange through the module against the
// recording stand-in tool, and the corrections kept in the project.
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include <cstdint>

#include "CliFixture.h"

namespace duovis::clitest {
namespace {

struct ToolPressCase {
    const char* name;
    bool toolPresent;
    bool socketIsDirectory;  // a directory sits where the exchange's socket goes
    int exitCode;
    const char* out;    // what the press prints
    const char* says;   // on stderr
    double vshiftPctR;  // the project's values afterwards
    double vshiftPxR;
};

const ToolPressCase kToolPressCases[] = {
    {"CorrectionsAreKept", true, false, 0, "the parallax tool changed 2 values", "", -2.5, -0.45},
    {"MissingToolFailsAndChangesNothing", false, false, 1, "", "Corvant Depthscope is not installed.", 0, 0},
    {"DirectoryInTheSocketsPlaceIsNamed", true, true, 1, "", "depthscope.pipe: is a directory", 0, 0},
};

class CliToolPress : public CliTest, public ::testing::WithParamInterface<ToolPressCase> {
  protected:
    Result runWithTool(const QStringList& args, bool toolPresent) const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("TMPDIR", dir_.path());  // the sockets live there, apart from other tests
        env.insert("DUOVIS_DEPTHSCOPE", toolPresent ? QStringLiteral(TOOL_RECORDER_PATH) : path("no-tool"));
        env.insert("DUOVIS_TEST_TOOL_DIR", dir_.path());
        env.insert("DUOVIS_TEST_TOOL_REPLY", path("reply.bin"));
        QProcess p;
        p.setProcessEnvironment(env);
        p.setWorkingDirectory(dir_.path());
        p.start(QStringLiteral(DUOVIS_CLI_PATH), args);
        p.waitForFinished(60000);
        return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()),
                QString::fromUtf8(p.readAllStandardError())};
    }
};

// A reply moving the right eye up 2.5 %: slot 27 with its mask bit.
QByteArray vshiftReply() {
    QByteArray b(256, '\0');
    const auto put = [&b](int offset, uint32_t v) {
        for (int i = 0; i < 4; ++i) b[offset + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
    };
    put(4 * 27, static_cast<uint32_t>(-25000));
    put(248, 1u << 27);
    return b;
}

TEST_P(CliToolPress, RunsTheExchangeAndSavesWhatChanged) {
    const ToolPressCase& c = GetParam();
    if (std::string(TOOL_RECORDER_PATH).empty()) GTEST_SKIP() << "the stand-in tool is not built";
    QFile reply(path("reply.bin"));
    ASSERT_TRUE(reply.open(QIODevice::WriteOnly) && reply.write(vshiftReply()) == 256);
    reply.close();
    if (c.socketIsDirectory) {
        ASSERT_TRUE(QDir(dir_.path()).mkdir("depthscope.pipe"));
    }
    ASSERT_EQ(run({"project", "new", "p.json", "--primary", "left.png", "--second", "right.png"}).exitCode,
              0);

    const Result r = runWithTool({"project", "press", "p.json", "LAUNCH_TOOL"}, c.toolPresent);
    EXPECT_EQ(r.exitCode, c.exitCode) << r.err.toStdString();
    EXPECT_EQ(r.out.trimmed().toStdString(), c.out);
    EXPECT_TRUE(r.err.contains(c.says)) << r.err.toStdString();
    EXPECT_FALSE(r.err.contains("Unknown error")) << r.err.toStdString();
    EXPECT_EQ(r.err.contains("p.json: the parallax tool changed no value"), c.exitCode != 0);
    // Both layers went out: the block, then 32 x 18 pixels of 4 bytes for each eye.
    EXPECT_EQ(QFile(path("exchange-1/stream.bin")).size(), c.exitCode == 0 ? 256 + 2 * 32 * 18 * 4 : 0);

    const Result show = run({"project", "show", "p.json", "--json"});
    const QJsonObject params = QJsonDocument::fromJson(show.out.toUtf8()).object()["params"].toObject();
    EXPECT_NEAR(params["VSHIFT_PCT_R"].toDouble(), c.vshiftPctR, 1e-6);
    EXPECT_NEAR(params["VSHIFT_PX_R"].toDouble(), c.vshiftPxR, 1e-6);
}

INSTANTIATE_TEST_SUITE_P(Cli, CliToolPress, ::testing::ValuesIn(kToolPressCases),
                         [](const auto& tp) { return std::string(tp.param.name); });

}  // namespace
}  // namespace duovis::clitest
