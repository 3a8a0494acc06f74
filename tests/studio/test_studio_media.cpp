// Footage the media readers bring: a video's frames, rate and stereo metadata, a two-view
// OpenEXR as both eyes, and float values kept above 1 through the preview's down-sampling.
#include <QFile>
#include <cmath>

#include "StudioFixture.h"
#include "core/params/ParamId.h"
#include "media/StillFile.h"
#include "media/VideoWriter.h"
#include "session/ParamDescribe.h"

namespace duovis::studiotest {

namespace {

// A flat picture, every channel `value`: a frame's number survives a lossy codec this way.
media::Picture flat(int w, int h, float value, bool isFloat) {
    media::Picture pic(w, h, isFloat ? 32 : 8, isFloat);
    for (std::size_t i = 0; i < pic.rgba.size(); ++i) pic.rgba[i] = i % 4 == 3 ? 1.0f : value;
    return pic;
}

void writeStill(const media::Frame& frame, const QString& path) {
    const std::string name = QFile::encodeName(path).toStdString();
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(media::encodeStill(frame, name));
}

float redAt(const studio::StudioSource& source, bool second, int frame, int factor, int x = 0, int y = 0) {
    const A_long step = 1;
    refhost::Layer layer = second ? source.secondLayer(refhost::PixelFormat::Bgra32f, factor, step)
                                  : source.primaryLayer(refhost::PixelFormat::Bgra32f, factor, step);
    const refhost::World* world = layer.frameAt(frame);
    return world && !world->empty() ? world->bgra(x, y).red : NAN;
}

// Frame n is grey n/8, so each frame read back shows which frame it is.
void writeVideo(const QString& path, const media::VideoSettings& settings, int w, int h, int frames) {
    media::VideoWriter writer(QFile::encodeName(path).toStdString(), settings, w, h);
    for (int n = 0; n < frames; ++n) writer.write(flat(w, h, static_cast<float>(n) / 8.0f, false));
    writer.finish();
}

struct VideoCase {
    const char* file;
    const char* codec;
    int width, height, frames, rateNum, rateDen;
    media::StereoLayout layout;
    const char* demux;  // the mode the metadata chooses
    bool swapped;
};

class StudioVideo : public StudioTest, public ::testing::WithParamInterface<VideoCase> {};

TEST_P(StudioVideo, OpensWithItsFramesRateAndDemux) {
    const VideoCase& c = GetParam();
    media::VideoSettings settings;
    settings.codec = c.codec;
    settings.rateNum = c.rateNum;
    settings.rateDen = c.rateDen;
    settings.layout = c.layout;
    writeVideo(path(c.file), settings, c.width, c.height, c.frames);
    open(refhost::HostApp::Premiere, c.file, QString());
    const studio::StudioSource& source = *session().source();
    EXPECT_TRUE(source.isSequence());
    EXPECT_EQ(source.firstFrame(), 0);
    EXPECT_EQ(source.lastFrame(), c.frames - 1);
    EXPECT_NEAR(source.framesPerSecond(), static_cast<double>(c.rateNum) / c.rateDen, 1e-9);
    for (int n : {c.frames - 1, 0})
        EXPECT_NEAR(redAt(source, false, n, 1), static_cast<float>(n) / 8.0f, 4 / 255.0f) << n;

    const auto demux = session::popupChoices(store().at(PRIMARY_DEMUX_MODE));
    EXPECT_EQ(demux[static_cast<std::size_t>(store().popup(PRIMARY_DEMUX_MODE) - 1)], c.demux);
    EXPECT_EQ(store().checkbox(SWAP_LR), c.swapped);
}

// MP4 declares its frame count; Matroska does not, so its frames are counted by decoding.
using media::Packing;
const VideoCase kVideos[] = {
    {"wide.mp4", "h264", 128, 32, 3, 25, 1, {Packing::SideBySide, false}, "Side-By-Side(100%)", false},
    {"packed.mkv", "ffv1", 64, 36, 4, 30000, 1001, {Packing::TopBottom, true}, "Top-Bottom(50%)", true},
    {"flat.mov", "ffv1", 64, 36, 2, 24, 1, {}, "None", false},
};
INSTANTIATE_TEST_SUITE_P(Containers, StudioVideo, ::testing::ValuesIn(kVideos),
                         [](const ::testing::TestParamInfo<VideoCase>& row) {
                             std::string name = row.param.file;
                             name[name.find('.')] = '_';
                             return name;
                         });

// The tool measures the frame on screen, whatever file holds it.
TEST_F(StudioTest, ToolMeasuresVideoAndTwoViewFrames) {
    if (std::string(TOOL_RECORDER_PATH).empty()) GTEST_SKIP() << "the stand-in tool is not built";
    media::VideoSettings settings;
    settings.codec = "ffv1";
    settings.layout = {Packing::SideBySide, false};
    writeVideo(path("clip.mkv"), settings, 64, 36, 2);
    writeStill(media::Frame{{flat(16, 8, 0.25f, true), flat(16, 8, 0.75f, true)}}, path("pair.exr"));
    int exchange = 0;
    for (const char* file : {"clip.mkv", "pair.exr"}) {
        open(refhost::HostApp::Premiere, file, QString());
        launchTool();
        EXPECT_TRUE(QFile::exists(path(QStringLiteral("exchange-%1/stream.bin").arg(++exchange)))) << file;
        EXPECT_NEAR(store().floatValue(VSHIFT_PCT_R), -2.5, 1e-6) << file;
    }
}

// A two-view file is both layers, with no second file; values above 1 stay as they are.
TEST_F(StudioTest, TwoViewExrIsBothEyes) {
    struct Case {
        const char* open;
        std::vector<QString> files;
    };
    for (const Case& c :
         {Case{"pair.exr", {"pair.exr"}}, Case{"shot.%04d.exr", {"shot.0001.exr", "shot.0002.exr"}}}) {
        const int first = c.files.size() == 1 ? 0 : 1;
        const int last = first + static_cast<int>(c.files.size()) - 1;
        for (int n = first; n <= last; ++n)
            writeStill(media::Frame{{flat(16, 8, 0.25f + static_cast<float>(n), true),
                                     flat(16, 8, 2.5f + static_cast<float>(n), true)}},
                       path(c.files[static_cast<std::size_t>(n - first)]));
        open(refhost::HostApp::Premiere, c.open, QString());
        const studio::StudioSource& source = *session().source();
        EXPECT_TRUE(source.hasSecond()) << c.open;
        EXPECT_TRUE(session().usesSecond(0)) << c.open;
        EXPECT_EQ(source.lastFrame(), last) << c.open;
        for (int n = first; n <= last; ++n) {
            EXPECT_EQ(redAt(source, false, n, 1), 0.25f + static_cast<float>(n)) << c.open << " frame " << n;
            EXPECT_EQ(redAt(source, true, n, 1), 2.5f + static_cast<float>(n)) << c.open << " frame " << n;
        }
    }
}

// The preview's down-sampling averages in floats: a block of 0 and 4 is 2, not a clamped 0.5.
TEST_F(StudioTest, FloatValuesReachTheFloatWorldUnclamped) {
    media::Picture checker = flat(8, 6, 0.0f, true);
    for (int y = 0; y < checker.height; ++y)
        for (int x = (y + 1) % 2; x < checker.width; x += 2) checker.row(y)[x * 4] = 4.0f;
    writeStill(media::Frame{{checker}}, path("hot.exr"));
    const studio::StudioSource source(
        studio::SourceSpec{QFile::encodeName(path("hot.exr")).toStdString(), {}, {}});
    struct Case {
        int factor, x, y;
        float red;
    };
    for (const Case& c : {Case{1, 1, 0, 4.0f}, Case{1, 0, 0, 0.0f}, Case{2, 0, 0, 2.0f}, Case{2, 3, 2, 2.0f}})
        EXPECT_EQ(redAt(source, false, 0, c.factor, c.x, c.y), c.red)
            << "factor " << c.factor << " at " << c.x;
}

}  // namespace

}  // namespace duovis::studiotest
