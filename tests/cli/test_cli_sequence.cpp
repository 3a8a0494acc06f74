// Numbered sequences: every frame rendered, the secondary fetched at the frame offset, and
// no secondary pixels beyond the secondary sequence's ends.
#include "CliFixture.h"

namespace duovis::clitest {
namespace {

constexpr int kW = 8;
constexpr int kH = 4;

class CliSequence : public CliTest {
  protected:
    // Frames 1..5; the frame number is written into one channel so it can be read back.
    void SetUp() override {
        CliTest::SetUp();
        for (int i = 1; i <= 5; ++i) {
            QImage l(kW, kH, QImage::Format_ARGB32), r(kW, kH, QImage::Format_ARGB32);
            l.fill(qRgba(i * 40, 0, 0, 255));
            r.fill(qRgba(0, i * 40, 0, 255));
            const QString n = QString::number(i).rightJustified(4, '0');
            ASSERT_TRUE(l.save(path("L_" + n + ".png")));
            ASSERT_TRUE(r.save(path("R_" + n + ".png")));
        }
    }
    // The secondary half of a side-by-side output frame.
    QRgb secondaryAt(int frame) const {
        return QImage(path("out_" + QString::number(frame).rightJustified(4, '0') + ".png")).pixel(kW + 1, 1);
    }
};

struct OffsetCase {
    int offset;
    int frame;
    int expectedSecondary;  // frame number seen on the right, 0 for none
};

TEST_F(CliSequence, FrameOffsetPicksTheMatchingSecondaryFrame) {
    const OffsetCase cases[] = {{0, 3, 3}, {1, 1, 2}, {1, 5, 0}, {-2, 3, 1}, {-2, 2, 0}};
    for (const OffsetCase& c : cases) {
        // Frames beyond the secondary sequence's ends are left empty only when asked for.
        const Result r = run({"render", "L_%04d.png", "--second", "R_%04d.png", "--missing", "black", "-p",
                              "5=4", "-p", "Frame Offset=" + QString::number(c.offset), "--frames",
                              QString("%1-%1").arg(c.frame), "-o", "out_%04d.png"});
        ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
        const QRgb p = secondaryAt(c.frame);
        if (c.expectedSecondary == 0) {
            EXPECT_EQ(qAlpha(p), 0) << "offset " << c.offset << " frame " << c.frame;
        } else {
            EXPECT_EQ(qGreen(p), c.expectedSecondary * 40) << "offset " << c.offset << " frame " << c.frame;
        }
    }
}

TEST_F(CliSequence, RendersEveryFrameByDefault) {
    const Result r = run({"render", "L_%04d.png", "--quiet", "-o", "out_%04d.png"});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    for (int i = 1; i <= 5; ++i) {
        const QImage out(path("out_" + QString::number(i).rightJustified(4, '0') + ".png"));
        ASSERT_FALSE(out.isNull()) << i;
        EXPECT_EQ(qRed(out.pixel(0, 0)), i * 40);
    }
    EXPECT_TRUE(r.err.isEmpty()) << "no progress when stderr is not a terminal";
}

TEST_F(CliSequence, RefusesGapsAndSingleOutputsBeforeWriting) {
    Result r = run({"render", "L_%04d.png", "--frames", "4-7", "-o", "out_%04d.png"});
    EXPECT_NE(r.exitCode, 0);
    EXPECT_TRUE(r.err.contains("L_0006.png")) << r.err.toStdString();
    r = run({"render", "L_%04d.png", "-o", "single.png"});
    EXPECT_NE(r.exitCode, 0);
    r = run({"render", "none_%04d.png", "-o", "out_%04d.png"});
    EXPECT_NE(r.exitCode, 0);
    EXPECT_TRUE(QDir(dir_.path()).entryList({"out_*", "single*"}).isEmpty());
}

}  // namespace
}  // namespace duovis::clitest
