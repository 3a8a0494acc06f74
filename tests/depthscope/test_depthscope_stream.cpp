// The built tool against a stand-in for the effect: a local server on each of the two socket
// names, in a temporary folder of the test's own, sending a block and pixels made here and
// reading the tool's reply.
#include "Synth.h"
#include "core/params/ToolBlock.h"

#include "core/params/ParamId.h"

#include <gtest/gtest.h>

#include <QByteArray>
#include <QLocalServer>
#include <QLocalSocket>
#include <QProcess>
#include <QTemporaryDir>

#include <cmath>
#include <optional>

using namespace depthscope;
using namespace duovis;

namespace {

constexpr double kDy = 3.0, kRot = 0.6, kScalePct = 1.2;
constexpr auto A8 = PixelLayout::Argb8;
constexpr auto F32 = PixelLayout::Bgra32f;

const SynthPair& pair() {
    static const SynthPair p = [] {
        SynthSpec s;
        s.width = 480, s.height = 270, s.verticalPx = kDy, s.rotationDeg = kRot, s.scalePct = kScalePct;
        return makeSynthPair(s);
    }();
    return p;
}

struct Layer {
    QImage image;
    PixelLayout format;
    int32_t padding;  // bytes after each row
    int32_t layout;
};
Layer layer(const QImage& image, PixelLayout format = A8, int32_t padding = 0, int32_t layout = 0) {
    return {image, format, padding, layout};
}

// The block and the pixels as the effect streams them.
QByteArray request(const Layer& primary, const std::optional<Layer>& secondary = std::nullopt) {
    ToolBlock b;
    b.slot[TOOL_SLOT_LENGTH] = kToolBlockBytes;
    QByteArray pixels;
    const auto describe = [&](const Layer& l, int first) {
        const int32_t rowBytes = (l.format == A8 ? 4 : 16) * l.image.width() + l.padding;
        const int32_t fields[] = {l.image.width(), l.image.height(), 4, rowBytes, l.layout};
        for (int i = 0; i < kToolLayerFields; ++i) b.slot[static_cast<std::size_t>(first + i)] = fields[i];
        const auto bytes = layerBytes(l.image, l.format, rowBytes);
        pixels.append(reinterpret_cast<const char*>(bytes.data()), static_cast<int>(bytes.size()));
    };
    describe(primary, TOOL_SLOT_PRIMARY);
    if (secondary) describe(*secondary, TOOL_SLOT_SECONDARY);
    unsigned char raw[kToolBlockBytes];
    b.toBytes(raw);
    return QByteArray(reinterpret_cast<const char*>(raw), kToolBlockBytes) + pixels;
}

// Both eyes of the pair in one frame. A half-size eye keeps every second column, as a squeezed
// master would.
QImage packed(bool sideBySide, bool half = false) {
    const QImage &l = pair().left, &r = pair().right;
    const int w = l.width(), h = l.height(), ew = half ? w / 2 : w;
    QImage out(sideBySide ? 2 * ew : w, sideBySide ? h : 2 * h, QImage::Format_ARGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < ew; ++x) {
            const int sx = half ? 2 * x : x;
            out.setPixel(x, y, l.pixel(sx, y));
            out.setPixel(sideBySide ? ew + x : x, sideBySide ? y : h + y, r.pixel(sx, y));
        }
    return out;
}

// Starts the built tool as the effect does, looking for its sockets in `dir`.
void startTool(QProcess& tool, const QString& dir, const char* timeoutMs) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("TMPDIR", dir);
    env.insert("DEPTHSCOPE_TIMEOUT_MS", timeoutMs);
    tool.setProcessEnvironment(env);
    tool.start(QStringLiteral(DEPTHSCOPE_PATH), {"Plugin"});
}

struct Outcome {
    int exitCode = -1;
    QString err;
    QByteArray reply;
};

// Serves one exchange as the effect does: first socket, write, close; second socket, read.
Outcome exchange(const QByteArray& stream, int timeoutMs = 10000) {
    QTemporaryDir dir;
    const QByteArray oldTmp = qgetenv("TMPDIR");
    qputenv("TMPDIR", dir.path().toUtf8());
    Outcome o;
    QLocalServer in, out;
    in.setSocketOptions(QLocalServer::UserAccessOption);
    out.setSocketOptions(QLocalServer::UserAccessOption);
    EXPECT_TRUE(in.listen("depthscope.pipe")) << in.errorString().toStdString();
    QProcess tool;
    startTool(tool, dir.path(), "5000");
    if (in.waitForNewConnection(timeoutMs)) {
        QLocalSocket* s = in.nextPendingConnection();
        s->write(stream);
        while (s->bytesToWrite() > 0 && s->waitForBytesWritten(timeoutMs)) {
        }
        s->disconnectFromServer();
    }
    in.close();
    EXPECT_TRUE(out.listen("depthscope.pipeout")) << out.errorString().toStdString();
    if (out.waitForNewConnection(timeoutMs)) {
        QLocalSocket* s = out.nextPendingConnection();
        while (o.reply.size() < kToolBlockBytes &&
               (s->bytesAvailable() > 0 || s->waitForReadyRead(timeoutMs)))
            o.reply += s->read(kToolBlockBytes - o.reply.size());
    }
    tool.waitForFinished(timeoutMs);
    o.exitCode = tool.exitStatus() == QProcess::NormalExit ? tool.exitCode() : -1;
    o.err = QString::fromUtf8(tool.readAllStandardError());
    qputenv("TMPDIR", oldTmp);
    return o;
}

