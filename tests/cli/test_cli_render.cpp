// What `duovis render` writes: the pixels the effect made, in the layout chosen, the same
// picture from both hosts, and output files that appear whole or not at all.
#include "CliFixture.h"

namespace duovis::clitest {
namespace {

using CliRender = CliTest;

TEST_F(CliRender, LeftDisplayHandsThePrimaryThrough) {
    const Result r =
        run({"render", "left.png", "--second", "right.png", "-p", "Display Type=Left", "-o", "out.png"});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(maxDifference(QImage(path("out.png")), QImage(path("left.png"))), 0);
}

TEST_F(CliRender, SideBySidePutsTheSecondaryOnTheRight) {
    const Result r = run({"render", "left.png", "--second", "right.png", "-p", "5=4", "-o", "sbs.png"});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QImage out(path("sbs.png"));
    ASSERT_EQ(out.size(), QSize(64, 18));
    EXPECT_EQ(maxDifference(out.copy(0, 0, 32, 18), QImage(path("left.png"))), 0);
    EXPECT_EQ(maxDifference(out.copy(32, 0, 32, 18), QImage(path("right.png"))), 0);
}

// The ways of naming one setting must all reach the same entry and value.
TEST_F(CliRender, NamesPositionsAndChoiceTextAgree) {
    const QStringList base{"render", "left.png", "--second", "right.png", "-o"};
    ASSERT_EQ(run(base + QStringList{"a.png", "-p", "Display Type=Anaglyph (Red/Cyan)"}).exitCode, 0);
    ASSERT_EQ(run(base + QStringList{"b.png", "-p", "display type=8"}).exitCode, 0);
    ASSERT_EQ(run(base + QStringList{"c.png", "-p5=8"}).exitCode, 0);
    ASSERT_EQ(run(base + QStringList{"d.png", "-p", "DISPLAY_TYPE=Anaglyph (Red/Cyan)"}).exitCode, 0);
    ASSERT_EQ(run(base + QStringList{"e.png", "-p", "display_type=8"}).exitCode, 0);
    const QImage a(path("a.png"));
    for (const char* other : {"b.png", "c.png", "d.png", "e.png"})
        EXPECT_EQ(maxDifference(a, QImage(path(other))), 0) << other;
    EXPECT_GT(maxDifference(a, QImage(path("left.png"))), 0) << "the anaglyph must differ from the left eye";
}

// The float module renders float worlds in the editing host, within one 8-bit step of its
// 8-bit render; the 8-bit module gets 8-bit worlds there, as a real editing host gives a
// module that registered no float format, so its pictures are the same to the bit.
TEST_F(CliRender, BothHostsGiveTheSamePictureWithinOneStep) {
    const std::pair<const char*, int> plugins[] = {{"DuovisX", 1}, {"Duovis", 0}};
    for (const auto& [plugin, tolerance] : plugins)
        for (const char* display : {"8", "9", "12"}) {
            const QString setting = QString("Display Type=") + display;
            const QStringList base{"render", "left.png", "--second", "right.png",
                                   "-p",     setting,    "--plugin", plugin};
            ASSERT_EQ(run(base + QStringList{"--host", "ae", "-o", "ae.png"}).exitCode, 0);
            const Result r = run(base + QStringList{"--host", "premiere", "-o", "pr.png"});
            ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
            const int diff = maxDifference(QImage(path("ae.png")), QImage(path("pr.png")));
            EXPECT_GE(diff, 0) << plugin << " " << display;
            EXPECT_LE(diff, tolerance) << plugin << " " << display;
        }
}

TEST_F(CliRender, SixteenBitInputStaysDeepOnTheFloatHost) {
    QImage deep(8, 4, QImage::Format_RGBA64);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 8; ++x)
            deep.setPixelColor(x, y,
                               QColor::fromRgba64(static_cast<quint16>(x * 8191 + 3), 1000, 60000, 65535));
    ASSERT_TRUE(deep.save(path("deep.png")));
    const Result r =
        run({"render", "deep.png", "--host", "premiere", "-p", "Display Type=Left", "-o", "out.png"});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QImage out(path("out.png"));
    ASSERT_GT(out.depth(), 32);
    // Values between 8-bit steps survive only if nothing on the way rounded to 8 bits.
    EXPECT_EQ(out.pixelColor(1, 0).rgba64().red(), 8194);
}

TEST_F(CliRender, FrameAndRateAreAccepted) {
    const Result r = run({"render", "left.png", "--second", "right.png", "--frame", "12", "--fps", "23.976",
                          "-p", "Frame Offset=-2", "-o", "out.png"});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
}

TEST_F(CliRender, TheOtherModuleRendersToo) {
    const Result r = run(
        {"render", "left.png", "--second", "right.png", "--plugin", "Duovis", "-p", "5=4", "-o", "out.png"});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(QImage(path("out.png")).width(), 64);
}

TEST_F(CliRender, JpegOutputFollowsTheExtension) {
    ASSERT_EQ(run({"render", "left.png", "-o", "out.jpg"}).exitCode, 0);
    QFile f(path("out.jpg"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.read(2), QByteArray("\xFF\xD8", 2));
}

// A failed render leaves the previous output as it was and no temporary file behind.
TEST_F(CliRender, OutputIsReplacedWholeOrNotAtAll) {
    ASSERT_EQ(run({"render", "left.png", "-o", "out.png"}).exitCode, 0);
    QFile before(path("out.png"));
    ASSERT_TRUE(before.open(QIODevice::ReadOnly));
    const QByteArray old = before.readAll();
    before.close();

    ASSERT_NE(run({"render", "left.png", "-p", "Display Type=99", "-o", "out.png"}).exitCode, 0);
    QFile after(path("out.png"));
    ASSERT_TRUE(after.open(QIODevice::ReadOnly));
    EXPECT_EQ(after.readAll(), old);

    ASSERT_EQ(run({"render", "left.png", "--second", "right.png", "-p", "5=2", "-o", "out.png"}).exitCode, 0);
    EXPECT_EQ(maxDifference(QImage(path("out.png")), QImage(path("right.png"))), 0);
    const QStringList files = QDir(dir_.path()).entryList(QDir::Files);
    EXPECT_EQ(files, (QStringList{"left.png", "out.png", "right.png"}));
}

TEST_F(CliRender, MismatchedEyeSizesStillRender) {
    ASSERT_TRUE(pattern(20, 10, 5).save(path("small.png")));
    const Result r = run({"render", "left.png", "--second", "small.png", "-p", "5=8", "-o", "out.png"});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(QImage(path("out.png")).size(), QSize(32, 18));
}

}  // namespace
}  // namespace duovis::clitest
