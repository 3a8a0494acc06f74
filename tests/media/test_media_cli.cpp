// duovis render on video and two-view OpenEXR inputs the tests write with the media writers
// or ffmpeg: the demux chosen from stereo metadata, the layout written, audio kept, frames in
// order and exact through a lossless codec, float values through two-view files, pipes, and
// the refusals.
#include <QFile>
#include <QProcess>
#include <cmath>

#include "../cli/CliFixture.h"
#include "MediaFixture.h"
#include "StillFile.h"
#include "TiffFixture.h"
#include "VideoReader.h"
#include "VideoWriter.h"

namespace duovis::mediatest {
namespace {

using clitest::Result;

// An eye of one flat colour.
void fill(media::Picture& pic, int x0, int y0, int w, int h, unsigned char r, unsigned char b) {
    for (int y = y0; y < y0 + h; ++y)
        for (int x = x0; x < x0 + w; ++x) {
            unsigned char* p = pic.row8(y) + x * 4;
            p[0] = r, p[1] = 0, p[2] = b, p[3] = 255;
        }
}

class MediaCli : public MediaTest {
  protected:
    Result run(const QStringList& args) const { return clitest::runCli(args, dir_.path()); }
    // A two-frame clip of a red left eye and a blue right eye packed as `layout` says,
    // carrying that layout as metadata.
    void writePackedClip(const std::string& name, media::StereoLayout layout) const {
        const bool sbs = layout.packing == media::Packing::SideBySide;
        const int eyeW = 32, eyeH = 18;
        media::Picture pic = media::Picture::bytes(sbs ? 2 * eyeW : eyeW, sbs ? eyeH : 2 * eyeH);
        const int dx = sbs ? eyeW : 0, dy = sbs ? 0 : eyeH;
        fill(pic, 0, 0, eyeW, eyeH, layout.rightFirst ? 0 : 255, layout.rightFirst ? 255 : 0);
        fill(pic, dx, dy, eyeW, eyeH, layout.rightFirst ? 255 : 0, layout.rightFirst ? 0 : 255);
        media::VideoSettings s;
        s.layout = layout;
        media::VideoWriter w(path(name), s, pic.width, pic.height);
        w.write(pic);
        w.write(pic);
        w.finish();
    }
    // Runs ffmpeg in the scratch folder to make a fixture.
    void ffmpeg(const QStringList& args) const {
        QProcess ff;
        ff.setWorkingDirectory(dir_.path());
        ff.start("ffmpeg", QStringList{"-v", "error", "-y"} + args);
        ASSERT_TRUE(ff.waitForFinished(60000));
        ASSERT_EQ(ff.exitCode(), 0) << ff.readAllStandardError().toStdString();
    }
    // Two Motion-JPEG clips joined without re-encoding, so the stream changes mid-way.
    void writeJoined(const QString& name, const QString& second) const {
        ffmpeg({"-f", "lavfi", "-i", "testsrc=s=32x18:r=25", "-t", "0.2", "-c:v", "mjpeg", "j1.mkv"});
        ffmpeg({"-f", "lavfi", "-i", "testsrc=" + second, "-t", "0.4", "-c:v", "mjpeg", "j2.mkv"});
        QFile list(dir_.filePath("list.txt"));
        ASSERT_TRUE(list.open(QIODevice::WriteOnly));
        list.write("file 'j1.mkv'\nfile 'j2.mkv'\n");
        list.close();
        ffmpeg({"-f", "concat", "-safe", "0", "-i", "list.txt", "-c", "copy", name});
    }
    QString probe(const std::string& file, const char* entries) const {
        QProcess p;
        p.start("ffprobe", {"-v", "error", "-show_entries", entries, "-of", "csv=p=0",
                            QString::fromStdString(path(file))});
        p.waitForFinished(30000);
        return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
    }
};

struct DemuxCase {
    const char* file;
    media::StereoLayout layout;
    const char* extra;  // another -p, or ""
    int width;          // of the Left display
};

TEST_F(MediaCli, StereoMetadataChoosesTheDemuxUnlessToldOtherwise) {
    const DemuxCase cases[] = {
        {"sbs.mp4", {media::Packing::SideBySide, false}, "", 32},
        {"tb.mkv", {media::Packing::TopBottom, false}, "", 32},
        {"rl.mkv", {media::Packing::SideBySide, true}, "", 32},
        {"own.mp4", {media::Packing::SideBySide, false}, "PRIMARY_DEMUX_MODE=None", 64}};
    for (const DemuxCase& c : cases) {
        writePackedClip(c.file, c.layout);
        QStringList args{"render", c.file, "--frame", "1", "-p", "DISPLAY_TYPE=Left", "-o", "left.png"};
        if (*c.extra != 0) args << "-p" << c.extra;
        const Result r = run(args);
        ASSERT_EQ(r.exitCode, 0) << c.file << ": " << r.err.toStdString();
        const QImage out(dir_.filePath("left.png"));
        EXPECT_EQ(out.width(), c.width) << c.file;
        const QRgb p = out.pixel(4, out.height() / 2);
        EXPECT_GT(qRed(p), 200) << c.file << ": the left eye is the red one";
        EXPECT_LT(qBlue(p), 60) << c.file;
    }
}

TEST_F(MediaCli, SideBySideAndTopBottomOutputsSayTheirLayout) {
    struct Case {
        const char* display;
        media::Packing packing;
    };
    const Case cases[] = {{"Side-By-Side(100%)", media::Packing::SideBySide},
                          {"Top-Bottom(50%)", media::Packing::TopBottom},
                          {"Anaglyph (Red/Cyan)", media::Packing::None}};
    writePackedClip("in.mp4", {media::Packing::SideBySide, false});
    for (const Case& c : cases) {
        const Result r =
            run({"render", "in.mp4", "-p", QString("DISPLAY_TYPE=") + c.display, "-o", "out.mkv"});
        ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
        EXPECT_EQ(media::VideoReader(path("out.mkv")).info().layout.packing, c.packing) << c.display;
    }
}

TEST_F(MediaCli, AudioIsCopiedForTheFramesRendered) {
    ffmpeg({"-f", "lavfi", "-i", "testsrc2=size=64x36:rate=25", "-f", "lavfi", "-i",
            "sine=frequency=440:sample_rate=48000", "-t", "2", "-c:v", "libx264", "-pix_fmt", "yuv420p",
            "-c:a", "aac", "a.mp4"});
    const Result r = run({"render", "a.mp4", "--frames", "10-34", "-o", "b.mp4"});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(probe("b.mp4", "stream=codec_name").contains("aac"));
    EXPECT_TRUE(probe("b.mp4", "stream=avg_frame_rate").startsWith("25/1"));
    // 25 frames at 25 a second: a second of audio, give or take one audio packet.
    const double seconds = probe("b.mp4", "format=duration").toDouble();
    EXPECT_NEAR(seconds, 1.0, 0.05);
}

TEST_F(MediaCli, LosslessVideoHoldsEveryFrameInOrder) {
    for (int i = 1; i <= 4; ++i) {
        const QString n = QString::number(i).rightJustified(4, '0');
        ASSERT_TRUE(clitest::pattern(32, 18, i * 11).save(dir_.filePath("L_" + n + ".png")));
    }
    // The Left display is opaque throughout, as a video, which has no alpha, must be.
    ASSERT_EQ(run({"render", "L_%04d.png", "-p", "DISPLAY_TYPE=Left", "-o", "o_%04d.png"}).exitCode, 0);
    const Result r =
        run({"render", "L_%04d.png", "-p", "DISPLAY_TYPE=Left", "--codec", "ffv1", "-o", "o.mkv"});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    media::VideoReader video(path("o.mkv"));
    for (int i = 0; i < 4; ++i) {
        const auto frame = video.read(i);
        ASSERT_TRUE(frame) << i;
        const std::string png = path("o_" + std::to_string(10001 + i).substr(1) + ".png");
        EXPECT_EQ(maxError(frame->views[0], media::readStill(png, 1 << 20).views[0]), 0.0f) << png;
    }
    EXPECT_FALSE(video.read(4));
}

TEST_F(MediaCli, TwoViewExrRendersBothEyesInFloat) {
    const media::Frame in{{testPicture(16, 8, 32, true, 3), testPicture(16, 8, 32, true, 4)}};
    QFile f(QString::fromStdString(path("shot.0001.exr")));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(media::encodeStill(in, path("shot.0001.exr")));
    f.close();
    const Result r = run({"render", "shot.%04d.exr", "--host", "premiere", "-o", "fixed.%04d.exr"});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const media::Frame out = media::readStill(path("fixed.0001.exr"), 1 << 20);
    ASSERT_EQ(out.views.size(), 2u);
    // Untouched geometry: each eye comes back as it went in, negatives and values above 1 too.
    for (int v = 0; v < 2; ++v) {
        media::Picture want = in.views[v], got = out.views[v];
        want.row(0)[1] = got.row(0)[1] = 0;  // the NaN's fate is the effect's business
        EXPECT_EQ(maxError(want, got), 0.0f) << "view " << v;
    }
}

// A frame of a two-view sequence that has lost its right view stops the render, naming it,
// rather than giving a black eye.
TEST_F(MediaCli, TwoViewSequenceRefusesAFrameWithoutItsRightView) {
    const media::Picture left = testPicture(16, 8, 32, true, 3), right = testPicture(16, 8, 32, true, 4);
    for (const auto& [name, frame] : {std::pair{"shot.0001.exr", media::Frame{{left, right}}},
                                      std::pair{"shot.0002.exr", media::Frame{{left}}}}) {
        QFile f(QString::fromStdString(path(name)));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(media::encodeStill(frame, path(name)));
    }
    const Result r = run({"render", "shot.%04d.exr", "--host", "premiere", "-o", "fixed.%04d.exr"});
    EXPECT_NE(r.exitCode, 0);
    EXPECT_TRUE(r.err.contains("shot.0002.exr: has no right view")) << r.err.toStdString();
    EXPECT_EQ(r.err.trimmed().count('\n'), 0) << r.err.toStdString();
}

// A 16-bit TIFF reaches the float host at 16 bits however its samples are laid out.
TEST_F(MediaCli, DeepTiffsStayDeepInEveryLayout) {
    const media::Picture in = testPicture(32, 18, 16, false, 5);
    const TiffLayout layouts[] = {{"strips", false, false},
                                  {"planes", false, true},
                                  {"tiles", true, false},
                                  {"tile_planes", true, true}};
    for (const TiffLayout& layout : layouts) {
        const QString name = QString(layout.name) + ".tif";
        writeTiff(path(name.toStdString()), in, {16, 3}, layout);
        const Result r = run({"render", name, "--host", "premiere", "-o", "out_" + name});
        ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
        EXPECT_EQ(media::readStill(path("out_" + name.toStdString()), 1 << 20).views[0].bits, 16)
            << layout.name;
    }
}

// An OpenEXR output keeps the primary's tiles unless --exr-tiles says otherwise.
TEST_F(MediaCli, ExrOutputsKeepTheInputsTilesOrTakeTheFlags) {
    const media::Picture a = testPicture(16, 8, 32, true, 5), b = testPicture(16, 8, 32, true, 6);
    const auto write = [this](const media::Frame& frame, const std::string& name, media::TileSize tiles) {
        QFile f(QString::fromStdString(path(name)));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(media::encodeStill(frame, path(name), tiles));
    };
    write(media::Frame{{a}}, "tiled.exr", {16, 8});
    write(media::Frame{{a, b}}, "views.exr", {8, 4});
    write(media::Frame{{a}}, "lines.exr", {});
    struct Case {
        QStringList args;
        media::TileSize stored;
        int views;
    };
    const Case cases[] = {
        {{"tiled.exr"}, {16, 8}, 1},
        {{"views.exr"}, {8, 4}, 2},
        {{"lines.exr"}, {}, 1},
        {{"lines.exr", "--second", "tiled.exr"}, {}, 1},
        {{"tiled.exr", "--exr-tiles", "none"}, {}, 1},
        {{"lines.exr", "--exr-tiles", "4x2"}, {4, 2}, 1},
        {{"views.exr", "--exr-tiles", "2x8"}, {2, 8}, 2},
        {{"lines.exr", "--views", "--second", "tiled.exr", "--exr-tiles", "8x8"}, {8, 8}, 2},
    };
    for (const Case& c : cases) {
        QFile::remove(dir_.filePath("out.exr"));
        const Result r =
            run(QStringList{"render"} + c.args + QStringList{"--host", "premiere", "-o", "out.exr"});
        ASSERT_EQ(r.exitCode, 0) << c.args.join(' ').toStdString() << ": " << r.err.toStdString();
        const media::StillHeader h = media::readStillHeader(path("out.exr"));
        EXPECT_EQ(h.tiles.width, c.stored.width) << c.args.join(' ').toStdString();
        EXPECT_EQ(h.tiles.height, c.stored.height) << c.args.join(' ').toStdString();
        EXPECT_EQ(h.views, c.views) << c.args.join(' ').toStdString();
    }
}

TEST_F(MediaCli, DeepSourcesStayDeepWhereTheHostAndCodecAre) {
    ffmpeg({"-f", "lavfi", "-i", "testsrc2=size=64x36:rate=25", "-frames:v", "3", "-c:v", "prores_ks",
            "-pix_fmt", "yuv422p10le", "deep.mov"});
    struct Case {
        const char* codec;
        const char* host;
        const char* pixFmt;
    };
    const Case cases[] = {{"h265", "premiere", "yuv420p10le"},
                          {"h265", "ae", "yuv420p"},
                          {"ffv1", "premiere", "gbrp16le"},
                          {"prores", "ae", "yuv422p10le"}};
    for (const Case& c : cases) {
        const Result r = run({"render", "deep.mov", "-p", "DISPLAY_TYPE=Left", "--host", c.host, "--codec",
                              c.codec, "-o", "out.mkv"});
        ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
        EXPECT_EQ(probe("out.mkv", "stream=pix_fmt"), c.pixFmt) << c.codec << " " << c.host;
    }
    // A 16-bit TIFF of the float render holds values between the 8-bit steps.
    ASSERT_EQ(run({"render", "deep.mov", "--frame", "1", "-p", "DISPLAY_TYPE=Left", "--host", "premiere",
                   "-o", "deep.tif"})
                  .exitCode,
              0);
    const media::Picture tif = media::readStill(path("deep.tif"), 1 << 20).views[0];
    EXPECT_EQ(tif.bits, 16);
    int offGrid = 0;
    for (const float v : tif.rgba) offGrid += std::fabs(v * 255.0f - std::round(v * 255.0f)) > 0.01f;
    EXPECT_GT(offGrid, static_cast<int>(tif.rgba.size() / 8));
}

TEST_F(MediaCli, SecondLayerMayBeAVideo) {
    writePackedClip("left.mp4", {media::Packing::SideBySide, false});
    const Result r =
        run({"render", "left.mp4", "--frame", "0", "--second", "left.mp4", "-p",
             "SECONDARY_DEMUX_MODE=Side-By-Side(100%)", "-p", "SECONDARY_DEMUX_CHANNEL=Right(Bottom)", "-p",
             "PRIMARY_DEMUX_MODE=Side-By-Side(100%)", "-p", "PRIMARY_DEMUX_CHANNEL=Left(Top)", "-p",
             "DISPLAY_TYPE=Right", "-o", "right.png"});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QImage out(dir_.filePath("right.png"));
    EXPECT_GT(qBlue(out.pixel(4, out.height() / 2)), 200) << "the right eye comes from the second video";
    // A frame offset past the second video's end names the frame it wanted.
    const Result past = run(
        {"render", "left.mp4", "--second", "left.mp4", "-p", "SECONDARY_FRAME_OFFSET=5", "-o", "o_%04d.png"});
    EXPECT_NE(past.exitCode, 0);
    EXPECT_TRUE(past.err.contains("left.mp4 frame 5")) << past.err.toStdString();
}

// Runs duovis with `input` on standard input; returns its standard output.
QByteArray piped(const QString& dir, const QStringList& args, const QByteArray& input) {
    QProcess p;
    p.setWorkingDirectory(dir);
    p.start(DUOVIS_CLI_PATH, args);
    p.write(input);
    p.closeWriteChannel();
    p.waitForFinished(60000);
    EXPECT_EQ(p.exitCode(), 0) << args.join(' ').toStdString() << ": "
                               << p.readAllStandardError().toStdString();
    return p.readAllStandardOutput();
}

TEST_F(MediaCli, PipesFramesOutAndBackIn) {
    writePackedClip("in.mp4", {media::Packing::SideBySide, false});
    const QByteArray y4m = piped(dir_.path(), {"render", "in.mp4", "-o", "-"}, {});
    EXPECT_TRUE(y4m.startsWith("YUV4MPEG2 W32 H18 F24:1")) << y4m.left(40).toStdString();
    EXPECT_EQ(y4m.count("FRAME"), 2);
    const QByteArray rgba =
        piped(dir_.path(), {"render", "in.mp4", "-p", "DISPLAY_TYPE=Left", "--pipe", "rgba", "-o", "-"}, {});
    EXPECT_EQ(rgba.size(), 2 * 32 * 18 * 4);
    const QByteArray wide = piped(dir_.path(), {"render", "in.mp4", "--pipe", "rgba64", "-o", "-"}, {});
    EXPECT_EQ(wide.size(), 2 * 32 * 18 * 8);

    // And back in, as ffmpeg pipes them: the second frame of each is the eye it was.
    piped(dir_.path(), {"render", "-", "--frame", "1", "-p", "DISPLAY_TYPE=Left", "-o", "from-y4m.png"}, y4m);
    piped(dir_.path(),
          {"render", "-", "--pipe", "rgba", "--pipe-size", "32x18", "--frame", "1", "-o", "from-rgba.png"},
          rgba);
    // Every frame of a pipe of unknown length, to a numbered sequence.
    piped(dir_.path(), {"render", "-", "-o", "all_%04d.png"}, y4m);
    EXPECT_TRUE(QFile::exists(dir_.filePath("all_0001.png")));
    EXPECT_FALSE(QFile::exists(dir_.filePath("all_0002.png")));
    for (const char* name : {"from-y4m.png", "from-rgba.png"}) {
        const QImage out(dir_.filePath(name));
        ASSERT_EQ(out.size(), QSize(32, 18)) << name;
        EXPECT_GT(qRed(out.pixel(4, 9)), 200) << name;
    }
}

TEST_F(MediaCli, RefusalsSayWhyInOneLineAndWriteNothing) {
    writePackedClip("in.mp4", {media::Packing::SideBySide, false});
    ASSERT_TRUE(QFile(dir_.filePath("junk.mp4")).open(QIODevice::WriteOnly));
    media::VideoSettings ffv1;
    ffv1.codec = "ffv1";
    media::VideoWriter odd(path("odd.mkv"), ffv1, 33, 17);
    odd.write(testPicture(33, 17, 8, false));
    odd.finish();
    writeJoined("resized.mkv", "s=48x18:r=25");
    writeJoined("slower.mkv", "s=32x18:r=10");
    struct Case {
        QStringList args;
        const char* says;
    };
    const Case cases[] = {
        {{"render", "in.mp4", "--frames", "0-5", "-o", "x.mp4"}, "has 2 frames"},
        {{"render", "in.mp4", "--codec", "vp9", "-o", "x.mp4"}, "h264"},
        {{"render", "in.mp4", "--frame", "0", "--views", "-o", "x.png"}, "--views"},
        {{"render", "in.mp4", "--crf", "20", "--bitrate", "1M", "-o", "x.mp4"}, "--crf"},
        {{"render", "junk.mp4", "-o", "x.mp4"}, "junk.mp4"},
        {{"render", "odd.mkv", "--codec", "h264", "-o", "x.mp4"}, "even"},
        {{"render", "resized.mkv", "-o", "x.mp4"}, "frame 5 is 48 x 18"},
        {{"render", "slower.mkv", "-o", "x.mp4"}, "frame 6 changes the frame rate"},
        {{"render", "in.mp4", "--exr-tiles", "8x8", "-o", "x.mp4"}, "x.mp4: --exr-tiles needs an OpenEXR"},
        {{"render", "in.mp4", "--frame", "0", "--exr-tiles", "none", "-o", "x.png"}, "x.png: --exr-tiles"},
        {{"render", "in.mp4", "--frame", "0", "--exr-tiles", "8", "-o", "x.exr"}, "'8' is not a tile size"},
        {{"render", "in.mp4", "--frame", "0", "--exr-tiles", "0x8", "-o", "x.exr"}, "'0x8' is not"},
        {{"render", "in.mp4", "--frame", "0", "--exr-tiles", "8x-8", "-o", "x.exr"}, "'8x-8' is not"},
        {{"render", "in.mp4", "--frame", "0", "--exr-tiles", "8x8x8", "-o", "x.exr"}, "'8x8x8' is not"},
    };
    for (const Case& c : cases) {
        const Result r = run(c.args);
        EXPECT_NE(r.exitCode, 0) << c.args.join(' ').toStdString();
        EXPECT_TRUE(r.err.contains(c.says)) << r.err.toStdString();
        EXPECT_EQ(r.err.trimmed().count('\n'), 0) << r.err.toStdString();
        for (const char* out : {"x.mp4", "x.png", "x.exr"})
            EXPECT_FALSE(QFile::exists(dir_.filePath(out))) << c.args.join(' ').toStdString();
    }
}

}  // namespace
}  // namespace duovis::mediatest
