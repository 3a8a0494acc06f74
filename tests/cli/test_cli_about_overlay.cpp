// `about` and `overlay`: the About box captured to a picture and the effect panel's status
// line, end to end through the binary. One picture of each is kept in the build tree.
#include <QFile>
#include <QProcessEnvironment>

#include "CliFixture.h"

namespace duovis::clitest {
namespace {

// The tests must never need a display, whatever the developer's session has.
Result runHeadless(const QStringList& args, const QString& workDir) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("DISPLAY");
    env.remove("WAYLAND_DISPLAY");
    env.remove("QT_QPA_PLATFORM");
    p.setProcessEnvironment(env);
    p.setWorkingDirectory(workDir);
    p.start(QStringLiteral(DUOVIS_CLI_PATH), args);
    if (!p.waitForFinished(60000)) {
        p.kill();
        p.waitForFinished();
        return {-2, {}, QStringLiteral("timed out")};
    }
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
            QString::fromUtf8(p.readAllStandardOutput()), QString::fromUtf8(p.readAllStandardError())};
}

void keepArtefact(const QString& file, const QString& name) {
    const QDir dir(QStringLiteral(DUOVIS_ARTEFACT_DIR));
    ASSERT_TRUE(dir.mkpath("."));
    QFile::remove(dir.filePath(name));
    EXPECT_TRUE(QFile::copy(file, dir.filePath(name)));
}

// How many pixels lie within `tolerance` of `color` in every channel.
int pixelsNear(const QImage& image, QRgb color, int tolerance) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = image.pixel(x, y);
            if (std::abs(qRed(p) - qRed(color)) <= tolerance &&
                std::abs(qGreen(p) - qGreen(color)) <= tolerance &&
                std::abs(qBlue(p) - qBlue(color)) <= tolerance)
                ++n;
        }
    return n;
}

class CliAbout : public CliTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(CliAbout, ScreenshotShowsTheBoxWithItsLogo) {
    const QString plugin = GetParam();
    const Result r = runHeadless({"about", "--plugin", plugin, "--screenshot", "about.png"}, dir_.path());
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.startsWith("wrote about.png (467 x 338)")) << r.out.toStdString();
    const QImage shot(path("about.png"));
    ASSERT_FALSE(shot.isNull());
    EXPECT_EQ(shot.size(), QSize(467, 338));
    // The logo's two lenses, red and cyan over the dialog's grey, in the top-left cell.
    const QImage logoCell = shot.copy(0, 0, 140, 100);
    EXPECT_GT(pixelsNear(logoCell, qRgb(223, 75, 83), 30), 100);
    EXPECT_GT(pixelsNear(logoCell, qRgb(61, 195, 217), 30), 100);
    keepArtefact(path("about.png"), "about-" + plugin + ".png");
}

INSTANTIATE_TEST_SUITE_P(Both, CliAbout, ::testing::Values("DuovisX", "Duovis"));

TEST_F(CliTest, AboutRefusalsEndWithoutHanging) {
    // No display and nothing to capture to: the box could never be closed.
    Result r = runHeadless({"about"}, dir_.path());
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains("no display")) << r.err.toStdString();
    // A picture that cannot be written still closes the box and reports the path.
    r = runHeadless({"about", "--screenshot", "missing/dir/about.png"}, dir_.path());
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains("missing/dir/about.png")) << r.err.toStdString();
    EXPECT_FALSE(QFile::exists(path("missing/dir/about.png")));
    r = runHeadless({"about", "--plugin", "Other", "--screenshot", "a.png"}, dir_.path());
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains("--plugin")) << r.err.toStdString();
}

class CliOverlay : public CliTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(CliOverlay, DrawsTheStatusLineOfAFreshProcess) {
    const QString plugin = GetParam();
    const Result r = runHeadless({"overlay", "-o", "overlay.png", "--plugin", plugin}, dir_.path());
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.out.trimmed(), "wrote overlay.png (300 x 20): Global Display: OFF");
    const QImage area(path("overlay.png"));
    ASSERT_EQ(area.size(), QSize(300, 20));
    EXPECT_EQ(area.pixel(0, 0), qRgb(38, 38, 38));
    EXPECT_EQ(area.pixel(299, 19), qRgb(38, 38, 38));
    // The text starts at its inset and is drawn in the "off" grey at its brightest.
    int brightest = 0, firstLit = -1;
    for (int x = 0; x < area.width(); ++x)
        for (int y = 0; y < area.height(); ++y) {
            const int v = qGray(area.pixel(x, y));
            if (v > 38 && firstLit < 0) firstLit = x;
            brightest = std::max(brightest, v);
        }
    EXPECT_NEAR(brightest, 128, 1);
    EXPECT_GE(firstLit, 37);
    EXPECT_LE(firstLit, 40);
    keepArtefact(path("overlay.png"), "overlay-" + plugin + ".png");
}

INSTANTIATE_TEST_SUITE_P(Both, CliOverlay, ::testing::Values("DuovisX", "Duovis"));

TEST_F(CliTest, OverlayNeedsAnOutput) {
    const Result r = runHeadless({"overlay"}, dir_.path());
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains("-o")) << r.err.toStdString();
}

TEST_F(CliTest, AboutAndOverlayHelp) {
    for (const char* command : {"about", "overlay"}) {
        const Result r = runHeadless({command, "--help"}, dir_.path());
        EXPECT_EQ(r.exitCode, 0) << command;
        EXPECT_TRUE(r.out.startsWith(QString("usage: duovis ") + command)) << r.out.toStdString();
    }
    const Result r = runHeadless({"--help"}, dir_.path());
    EXPECT_TRUE(r.out.contains("about") && r.out.contains("overlay")) << r.out.toStdString();
}

}  // namespace
}  // namespace duovis::clitest
