// `duovis project` and `render --project`: values changed as a user changes them, buttons,
// the saved global display, and damaged files refused without harm.
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>

#include "CliFixture.h"

namespace duovis::clitest {
namespace {

class CliProject : public CliTest {
  protected:
    QJsonObject show(const QString& file) const {
        const Result r = run({"project", "show", file, "--json"});
        EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
        return QJsonDocument::fromJson(r.out.toUtf8()).object();
    }
    double value(const QString& file, const char* id) const {
        return show(file)["params"].toObject()[id].toDouble();
    }
    QByteArray bytes(const QString& name) const {
        QFile f(path(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    void make(const QString& file, const QStringList& extra) const {
        const Result r = run(QStringList{"project", "new", file} + extra);
        ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    }
};

struct CouplingCase {
    const char* layer;
    const char* assignment;
    const char* percentId;
    double percent;
    const char* pixelId;
    double pixels;
};

TEST_F(CliProject, SetKeepsPercentAndPixelShiftsInStep) {
    const CouplingCase cases[] = {
        {"1920x1080", "HSHIFT_PCT_B=50", "HSHIFT_PCT_B", 50, "HSHIFT_PX_B", 960},
        {"4096x1080", "hshift_pct_b=60", "HSHIFT_PCT_B", 46.875, "HSHIFT_PX_B", 1920},
        {"1920x1080", "VSHIFT_PX_R=540", "VSHIFT_PCT_R", 50, "VSHIFT_PX_R", 540},
        {"0x1080", "HSHIFT_PCT_L=50", "HSHIFT_PCT_L", 50, "HSHIFT_PX_L", 0},
    };
    int n = 0;
    for (const auto& c : cases) {
        const QString file = QString("p%1.json").arg(n++);
        make(file, {"--layer", c.layer});
        const Result r = run({"project", "set", file, c.assignment});
        ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
        EXPECT_EQ(value(file, c.percentId), c.percent) << c.assignment << " on " << c.layer;
        EXPECT_EQ(value(file, c.pixelId), c.pixels) << c.assignment << " on " << c.layer;
    }
}

TEST_F(CliProject, TheSwitchIsSavedAndComesBack) {
    make("p.json", {"--host", "premiere", "--layer", "64x36"});
    ASSERT_EQ(run({"project", "set", "p.json", "DISPLAY_TYPE=8"}).exitCode, 0);
    ASSERT_EQ(run({"project", "press", "p.json", "GLOBAL_DISPLAY_SWITCH"}).exitCode, 0);
    QJsonObject g = show("p.json")["globalDisplay"].toObject();
    EXPECT_TRUE(g["on"].toBool());
    EXPECT_EQ(g["mode"].toInt(), 8);
    // The next command opens the project with the switch on, so a second press turns it off.
    ASSERT_EQ(run({"project", "set", "p.json", "DISPLAY_TYPE=1"}).exitCode, 0);
    ASSERT_EQ(run({"project", "press", "p.json", "global_display_switch"}).exitCode, 0);
    g = show("p.json")["globalDisplay"].toObject();
    EXPECT_FALSE(g["on"].toBool());
    EXPECT_EQ(g["mode"].toInt(), 1);
}

TEST_F(CliProject, ResetButtonsRestoreTheirSets) {
    make("p.json", {"--layer", "1920x1080"});
    ASSERT_EQ(run({"project", "set", "p.json", "ROTATE_L=5", "FIELD_OF_VIEW=60", "CROP_B_LEFT=10",
                   "CROP_WITH_AUTO=off"})
                  .exitCode,
              0);
    ASSERT_EQ(run({"project", "press", "p.json", "XFORM_RESET_ALL"}).exitCode, 0);
    EXPECT_EQ(value("p.json", "ROTATE_L"), 0);
    EXPECT_EQ(value("p.json", "FIELD_OF_VIEW"), 25);
    EXPECT_EQ(value("p.json", "CROP_B_LEFT"), 10) << "crops are not transformations";
    ASSERT_EQ(run({"project", "press", "p.json", "CROP_RESET"}).exitCode, 0);
    EXPECT_EQ(value("p.json", "CROP_B_LEFT"), 0);
    EXPECT_FALSE(show("p.json")["params"].toObject()["CROP_WITH_AUTO"].toBool());
}

TEST_F(CliProject, CopyInOneProjectPastesInAnotherModule) {
    qputenv("ProgramData", dir_.path().toUtf8());
    make("a.json", {"--layer", "64x36"});
    make("b.json", {"--layer", "64x36", "--plugin", "Duovis"});
    ASSERT_EQ(run({"project", "set", "a.json", "ROTATE_B=7.5", "DISPLAY_TYPE=6"}).exitCode, 0);
    ASSERT_EQ(run({"project", "press", "a.json", "COPY_PARAMS"}).exitCode, 0);
    ASSERT_EQ(run({"project", "press", "b.json", "PASTE_PARAMS"}).exitCode, 0);
    qunsetenv("ProgramData");
    EXPECT_EQ(value("b.json", "ROTATE_B"), 7.5);
    EXPECT_EQ(value("b.json", "DISPLAY_TYPE"), 6);
    EXPECT_TRUE(QFile::exists(path("Corvant/Duovis/TempData")));
}

TEST_F(CliProject, RenderUsesTheProjectAndTheCommandLineOverrides) {
    make("p.json", {"--primary", "left.png", "--second", "right.png"});
    ASSERT_EQ(run({"project", "set", "p.json", "DISPLAY_TYPE=Side-By-Side(100%)", "VSHIFT_PX_R=-3"}).exitCode,
              0);
    ASSERT_EQ(run({"render", "--project", "p.json", "-o", "a.png"}).exitCode, 0);
    const QStringList direct{"render", "left.png", "--second", "right.png", "-p", "DISPLAY_TYPE=4", "-p"};
    ASSERT_EQ(
        run(direct + QStringList{"VSHIFT_PCT_R=" + QString::number(-3.0 / 18 * 100, 'g', 9), "-o", "b.png"})
            .exitCode,
        0);
    EXPECT_LE(maxDifference(QImage(path("a.png")), QImage(path("b.png"))), 1);
    EXPECT_EQ(QImage(path("a.png")).size(), QSize(64, 18));
    ASSERT_EQ(run({"render", "--project", "p.json", "-p", "DISPLAY_TYPE=1", "-o", "c.png"}).exitCode, 0);
    EXPECT_EQ(QImage(path("c.png")).size(), QSize(32, 18));
}

TEST_F(CliProject, OverlayShowsTheProjectsGlobalDisplay) {
    make("p.json", {"--host", "premiere", "--layer", "64x36"});
    ASSERT_EQ(run({"project", "set", "p.json", "DISPLAY_TYPE=8"}).exitCode, 0);
    ASSERT_EQ(run({"project", "press", "p.json", "GLOBAL_DISPLAY_SWITCH"}).exitCode, 0);
    const Result r = run({"overlay", "--project", "p.json", "-o", "o.png"});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains("ON")) << r.out.toStdString();
    EXPECT_TRUE(r.out.contains("Anaglyph (Red/Cyan)")) << r.out.toStdString();
}

struct ProjectRefusal {
    const char* name;
    const char* contents;  // written to p.json first; null keeps a fresh project
    QStringList args;
    const char* message;
};

class CliProjectRefusal : public CliProject, public ::testing::WithParamInterface<ProjectRefusal> {};

TEST_P(CliProjectRefusal, FailsWithOneLineAndLeavesTheFileAlone) {
    const ProjectRefusal& c = GetParam();
    make("p.json", {"--layer", "64x36"});
    if (c.contents) {
        QFile f(path("p.json"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(c.contents);
    }
    const QByteArray before = bytes("p.json");
    const Result r = run(c.args);
    EXPECT_NE(r.exitCode, 0);
    EXPECT_TRUE(r.err.trimmed().startsWith("duovis: ")) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(c.message)) << r.err.toStdString();
    EXPECT_EQ(bytes("p.json"), before);
}

const ProjectRefusal kProjectRefusals[] = {
    {"truncated", "{\"format\": \"duovis-pro", {"project", "show", "p.json"}, "not a duovis project"},
    {"foreign",
     "{\"name\": \"something else\"}",
     {"project", "set", "p.json", "ROTATE_B=1"},
     "not a duovis project"},
    {"newer version",
     "{\"format\": \"duovis-project\", \"version\": 9}",
     {"project", "show", "p.json"},
     "version 9"},
    {"unknown identifier in the file",
     "{\"format\":\"duovis-project\",\"version\":1,\"plugin\":\"DuovisX\",\"host\":\"ae\","
     "\"layers\":{\"primary\":{\"width\":8,\"height\":8}},\"instances\":[{\"params\":{\"WARP\":1}}]}",
     {"project", "set", "p.json", "ROTATE_B=1"},
     "WARP"},
    {"value outside its range in the file",
     "{\"format\":\"duovis-project\",\"version\":1,\"plugin\":\"DuovisX\",\"host\":\"ae\","
     "\"layers\":{\"primary\":{\"width\":8,\"height\":8}},\"instances\":[{\"params\":{\"DISPLAY_TYPE\":99}}]"
     "}",
     {"project", "set", "p.json", "ROTATE_B=1"},
     "DISPLAY_TYPE"},
    {"unknown identifier set", nullptr, {"project", "set", "p.json", "ROTATE_B=1", "WARP=2"}, "WARP"},
    {"value out of range set", nullptr, {"project", "set", "p.json", "ROTATE_B=1", "SCALE_B=9"}, "-3..3"},
    {"press a slider", nullptr, {"project", "press", "p.json", "ROTATE_B"}, "not a button"},
    {"press a hidden button", nullptr, {"project", "press", "p.json", "GLOBAL_DISPLAY_SWITCH"}, "hidden"},
    {"new over an existing file", nullptr, {"project", "new", "p.json", "--layer", "8x8"}, "already exists"},
    {"new without a layer", nullptr, {"project", "new", "q.json"}, "--layer"},
    {"unknown action", nullptr, {"project", "rename", "p.json"}, "rename"},
};

INSTANTIATE_TEST_SUITE_P(Cli, CliProjectRefusal, ::testing::ValuesIn(kProjectRefusals), [](const auto& tp) {
    std::string n = tp.param.name;
    for (char& ch : n)
        if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
    return n;
});

}  // namespace
}  // namespace duovis::clitest
