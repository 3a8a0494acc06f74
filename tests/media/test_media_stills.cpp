// Still files of every family written and read back: exact where the format is lossless at
// the picture's depth, within the format's own step where it is not.
#include <ImfChannelList.h>
#include <ImfFrameBuffer.h>
#include <ImfHeader.h>
#include <ImfOutputFile.h>
#include <zlib.h>

#include <QFile>
#include <cmath>
#include <functional>

#include "MediaFixture.h"
#include "TiffFixture.h"
#include "media/FrameIO.h"
#include "media/StillFile.h"

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

namespace duovis::mediatest {
namespace {

QByteArray contents(const std::string& path) {
    QFile f(QString::fromStdString(path));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void putU32(QByteArray& bytes, int at, std::uint32_t v, bool bigEndian) {
    for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<char>(v >> (bigEndian ? 24 - 8 * i : 8 * i));
}

// A little-endian TIFF's ImageWidth and ImageLength entries made LONGs of the given values.
void declareTiffSize(const std::string& path, std::uint32_t w, std::uint32_t h) {
    writeTiff(path, testPicture(4, 4, 8, false), {8, 3}, {"strips", false, false});
    QByteArray b = contents(path);
    const auto u = [&](int at, int n) {
        std::uint32_t v = 0;
        for (int i = 0; i < n; ++i) v |= std::uint32_t(static_cast<unsigned char>(b[at + i])) << (8 * i);
        return v;
    };
    const int ifd = static_cast<int>(u(4, 4));
    for (int e = 0; e < static_cast<int>(u(ifd, 2)); ++e) {
        const int at = ifd + 2 + 12 * e;
        const std::uint32_t tag = u(at, 2);
        if (tag != TIFFTAG_IMAGEWIDTH && tag != TIFFTAG_IMAGELENGTH) continue;
        b[at + 2] = TIFF_LONG, b[at + 3] = 0;
        putU32(b, at + 4, 1, false);
        putU32(b, at + 8, tag == TIFFTAG_IMAGEWIDTH ? w : h, false);
    }
    save(b, path);
}

// An 8 x 8 picture over a data window of `side` x `side`.
void writeExrWindow(const std::string& path, int side) {
    Imf::Header h(Imath::Box2i({0, 0}, {7, 7}), Imath::Box2i({0, 0}, {side - 1, side - 1}));
    // One row of values serves every row; the library steps along a row, so it must be real.
    const std::vector<float> row(static_cast<std::size_t>(side) * 4, 0.5f);
    char* base = reinterpret_cast<char*>(const_cast<float*>(row.data()));
    Imf::FrameBuffer fb;
    const char* names[] = {"R", "G", "B", "A"};
    for (int c = 0; c < 4; ++c) {
        h.channels().insert(names[c], Imf::Channel(Imf::FLOAT));
        fb.insert(names[c], Imf::Slice(Imf::FLOAT, base + c * sizeof(float), 4 * sizeof(float), 0));
    }
    Imf::OutputFile out(path.c_str(), h);
    out.setFrameBuffer(fb);
    out.writePixels(side);
}

// The data window of an 8 x 8 file widened in its header to four thousand million pixels.
void writeAbsurdExrWindow(const std::string& path) {
    writeExrWindow(path, 8);
    QByteArray b = contents(path);
    const int at = b.indexOf(QByteArray("dataWindow\0box2i\0", 17)) + 17 + 4;
    putU32(b, at, static_cast<std::uint32_t>(-2000000000), false);
    putU32(b, at + 8, 2000000000u, false);
    save(b, path);
}

// A PNG header of `side` x `side` followed by the start of its data, and nothing more.
void writePngHeader(const std::string& path, std::uint32_t side) {
    QByteArray ihdr("IHDR", 4);
    ihdr.append(QByteArray(13, '\0'));
    putU32(ihdr, 4, side, true);
    putU32(ihdr, 8, side, true);
    ihdr[12] = 8, ihdr[13] = 2;  // 8-bit RGB
    QByteArray b("\x89PNG\r\n\x1a\n", 8);
    QByteArray len(4, '\0'), crc(4, '\0');
    putU32(len, 0, 13, true);
    putU32(crc, 0, static_cast<std::uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(ihdr.constData()), 17)),
           true);
    b += len + ihdr + crc;
    b += QByteArray("\0\0\0\x10IDAT", 8) + QByteArray(20, '\x55');
    save(b, path);
}

// A DPX whose image element declares `w` x `h`.
void declareDpxSize(const std::string& path, std::uint32_t w, std::uint32_t h) {
    QByteArray b = media::encodeStill(media::Frame::of(testPicture(4, 4, 8, false)), path);
    putU32(b, 772, w, b.startsWith("SDPX"));
    putU32(b, 776, h, b.startsWith("SDPX"));
    save(b, path);
}

struct DeclaredSizeCase {
    const char* file;
    std::function<void(const std::string&)> make;
    long long maxPixels;
    const char* says;
};

constexpr long long kDefaultLimit = 300'000'000;

// Sizes that wrap in an int, exceed the limit only in 64 bits, or hide in an OpenEXR data
// window are refused from the header, naming the file, before any pixel memory is taken.
TEST_F(MediaTest, DeclaredSizesAreCheckedBeforeDecoding) {
    const DeclaredSizeCase cases[] = {
        {"wide.tif", [](const std::string& p) { declareTiffSize(p, 4294967295u, 4); }, kDefaultLimit,
         "declares 4294967295 x 4 pixels, not a usable picture size"},
        {"huge.tif", [](const std::string& p) { declareTiffSize(p, 65535, 65535); }, kDefaultLimit,
         "declares 65535 x 65535 pixels, more than the limit of 300 megapixels"},
        {"window.exr", [](const std::string& p) { writeExrWindow(p, 1500); }, 1 << 20,
         "declares 1500 x 1500 pixels (its data window), more than the limit"},
        {"absurd.exr", writeAbsurdExrWindow, kDefaultLimit, "cannot read OpenEXR file"},
        {"huge.png", [](const std::string& p) { writePngHeader(p, 20000); }, kDefaultLimit,
         "declares 20000 x 20000 pixels, more than the limit"},
        {"huge.dpx", [](const std::string& p) { declareDpxSize(p, 100000, 100000); }, kDefaultLimit,
         "declares 100000 x 100000 pixels, more than the limit"},
        {"wide.dpx", [](const std::string& p) { declareDpxSize(p, 4294967295u, 4); }, kDefaultLimit,
         "declares 4294967295 x 4 pixels, not a usable picture size"},
    };
    for (const DeclaredSizeCase& c : cases) {
        const std::string file = path(c.file);
        c.make(file);
        try {
            media::readStill(file, c.maxPixels);
            ADD_FAILURE() << c.file << " was read";
        } catch (const std::runtime_error& e) {
            const std::string what = e.what();
            EXPECT_EQ(what.rfind(file + ": ", 0), 0u) << what;
            EXPECT_NE(what.find(c.says), std::string::npos) << what;
            EXPECT_EQ(what.find('\n'), std::string::npos) << what;
        }
    }
}

}  // namespace
}  // namespace duovis::mediatest
