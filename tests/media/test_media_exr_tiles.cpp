// Tiled OpenEXR written and read back: the tile size asked for (at most the picture's), the
// channel type the picture chooses, and every value exactly, NaN and values outside 0..1 too.
#include <half.h>
#include <QFile>

#include "MediaFixture.h"
#include "media/StillFile.h"

namespace duovis::mediatest {
namespace {

struct TileCase {
    int views;
    int bits;  // 16: half channels, 32: float
    media::TileSize asked;
    media::TileSize stored;  // 0 x 0: scanlines
};

// What a channel of `bits` holds of `pic`: half rounds every value once.
media::Picture asStored(media::Picture pic, int bits) {
    if (bits == 16)
        for (float& v : pic.rgba) v = static_cast<float>(Imath::half(v));
    return pic;
}

class ExrTiles : public MediaTest, public ::testing::WithParamInterface<TileCase> {};

TEST_P(ExrTiles, ReadBackInTheTilesWrittenWithTheSameValues) {
    const TileCase& c = GetParam();
    media::Frame in;
    for (int v = 0; v < c.views; ++v) in.views.push_back(testPicture(21, 13, c.bits, true, 10 + v));
    const std::string file = path("t.exr");
    {
        const QByteArray bytes = media::encodeStill(in, file, c.asked);
        QFile f(QString::fromStdString(file));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        ASSERT_EQ(f.write(bytes), bytes.size());
    }
    const media::StillHeader h = media::readStillHeader(file);
    EXPECT_EQ(h.views, c.views);
    EXPECT_EQ(h.tiles.width, c.stored.width);
    EXPECT_EQ(h.tiles.height, c.stored.height);
    const media::Frame out = media::readStill(file, 1 << 20);
    ASSERT_EQ(out.views.size(), in.views.size());
    for (std::size_t v = 0; v < in.views.size(); ++v) {
        EXPECT_EQ(out.views[v].bits, c.bits) << "view " << v;
        EXPECT_EQ(maxError(asStored(in.views[v], c.bits), out.views[v]), 0.0f) << "view " << v;
    }
}

// 21 x 13 leaves partial tiles at the right and bottom edges.
INSTANTIATE_TEST_SUITE_P(Layouts, ExrTiles,
                         ::testing::Values(TileCase{1, 32, {8, 4}, {8, 4}}, TileCase{1, 16, {5, 3}, {5, 3}},
                                           TileCase{2, 16, {16, 16}, {16, 13}},
                                           TileCase{2, 32, {1, 1}, {1, 1}}, TileCase{2, 32, {64, 8}, {21, 8}},
                                           TileCase{1, 16, {}, {}}, TileCase{2, 32, {}, {}}));

}  // namespace
}  // namespace duovis::mediatest
