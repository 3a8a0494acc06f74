// `depthscope analyse` on files: inputs of any still family, the same size limit as duovis
// checked from the header before decoding, and every refusal one line naming its culprit.
#include "Synth.h"
#include "media/StillFile.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

namespace {

struct ToolRun {
    int exitCode;
    QString err;
    QByteArray out;
};

ToolRun analyse(const QString& dir, const QStringList& args, const QString& limit = {}) {
    QProcess tool;
    tool.setWorkingDirectory(dir);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("DUOVIS_MAX_MEGAPIXELS");
    if (!limit.isEmpty()) env.insert("DUOVIS_MAX_MEGAPIXELS", limit);
    tool.setProcessEnvironment(env);
    tool.start(QStringLiteral(DEPTHSCOPE_PATH), QStringList{"analyse"} + args);
    tool.waitForFinished(120000);
    return {tool.exitStatus() == QProcess::NormalExit ? tool.exitCode() : -1,
            QString::fromUtf8(tool.readAllStandardError()), tool.readAllStandardOutput()};
}

void save(const QString& file, const QByteArray& bytes) {
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    ASSERT_EQ(f.write(bytes), bytes.size());
}

// A small DPX whose header declares `side` x `side` pixels.
QByteArray dpxDeclaring(std::uint32_t side) {
    duovis::media::Picture pic(4, 4);
    QByteArray b = duovis::media::encodeStill(duovis::media::Frame::of(pic), "x.dpx");
    const bool big = b.startsWith("SDPX");
    for (int at : {772, 776})
        for (int i = 0; i < 4; ++i) b[at + i] = static_cast<char>(side >> (big ? 24 - 8 * i : 8 * i));
    return b;
}

struct Case {
    const char* name;
    QStringList args;
    QString limit;  // DUOVIS_MAX_MEGAPIXELS, or none
    int exitCode;
    const char* says;  // the one line on standard error, from its start ("" for none)
};

TEST(AnalyseFiles, ChecksSizesFirstAndNamesEveryCulprit) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    depthscope::SynthSpec synth;
    synth.width = 640, synth.height = 360;
    const depthscope::SynthPair pair = depthscope::makeSynthPair(synth);
    ASSERT_TRUE(pair.left.save(dir.filePath("l.png")));
    ASSERT_TRUE(pair.right.save(dir.filePath("r.png")));
    // The left eye as a 16-bit TIFF: any family duovis reads will do.
    duovis::media::Picture deep(pair.left.width(), pair.left.height(), 16);
    for (int y = 0; y < deep.height; ++y)
        for (int x = 0; x < deep.width; ++x)
            for (int c = 0; c < 4; ++c)
                deep.row(y)[x * 4 + c] =
                    static_cast<float>(c == 3 ? 255 : qGray(pair.left.pixel(x, y))) / 255.0f;
    save(dir.filePath("l.tif"), duovis::media::encodeStill(duovis::media::Frame::of(deep), "l.tif"));
    save(dir.filePath("huge.dpx"), dpxDeclaring(100000));
    save(dir.filePath("junk.png"), "not a picture");

    const Case cases[] = {
        {"measures", {"l.png", "r.png"}, {}, 0, ""},
        {"measures_tiff", {"l.tif", "r.png"}, {}, 0, ""},
        {"huge_header",
         {"huge.dpx", "r.png"},
         {},
         2,
         "depthscope: huge.dpx: declares 100000 x 100000 pixels, more than the limit of 300 megapixels"},
        {"flag_limit",
         {"l.png", "r.png", "--max-megapixels", "0.2"},
         {},
         2,
         "depthscope: l.png: declares 640 x 360 pixels, more than the limit of 0.2 megapixels"},
        {"environment_limit", {"l.png", "r.png"}, "0.2", 2, "depthscope: l.png: declares 640 x 360 pixels"},
        {"flag_over_environment", {"l.png", "r.png", "--max-megapixels", "1"}, "0.2", 0, ""},
        {"bad_flag",
         {"l.png", "r.png", "--max-megapixels", "lots"},
         {},
         2,
         "depthscope: --max-megapixels: 'lots' is not a positive number of megapixels"},
        {"missing_flag_value",
         {"l.png", "r.png", "--max-megapixels"},
         {},
         2,
         "depthscope: --max-megapixels needs a number"},
        {"missing_file", {"l.png", "gone.png"}, {}, 2, "depthscope: gone.png: No such file or directory"},
        {"undecodable", {"junk.png", "r.png"}, {}, 2, "depthscope: junk.png: "},
    };
    for (const Case& c : cases) {
        const ToolRun r = analyse(dir.path(), c.args, c.limit);
        EXPECT_EQ(r.exitCode, c.exitCode) << c.name << ": " << r.err.toStdString();
        EXPECT_TRUE(*c.says ? r.err.startsWith(c.says) : r.err.isEmpty())
            << c.name << ": " << r.err.toStdString();
        EXPECT_LE(r.err.count('\n'), 1) << c.name << ": " << r.err.toStdString();
    }
}