ToolBlock replyOf(const Outcome& o) {
    EXPECT_EQ(o.reply.size(), kToolBlockBytes) << o.err.toStdString();
    return ToolBlock::fromBytes(reinterpret_cast<const unsigned char*>(o.reply.constData()),
                                static_cast<std::size_t>(o.reply.size()));
}

double replied(const ToolBlock& b, ParamId id) {
    const int slot = *toolSlotOf(id);
    return decodeToolSlot(toolSlotTable()[static_cast<std::size_t>(slot)],
                          b.slot[static_cast<std::size_t>(slot)], 1.0f);
}

struct StreamRow {
    const char* name;
    QByteArray (*stream)();
    const char* message = nullptr;  // part of what the tool says on stderr when it refuses
    friend void PrintTo(const StreamRow& r, std::ostream* os) { *os << r.name; }
};
const auto byName = [](const auto& row) { return std::string(row.param.name); };

const StreamRow kGood[] = {
    {"two_8bit_layers_padded",
     [] { return request(layer(pair().left, A8, 12), layer(pair().right, A8, 64)); }},
    {"two_float_layers", [] { return request(layer(pair().left, F32, 16), layer(pair().right, F32)); }},
    {"side_by_side_full_both", [] { return request(layer(packed(true), A8, 0, 0x35)); }},
    {"side_by_side_half_both", [] { return request(layer(packed(true, true), A8, 0, 0x31)); }},
    {"top_bottom_full_both_float", [] { return request(layer(packed(false), F32, 0, 0x37)); }},
    // The primary's left eye and the secondary's right eye from the same side-by-side frame.
    {"packed_left_eye_and_packed_right_layer",
     [] { return request(layer(packed(true), A8, 0, 0x25), layer(packed(true), A8, 0, 0x15)); }},
};

class GoodStream : public ::testing::TestWithParam<StreamRow> {};

TEST_P(GoodStream, RepliesWithTheThreeRightEyeCorrections) {
    const Outcome o = exchange(GetParam().stream());
    EXPECT_EQ(o.exitCode, 0) << o.err.toStdString();
    const ToolBlock b = replyOf(o);
    const uint64_t want = (uint64_t(1) << *toolSlotOf(VSHIFT_PCT_R)) |
                          (uint64_t(1) << *toolSlotOf(ROTATE_R)) | (uint64_t(1) << *toolSlotOf(SCALE_R));
    EXPECT_EQ(b.mask(), want);
    const double sc = 1 + kScalePct / 100;
    EXPECT_NEAR(replied(b, ROTATE_R), -kRot, 0.03);
    EXPECT_NEAR(replied(b, SCALE_R), -std::log2(sc), 0.001);
    EXPECT_NEAR(replied(b, VSHIFT_PCT_R), -kDy * std::cos(kRot * M_PI / 180) / sc / 270 * 100, 0.03);
}

INSTANTIATE_TEST_SUITE_P(Layouts, GoodStream, ::testing::ValuesIn(kGood), byName);

QImage flat() {
    QImage img(320, 180, QImage::Format_ARGB32);
    img.fill(qRgb(120, 120, 120));
    return img;
}

const StreamRow kBad[] = {
    {"short_block", [] { return request(layer(pair().left)).left(100); }, "block ended after 100 of 256"},
    {"pixels_short_of_the_size",
     [] { return request(layer(pair().left), layer(pair().right)).chopped(4096); },
     "secondary layer: pixels ended"},
    {"row_bytes_too_small",
     [] {
         QByteArray s = request(layer(pair().left));
         const int32_t rowBytes = 100;  // fewer bytes than 480 pixels
         s.replace(4 * (TOOL_SLOT_PRIMARY + 3), 4, QByteArray(reinterpret_cast<const char*>(&rowBytes), 4));
         return s;
     },
     "do not hold 480 pixels"},
    {"one_eye_only", [] { return request(layer(pair().left)); }, "one eye only"},
    {"flat_picture", [] { return request(layer(flat()), layer(flat())); }, "too few matches"},
    {"texture_in_one_corner",
     [] {
         SynthSpec s;
         s.scene = SynthScene::Corner, s.width = 640, s.height = 360;
         const SynthPair p = makeSynthPair(s);
         return request(layer(p.left), layer(p.right));
     },
     "the matches "},
};

class BadStream : public ::testing::TestWithParam<StreamRow> {};

TEST_P(BadStream, RepliesWithNothingToApplyAndSaysWhy) {
    const Outcome o = exchange(GetParam().stream());
    EXPECT_EQ(o.exitCode, 1);
    EXPECT_TRUE(o.err.contains(GetParam().message)) << o.err.toStdString();
    EXPECT_EQ(replyOf(o).mask(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Inputs, BadStream, ::testing::ValuesIn(kBad), byName);

TEST(ToolStream, GivesUpWhenNoEffectListens) {
    QTemporaryDir dir;
    QProcess tool;
    startTool(tool, dir.path(), "300");
    ASSERT_TRUE(tool.waitForFinished(10000));
    EXPECT_EQ(tool.exitCode(), 3);
    EXPECT_TRUE(
        QString::fromUtf8(tool.readAllStandardError()).contains("could not connect to \"depthscope.pipe\""));
}

}  // namespace
