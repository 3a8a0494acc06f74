// `depthscope analyse` over a shot: small synthetic shots whose every frame has a known near and
// far disparity, as numbered sequences and as packed videos carrying their layout; the JSON
// against that truth, the comfort limits' marking, the plot and every refusal.
#include "ShotPlot.h"
#include "Synth.h"
#include "media/QtPicture.h"
#include "media/VideoWriter.h"

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPainter>
#include <QProcess>
#include <QTemporaryDir>

#include <memory>
#include <vector>

using namespace depthscope;

namespace {

struct Truth {
    double nearPct, farPct;
};
// Frame 1 within the default limits (-1 %, +2 %), 2 nearer than them, 3 farther.
const Truth kShot[] = {{-0.5, 1.0}, {-1.5, 1.0}, {-0.5, 2.6}};
constexpr int kEyeW = 320, kEyeH = 180;
// A pixel of the 320-pixel eye is 0.31 % of its width; the dense map resolves a sixteenth of that.
constexpr double kTolerancePct = 0.2;

struct ToolRun {
    int exitCode;
    QString err;
    QByteArray out;
};

SynthPair pairOf(const Truth& t, int frame) {
    SynthSpec s;
    s.width = kEyeW, s.height = kEyeH, s.nearPct = t.nearPct, s.farPct = t.farPct;
    s.seed = uint32_t(frame);
    return makeSynthPair(s);
}

// Both eyes in one picture: side by side or, right eye first, top and bottom; full size.
QImage packed(const SynthPair& p, duovis::media::StereoLayout layout) {
    const bool sbs = layout.packing == duovis::media::Packing::SideBySide;
    QImage out(sbs ? 2 * kEyeW : kEyeW, sbs ? kEyeH : 2 * kEyeH, QImage::Format_ARGB32);
    QPainter paint(&out);
    const QPoint second = sbs ? QPoint(kEyeW, 0) : QPoint(0, kEyeH);
    paint.drawImage(layout.rightFirst ? second : QPoint(), p.left);
    paint.drawImage(layout.rightFirst ? QPoint() : second, p.right);
    return out;
}

void writeVideo(const QString& file, duovis::media::StereoLayout layout, duovis::media::Packing carried) {
    duovis::media::VideoSettings s;
    s.codec = "ffv1";
    s.layout = layout;
    s.layout.packing = carried;
    const bool sbs = layout.packing == duovis::media::Packing::SideBySide;
    duovis::media::VideoWriter w(file.toStdString(), s, sbs ? 2 * kEyeW : kEyeW, sbs ? kEyeH : 2 * kEyeH);
    for (int i = 0; i < int(std::size(kShot)); ++i)
        w.write(duovis::media::pictureFromImage(packed(pairOf(kShot[i], i + 1), layout)));
    w.finish();
}

class Shot : public ::testing::Test {
  protected:
    // Frames 1-3 as L_0001.png.. and R_0001.png.., a blank frame 4 in U_ (only noise), and the
    // shot as videos (frames 0-2): side by side, top-bottom with the right eye first, and a side-by-side
    // one whose metadata says nothing.
    static void SetUpTestSuite() {
        dir_ = std::make_unique<QTemporaryDir>();
        for (int i = 0; i < int(std::size(kShot)); ++i) {
            const SynthPair p = pairOf(kShot[i], i + 1);
            ASSERT_TRUE(p.left.save(path(QString::asprintf("L_%04d.png", i + 1))));
            ASSERT_TRUE(p.right.save(path(QString::asprintf("R_%04d.png", i + 1))));
            ASSERT_TRUE(p.left.save(path(QString::asprintf("U_%04d.png", i + 1))));
            ASSERT_TRUE(p.right.save(path(QString::asprintf("V_%04d.png", i + 1))));
        }
        SynthSpec blank;
        blank.scene = SynthScene::Blank, blank.width = kEyeW, blank.height = kEyeH;
        const SynthPair b = makeSynthPair(blank);
        ASSERT_TRUE(b.left.save(path("U_0004.png")) && b.right.save(path("V_0004.png")));
        ASSERT_TRUE(b.left.save(path("still.png")));
        using duovis::media::Packing;
        writeVideo(path("sbs.mkv"), {Packing::SideBySide, false}, Packing::SideBySide);
        writeVideo(path("tb.mkv"), {Packing::TopBottom, true}, Packing::TopBottom);
        writeVideo(path("untagged.mkv"), {Packing::SideBySide, false}, Packing::None);
    }
    static void TearDownTestSuite() { dir_.reset(); }

