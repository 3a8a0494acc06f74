#include "session/ImageWorld.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <stdexcept>

namespace duovis::session {

namespace {

A_u_char to8(float v) {
    const float c = std::clamp(std::isfinite(v) ? v : 0.0f, 0.0f, 1.0f);
    return static_cast<A_u_char>(std::lround(c * 255.0f));
}

quint16 to16(float v) {
    const float c = std::clamp(std::isfinite(v) ? v : 0.0f, 0.0f, 1.0f);
    return static_cast<quint16>(std::lround(c * 65535.0f));
}

}  // namespace

bool hasDeepChannels(const QImage& image) {
    switch (image.format()) {
        case QImage::Format_RGBX64:
        case QImage::Format_RGBA64:
        case QImage::Format_RGBA64_Premultiplied:
        case QImage::Format_Grayscale16:
        case QImage::Format_BGR30:
        case QImage::Format_A2BGR30_Premultiplied:
        case QImage::Format_RGB30:
        case QImage::Format_A2RGB30_Premultiplied:
            return true;
        default:
            return false;
    }
}

refhost::World toWorld(const QImage& image, refhost::PixelFormat format) {
    refhost::World world(image.width(), image.height(), format);
    if (format == refhost::PixelFormat::Argb8) {
        const QImage src = image.convertToFormat(QImage::Format_ARGB32);
        for (int y = 0; y < src.height(); ++y) {
            const auto* row = reinterpret_cast<const QRgb*>(src.constScanLine(y));
            for (int x = 0; x < src.width(); ++x) {
                const QRgb p = row[x];
                world.setArgb(x, y,
                              PF_Pixel8{static_cast<A_u_char>(qAlpha(p)), static_cast<A_u_char>(qRed(p)),
                                        static_cast<A_u_char>(qGreen(p)), static_cast<A_u_char>(qBlue(p))});
            }
        }
        return world;
    }
    // The float host keeps whatever precision the file has: 16-bit files stay 16-bit.
    const QImage src = image.convertToFormat(QImage::Format_RGBA64);
    for (int y = 0; y < src.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgba64*>(src.constScanLine(y));
        for (int x = 0; x < src.width(); ++x) {
            const QRgba64 p = row[x];
            world.setBgra(x, y,
                          PF_Pixel_BGRA_32f{static_cast<float>(p.blue()) / 65535.0f,
                                            static_cast<float>(p.green()) / 65535.0f,
                                            static_cast<float>(p.red()) / 65535.0f,
                                            static_cast<float>(p.alpha()) / 65535.0f});
        }
    }
    return world;
}

namespace {

// One row of an 8-bit picture's bytes in `Order` into a world's row; the channels' places are
// constants, so the loop vectorises as the plain swizzle it is.
template <media::ByteOrder Order, bool ArgbWorld>
void bytesRow(const unsigned char* in, std::uint8_t* out8, int width, const float* unit) {
    constexpr int r = media::byteOf(Order, 0), g = media::byteOf(Order, 1);
    constexpr int b = media::byteOf(Order, 2), a = media::byteOf(Order, 3);
    auto* outF = reinterpret_cast<float*>(out8);
    for (int x = 0; x < width; ++x, in += 4, out8 += 4, outF += 4) {
        if constexpr (ArgbWorld)
            out8[0] = in[a], out8[1] = in[r], out8[2] = in[g], out8[3] = in[b];
        else
            outF[0] = unit[in[b]], outF[1] = unit[in[g]], outF[2] = unit[in[r]], outF[3] = unit[in[a]];
    }
}

// An 8-bit picture's bytes into `world`: copied where the picture already holds ARGB, else
// reordered (and for float worlds, scaled to 0..1).
void bytesToWorld(const media::Picture& pic, refhost::World& world) {
    const bool argbWorld = world.format() == refhost::PixelFormat::Argb8;
    const bool argbPic = pic.order == media::ByteOrder::Argb;
    float unit[256];
    for (unsigned v = 0; v < 256; ++v) unit[v] = media::unitFromInt(v, 8);
    for (int y = 0; y < pic.height; ++y) {
        const unsigned char* in = pic.row8(y);
        std::uint8_t* out = world.pixelBytes(0, y);
        if (argbWorld && argbPic)
            std::memcpy(out, in, static_cast<std::size_t>(pic.width) * 4);
        else if (argbWorld)
            bytesRow<media::ByteOrder::Rgba, true>(in, out, pic.width, unit);
        else if (argbPic)
            bytesRow<media::ByteOrder::Argb, false>(in, out, pic.width, unit);
        else
            bytesRow<media::ByteOrder::Rgba, false>(in, out, pic.width, unit);
    }
}

}  // namespace

media::ByteOrder bytesFor(refhost::PixelFormat format) {
    return format == refhost::PixelFormat::Argb8 ? media::ByteOrder::Argb : media::ByteOrder::Rgba;
}

refhost::World worldFor(const media::Picture& pic, refhost::PixelFormat format) {
    refhost::World world(pic.width, pic.height, format);
    if (pic.inBytes()) {
        bytesToWorld(pic, world);
        return world;
    }
    for (int y = 0; y < pic.height; ++y) {
        auto* out8 = world.pixelBytes(0, y);
        auto* outF = reinterpret_cast<float*>(out8);
        const float* in = pic.row(y);
        for (int x = 0; x < pic.width; ++x, in += 4, out8 += 4, outF += 4) {
            if (format == refhost::PixelFormat::Argb8) {
                out8[0] = static_cast<A_u_char>(media::intFromUnit(in[3], 8));
                for (int c = 0; c < 3; ++c) out8[1 + c] = static_cast<A_u_char>(media::intFromUnit(in[c], 8));
            } else {
                outF[0] = in[2], outF[1] = in[1], outF[2] = in[0], outF[3] = in[3];
            }
        }
    }
    return world;
}

media::Picture pictureFor(const refhost::World& world, int bits, bool isFloat) {
    if (world.format() == refhost::PixelFormat::Argb8) {
        media::Picture pic = media::Picture::bytes(world.width(), world.height());
        for (int y = 0; y < world.height(); ++y) {
            const auto* in = world.pixelBytes(0, y);
            unsigned char* out = pic.row8(y);
            for (int x = 0; x < world.width(); ++x, in += 4, out += 4)
                out[0] = in[1], out[1] = in[2], out[2] = in[3], out[3] = in[0];
        }
        return pic;
    }
    media::Picture pic(world.width(), world.height(), bits, isFloat);
    for (int y = 0; y < world.height(); ++y) {
        float* out = pic.row(y);
        const auto* in = reinterpret_cast<const float*>(world.pixelBytes(0, y));
        for (int x = 0; x < world.width(); ++x, in += 4, out += 4)
            out[0] = in[2], out[1] = in[1], out[2] = in[0], out[3] = in[3];
    }
    return pic;
}

media::Picture pictureFor(refhost::World&& world, int bits, bool isFloat, media::ByteOrder order) {
    if (world.format() != refhost::PixelFormat::Argb8) {
        media::Picture pic = pictureFor(static_cast<const refhost::World&>(world), bits, isFloat);
        world = refhost::World();
        return pic;
    }
    media::Picture pic;
    pic.width = world.width();
    pic.height = world.height();
    pic.rgba8 = world.takePixels();
    pic.order = media::ByteOrder::Argb;
    media::reorderBytes(pic, order);
    return pic;
}

QImage fromWorld(const refhost::World& world, bool deep) {
    if (world.format() == refhost::PixelFormat::Argb8) {
        QImage out(world.width(), world.height(), QImage::Format_ARGB32);
        for (int y = 0; y < world.height(); ++y) {
            auto* row = reinterpret_cast<QRgb*>(out.scanLine(y));
            for (int x = 0; x < world.width(); ++x) {
                const PF_Pixel8 p = world.argb(x, y);
                row[x] = qRgba(p.red, p.green, p.blue, p.alpha);
            }
        }
        return out;
    }
    if (deep) {
        QImage out(world.width(), world.height(), QImage::Format_RGBA64);
        for (int y = 0; y < world.height(); ++y) {
            auto* row = reinterpret_cast<QRgba64*>(out.scanLine(y));
            for (int x = 0; x < world.width(); ++x) {
                const PF_Pixel_BGRA_32f p = world.bgra(x, y);
                row[x] = QRgba64::fromRgba64(to16(p.red), to16(p.green), to16(p.blue), to16(p.alpha));
            }
        }
        return out;
    }
    QImage out(world.width(), world.height(), QImage::Format_ARGB32);
    for (int y = 0; y < world.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < world.width(); ++x) {
            const PF_Pixel_BGRA_32f p = world.bgra(x, y);
            row[x] = qRgba(to8(p.red), to8(p.green), to8(p.blue), to8(p.alpha));
        }
    }
    return out;
}

}  // namespace duovis::session
