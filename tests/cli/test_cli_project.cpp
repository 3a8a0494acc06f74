// `duovis project` and `render --project`: values changed as a user changes them, buttons,
// the saved global display, and damaged files refused without harm.
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
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
    // The global display as the effect's panel shows it.
    QString statusLine(const QString& file) const {
        return show(file)["globalDisplay"].toObject()["statusLine"].toString();
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
    EXPECT_EQ(statusLine("p.json"), "Global Display: ON, mode: Anaglyph (Red/Cyan).");
    // The next command opens the project with the switch on, so a second press turns it off.
    ASSERT_EQ(run({"project", "set", "p.json", "DISPLAY_TYPE=1"}).exitCode, 0);
    ASSERT_EQ(run({"project", "press", "p.json", "global_display_switch"}).exitCode, 0);
    EXPECT_EQ(statusLine("p.json"), "Global Display: OFF");
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

// A value the effect keeps different from the one asked is reported; one it keeps is not.
TEST_F(CliProject, SetWarnsWhenTheEffectHoldsAValue) {
    const struct {
        const char* layer;
        const char* assignment;
        const char* warning;  // null: none
    } cases[] = {
        {"3840x2160", "VSHIFT_PCT_R=60", "VSHIFT_PCT_R: asked 60, stored 50"},
        {"4096x1080", "hshift_pct_b=60", "HSHIFT_PCT_B: asked 60, stored 46.875"},
        {"1920x1080", "VSHIFT_PCT_R=40", nullptr},
        {"1920x1080", "ROTATE_B=3", nullptr},
    };
    int n = 0;
    for (const auto& c : cases) {
        const QString file = QString("w%1.json").arg(n++);
        make(file, {"--layer", c.layer});
        const Result r = run({"project", "set", file, c.assignment});
        EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
        if (c.warning) {
            EXPECT_EQ(r.err.count('\n'), 1) << r.err.toStdString();
            EXPECT_TRUE(r.err.contains("warning") && r.err.contains(c.warning)) << r.err.toStdString();
        } else {
            EXPECT_TRUE(r.err.isEmpty()) << c.assignment << ": " << r.err.toStdString();
        }
    }
}

// A saved record the effect treats as off shows as off: what the panel draws, not its bytes.
TEST_F(CliProject, ShowTellsWhatTheEffectDoesWithTheSavedRecord) {
    make("p.json", {"--host", "premiere", "--layer", "64x36"});
    QJsonObject root = QJsonDocument::fromJson(bytes("p.json")).object();
    QJsonArray instances = root["instances"].toArray();
    QJsonObject instance = instances[0].toObject();
    instance["sequenceData"] = "AQAAAP///38=";  // switch 1, mode 2147483647
    instances[0] = instance;
    root["instances"] = instances;
    QFile f(path("p.json"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(QJsonDocument(root).toJson());
    f.close();
    EXPECT_EQ(statusLine("p.json"), "Global Display: OFF");
    const Result r = run({"project", "show", "p.json"});
    EXPECT_TRUE(r.out.contains("status line: Global Display: OFF\n")) << r.out.toStdString();
    EXPECT_FALSE(r.out.contains("2147483647")) << r.out.toStdString();
}

TEST_F(CliProject, EachActionHasItsOwnHelp) {
    const std::pair<const char*, const char*> actions[] = {
        {"new", "--layer WIDTHxHEIGHT"}, {"set", "ID=VALUE..."}, {"press", "BUTTON_ID"}, {"show", "--json"}};
    for (const auto& [action, usage] : actions) {
        const Result r = run({"project", action, "--help"});
        EXPECT_EQ(r.exitCode, 0) << action;
        EXPECT_TRUE(r.out.startsWith(QString("usage: duovis project ") + action)) << r.out.toStdString();
        EXPECT_TRUE(r.out.contains(usage)) << r.out.toStdString();
        for (const auto& [other, otherUsage] : actions)
            if (other != action) {
                EXPECT_FALSE(r.out.contains(QString("project ") + other + " ")) << r.out.toStdString();
            }
    }
}

// Copy and Paste report nothing through the host API; the command checks what each should
// have changed and fails, leaving the project alone, when it changed nothing.
TEST_F(CliProject, ClipboardPressesThatDoNothingFail) {
    const struct {
        const char* name;
        const char* programData;  // under the scratch folder
        bool copyFirst;           // a copy of the same values before the press
        const char* button;
        const char* message;
    } cases[] = {
        {"copy into a folder that cannot be made", "blocker/data", false, "COPY_PARAMS",
         "COPY_PARAMS wrote nothing"},
        {"paste without a clipboard", "empty", false, "PASTE_PARAMS", "PASTE_PARAMS found nothing"},
        {"paste of the same values", "same", true, "PASTE_PARAMS", "PASTE_PARAMS changed nothing"},
    };
    QFile blocker(path("blocker"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    make("p.json", {"--layer", "64x36"});
    for (const auto& c : cases) {
        qputenv("ProgramData", path(c.programData).toUtf8());
        if (c.copyFirst) {
            ASSERT_EQ(run({"project", "press", "p.json", "COPY_PARAMS"}).exitCode, 0) << c.name;
        }
        const QByteArray before = bytes("p.json");
        const Result r = run({"project", "press", "p.json", c.button});
        EXPECT_NE(r.exitCode, 0) << c.name;
        EXPECT_TRUE(r.err.startsWith("duovis: ") && r.err.contains(c.message) &&
                    r.err.contains("Corvant/Duovis/TempData"))
            << c.name << ": " << r.err.toStdString();
        EXPECT_EQ(bytes("p.json"), before) << c.name;
    }
    qunsetenv("ProgramData");
    EXPECT_FALSE(QFileInfo::exists(path("blocker/data"))) << "nothing made under a file";
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
    {"version as text",
     "{\"format\": \"duovis-project\", \"version\": \"1\"}",
     {"project", "show", "p.json"},
     "\"version\" is not an integer"},
    {"fractional version",
     "{\"format\": \"duovis-project\", \"version\": 1.5}",
     {"project", "set", "p.json", "ROTATE_B=1"},
     "\"version\" is not an integer"},
    {"no plug-in in the file",
     "{\"format\":\"duovis-project\",\"version\":1,\"host\":\"ae\","
     "\"layers\":{\"primary\":{\"width\":8,\"height\":8}},\"instances\":[{\"params\":{}}]}",
     {"project", "show", "p.json"},
     "\"plugin\" is missing"},
    {"unknown host in the file",
     "{\"format\":\"duovis-project\",\"version\":1,\"plugin\":\"Duovis\",\"host\":\"nuke\","
     "\"layers\":{\"primary\":{\"width\":8,\"height\":8}},\"instances\":[{\"params\":{}}]}",
     {"project", "show", "p.json"},
     "unknown host 'nuke'"},
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
