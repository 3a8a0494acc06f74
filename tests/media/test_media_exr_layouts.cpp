// OpenEXR layouts other programs write and we do not: tiled files, and stereo kept as two
// parts named by view rather than one part with a multiView list.
#include <ImfChannelList.h>
#include <ImfFrameBuffer.h>
#include <ImfHeader.h>
#include <ImfMultiPartOutputFile.h>
#include <ImfOutputPart.h>
#include <ImfPartType.h>
#include <ImfStandardAttributes.h>
#include <ImfTiledOutputFile.h>

#include "MediaFixture.h"
#include "StillFile.h"

namespace duovis::mediatest {
namespace {

Imf::Header rgbaHeader(const media::Picture& pic) {
    Imf::Header h(pic.width, pic.height);
    for (const char* c : {"R", "G", "B", "A"}) h.channels().insert(c, Imf::Channel(Imf::FLOAT));
    return h;
}

Imf::FrameBuffer slices(const media::Picture& pic) {
    Imf::FrameBuffer fb;
    const std::size_t xs = 4 * sizeof(float), ys = xs * static_cast<std::size_t>(pic.width);
    const char* names[] = {"R", "G", "B", "A"};
    for (int c = 0; c < 4; ++c)
        fb.insert(
            names[c],
            Imf::Slice(Imf::FLOAT, reinterpret_cast<char*>(const_cast<float*>(pic.rgba.data() + c)), xs, ys));
    return fb;
}

TEST_F(MediaTest, ReadsTiledFiles) {
    const media::Picture in = testPicture(21, 13, 32, true, 5);
    Imf::Header h = rgbaHeader(in);
    h.setTileDescription(Imf::TileDescription(8, 8, Imf::ONE_LEVEL));
    {
        Imf::TiledOutputFile out(path("t.exr").c_str(), h);
        out.setFrameBuffer(slices(in));
        out.writeTiles(0, out.numXTiles() - 1, 0, out.numYTiles() - 1);
    }
    const media::Frame got = media::readStill(path("t.exr"), 1 << 20);
    ASSERT_EQ(got.views.size(), 1u);
    EXPECT_EQ(maxError(in, got.views[0]), 0.0f);
}

TEST_F(MediaTest, ReadsViewsKeptInPartsOfTheirOwn) {
    const media::Picture left = testPicture(9, 4, 32, true, 6), right = testPicture(9, 4, 32, true, 7);
    std::vector<Imf::Header> headers{rgbaHeader(left), rgbaHeader(right)};
    // The right part first: the views are found by name, not by place.
    headers[0].setName("r");
    headers[0].setView("right");
    headers[1].setName("l");
    headers[1].setView("left");
    for (Imf::Header& hd : headers) hd.setType(Imf::SCANLINEIMAGE);
    {
        Imf::MultiPartOutputFile out(path("p.exr").c_str(), headers.data(), 2);
        Imf::OutputPart r(out, 0), l(out, 1);
        r.setFrameBuffer(slices(right));
        r.writePixels(right.height);
        l.setFrameBuffer(slices(left));
        l.writePixels(left.height);
    }
    const media::Frame got = media::readStill(path("p.exr"), 1 << 20);
    ASSERT_EQ(got.views.size(), 2u);
    EXPECT_EQ(maxError(left, got.views[0]), 0.0f);
    EXPECT_EQ(maxError(right, got.views[1]), 0.0f);
}

}  // namespace
}  // namespace duovis::mediatest
