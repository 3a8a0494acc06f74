// duovis render on video and two-view OpenEXR inputs the tests write with the media writers
// or ffmpeg: the demux chosen from stereo metadata, the layout written, audio kept, frames in
// order and exact through a lossless codec, float values through two-view files, pipes, and
// the refusals.
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <cmath>

#include "../cli/CliFixture.h"
#include "MediaFixture.h"
#include "PacketProbe.h"
#include "TiffFixture.h"
#include "media/StillFile.h"
#include "media/VideoReader.h"
#include "media/VideoWriter.h"

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
    // Two seconds of moving picture at 25 frames a second and a tone in `audio`, as `extra`
    // (ffmpeg's options before each input, e.g. -itsoffset) and the video codec say.
    void writeAudioClip(const QString& name, const QString& audio, const QStringList& videoExtra = {},
                        const QStringList& audioExtra = {}, const QString& video = "ffv1") const {
        ffmpeg(videoExtra + QStringList{"-f", "lavfi", "-i", "testsrc2=size=64x36:rate=25"} + audioExtra +
               QStringList{"-f", "lavfi", "-i", "sine=frequency=440:sample_rate=48000", "-t", "2", "-c:v",
                           video, "-pix_fmt", video == "ffv1" ? "bgr0" : "yuv420p", "-c:a", audio, name});
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

// Every audio packet of the source from the first frame rendered on comes out unchanged, as
// far from the video's start as it was from that frame: AAC's priming packet (before time 0,
// with its skip side data) too, audio that starts after the video, and audio that leads it.
struct AudioTimingCase {
    const char* file;
    bool audioLate, videoLate;  // the one starts half a second after the other
    const char* audio;
    const char* video;
    QStringList render;  // --frames, or nothing for all
    const char* output;
    double cut;  // the first frame's time in the source, seconds after its video starts
};

TEST_F(MediaCli, AudioPacketsKeepTheirTimeAgainstTheVideo) {
    const QStringList late{"-itsoffset", "0.5"};
    const AudioTimingCase cases[] = {
        {"aac.mp4", false, false, "aac", "libx264", {}, "o.mp4", 0},
        {"aac.mp4", false, false, "aac", "libx264", {"--frames", "10-34"}, "o.mov", 0.4},
        {"late.mp4", true, false, "aac", "libx264", {}, "o.mp4", 0},
        {"late.mkv", true, false, "pcm_s16le", "ffv1", {}, "o.mov", 0},
        {"lead.mkv", false, true, "flac", "ffv1", {}, "o.mkv", 0},
    };
    for (const AudioTimingCase& c : cases) {
        SCOPED_TRACE(std::string(c.file) + " -> " + c.output + " " + c.render.join(' ').toStdString());
        writeAudioClip(c.file, c.audio, c.videoLate ? late : QStringList{},
                       c.audioLate ? late : QStringList{}, c.video);
        QFile::remove(dir_.filePath(c.output));
        const Result r = run(QStringList{"render", c.file} + c.render + QStringList{"-o", c.output});
        ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
        const Probe in = probeFile(path(c.file)), out = probeFile(path(c.output));
        std::vector<AudioPacket> want;
        for (const AudioPacket& p : in.audio)
            if (p.start + p.duration >= c.cut - 1e-9 && p.start - c.cut < out.videoSeconds - 1e-9)
                want.push_back(p);
        ASSERT_EQ(out.audio.size(), want.size());
        const double tolerance = 1.5 * std::max(in.tick, out.tick);
        for (std::size_t i = 0; i < want.size(); ++i) {
            EXPECT_TRUE(out.audio[i].bytes == want[i].bytes) << "packet " << i;
            EXPECT_NEAR(out.audio[i].start, want[i].start - c.cut, tolerance) << "packet " << i;
        }
        if (c.audioLate) {
            EXPECT_NEAR(out.audio.front().start, 0.5, 0.03);
        }
        if (in.audio.front().skipsSamples && c.cut == 0) {
            EXPECT_TRUE(out.audio.front().skipsSamples);
        }
    }
}

// A rotated source is rendered as stored; MP4 and MOV keep its display matrix, others say they
// cannot, in one line.
TEST_F(MediaCli, RotationIsCarriedOrItsLossSaid) {
    media::VideoSettings s;
    s.codec = "ffv1";
    s.rotation = media::DisplayMatrix{0, 65536, 0, -65536, 0, 0, 0, 0, 1 << 30};  // 90 degrees
    media::VideoWriter w(path("turned.mov"), s, 64, 36);
    w.write(testPicture(64, 36, 8, false));
    w.finish();
    ASSERT_TRUE(probeFile(path("turned.mov")).matrix == s.rotation);
    struct Case {
        const char* output;
        bool carried;
        const char* says;
    };
    const Case cases[] = {{"o.mp4", true, "note: o.mp4: the source is shown rotated (-90 degrees)"},
                          {"o.mov", true, "the output carries the same rotation"},
                          {"o.mkv", false, ".mkv files cannot carry it"},
                          {"o.png", false, ".png files cannot carry it"}};
    for (const Case& c : cases) {
        const Result r = run({"render", "turned.mov", "-o", c.output});
        ASSERT_EQ(r.exitCode, 0) << c.output << ": " << r.err.toStdString();
        EXPECT_TRUE(r.err.contains(c.says)) << r.err.toStdString();
        EXPECT_EQ(r.err.count("shown rotated"), 1) << r.err.toStdString();
        if (QString(c.output).endsWith(".png")) continue;
        const Probe out = probeFile(path(c.output));
        EXPECT_EQ(out.matrix.has_value(), c.carried) << c.output;
        if (c.carried) {
            EXPECT_TRUE(out.matrix == s.rotation) << c.output;
        }
    }
}

// FFmpeg's encoder names, presets, and audio the output holds or is told to leave out.
TEST_F(MediaCli, EncoderNamesPresetsAndAudioChoices) {
    writePackedClip("in.mp4", {media::Packing::SideBySide, false});
    writeAudioClip("flac.mkv", "flac");
    writeAudioClip("s24.mkv", "pcm_s24le");
    struct Case {
        QStringList args;
        const char* video;
        const char* audio;
    };
    const Case cases[] = {
        {{"in.mp4", "--codec", "libx264", "-o", "o.mp4"}, "h264", ""},
        {{"in.mp4", "--codec", "libx265", "--preset", "ultrafast", "-o", "o.mkv"}, "hevc", ""},
        {{"in.mp4", "--codec", "prores_ks", "-o", "o.mov"}, "prores", ""},
        {{"in.mp4", "--preset", "veryslow", "--crf", "51", "-o", "o.mp4"}, "h264", ""},
        {{"flac.mkv", "--no-audio", "-o", "o.mp4"}, "h264", ""},
        {{"flac.mkv", "-o", "o.mkv"}, "h264", "flac"},
        {{"s24.mkv", "-o", "o.mov"}, "h264", "pcm_s24le"},
    };
    for (const Case& c : cases) {
        const QString out = c.args.back();
        QFile::remove(dir_.filePath(out));
        const Result r = run(QStringList{"render"} + c.args);
        ASSERT_EQ(r.exitCode, 0) << c.args.join(' ').toStdString() << ": " << r.err.toStdString();
        const Probe p = probeFile(path(out.toStdString()));
        EXPECT_EQ(p.videoCodec, c.video) << c.args.join(' ').toStdString();
        EXPECT_EQ(p.audioCodec, c.audio) << c.args.join(' ').toStdString();
    }
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

// Runs duovis with `input` on standard input; the process is left finished for its caller.
void runFed(QProcess& p, const QString& dir, const QStringList& args, const QByteArray& input) {
    p.setWorkingDirectory(dir);
    p.start(DUOVIS_CLI_PATH, args);
    p.write(input);
    p.closeWriteChannel();
    p.waitForFinished(60000);
}

// The same where it must succeed; returns its standard output, bytes as written.
QByteArray piped(const QString& dir, const QStringList& args, const QByteArray& input) {
    QProcess p;
    runFed(p, dir, args, input);
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
    writeAudioClip("flac.mkv", "flac");
    writeAudioClip("s24.mkv", "pcm_s24le");
    writeAudioClip("f32.mkv", "pcm_f32le");
    writeAudioClip("vorbis.mkv", "libvorbis");
    struct Case {
        QStringList args;
        const char* says;
    };
    const Case cases[] = {
        {{"render", "in.mp4", "--frames", "0-5", "-o", "x.mp4"}, "in.mp4: has no frame 2 (it has 2 frames"},
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
        {{"render", "flac.mkv", "-o", "x.mp4"},
         "x.mp4: the source's flac audio cannot go into .mp4 files; use .mkv, or --no-audio"},
        {{"render", "s24.mkv", "-o", "x.mp4"}, "pcm_s24le audio cannot go into .mp4 files; use .mkv or .mov"},
        {{"render", "f32.mkv", "-o", "x.mp4"}, "pcm_f32le audio cannot go into .mp4"},
        {{"render", "vorbis.mkv", "-o", "x.mov"}, "vorbis audio cannot go into .mov files; use .mkv or .mp4"},
        {{"render", "in.mp4", "--codec", "h265", "--crf", "63", "-o", "x.mp4"},
         "--crf: 63 is outside h265's"},
        {{"render", "in.mp4", "--bitrate", "1", "-o", "x.mp4"}, "--bitrate: 1 is outside h264's range"},
        {{"render", "in.mp4", "--fps", "0.0001", "-o", "x.mp4"}, "--fps: '0.0001' is outside"},
        {{"render", "in.mp4", "--codec", "ffv1", "--preset", "fast", "-o", "x.mkv"}, "--preset: ffv1"},
        {{"render", "in.mp4", "--preset", "fastest", "-o", "x.mp4"}, "'fastest' is not one of"},
    };
    for (const Case& c : cases) {
        const Result r = run(c.args);
        EXPECT_GT(r.exitCode, 0) << c.args.join(' ').toStdString();  // -1: it crashed
        EXPECT_TRUE(r.err.contains(c.says)) << r.err.toStdString();
        EXPECT_EQ(r.err.trimmed().count('\n'), 0) << r.err.toStdString();
        for (const char* out : {"x.mp4", "x.png", "x.exr", "x.mov", "x.mkv"})
            EXPECT_FALSE(QFile::exists(dir_.filePath(out))) << c.args.join(' ').toStdString();
        EXPECT_TRUE(QDir(dir_.path()).entryList({".duovis-*"}, QDir::Files | QDir::Hidden).isEmpty());
    }
}

// Truncated copies of one clip, cut at every twentieth of its length: reading them through
// never ends quietly short, nor blames the frame rate; with damage allowed, each cut is told
// and what decodes comes back.
TEST_F(MediaCli, EveryCutOfAClipIsDamageNamingItsFrame) {
    struct Clip {
        const char* file;
        QStringList codec;
        int lastCut;  // in twentieths
    };
    const Clip clips[] = {
        {"cut.mp4", {"-c:v", "libx264", "-c:a", "aac", "-movflags", "+faststart"}, 19},
        // Matroska keeps no frame count, only a duration, which is trusted to a frame: a cut
        // that loses one frame only passes for its rounding.
        {"cut.mkv", {"-c:v", "libx264", "-c:a", "aac"}, 18},
        {"cut.mov", {"-c:v", "mjpeg", "-c:a", "pcm_s16le", "-movflags", "+faststart"}, 19},
    };
    for (const Clip& clip : clips) {
        ffmpeg(QStringList{"-f", "lavfi", "-i", "testsrc2=size=64x36:rate=25", "-f", "lavfi", "-i",
                           "sine=frequency=440:sample_rate=48000", "-t", "2", "-pix_fmt", "yuv420p"} +
               clip.codec + QStringList{clip.file});
        QFile whole(QString::fromStdString(path(clip.file)));
        ASSERT_TRUE(whole.open(QIODevice::ReadOnly));
        const QByteArray bytes = whole.readAll();
        for (int twentieth = 6; twentieth <= clip.lastCut; ++twentieth) {
            const std::string cut = path("short-" + std::to_string(twentieth) + "-" + clip.file);
            QFile out(QString::fromStdString(cut));
            ASSERT_TRUE(out.open(QIODevice::WriteOnly));
            out.write(bytes.left(bytes.size() * twentieth / 20));
            out.close();
            std::string error;
            try {
                media::VideoReader r(cut);
                for (int n = 0; r.read(n); ++n) {
                }
            } catch (const std::runtime_error& e) {
                error = e.what();
            }
            EXPECT_NE(error.find(cut), std::string::npos) << "cut at " << twentieth << "/20: " << error;
            EXPECT_EQ(error.find("frame rate"), std::string::npos) << error;
            if (error.find("cannot open") != std::string::npos) continue;  // its index went too
            EXPECT_NE(error.find(" frame "), std::string::npos) << error;
            int told = 0, frames = 0;
            media::ReadChecks allow;
            allow.damaged = [&told, &cut](const std::string& what) {
                told += what.rfind(cut + ": ", 0) == 0;
            };
            media::VideoReader r(cut, {}, allow);
            while (r.read(frames)) ++frames;
            EXPECT_GT(told, 0) << cut;
            EXPECT_LT(frames, 50) << cut;
            EXPECT_GT(frames, 0) << cut;
        }
    }
}

struct EndCase {
    QStringList args;
    QByteArray in;  // standard input
    int exitCode;
    const char* says;
    int written;  // outputs (o*) left behind; -1: not counted
};

Result runWithInput(const QString& dir, const QStringList& args, const QByteArray& input) {
    QProcess p;
    runFed(p, dir, args, input);
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
            QString::fromUtf8(p.readAllStandardOutput()), QString::fromUtf8(p.readAllStandardError())};
}

// Inputs that end early, hold nothing, break or are too big: one line naming the input and
// the frame, a non-zero exit, and nothing written, unless damage is allowed.
TEST_F(MediaCli, InputsThatEndEarlyOrBreakSaySoAndFail) {
    ffmpeg({"-f", "lavfi", "-i", "testsrc=s=32x18:r=25", "-frames:v", "50", "-c:v", "ffv1", "m.mkv"});
    ffmpeg({"-f", "lavfi", "-i", "testsrc=s=32x18:r=25", "-frames:v", "5", "m.ts"});
    ffmpeg({"-f", "lavfi", "-i", "testsrc=s=32x18:r=25", "-frames:v", "4", "-pix_fmt", "yuv420p", "m.y4m"});
    ffmpeg({"-f", "lavfi", "-i", "testsrc2=size=64x36:rate=25", "-t", "2", "-c:v", "libx264", "-pix_fmt",
            "yuv420p", "-movflags", "+faststart", "whole.mp4"});
    QFile y4mFile(dir_.filePath("m.y4m")), mp4File(dir_.filePath("whole.mp4"));
    ASSERT_TRUE(y4mFile.open(QIODevice::ReadOnly) && mp4File.open(QIODevice::ReadOnly));
    const QByteArray y4m = y4mFile.readAll(), mp4 = mp4File.readAll();
    QFile cut(dir_.filePath("cut.mp4"));
    ASSERT_TRUE(cut.open(QIODevice::WriteOnly));
    cut.write(mp4.left(mp4.size() * 4 / 5));  // past the first frame, most of the file
    cut.close();
    const QByteArray header = y4m.left(y4m.indexOf('\n') + 1);
    const QByteArray zeroWide = QByteArray(header).replace("W32", "W0");
    const QStringList y4mIn{"render", "-", "-o", "o_%04d.png"};
    const QStringList rawIn{"render", "-", "--pipe", "rgba", "--pipe-size", "32x18", "-o", "o_%04d.png"};
    const QStringList tiny{"--max-megapixels", "0.0001"};
    const QStringList early{"render",   "m.mkv", "--second", "m.mkv",     "-p", "SECONDARY_FRAME_OFFSET=-3",
                            "--frames", "1-2",   "-o",       "o_%04d.png"};
    const EndCase cases[] = {
        {{"render", "cut.mp4", "-o", "o.mkv"}, {}, 1, "cut.mp4: frame ", 0},
        {{"render", "cut.mp4", "--allow-damage", "-o", "o.mkv"}, {}, 0, "WARNING: damaged input: cut.mp4", 1},
        {y4mIn, header, 1, "standard input: holds no frames", 0},
        {rawIn, {}, 1, "standard input: holds no frames", 0},
        {y4mIn, y4m.left(y4m.size() - 100), 1, "standard input: frame 3 is cut short", -1},
        {y4mIn + QStringList{"--allow-damage"}, y4m.left(y4m.size() - 100), 0, "frame 3 is cut short", 3},
        {rawIn, QByteArray(32 * 18 * 4 * 2 - 7, '\x40'), 1, "standard input: frame 1 is cut short", -1},
        {y4mIn, zeroWide + "FRAME\n", 1, "the y4m header is invalid (Picture size 0x18", 0},
        {{"render", "m.mkv", "--frame", "60", "-o", "o.png"},
         {},
         1,
         "m.mkv: has no frame 60 (it has 50 frames, 0 to 49)",
         0},
        {{"render", "m.mkv", "--frames", "40-70", "-o", "o_%04d.png"},
         {},
         1,
         "m.mkv: has no frame 50 (it has 50",
         0},
        {{"render", "m.mkv", "--frames", "0-9999999", "-o", "o_%04d.png"},
         {},
         1,
         "m.mkv: has no frame 50",
         0},
        {{"render", "m.mkv", "--frames", "45-70x10", "-o", "o_%04d.png"}, {}, 1, "m.mkv: has no frame 55", 0},
        {{"render", "-", "--second", "-", "-o", "o.png"}, y4m, 1, "both eyes cannot read", 0},
        {{"render", "m.ts", "--frame", "1", "-o", "o.png"}, {}, 0, "", 1},
        {QStringList{"render", "m.mkv", "-o", "o.png"} + tiny, {}, 1, "m.mkv: declares 32 x 18 pixels", 0},
        {y4mIn + tiny, y4m, 1, "standard input: declares 32 x 18 pixels", 0},
        {rawIn + tiny, y4m, 1, "standard input: declares 32 x 18 pixels", 0},
        {early, {}, 1, "m.mkv frame -2", 0},
        {early + QStringList{"--missing", "black"}, {}, 0, "m.mkv frame -2: frame missing", 2},
    };
    for (const EndCase& c : cases) {
        for (const QString& old : QDir(dir_.path()).entryList({"o*"}, QDir::Files))
            QFile::remove(dir_.filePath(old));
        QElapsedTimer clock;
        clock.start();
        const Result r = runWithInput(dir_.path(), c.args, c.in);
        const std::string what = c.args.join(' ').toStdString() + ": " + r.err.toStdString();
        EXPECT_EQ(r.exitCode, c.exitCode) << what;
        EXPECT_TRUE(r.err.contains(c.says)) << what;
        EXPECT_LT(clock.elapsed(), 20000) << what;
        if (c.exitCode != 0) {
            EXPECT_EQ(r.err.trimmed().count('\n'), 0) << what;
        }
        if (c.written >= 0) {
            EXPECT_EQ(QDir(dir_.path()).entryList({"o*"}, QDir::Files).size(), c.written) << what;
        }
    }
}

// A flat clip whose red channel counts its frames (4 steps a frame), lossless.
void writeCountingClip(const std::string& file, int rate, int frames) {
    media::VideoSettings s;
    s.codec = "ffv1";
    s.rateNum = rate;
    media::VideoWriter w(file, s, 32, 18);
    for (int n = 0; n < frames; ++n) {
        media::Picture pic = media::Picture::bytes(32, 18);
        fill(pic, 0, 0, 32, 18, static_cast<unsigned char>(n * 4), 0);
        w.write(pic);
    }
    w.finish();
}

// The second eye at another rate shows the frame of the primary frame's time.
TEST_F(MediaCli, SecondEyeOfAnotherRateIsPairedByTime) {
    struct Case {
        int primaryRate, secondRate, frame, secondFrame;
    };
    const Case cases[] = {{25, 50, 20, 40}, {50, 25, 21, 10}, {25, 25, 7, 7}, {24, 60, 5, 12}};
    for (const Case& c : cases) {
        writeCountingClip(path("p.mkv"), c.primaryRate, 30);
        writeCountingClip(path("s.mkv"), c.secondRate, 60);
        const Result r = run({"render", "p.mkv", "--second", "s.mkv", "--frame", QString::number(c.frame),
                              "-p", "DISPLAY_TYPE=Right", "-o", "right.png"});
        ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
        const QImage out(dir_.filePath("right.png"));
        EXPECT_NEAR(qRed(out.pixel(16, 9)), c.secondFrame * 4, 1)
            << c.primaryRate << " and " << c.secondRate << " fps, frame " << c.frame;
    }
}

// duovis render on a video gives the frames it gives those frames as stills, decoded the way
// the reader always decoded them (RGBA), and encodes what an RGBA picture of its output would
// have been encoded as: however 8-bit frames travel between the codecs and the host, their
// bytes are those of that route, for every source format.
struct FormatCase {
    const char* pixFmt;  // the source's, as ffmpeg names it (FFV1 holds it, else raw)
    const char* output;  // the video written, its codec by --codec
    const char* codec;
    const char* host;  // --host: the 8-bit world or the float one
};

void PrintTo(const FormatCase& c, std::ostream* os) {
    *os << c.pixFmt << " to " << c.output << " (" << c.codec << ", --host " << c.host << ")";
}

class VideoAsStills : public MediaCli, public ::testing::WithParamInterface<FormatCase> {};

TEST_P(VideoAsStills, RenderGivesTheStillsRouteBytes) {
    const FormatCase& c = GetParam();
    const QString inCodec = QString(c.pixFmt) == "nv12" ? "rawvideo" : "ffv1";
    ffmpeg({"-f", "lavfi", "-i", "testsrc2=size=64x36:rate=25", "-frames:v", "3", "-c:v", inCodec, "-pix_fmt",
            c.pixFmt, "in.mkv"});
    media::VideoReader in(path("in.mkv"));
    for (int i = 0; i < 3; ++i) {
        const auto frame = in.read(i);
        ASSERT_TRUE(frame) << i;
        QFile f(QString::fromStdString(path("s_000" + std::to_string(i) + ".png")));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(media::encodeStill(*frame, f.fileName().toStdString()));
    }
    const QStringList look{"-p", "DISPLAY_TYPE=Anaglyph (Red/Cyan)", "--fps", "25", "--host", c.host};
    for (const QStringList& args : {QStringList{"render", "in.mkv", "-o", "v_%04d.png"},
                                    QStringList{"render", "s_%04d.png", "-o", "p_%04d.png"},
                                    QStringList{"render", "in.mkv", "--codec", c.codec, "-o", c.output}}) {
        const Result r = run(args + look);
        ASSERT_EQ(r.exitCode, 0) << args.join(' ').toStdString() << ": " << r.err.toStdString();
    }
    media::VideoSettings s;
    s.codec = c.codec;
    s.rateNum = 25;
    media::VideoWriter expected(path("expected.mkv"), s, 64, 36);
    for (int i = 0; i < 3; ++i) {
        const std::string n = "000" + std::to_string(i) + ".png";
        QFile video(QString::fromStdString(path("v_" + n))), still(QString::fromStdString(path("p_" + n)));
        ASSERT_TRUE(video.open(QIODevice::ReadOnly) && still.open(QIODevice::ReadOnly)) << n;
        EXPECT_TRUE(video.readAll() == still.readAll()) << n << " differs from the frame rendered as a still";
        expected.write(media::readStill(path("p_" + n), 1 << 20).views[0]);
    }
    expected.finish();
    media::VideoReader out(path(c.output)), want(path("expected.mkv"));
    for (int i = 0; i < 3; ++i) {
        const auto got = out.read(i), wanted = want.read(i);
        ASSERT_TRUE(got && wanted) << i;
        EXPECT_TRUE(got->views[0].rgba8 == wanted->views[0].rgba8) << c.output << " frame " << i;
    }
}

INSTANTIATE_TEST_SUITE_P(Sources, VideoAsStills,
                         ::testing::Values(FormatCase{"yuv420p", "out.mp4", "h264", "ae"},
                                           FormatCase{"yuv422p", "out.mkv", "ffv1", "ae"},
                                           FormatCase{"yuv444p", "out.mkv", "h265", "ae"},
                                           FormatCase{"bgr0", "out.mkv", "ffv1", "ae"},
                                           FormatCase{"yuv420p10le", "out.mov", "prores", "ae"},
                                           FormatCase{"nv12", "out.mkv", "ffv1", "premiere"}),
                         [](const ::testing::TestParamInfo<FormatCase>& row) {
                             return std::string(row.param.pixFmt) + "_" + row.param.host;
                         });

}  // namespace
}  // namespace duovis::mediatest
