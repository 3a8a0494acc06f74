// Video written by our writer and read back: lossless codecs exactly, lossy ones within a
// stated tolerance, with the rate, the stereo layout, seeking and the refusals.
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <optional>

#include "MediaFixture.h"
#include "media/VideoReader.h"
#include "media/VideoWriter.h"

namespace duovis::mediatest {
namespace {

constexpr int kW = 64, kH = 36;

// Frame n: a smooth picture that moves with n, so frames differ and lossy codecs do well.
media::Picture frameAt(int n) {
    media::Picture pic = media::Picture::bytes(kW, kH);
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) {
            unsigned char* p = pic.row8(y) + x * 4;
            p[0] = static_cast<unsigned char>(x * 3 + n * 2);
            p[1] = static_cast<unsigned char>(y * 7);
            p[2] = static_cast<unsigned char>((n * 37) & 0xFF);  // far from its neighbours' value
            p[3] = 255;
        }
    return pic;
}

void writeVideo(const std::string& path, media::VideoSettings s, int frames) {
    media::VideoWriter w(path, s, kW, kH);
    for (int n = 0; n < frames; ++n) w.write(frameAt(n));
    w.finish();
}

struct VideoCase {
    const char* file;
    const char* codec;
    float tolerance;  // mean channel error, 0..1; 0: every value exact
};

class VideoRoundTrip : public MediaTest, public ::testing::WithParamInterface<VideoCase> {};

TEST_P(VideoRoundTrip, FramesComeBackInOrder) {
    const VideoCase& c = GetParam();
    media::VideoSettings s;
    s.codec = c.codec;
    s.rateNum = 30000;
    s.rateDen = 1001;
    writeVideo(path(c.file), s, 6);
    media::VideoReader r(path(c.file));
    EXPECT_EQ(r.info().rateNum * 1001, r.info().rateDen * 30000) << c.file;
    for (int n = 0; n < 6; ++n) {
        const auto f = r.read(n);
        ASSERT_TRUE(f) << c.file << " frame " << n;
        if (c.tolerance == 0) {
            EXPECT_EQ(maxError(frameAt(n), f->views[0]), 0.0f) << c.file << " frame " << n;
        }
        EXPECT_LE(meanError(frameAt(n), f->views[0]), c.tolerance) << c.file << " frame " << n;
    }
    EXPECT_FALSE(r.read(6)) << "a seventh frame";
}

// Lossy codecs at their default quality, through FFmpeg's default 8-bit colour conversion: a
// mean error within 3 steps of 8 bits.
INSTANTIATE_TEST_SUITE_P(Codecs, VideoRoundTrip,
                         ::testing::Values(VideoCase{"a.mkv", "ffv1", 0}, VideoCase{"b.mov", "ffv1", 0},
                                           VideoCase{"c.mp4", "h264", 3 / 255.0f},
                                           VideoCase{"d.mov", "prores", 3 / 255.0f},
                                           VideoCase{"e.mkv", "h265", 3 / 255.0f}),
                         ByFile{});

TEST_F(MediaTest, StereoLayoutIsWrittenAndReadBack) {
    const media::StereoLayout layouts[] = {{media::Packing::SideBySide, false},
                                           {media::Packing::TopBottom, false},
                                           {media::Packing::SideBySide, true},
                                           {media::Packing::None, false}};
    for (const char* ext : {"mp4", "mkv"})
        for (const media::StereoLayout& layout : layouts) {
            // MP4's stereo box has no room for which eye comes first, so it says nothing then.
            const bool unsayable = layout.rightFirst && std::string(ext) == "mp4";
            media::VideoSettings s;
            s.layout = layout;
            const std::string file = path(std::string("s.") + ext);
            writeVideo(file, s, 1);
            EXPECT_TRUE(media::VideoReader(file).info().layout ==
                        (unsayable ? media::StereoLayout{} : layout))
                << ext << " packing " << static_cast<int>(layout.packing) << " right first "
                << layout.rightFirst;
        }
}

// Frames far ahead and behind come back as themselves: exactly through a lossless codec, and
// through H.264 (B-frames, key frames far apart) nearer the asked frame than its neighbours.
TEST_F(MediaTest, SeeksToAFrameFarAheadAndBack) {
    for (const char* codec : {"ffv1", "h264"}) {
        media::VideoSettings s;
        s.codec = codec;
        const std::string file = path(std::string("long-") + codec + (s.codec == "ffv1" ? ".mkv" : ".mp4"));
        writeVideo(file, s, 120);
        media::VideoReader r(file);
        for (const int n : {100, 3, 118, 60, 61}) {
            const auto f = r.read(n);
            ASSERT_TRUE(f) << codec << " frame " << n;
            const float error = meanError(frameAt(n), f->views[0]);
            EXPECT_LT(error, meanError(frameAt(n - 1), f->views[0])) << codec << " frame " << n;
            EXPECT_LT(error, meanError(frameAt(n + 1), f->views[0])) << codec << " frame " << n;
            if (std::string(codec) == "ffv1") {
                EXPECT_EQ(maxError(frameAt(n), f->views[0]), 0.0f) << "frame " << n;
            }
        }
    }
}

// Each codec's options, checked before anything is encoded: the refusal names the option, the
// value and what the codec takes; what is taken makes a video the encoder accepts.
struct OptionCase {
    const char* codec;
    std::optional<int> crf;
    std::optional<long long> bitrate;
    const char* preset;
    const char* says;  // "" where the settings are taken
};

class EncoderOptions : public MediaTest, public ::testing::WithParamInterface<OptionCase> {};

TEST_P(EncoderOptions, RangesAreCheckedUpFront) {
    const OptionCase& c = GetParam();
    media::VideoSettings s;
    s.codec = c.codec;
    s.crf = c.crf;
    s.bitrate = c.bitrate;
    s.preset = c.preset;
    const std::string file = path(std::string("o.") + (s.codec.rfind("prores", 0) == 0 ? "mov" : "mkv"));
    if (*c.says == 0) {
        EXPECT_NO_THROW(media::checkVideoSettings(file, s));
        EXPECT_NO_THROW(writeVideo(file, s, 2));
        return;
    }
    try {
        media::checkVideoSettings(file, s);
        ADD_FAILURE() << "taken";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find(c.says), std::string::npos) << e.what();
    }
    EXPECT_THROW(media::VideoWriter(file, s, kW, kH), std::runtime_error);
    EXPECT_FALSE(QFile::exists(QString::fromStdString(file)));
}