// The 640 x 360 pair of `scene` as l.png and r.png in `dir` (reports are twice as wide).
bool saveScene(depthscope::SynthScene scene, const QTemporaryDir& dir) {
    depthscope::SynthSpec synth;
    synth.scene = scene, synth.width = 640, synth.height = 360;
    const depthscope::SynthPair pair = depthscope::makeSynthPair(synth);
    return pair.left.save(dir.filePath("l.png")) && pair.right.save(dir.filePath("r.png"));
}

struct VerdictRow {
    const char* name;
    depthscope::SynthScene scene;
    int exitCode;
    const char* verdict;
    const char* line;  // the summary's last line, from its start
};

// The JSON record and the summary agree on the verdict and carry the evidence behind it; a
// refusal leaves out what a script could apply.
TEST(AnalyseFiles, JsonAndSummaryCarryTheVerdictAndItsEvidence) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const VerdictRow rows[] = {
        {"slabs", depthscope::SynthScene::Slabs, 0, "ok", "verdict: ok (coverage "},
        {"corner", depthscope::SynthScene::Corner, 1, "refused", "verdict: refused: the matches "},
    };
    for (const VerdictRow& row : rows) {
        ASSERT_TRUE(saveScene(row.scene, dir));
        const ToolRun json = analyse(dir.path(), {"l.png", "r.png", "--json"});
        EXPECT_EQ(json.exitCode, row.exitCode) << row.name << ": " << json.err.toStdString();
        const QJsonObject o = QJsonDocument::fromJson(json.out).object();
        EXPECT_EQ(o["verdict"].toString(), row.verdict) << row.name;
        const QJsonObject e = o["evidence"].toObject();
        EXPECT_GT(e["coverage"].toDouble(), 0.0) << row.name;
        EXPECT_GT(e["inliers_per_quadrant"].toObject()["top_left"].toInt(), 0) << row.name;
        EXPECT_TRUE(e.contains("halves_disagreement_px")) << row.name;
        const bool ok = row.exitCode == 0;
        EXPECT_EQ(o.contains("reply"), ok) << row.name;
        EXPECT_EQ(o["reason"].toString().toStdString(), ok ? "" : json.err.trimmed().mid(12).toStdString())
            << row.name;
        EXPECT_EQ(o["depth_budget_pct"].toObject()["measured"].toBool(), ok) << row.name;

        const ToolRun text = analyse(dir.path(), {"l.png", "r.png"});
        const QList<QByteArray> lines = text.out.trimmed().split('\n');
        EXPECT_TRUE(lines.last().startsWith(row.line)) << row.name << ": " << lines.last().toStdString();
    }
}

struct Probe {
    double x, y;           // share of the picture's width and of one eye's height
    const char* dominant;  // "red", "green" or "blue": the strongest channel there; "grey"
};

struct ReportRow {
    const char* name;
    depthscope::SynthScene scene;
    std::vector<Probe> probes;
};

const char* dominantOf(QRgb c) {
    const int r = qRed(c), g = qGreen(c), b = qBlue(c);
    if (std::max({r, g, b}) - std::min({r, g, b}) < 24) return "grey";
    return b > r && b > g ? "blue" : g > r ? "green" : "red";
}

// The report picture: the dense map over the left eye (near slabs blue, far background red) and
// the coverage grid over the right eye (cells with inliers green, the others red).
TEST(AnalyseFiles, ReportShowsTheDenseMapAndTheCoverage) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const ReportRow rows[] = {
        {"slabs",
         depthscope::SynthScene::Slabs,
         {{0.125, 0.36, "blue"}, {0.25, 0.08, "red"}, {0.5 + 0.0625, 2.0 / 360, "green"}}},
        {"corner", depthscope::SynthScene::Corner, {{0.5 + 7 * 0.0625, 0.75 + 2.0 / 360, "red"}}},
    };
    for (const ReportRow& row : rows) {
        ASSERT_TRUE(saveScene(row.scene, dir));
        analyse(dir.path(), {"l.png", "r.png", "--report", "report.png"});
        const QImage report(dir.filePath("report.png"));
        ASSERT_EQ(report.width(), 2 * 640) << row.name;
        for (const Probe& p : row.probes) {
            const QRgb c = report.pixel(int(p.x * report.width()), int(p.y * 360));
            EXPECT_STREQ(dominantOf(c), p.dominant) << row.name << " at " << p.x << ", " << p.y;
        }
    }
}

}  // namespace
