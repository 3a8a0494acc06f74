// Still files of every family written and read back: exact where the format is lossless at
// the picture's depth, within the format's own step where it is not.
#include <QFile>
#include <cmath>

#include "FrameIO.h"
#include "MediaFixture.h"
#include "StillFile.h"

namespace duovis::mediatest {
namespace {

struct StillCase {
    const char* file;
    int bits;
    bool isFloat;
    float tolerance;  // 0: exact
};

void save(const QByteArray& bytes, const std::string& path) {
    QFile f(QString::fromStdString(path));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    ASSERT_EQ(f.write(bytes), bytes.size());
}

class StillRoundTrip : public MediaTest, public ::testing::WithParamInterface<StillCase> {};

TEST_P(StillRoundTrip, ReadsBackWhatWasWritten) {
    const StillCase& c = GetParam();
    const media::Picture in = testPicture(19, 7, c.bits, c.isFloat);
    save(media::encodeStill(media::Frame{{in}}, path(c.file)), path(c.file));
    const media::StillHeader h = media::readStillHeader(path(c.file));
    EXPECT_EQ(h.width, 19);
    EXPECT_EQ(h.height, 7);
    const media::Frame out = media::readStill(path(c.file), 1 << 20);
    ASSERT_EQ(out.views.size(), 1u);
    EXPECT_LE(maxError(in, out.views[0]), c.tolerance) << c.file;
}

// Half keeps 11 significant bits: a relative step of 2^-11 on values up to 2.5.
INSTANTIATE_TEST_SUITE_P(Formats, StillRoundTrip,
                         ::testing::Values(StillCase{"a.png", 8, false, 0}, StillCase{"b.png", 16, false, 0},
                                           StillCase{"c.tif", 8, false, 0}, StillCase{"d.tif", 16, false, 0},
                                           StillCase{"e.tif", 32, true, 0}, StillCase{"f.exr", 32, true, 0},
                                           StillCase{"g.exr", 16, true, 2.5f / 2048},
                                           StillCase{"h.dpx", 10, false, 0.5f / 1023},
                                           StillCase{"i.bmp", 8, false, 0}),
                         ByFile{});

TEST_F(MediaTest, TwoViewExrKeepsBothViewsExactly) {
    const media::Frame in{{testPicture(9, 5, 32, true, 1), testPicture(9, 5, 32, true, 2)}};
    save(media::encodeStill(in, path("s.exr")), path("s.exr"));
    EXPECT_EQ(media::readStillHeader(path("s.exr")).views, 2);
    const media::Frame out = media::readStill(path("s.exr"), 1 << 20);
    ASSERT_EQ(out.views.size(), 2u);
    EXPECT_EQ(maxError(in.views[0], out.views[0]), 0.0f);
    EXPECT_EQ(maxError(in.views[1], out.views[1]), 0.0f);
}

// Colour type byte of the PNG header: 2 is RGB, 6 is RGBA.
TEST_F(MediaTest, PngKeepsAlphaOnlyWhereThereIsSome) {
    media::Picture opaque = testPicture(4, 3, 8, false);
    media::Picture clear = opaque;
    clear.row(1)[3] = 0.5f;
    EXPECT_EQ(media::encodeStill(media::Frame{{opaque}}, "o.png").at(25), 2);
    EXPECT_EQ(media::encodeStill(media::Frame{{clear}}, "c.png").at(25), 6);
}

TEST_F(MediaTest, RefusalsNameTheFile) {
    save("not an image", path("bad.exr"));
    save(QByteArray("\x76\x2f\x31\x01junk", 8), path("trunc.exr"));
    for (const std::string& name : {path("bad.exr"), path("trunc.exr"), path("missing.tif")}) {
        try {
            media::readStill(name, 1 << 20);
            ADD_FAILURE() << name << " was read";
        } catch (const std::runtime_error& e) {
            EXPECT_EQ(std::string(e.what()).rfind(name, 0), 0u) << e.what();
        }
    }
    EXPECT_THROW(media::encodeStill(media::Frame{{testPicture(2, 2, 8, false)}}, "x.webp"),
                 std::runtime_error);
}

}  // namespace
}  // namespace duovis::mediatest

namespace duovis::mediatest {
namespace {

// A still's one file is decoded once for all frames and held until let go; a sequence's
// frames live only while their readers hold them.
TEST_F(MediaTest, StillReaderKeepsOnlyFilesTheNextFrameReads) {
    for (const char* name : {"s.png", "q1.png", "q2.png"})
        save(media::encodeStill(media::Frame::of(testPicture(3, 2, 8, false)), path(name)), path(name));
    const auto still = media::stillReader([&](int) { return path("s.png"); }, 1 << 20);
    std::shared_ptr<const media::Frame> first = still->read(0);
    EXPECT_EQ(still->read(1), first);
    const std::weak_ptr<const media::Frame> kept = first;
    first.reset();
    EXPECT_FALSE(kept.expired());
    still->letGo();
    EXPECT_TRUE(kept.expired());

    const auto seq =
        media::stillReader([&](int n) { return path("q" + std::to_string(n) + ".png"); }, 1 << 20);
    const std::weak_ptr<const media::Frame> dropped = seq->read(1);
    EXPECT_TRUE(dropped.expired());
    const std::shared_ptr<const media::Frame> held = seq->read(2);
    EXPECT_EQ(seq->read(2), held);
}

}  // namespace
}  // namespace duovis::mediatest