INSTANTIATE_TEST_SUITE_P(
    Codecs, EncoderOptions,
    ::testing::Values(OptionCase{"h264", 51, {}, "veryslow", ""}, OptionCase{"libx264", 0, {}, "", ""},
                      OptionCase{"libx265", {}, 1000, "ultrafast", ""},
                      OptionCase{"prores_ks", {}, {}, "", ""},
                      OptionCase{"h264", 52, {}, "", "--crf: 52 is outside h264's range, 0 to 51"},
                      OptionCase{"h265", 63, {}, "", "--crf: 63 is outside h265's range, 0 to 51"},
                      OptionCase{"h264", -1, {}, "", "--crf: -1 is outside"},
                      OptionCase{"ffv1", 20, {}, "", "--crf: ffv1 does not take it (h264, h265 do)"},
                      OptionCase{"h264", {}, 999, "", "--bitrate: 999 is outside h264's range, 1k"},
                      OptionCase{"prores", {}, 8000000, "", "--bitrate: prores does not take it"},
                      OptionCase{"h265", {}, {}, "fastest", "--preset: 'fastest' is not one of ultrafast"},
                      OptionCase{"ffv1", {}, {}, "fast", "--preset: ffv1 does not take it"},
                      OptionCase{"x264", {}, {}, "", "--codec: 'x264' is not in this build"}));

TEST_F(MediaTest, RefusedEncodeLeavesNoFile) {
    media::VideoSettings s;
    s.codec = "h264";
    // 4:2:0 needs even sizes; the refusal says which codec takes any.
    EXPECT_THROW(media::VideoWriter(path("odd.mp4"), s, 33, 20), std::runtime_error);
    s.codec = "ffv1";
    EXPECT_THROW(media::VideoWriter(path("ffv1.mp4"), s, kW, kH), std::runtime_error);
    s.codec = "nonesuch";
    try {
        media::VideoWriter(path("x.mp4"), s, kW, kH);
        ADD_FAILURE() << "an unknown codec was taken";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find("ffv1"), std::string::npos) << e.what();
    }
    {
        // Abandoned before finish: neither the output nor its temporary file stays.
        s.codec = "ffv1";
        media::VideoWriter w(path("gone.mkv"), s, kW, kH);
        w.write(frameAt(0));
    }
    EXPECT_EQ(QDir(dir_.path()).entryList(QDir::Files | QDir::Hidden).size(), 0)
        << QDir(dir_.path()).entryList(QDir::Files | QDir::Hidden).join(",").toStdString();
}

}  // namespace
}  // namespace duovis::mediatest
