// OpenEXR layouts other programs write and we do not: tiled files, stereo kept as two parts
// named by view rather than one part with a multiView list, and colour kept in layers.
#include <ImfChannelList.h>
#include <ImfFrameBuffer.h>
#include <ImfHeader.h>
#include <ImfMultiPartOutputFile.h>
#include <ImfOutputFile.h>
#include <ImfOutputPart.h>
#include <ImfPartType.h>
#include <ImfStandardAttributes.h>
#include <ImfTiledOutputFile.h>

#include "MediaFixture.h"
#include "media/StillFile.h"

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

// Files whose colour is in layers, or whose views lack it. Each channel is read from the left
// picture, or the right where its name holds "right"; its last letter picks the colour (Z
// takes red).
struct ChannelCase {
    const char* file;
    std::vector<std::string> multiView;
    std::vector<std::string> channels;
    int views;         // read, or 0 where the file is refused
    const char* says;  // in the refusal, after the file's name
};

void writeChannels(const std::string& file, const ChannelCase& c, const media::Picture (&pics)[2]) {
    Imf::Header h(pics[0].width, pics[0].height);
    if (!c.multiView.empty()) Imf::addMultiView(h, c.multiView);
    Imf::FrameBuffer fb;
    const std::size_t xs = 4 * sizeof(float), ys = xs * static_cast<std::size_t>(pics[0].width);
    for (const std::string& name : c.channels) {
        const media::Picture& pic = pics[name.find("right") != std::string::npos ? 1 : 0];
        const std::size_t at = std::string("RGBA").find(name.back());
        h.channels().insert(name, Imf::Channel(Imf::FLOAT));
        char* base =
            reinterpret_cast<char*>(const_cast<float*>(pic.rgba.data() + (at == std::string::npos ? 0 : at)));
        fb.insert(name, Imf::Slice(Imf::FLOAT, base, xs, ys));
    }
    Imf::OutputFile out(file.c_str(), h);
    out.setFrameBuffer(fb);
    out.writePixels(pics[0].height);
}

TEST_F(MediaTest, ReadsTheOneColourLayerAndNamesWhatIsMissing) {
    const ChannelCase cases[] = {
        {"combined.exr",
         {},
         {"ViewLayer.Combined.R", "ViewLayer.Combined.G", "ViewLayer.Combined.B", "ViewLayer.Combined.A",
          "ViewLayer.Depth.Z"},
         1,
         ""},
        {"base.exr", {}, {"R", "G", "B", "A", "diffuse.R", "diffuse.G", "diffuse.B"}, 1, ""},
        {"stereo_layer.exr",
         {"left", "right"},
         {"ViewLayer.Combined.left.R", "ViewLayer.Combined.left.G", "ViewLayer.Combined.left.B",
          "ViewLayer.Combined.left.A", "ViewLayer.Combined.right.R", "ViewLayer.Combined.right.G",
          "ViewLayer.Combined.right.B", "ViewLayer.Combined.right.A"},
         2,
         ""},
        {"two_layers.exr",
         {},
         {"diffuse.R", "diffuse.G", "diffuse.B", "specular.R", "specular.G", "specular.B"},
         0,
         "has colour in several layers (diffuse, specular), none of them the picture's"},
        {"depth.exr", {}, {"Z"}, 0, "has no colour channels (R, G, B or Y), only Z"},
        {"no_right.exr",
         {"left", "right"},
         {"R", "G", "B", "A"},
         0,
         "the right view has no colour channels (right.R, right.G, right.B or right.Y), no channels at all"},
        {"right_depth.exr",
         {"left", "right"},
         {"R", "G", "B", "right.Z"},
         0,
         "the right view has no colour channels (right.R, right.G, right.B or right.Y), only right.Z"},
    };
    const media::Picture pics[2] = {testPicture(6, 4, 32, true, 8), testPicture(6, 4, 32, true, 9)};
    for (const ChannelCase& c : cases) {
        const std::string file = path(c.file);
        writeChannels(file, c, pics);
        if (c.views == 0) {
            try {
                media::readStill(file, 1 << 20);
                ADD_FAILURE() << c.file << " was read";
            } catch (const std::runtime_error& e) {
                EXPECT_EQ(std::string(e.what()), file + ": " + c.says);
            }
            continue;
        }
        EXPECT_EQ(media::readStillHeader(file).views, c.views) << c.file;
        const media::Frame got = media::readStill(file, 1 << 20);
        ASSERT_EQ(got.views.size(), static_cast<std::size_t>(c.views)) << c.file;
        for (int v = 0; v < c.views; ++v)
            EXPECT_EQ(maxError(pics[v], got.views[v]), 0.0f) << c.file << " " << v;
    }
}

}  // namespace
}  // namespace duovis::mediatest
