// Keys in projects: a keyed render is, frame by frame, the static render of the interpolated
// values; bad keys and frames are refused with the project untouched; older files still open;
// and the parallax tool pressed over a shot keys each frame and smooths them.
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include <cstdint>

#include "CliFixture.h"
#include "session/KeySmoothing.h"

namespace duovis::clitest {
namespace {

class CliProjectKeys : public CliTest {
  protected:
    void SetUp() override {
        CliTest::SetUp();
        for (int f = 1; f <= kFrames; ++f)
            ASSERT_TRUE(pattern(32, 18, f * 11).save(path(QString::asprintf("shot_%04d.png", f))));
    }
    void make(const QString& file) const {
        const Result r = run({"project", "new", file, "--primary", "shot_%04d.png", "--second", "right.png"});
        ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    }
    void ok(const QStringList& args) const {
        const Result r = run(args);
        ASSERT_EQ(r.exitCode, 0) << args.join(' ').toStdString() << ": " << r.err.toStdString();
    }
    QByteArray bytes(const QString& name) const {
        QFile f(path(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    QJsonObject json(const QString& name) const { return QJsonDocument::fromJson(bytes(name)).object(); }
    QJsonObject keysOf(const QString& name) const {
        return json(name)["instances"].toArray()[0].toObject()["keys"].toObject();
    }
    void write(const QString& name, const QJsonObject& o) const {
        QFile f(path(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(QJsonDocument(o).toJson());
    }
    static constexpr int kFrames = 6;
};

struct KeyedRenderCase {
    const char* name;
    std::vector<QStringList> keys;      // `project set` arguments after FILE
    std::vector<QStringList> staticAt;  // -p values of frames 1..4
    QStringList keyedExtra = {};        // given to the keyed render too
};

const KeyedRenderCase kKeyedRenders[] = {
    {"Linear",
     {{"HSHIFT_PCT_B=1", "--at", "1"},
      {"HSHIFT_PCT_B=4", "--at", "4"},
      {"ROTATE_R=2", "--at", "1"},
      {"ROTATE_R=-1", "--at", "4"}},
     {{"HSHIFT_PCT_B=1", "ROTATE_R=2"},
      {"HSHIFT_PCT_B=2", "ROTATE_R=1"},
      {"HSHIFT_PCT_B=3", "ROTATE_R=0"},
      {"HSHIFT_PCT_B=4", "ROTATE_R=-1"}}},
    {"Hold",
     {{"VSHIFT_PCT_R=2", "--at", "1", "--hold"}, {"VSHIFT_PCT_R=0", "--at", "3"}},
     {{"VSHIFT_PCT_R=2"}, {"VSHIFT_PCT_R=2"}, {"VSHIFT_PCT_R=0"}, {"VSHIFT_PCT_R=0"}}},
    {"CommandLineReplacesTheKeys",
     {{"HSHIFT_PCT_B=1", "--at", "1"}, {"HSHIFT_PCT_B=4", "--at", "4"}},
     {{"HSHIFT_PCT_B=2"}, {"HSHIFT_PCT_B=2"}, {"HSHIFT_PCT_B=2"}, {"HSHIFT_PCT_B=2"}},
     {"-p", "HSHIFT_PCT_B=2"}},
    {"BeforeTheFirstAndAfterTheLastKey",
     {{"HSHIFT_PCT_B=3", "--at", "2"}, {"HSHIFT_PCT_B=5", "--at", "3"}},
     {{"HSHIFT_PCT_B=3"}, {"HSHIFT_PCT_B=3"}, {"HSHIFT_PCT_B=5"}, {"HSHIFT_PCT_B=5"}}},
};

class CliKeyedRender : public CliProjectKeys, public ::testing::WithParamInterface<KeyedRenderCase> {};

TEST_P(CliKeyedRender, EachFrameIsTheStaticRenderOfItsValues) {
    const KeyedRenderCase& c = GetParam();
    make("keyed.json");
    make("plain.json");
    for (const QStringList& k : c.keys) ok(QStringList{"project", "set", "keyed.json"} + k);
    ok(QStringList{"render", "--project", "keyed.json", "--frames", "1-4", "-o", "k_%04d.png", "--quiet"} +
       c.keyedExtra);
    for (int f = 1; f <= 4; ++f) {
        QStringList args{"render", "--project", "plain.json", "--frame", QString::number(f), "--quiet"};
        for (const QString& p : c.staticAt[static_cast<std::size_t>(f - 1)]) args << "-p" << p;
        const QString out = QString::asprintf("s_%04d.png", f);
        ok(args << "-o" << out);
        EXPECT_EQ(bytes(out), bytes(QString::asprintf("k_%04d.png", f))) << "frame " << f;
    }
}

INSTANTIATE_TEST_SUITE_P(Keys, CliKeyedRender, ::testing::ValuesIn(kKeyedRenders),
                         [](const auto& tp) { return std::string(tp.param.name); });

struct RefusalCase {
    const char* name;
    QStringList args;  // FILE stands for the project
    const char* edit;  // "": none; else how the saved keys are damaged first
    const char* says;  // the one line on stderr contains this
};

const RefusalCase kRefusals[] = {
    {"ConstantParameter",
     {"project", "set", "FILE", "DISPLAY_TYPE=2", "--at", "2"},
     "",
     "DISPLAY_TYPE cannot vary in time"},
    {"FrameOutsideTheLayer",
     {"project", "set", "FILE", "HSHIFT_PCT_B=1", "--at", "9"},
     "",
     "--at: frame 9 is not a frame of"},
    {"FrameBeforeTheLayer",
     {"project", "unset", "FILE", "HSHIFT_PCT_B", "--at", "0"},
     "",
     "--at: frame 0 is not a frame of"},
    {"HoldWithoutAFrame", {"project", "set", "FILE", "HSHIFT_PCT_B=1", "--hold"}, "", "--hold needs --at"},
    {"StaticSetOfAKeyedValue", {"project", "set", "FILE", "HSHIFT_PCT_B=1"}, "", "HSHIFT_PCT_B has keys"},
    {"UnsetWhereThereIsNoKey",
     {"project", "unset", "FILE", "HSHIFT_PCT_B", "--at", "3"},
     "",
     "HSHIFT_PCT_B has no key at frame 3"},
    {"SmoothBelowOne",
     {"project", "press", "FILE", "LAUNCH_TOOL", "--frames", "1-4", "--smooth", "0"},
     "",
     "--smooth: 0 is below 1"},
    {"ShotPastTheLayer",
     {"project", "press", "FILE", "LAUNCH_TOOL", "--frames", "1-9"},
     "",
     "--frames: frame 9 is not a frame of"},
    {"ShotOfAnotherButton",
     {"project", "press", "FILE", "CROP_RESET", "--frames", "1-2"},
     "",
     "--frames presses only LAUNCH_TOOL"},
    {"ToolOnASequenceWithoutFrames",
     {"project", "press", "FILE", "LAUNCH_TOOL"},
     "",
     "give --frames N or A-B"},
    {"KeysOutOfOrder",
     {"render", "--project", "FILE", "-o", "out.png"},
     "swap",
     "keys of HSHIFT_PCT_B: the key at frame 1 comes after the one at frame 4"},
    {"KeysOnOneFrameTwice",
     {"project", "show", "FILE"},
     "twice",
     "keys of HSHIFT_PCT_B: frame 4 is keyed twice"},
    {"KeyOnAConstantParameter",
     {"project", "set", "FILE", "ROTATE_L=1"},
     "constant",
     "key of DISPLAY_TYPE at frame 1: this parameter cannot vary in time"},
};

class CliKeyRefusal : public CliProjectKeys, public ::testing::WithParamInterface<RefusalCase> {};

TEST_P(CliKeyRefusal, OneLineNamesTheCulpritAndTheProjectStays) {
    const RefusalCase& c = GetParam();
    make("p.json");
    ok({"project", "set", "p.json", "HSHIFT_PCT_B=1", "--at", "1"});
    ok({"project", "set", "p.json", "HSHIFT_PCT_B=4", "--at", "4"});
    QJsonObject o = json("p.json");
    QJsonObject instance = o["instances"].toArray()[0].toObject();
    QJsonObject keys = instance["keys"].toObject();
    QJsonArray list = keys["HSHIFT_PCT_B"].toArray();
    const std::string edit = c.edit;
    if (edit == "swap") list = QJsonArray{list[1], list[0]};
    if (edit == "twice") list = QJsonArray{list[0], list[1], list[1]};
    if (edit == "constant") keys["DISPLAY_TYPE"] = QJsonArray{QJsonObject{{"frame", 1}, {"value", 2}}};
    keys["HSHIFT_PCT_B"] = list;
    instance["keys"] = keys;
    o["instances"] = QJsonArray{instance};
    if (!edit.empty()) write("p.json", o);
    const QByteArray before = bytes("p.json");

    const Result r = run(QStringList(c.args).replaceInStrings("FILE", "p.json"));
    EXPECT_NE(r.exitCode, 0);
    EXPECT_TRUE(r.err.contains(c.says)) << r.err.toStdString();
    EXPECT_EQ(r.err.trimmed().count('\n'), 0) << r.err.toStdString();
    EXPECT_EQ(bytes("p.json"), before);
}

INSTANTIATE_TEST_SUITE_P(Keys, CliKeyRefusal, ::testing::ValuesIn(kRefusals),
                         [](const auto& tp) { return std::string(tp.param.name); });

// A project without keys or moving layers stays readable by older builds; keys make it newer,
// and a version from the future is refused.
TEST_F(CliProjectKeys, TheVersionSaysWhatTheFileHolds) {
    ok({"project", "new", "still.json", "--primary", "left.png"});
    ok({"project", "set", "still.json", "ROTATE_R=1"});
    EXPECT_EQ(json("still.json")["version"].toInt(), 1);
    ok({"project", "set", "still.json", "ROTATE_R=2", "--at", "7"});
    EXPECT_EQ(json("still.json")["version"].toInt(), 2);
    make("shot.json");
    EXPECT_EQ(json("shot.json")["version"].toInt(), 2) << "a sequence layer needs the newer reader";
    QJsonObject o = json("shot.json");
    o["version"] = 3;
    write("future.json", o);
    const Result r = run({"project", "show", "future.json"});
    EXPECT_NE(r.exitCode, 0);
    EXPECT_TRUE(r.err.contains("project version 3 is not supported (1 to 2)")) << r.err.toStdString();
}

// Removing a key takes its twin's along; the last one leaves its value behind.
TEST_F(CliProjectKeys, UnsetRemovesKeysWithTheirTwin) {
    make("p.json");
    ok({"project", "set", "p.json", "HSHIFT_PCT_B=1", "--at", "1"});
    ok({"project", "set", "p.json", "HSHIFT_PCT_B=4", "--at", "4"});
    EXPECT_EQ(keysOf("p.json")["HSHIFT_PX_B"].toArray().size(), 2);
    const Result shown = run({"project", "show", "p.json"});
    EXPECT_TRUE(shown.out.contains("HSHIFT_PCT_B keys 1: 1, 4: 4\n")) << shown.out.toStdString();
    ok({"project", "unset", "p.json", "hshift_pct_b", "--at", "4"});
    EXPECT_EQ(keysOf("p.json")["HSHIFT_PCT_B"].toArray().size(), 1);
    EXPECT_EQ(keysOf("p.json")["HSHIFT_PX_B"].toArray().size(), 1);
    ok({"project", "unset", "p.json", "HSHIFT_PCT_B", "--all"});
    EXPECT_TRUE(keysOf("p.json").isEmpty());
    const QJsonObject params = json("p.json")["instances"].toArray()[0].toObject()["params"].toObject();
    EXPECT_EQ(params["HSHIFT_PCT_B"].toDouble(), 1.0);
}

// ---- The tool over a shot ----

// The reply moving the right eye by `pct` %, or with no change at all.
QByteArray vshiftReply(double pct, bool change = true) {
    QByteArray b(256, '\0');
    const auto put = [&b](int offset, uint32_t v) {
        for (int i = 0; i < 4; ++i) b[offset + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
    };
    put(4 * 27, static_cast<uint32_t>(static_cast<int32_t>(pct * 10000)));
    put(248, change ? 1u << 27 : 0u);
    return b;
}

struct ShotCase {
    const char* name;
    const char* smooth;
    std::vector<double> keyed;  // VSHIFT_PCT_R at frames 1, 2, 3, 5, 6
};

// Frame 3 measured wrong, frame 4 refused.
const ShotCase kShots[] = {
    {"AsMeasured", "1", {-1, -2, -30, -5, -6}},
    {"SmoothedPastTheWrongFrame", "5", {-1, -2, -3, -5, -6}},
};

class CliShotPress : public CliProjectKeys, public ::testing::WithParamInterface<ShotCase> {
  protected:
    Result press(const QStringList& args) const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("TMPDIR", dir_.path());
        env.insert("DUOVIS_DEPTHSCOPE", QStringLiteral(TOOL_RECORDER_PATH));
        env.insert("DUOVIS_TEST_TOOL_DIR", dir_.path());
        QProcess p;
        p.setProcessEnvironment(env);
        p.setWorkingDirectory(dir_.path());
        p.start(QStringLiteral(DUOVIS_CLI_PATH), args);
        p.waitForFinished(120000);
        return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()),
                QString::fromUtf8(p.readAllStandardError())};
    }
};

TEST_P(CliShotPress, KeysEachFrameNamesTheRefusedAndSmooths) {
    if (std::string(TOOL_RECORDER_PATH).empty()) GTEST_SKIP() << "no stand-in tool";
    const ShotCase& c = GetParam();
    make("p.json");
    const double replies[] = {-1, -2, -30, 0, -5, -6};
    for (int n = 1; n <= kFrames; ++n) {
        QFile f(path(QString("reply-%1.bin").arg(n)));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(vshiftReply(replies[n - 1], n != 4));
    }
    const Result r =
        press({"project", "press", "p.json", "LAUNCH_TOOL", "--frames", "1-6", "--smooth", c.smooth});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains("frame 4: refused by the tool, no key")) << r.out.toStdString();
    EXPECT_TRUE(r.out.contains("frame 3: measured VSHIFT_PCT_R -30.0000")) << r.out.toStdString();
    EXPECT_TRUE(r.err.contains("the tool refused frame 4")) << r.err.toStdString();
    const QJsonArray keys = keysOf("p.json")["VSHIFT_PCT_R"].toArray();
    const int frames[] = {1, 2, 3, 5, 6};
    ASSERT_EQ(keys.size(), 5);
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(keys[i].toObject()["frame"].toInt(), frames[i]);
        EXPECT_NEAR(keys[i].toObject()["value"].toDouble(), c.keyed[static_cast<std::size_t>(i)], 1e-9)
            << "frame " << frames[i];
    }
    EXPECT_EQ(keysOf("p.json")["VSHIFT_PX_R"].toArray().size(), 5) << "the pixel twin keyed along";
}

INSTANTIATE_TEST_SUITE_P(Shot, CliShotPress, ::testing::ValuesIn(kShots),
                         [](const auto& tp) { return std::string(tp.param.name); });

// ---- Smoothing ----

struct SmoothCase {
    const char* name;
    std::vector<session::ShotSample> samples;
    int window;
    std::vector<double> expected;
};

const SmoothCase kSmooths[] = {
    {"WindowOneKeepsThem", {{1, 3}, {2, 9}, {3, 1}}, 1, {3, 9, 1}},
    {"ADriftIsFollowedToBothEnds",
     {{0, 0}, {1, 0.5}, {2, 1}, {3, 1.5}, {4, 2}, {5, 2.5}},
     5,
     {0, 0.5, 1, 1.5, 2, 2.5}},
    {"OneWrongSampleIsOverruled", {{0, 0}, {1, 1}, {2, 9}, {3, 3}, {4, 4}}, 5, {0, 1, 2, 3, 4}},
    {"AWrongSampleAtTheEndToo", {{0, 0}, {1, 1}, {2, 2}, {3, 3}, {4, -20}}, 5, {0, 1, 2, 3, 4}},
    {"GapsAreCountedInFrames", {{0, 0}, {1, 1}, {4, 4}, {5, 5}}, 3, {0, 1, 4, 5}},
    {"WindowWiderThanTheShot", {{0, 2}, {1, 2}}, 9, {2, 2}},
};

class CliKeySmoothing : public ::testing::TestWithParam<SmoothCase> {};

TEST_P(CliKeySmoothing, RobustLineThroughTheNearestKeys) {
    const SmoothCase& c = GetParam();
    const std::vector<double> got = session::smoothShot(c.samples, c.window);
    ASSERT_EQ(got.size(), c.expected.size());
    for (std::size_t i = 0; i < got.size(); ++i) EXPECT_NEAR(got[i], c.expected[i], 1e-12) << "sample " << i;
}

INSTANTIATE_TEST_SUITE_P(Cases, CliKeySmoothing, ::testing::ValuesIn(kSmooths),
                         [](const auto& tp) { return std::string(tp.param.name); });

TEST(CliKeySmoothingRefusal, AWindowBelowOne) {
    EXPECT_THROW(session::smoothShot({{0, 1}}, 0), std::invalid_argument);
}

}  // namespace
}  // namespace duovis::clitest
