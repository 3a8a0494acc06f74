// The built tool against a stand-in for the effect: a local server on each of the two socket
// names, in a temporary folder of the test's own, sending a block and pixels made here and
// reading the tool's reply.
#include "Synth.h"
#include "ToolBlock.h"

#include "ParamId.h"

#include <gtest/gtest.h>

#include <QByteArray>
#include <QLocalServer>
#include <QLocalSocket>
#include <QProcess>
#include <QTemporaryDir>

#include <cmath>

using namespace depthscope;
using namespace duovis;

namespace {

constexpr double kDy = 3.0, kRot = 0.6, kScalePct = 1.2;

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
    PixelLayout format = PixelLayout::Argb8;
    int32_t padding = 0;  // bytes after each row
    int32_t layout = 0;
};

// The block and the pixels as the effect streams them.
QByteArray request(const Layer& primary, const Layer* secondary) {
    ToolBlock b;
    b.slot.fill(0);
    b.slot[TOOL_SLOT_LENGTH] = kToolBlockBytes;
    QByteArray pixels;
    const auto describe = [&](const Layer& l, int first) {
        const int32_t bpp = l.format == PixelLayout::Argb8 ? 4 : 16;
        const int32_t rowBytes = bpp * l.image.width() + l.padding;
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

QImage sideBySide(const QImage& l, const QImage& r, bool half) {
    const int w = l.width(), h = l.height();
    QImage out(half ? w : 2 * w, h, QImage::Format_ARGB32);
    const int ew = half ? w / 2 : w;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < ew; ++x) {
            // A half-size eye keeps every second column, as a squeezed master would.
            const int sx = half ? 2 * x : x;
            out.setPixel(x, y, l.pixel(sx, y));
            out.setPixel(ew + x, y, r.pixel(sx, y));
        }
    return out;
}

QImage topBottom(const QImage& l, const QImage& r) {
    QImage out(l.width(), 2 * l.height(), QImage::Format_ARGB32);
    for (int y = 0; y < l.height(); ++y)
        for (int x = 0; x < l.width(); ++x) {
            out.setPixel(x, y, l.pixel(x, y));
            out.setPixel(x, l.height() + y, r.pixel(x, y));
        }
    return out;
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
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("TMPDIR", dir.path());
    env.insert("DEPTHSCOPE_TIMEOUT_MS", "5000");
    tool.setProcessEnvironment(env);
    tool.start(QStringLiteral(DEPTHSCOPE_PATH), {"Plugin"});
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

struct GoodRow {
    const char* name;
    QByteArray (*stream)();
};

const GoodRow kGood[] = {
    {"two_8bit_layers_padded",
     [] {
         const Layer r{pair().right, PixelLayout::Argb8, 64, 0};
         return request({pair().left, PixelLayout::Argb8, 12, 0}, &r);
     }},
    {"two_float_layers",
     [] {
         const Layer r{pair().right, PixelLayout::Bgra32f, 0, 0};
         return request({pair().left, PixelLayout::Bgra32f, 16, 0}, &r);
     }},
    {"side_by_side_full_both",
     [] {
         return request({sideBySide(pair().left, pair().right, false), PixelLayout::Argb8, 0, 0x35}, nullptr);
     }},
    {"side_by_side_half_both",
     [] {
         return request({sideBySide(pair().left, pair().right, true), PixelLayout::Argb8, 0, 0x31}, nullptr);
     }},
    {"top_bottom_full_both_float",
     [] {
         return request({topBottom(pair().left, pair().right), PixelLayout::Bgra32f, 0, 0x37}, nullptr);
     }},
    {"packed_left_eye_and_packed_right_layer",
     [] {
         const QImage both = sideBySide(pair().left, pair().right, false);
         const Layer r{both, PixelLayout::Argb8, 0, 0x15};         // secondary, Right(Bottom)
         return request({both, PixelLayout::Argb8, 0, 0x25}, &r);  // primary, Left(Top)
     }},
};

class GoodStream : public ::testing::TestWithParam<GoodRow> {};

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

INSTANTIATE_TEST_SUITE_P(Layouts, GoodStream, ::testing::ValuesIn(kGood),
                         [](const auto& row) { return std::string(row.param.name); });

struct BadRow {
    const char* name;
    QByteArray (*stream)();
    const char* message;  // part of what the tool says on stderr
};

QImage flat() {
    QImage img(320, 180, QImage::Format_ARGB32);
    img.fill(qRgb(120, 120, 120));
    return img;
}

const BadRow kBad[] = {
    {"short_block", [] { return request({pair().left}, nullptr).left(100); }, "block ended after 100 of 256"},
    {"pixels_short_of_the_size",
     [] {
         const Layer r{pair().right};
         return request({pair().left}, &r).chopped(4096);
     },
     "secondary layer: pixels ended"},
    {"row_bytes_too_small",
     [] {
         QByteArray s = request({pair().left}, nullptr);
         const int32_t rowBytes = 100;  // slot 9: fewer bytes than 480 pixels
         s.replace(4 * (TOOL_SLOT_PRIMARY + 3), 4, QByteArray(reinterpret_cast<const char*>(&rowBytes), 4));
         return s;
     },
     "do not hold 480 pixels"},
    {"one_eye_only", [] { return request({pair().left}, nullptr); }, "one eye only"},
    {"flat_picture",
     [] {
         const Layer r{flat()};
         return request({flat()}, &r);
     },
     "too few matches"},
};

class BadStream : public ::testing::TestWithParam<BadRow> {};

TEST_P(BadStream, RepliesWithNothingToApplyAndSaysWhy) {
    const Outcome o = exchange(GetParam().stream());
    EXPECT_EQ(o.exitCode, 1);
    EXPECT_TRUE(o.err.contains(GetParam().message)) << o.err.toStdString();
    EXPECT_EQ(replyOf(o).mask(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Inputs, BadStream, ::testing::ValuesIn(kBad),
                         [](const auto& row) { return std::string(row.param.name); });

TEST(ToolStream, GivesUpWhenNoEffectListens) {
    QTemporaryDir dir;
    QProcess tool;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("TMPDIR", dir.path());
    env.insert("DEPTHSCOPE_TIMEOUT_MS", "300");
    tool.setProcessEnvironment(env);
    tool.start(QStringLiteral(DEPTHSCOPE_PATH), {"Plugin"});
    ASSERT_TRUE(tool.waitForFinished(10000));
    EXPECT_EQ(tool.exitCode(), 3);
    EXPECT_TRUE(
        QString::fromUtf8(tool.readAllStandardError()).contains("could not connect to \"depthscope.pipe\""));
}

}  // namespace