    static QString path(const QString& name) { return dir_->filePath(name); }

    static ToolRun analyse(const QStringList& args) {
        QProcess tool;
        tool.setWorkingDirectory(dir_->path());
        tool.start(QStringLiteral(DEPTHSCOPE_PATH), QStringList{"analyse"} + args);
        tool.waitForFinished(120000);
        return {tool.exitStatus() == QProcess::NormalExit ? tool.exitCode() : -1,
                QString::fromUtf8(tool.readAllStandardError()), tool.readAllStandardOutput()};
    }

    static std::unique_ptr<QTemporaryDir> dir_;
};

std::unique_ptr<QTemporaryDir> Shot::dir_;

struct InputRow {
    const char* name;
    QStringList args;
    std::vector<int> frames;  // as the JSON numbers them
    std::vector<int> truth;   // each one's row of kShot
};

TEST_F(Shot, JsonCarriesEachFramesNearAndFarAsTheSceneHasThem) {
    const InputRow rows[] = {
        {"printf_patterns", {"L_%04d.png", "R_%04d.png", "--frames", "1-3"}, {1, 2, 3}, {0, 1, 2}},
        {"hash_patterns_every_frame", {"L_####.png", "R_####.png"}, {1, 2, 3}, {0, 1, 2}},
        {"numbered_files_stepped", {"L_0002.png", "R_0002.png", "--frames", "1-3x2"}, {1, 3}, {0, 2}},
        {"packed_side_by_side", {"sbs.mkv", "--frames", "0-2"}, {0, 1, 2}, {0, 1, 2}},
        {"packed_top_bottom_right_first", {"tb.mkv", "--frames", "1"}, {1}, {1}},
    };
    for (const InputRow& row : rows) {
        const ToolRun r = analyse(row.args + QStringList{"--json"});
        ASSERT_EQ(r.exitCode, 0) << row.name << ": " << r.err.toStdString();
        // The keys in the documented order, whatever a JSON reader makes of them.
        EXPECT_TRUE(r.out.startsWith(QByteArray("{\"frames\": [\n  {\"frame\": ") +
                                     QByteArray::number(row.frames.front()) +
                                     ", \"disparity_pct\": {\"near\": "))
            << row.name << ": " << r.out.toStdString();
        const QJsonArray frames = QJsonDocument::fromJson(r.out).object()["frames"].toArray();
        ASSERT_EQ(frames.size(), int(row.frames.size())) << row.name;
        for (int i = 0; i < frames.size(); ++i) {
            const QJsonObject f = frames[i].toObject();
            const Truth& t = kShot[row.truth[std::size_t(i)]];
            const QJsonObject d = f["disparity_pct"].toObject();
            EXPECT_EQ(f["frame"].toInt(), row.frames[std::size_t(i)]) << row.name;
            EXPECT_NEAR(d["near"].toDouble(99), t.nearPct, kTolerancePct) << row.name << " frame " << i;
            EXPECT_NEAR(d["far"].toDouble(99), t.farPct, kTolerancePct) << row.name << " frame " << i;
            EXPECT_EQ(f["beyond_limits"].toBool(), row.truth[std::size_t(i)] != 0) << row.name;
        }
    }
}

struct LimitsRow {
    const char* limits;  // --limits, or none for the default
    std::vector<bool> beyond;
};

// The same shot against different limits: the JSON marks and standard error names exactly the
// frames beyond them.
TEST_F(Shot, LimitsMarkTheFramesBeyondThemAndStandardErrorNamesThem) {
    const LimitsRow rows[] = {
        {nullptr, {false, true, true}},
        {"-2,3", {false, false, false}},
        {"-0.3,2", {true, true, true}},
        {"-2,1.5", {false, false, true}},
    };
    for (const LimitsRow& row : rows) {
        QStringList args{"L_%04d.png", "R_%04d.png", "--frames", "1-3", "--json"};
        if (row.limits) args << "--limits" << row.limits;
        const ToolRun r = analyse(args);
        ASSERT_EQ(r.exitCode, 0) << row.limits << ": " << r.err.toStdString();
        const QJsonArray frames = QJsonDocument::fromJson(r.out).object()["frames"].toArray();
        ASSERT_EQ(frames.size(), 3);
        QStringList named;
        for (const QString& line : r.err.split('\n', Qt::SkipEmptyParts))
            named << line.section(':', 1, 1).trimmed();
        QStringList expected;
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(frames[i].toObject()["beyond_limits"].toBool(), row.beyond[std::size_t(i)])
                << (row.limits ? row.limits : "default") << " frame " << i + 1;
            if (row.beyond[std::size_t(i)]) expected << QString("frame %1").arg(i + 1);
        }
        EXPECT_EQ(named, expected) << r.err.toStdString();
    }
}

