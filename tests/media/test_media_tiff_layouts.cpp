// TIFF files in every layout other programs write: the layout changes where the bytes lie,
// never the pixels, their depth or their orientation.
#include "TiffFixture.h"
#include "media/StillFile.h"

namespace duovis::mediatest {
namespace {

const TiffLayout kLayouts[] = {{"strips", false, false},
                               {"strips_planes", false, true},
                               {"tiles", true, false},
                               {"tiles_planes", true, true}};

struct SampleCase {
    const char* name;
    TiffSamples samples;
};

// What a reader should make of `pic` stored as `f`: grey fills the colours, no alpha is opaque.
media::Picture expected(media::Picture pic, const TiffSamples& f) {
    for (int y = 0; y < pic.height; ++y)
        for (int x = 0; x < pic.width; ++x) {
            float* p = pic.row(y) + x * 4;
            if (f.channels <= 2) p[1] = p[2] = p[0];
            if (f.channels == 1 || f.channels == 3) p[3] = 1.0f;
        }
    return pic;
}

class TiffSamplesTest : public MediaTest, public ::testing::WithParamInterface<SampleCase> {};

// 37 x 21 leaves part-filled tiles and a short last strip.
TEST_P(TiffSamplesTest, EveryLayoutGivesTheSamePixelsAtTheirDepth) {
    const TiffSamples f = GetParam().samples;
    media::Picture in = testPicture(37, 21, f.bits == 32 ? 32 : f.bits, f.bits == 32, 3);
    for (std::size_t i = 3; i < in.rgba.size(); i += 4) in.rgba[i] = in.rgba[i - 3] * 0.5f + 0.25f;
    if (f.bits != 32)
        for (float& v : in.rgba) v = media::unitFromInt(media::intFromUnit(v, f.bits), f.bits);
    const media::Picture want = expected(in, f);
    for (const TiffLayout& layout : kLayouts) {
        const std::string file = path(std::string(layout.name) + ".tif");
        writeTiff(file, in, f, layout);
        const media::Frame got = media::readStill(file, 1 << 20);
        ASSERT_EQ(got.views.size(), 1u) << layout.name;
        const media::Picture& pic = got.views[0];
        EXPECT_EQ(pic.bits, f.bits) << layout.name;
        EXPECT_EQ(pic.isFloat, f.bits == 32) << layout.name;
        EXPECT_EQ(maxError(want, pic), 0.0f) << layout.name;
    }
}

INSTANTIATE_TEST_SUITE_P(Tiff, TiffSamplesTest,
                         ::testing::Values(SampleCase{"rgb8", {8, 3}}, SampleCase{"rgba16", {16, 4}},
                                           SampleCase{"grey16", {16, 1}}, SampleCase{"greyalpha8", {8, 2}},
                                           SampleCase{"rgbfloat", {32, 3}}, SampleCase{"rgbafloat", {32, 4}},
                                           SampleCase{"greyfloat", {32, 1}}),
                         [](const ::testing::TestParamInfo<SampleCase>& row) { return row.param.name; });

// Stored pixels 1 to 6 in two rows of three, and how each Orientation shows them.
struct OrientationCase {
    int orientation;
    int width;
    std::vector<int> shown;  // rows top to bottom
};

const OrientationCase kOrientations[] = {
    {1, 3, {1, 2, 3, 4, 5, 6}}, {2, 3, {3, 2, 1, 6, 5, 4}}, {3, 3, {6, 5, 4, 3, 2, 1}},
    {4, 3, {4, 5, 6, 1, 2, 3}}, {5, 2, {1, 4, 2, 5, 3, 6}}, {6, 2, {4, 1, 5, 2, 6, 3}},
    {7, 2, {6, 3, 5, 2, 4, 1}}, {8, 2, {3, 6, 2, 5, 1, 4}},
};

int labelOf(const media::Picture& pic, int x, int y) {
    return static_cast<int>(std::lround(pic.row(y)[x * 4] * 255.0f / 20.0f));
}

// A palette file goes through libtiff's own 8-bit reader: it must turn the same way.
void writePalette(const std::string& path, int orientation) {
    TIFF* t = TIFFOpen(path.c_str(), "w");
    ASSERT_NE(t, nullptr);
    TIFFSetField(t, TIFFTAG_IMAGEWIDTH, 3u);
    TIFFSetField(t, TIFFTAG_IMAGELENGTH, 2u);
    TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, 1);
    TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_PALETTE);
    TIFFSetField(t, TIFFTAG_ORIENTATION, orientation);
    std::vector<std::uint16_t> map(256);
    for (int i = 0; i < 256; ++i) map[i] = static_cast<std::uint16_t>(std::min(255, i * 20) * 257);
    TIFFSetField(t, TIFFTAG_COLORMAP, map.data(), map.data(), map.data());
    unsigned char rows[2][3] = {{1, 2, 3}, {4, 5, 6}};
    for (std::uint32_t y = 0; y < 2; ++y) TIFFWriteScanline(t, rows[y], y, 0);
    TIFFClose(t);
}

class TiffOrientationTest : public MediaTest, public ::testing::WithParamInterface<OrientationCase> {};

TEST_P(TiffOrientationTest, ShowsThePictureTheSameWayInEveryLayout) {
    const OrientationCase& c = GetParam();
    media::Picture stored(3, 2, 16);
    for (int i = 0; i < 6; ++i)
        for (int ch = 0; ch < 4; ++ch)
            stored.rgba[static_cast<std::size_t>(i) * 4 + ch] = static_cast<float>((i + 1) * 20) / 255.0f;
    std::vector<std::string> files;
    for (const TiffLayout& layout : kLayouts) {
        files.push_back(path(std::string(layout.name) + ".tif"));
        writeTiff(files.back(), stored, {layout.tiled ? 16 : 8, 3}, layout, c.orientation);
    }
    files.push_back(path("palette.tif"));
    writePalette(files.back(), c.orientation);
    for (const std::string& file : files) {
        const media::StillHeader h = media::readStillHeader(file);
        EXPECT_EQ(h.width, c.width) << file;
        const media::Picture pic = media::readStill(file, 1 << 20).views[0];
        ASSERT_EQ(pic.width, c.width) << file;
        ASSERT_EQ(pic.height, 6 / c.width) << file;
        std::vector<int> shown;
        for (int y = 0; y < pic.height; ++y)
            for (int x = 0; x < pic.width; ++x) shown.push_back(labelOf(pic, x, y));
        EXPECT_EQ(shown, c.shown) << file << " orientation " << c.orientation;
    }
}

INSTANTIATE_TEST_SUITE_P(Tiff, TiffOrientationTest, ::testing::ValuesIn(kOrientations),
                         [](const ::testing::TestParamInfo<OrientationCase>& row) {
                             return "orientation" + std::to_string(row.param.orientation);
                         });

}  // namespace
}  // namespace duovis::mediatest