// A frame the dense map cannot measure is said to be so, never a disparity of 0.
TEST_F(Shot, AFrameNotMeasuredIsReportedAsSuch) {
    const ToolRun r = analyse({"U_%04d.png", "V_%04d.png", "--frames", "3-4", "--json", "--limits", "-2,3"});
    EXPECT_EQ(r.exitCode, 1) << r.err.toStdString();
    EXPECT_TRUE(r.err.startsWith("depthscope: frame 4: not measured: ")) << r.err.toStdString();
    EXPECT_EQ(r.err.count('\n'), 1) << r.err.toStdString();
    const QJsonArray frames = QJsonDocument::fromJson(r.out).object()["frames"].toArray();
    ASSERT_EQ(frames.size(), 2);
    const QJsonObject blank = frames[1].toObject();
    EXPECT_TRUE(blank["disparity_pct"].toObject()["near"].isNull());
    EXPECT_TRUE(blank["disparity_pct"].toObject()["far"].isNull());
    EXPECT_FALSE(blank["measured"].toBool(true));
    EXPECT_FALSE(blank["reason"].toString().isEmpty());
    EXPECT_FALSE(blank["beyond_limits"].toBool(true));
    EXPECT_TRUE(frames[0].toObject()["disparity_pct"].toObject()["near"].isDouble());
}

struct RefusalRow {
    const char* name;
    QStringList args;
    const char* says;  // standard error's one line, from its start
};

TEST_F(Shot, BadInputIsOneLineAndWritesNothing) {
    const RefusalRow rows[] = {
        {"frame_past_the_sequence",
         {"L_%04d.png", "R_%04d.png", "--frames", "2-5"},
         "depthscope: L_0004.png: frame missing"},
        {"numbered_file_frame_missing",
         {"L_0001.png", "R_0001.png", "--frames", "3-4"},
         "depthscope: L_0004.png: frame missing"},
        {"frame_before_it",
         {"L_%04d.png", "R_%04d.png", "--frames", "0"},
         "depthscope: L_0000.png: frame missing"},
        {"right_eye_shorter",
         {"U_%04d.png", "R_%04d.png", "--frames", "4"},
         "depthscope: R_0004.png: frame missing"},
        {"frame_past_the_video",
         {"sbs.mkv", "--frames", "1-3"},
         "depthscope: sbs.mkv: has no frame 3 (it has 3 frames, 0 to 2)"},
        {"range_backwards",
         {"L_%04d.png", "R_%04d.png", "--frames", "3-1"},
         "depthscope: --frames: '3-1' is not a frame N"},
        {"range_open",
         {"L_%04d.png", "R_%04d.png", "--frames", "1-"},
         "depthscope: --frames: '1-' is not a frame N"},
        {"range_step_zero",
         {"L_%04d.png", "R_%04d.png", "--frames", "1-3x0"},
         "depthscope: --frames: '1-3x0' is not a frame N"},
        {"range_missing",
         {"L_%04d.png", "R_%04d.png", "--frames"},
         "depthscope: --frames needs a frame list"},
        {"limits_one_number",
         {"L_%04d.png", "R_%04d.png", "--limits", "2"},
         "depthscope: --limits: '2' is not NEAR,FAR"},
        {"limits_reversed",
         {"L_%04d.png", "R_%04d.png", "--limits", "2,-1"},
         "depthscope: --limits: '2,-1' is not NEAR,FAR"},
        {"limits_equal",
         {"L_%04d.png", "R_%04d.png", "--limits", "1,1"},
         "depthscope: --limits: '1,1' is not NEAR,FAR"},
        {"limits_three",
         {"L_%04d.png", "R_%04d.png", "--limits", "-1,2,3"},
         "depthscope: --limits: '-1,2,3' is not NEAR,FAR"},
        {"limits_words",
         {"L_%04d.png", "R_%04d.png", "--limits", "near,far"},
         "depthscope: --limits: 'near,far' is not NEAR,FAR"},
        {"video_says_no_packing",
         {"untagged.mkv"},
         "depthscope: untagged.mkv: one input must be a video whose stereo metadata packs"},
        {"sequence_alone",
         {"L_%04d.png", "--frames", "1"},
         "depthscope: L_%04d.png: one input must be a video"},
        {"still_is_no_shot",
         {"still.png", "R_%04d.png", "--frames", "1"},
         "depthscope: still.png: a shot needs a numbered sequence"},
        {"pattern_matches_nothing",
         {"X_%04d.png", "R_%04d.png"},
         "depthscope: X_%04d.png: no frames match this pattern"},
        {"report_over_an_input",
         {"L_%04d.png", "R_%04d.png", "--frames", "1", "--report", "R_0003.png"},
         "depthscope: R_0003.png: is the input"},
    };
    for (const RefusalRow& row : rows) {
        const ToolRun r = analyse(QStringList{"--report", "plot.png"} + row.args);
        EXPECT_EQ(r.exitCode, 2) << row.name << ": " << r.err.toStdString();
        EXPECT_TRUE(r.err.startsWith(row.says)) << row.name << ": " << r.err.toStdString();
        EXPECT_EQ(r.err.count('\n'), 1) << row.name << ": " << r.err.toStdString();
        EXPECT_TRUE(r.out.isEmpty()) << row.name;
        EXPECT_FALSE(QFile::exists(path("plot.png"))) << row.name;
    }
}

const char* dominantOf(QRgb c) {
    const int r = qRed(c), g = qGreen(c), b = qBlue(c);
    if (std::max({r, g, b}) - std::min({r, g, b}) < 24) return "grey";
    return b > r && b > g ? "blue" : g > r ? "green" : "red";
}

struct PlotProbe {
    const char* what;
    double frame;  // between frames: away from the curves' points
    double pct;    // disparity; or, below -50, the mark strip above the plot
    const char* dominant;
};

// The plot: the comfort band shaded green, outside it red, an orange mark above each frame beyond
// the limits and none above the others.
TEST_F(Shot, PlotShadesTheBandAndMarksTheFramesBeyondIt) {
    const ToolRun r = analyse({"L_%04d.png", "R_%04d.png", "--json", "--report", "plot.png"});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    std::vector<FrameDepth> frames;
    for (const QJsonValue v : QJsonDocument::fromJson(r.out).object()["frames"].toArray()) {
        const QJsonObject d = v.toObject()["disparity_pct"].toObject();
        frames.push_back({v.toObject()["frame"].toInt(),
                          true,
                          d["near"].toDouble(),
                          d["far"].toDouble(),
                          {},
                          v.toObject()["beyond_limits"].toBool()});
    }
    const QImage plot(path("plot.png"));
    ASSERT_FALSE(plot.isNull());
    const ShotPlotArea area = shotPlotArea(frames, ComfortLimits{});
    const PlotProbe probes[] = {
        {"inside the band", 1.5, 1.6, "green"},     {"above the far limit", 1.5, 2.1, "red"},
        {"below the near limit", 1.2, -1.1, "red"}, {"frame 1 unmarked", 1, -100, "grey"},
        {"frame 2 marked", 2, -100, "red"},         {"frame 3 marked", 3, -100, "red"},
    };
    for (const PlotProbe& p : probes) {
        const double x = area.xOf(p.frame);
        const double y = p.pct < -50 ? area.plot.top() - 8 : area.yOf(p.pct);
        EXPECT_STREQ(dominantOf(plot.pixel(int(x), int(y))), p.dominant) << p.what;
    }
}

}  // namespace
