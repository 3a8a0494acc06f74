// JPEG, BMP, PPM and Qt's other image formats through Qt's decoders and encoders; Qt's
// messages go through its message handler, never straight to standard error.
#include <fcntl.h>
#include <unistd.h>

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <QImageWriter>
#include <cstdio>
#include <cstring>
#include <stdexcept>

#include "media/QtPicture.h"
#include "media/StillFormat.h"

namespace duovis::media {

namespace {

// Opens by the name's own bytes, so names that are not UTF-8 work.
void openInput(const std::string& path, QFile& file) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) throw std::runtime_error(path + ": " + std::strerror(errno));
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        throw std::runtime_error(path + ": cannot open (" + file.errorString().toStdString() + ")");
    }
}

[[noreturn]] void cannotRead(const std::string& path, const QImageReader& reader) {
    // Qt calls a file with no bytes an unsupported format, which sends a person looking for
    // the wrong cause.
    if (reader.device() != nullptr && reader.device()->size() == 0)
        throw std::runtime_error(path + ": cannot read image (the file is empty)");
    throw std::runtime_error(path + ": cannot read image (" + reader.errorString().toStdString() + ")");
}

int depthOf(QImage::Format format) {
    switch (format) {
        case QImage::Format_RGBX64:
        case QImage::Format_RGBA64:
        case QImage::Format_RGBA64_Premultiplied:
        case QImage::Format_Grayscale16:
            return 16;
        case QImage::Format_BGR30:
        case QImage::Format_A2BGR30_Premultiplied:
        case QImage::Format_RGB30:
        case QImage::Format_A2RGB30_Premultiplied:
            return 10;
        default:
            return 8;
    }
}

}  // namespace

Picture pictureFromImage(const QImage& image) {
    const int bits = depthOf(image.format());
    if (bits > 8) {
        Picture pic(image.width(), image.height(), bits);
        const QImage src = image.convertToFormat(QImage::Format_RGBA64);
        for (int y = 0; y < src.height(); ++y) {
            const auto* in = reinterpret_cast<const quint16*>(src.constScanLine(y));
            float* out = pic.row(y);
            for (int i = 0; i < pic.width * 4; ++i) out[i] = unitFromInt(in[i], 16);
        }
        return pic;
    }
    Picture bytes = Picture::bytes(image.width(), image.height());
    // PNG's usual decoded forms, swizzled in one pass rather than converted and copied.
    if (image.format() == QImage::Format_ARGB32 || image.format() == QImage::Format_RGB32) {
        const bool opaque = image.format() == QImage::Format_RGB32;
        for (int y = 0; y < image.height(); ++y) {
            const auto* in = reinterpret_cast<const QRgb*>(image.constScanLine(y));
            unsigned char* out = bytes.row8(y);
            for (int x = 0; x < bytes.width; ++x, out += 4) {
                const QRgb p = in[x];
                out[0] = static_cast<unsigned char>(qRed(p));
                out[1] = static_cast<unsigned char>(qGreen(p));
                out[2] = static_cast<unsigned char>(qBlue(p));
                out[3] = opaque ? 255 : static_cast<unsigned char>(qAlpha(p));
            }
        }
        return bytes;
    }
    const QImage src = image.convertToFormat(QImage::Format_RGBA8888);
    for (int y = 0; y < src.height(); ++y) std::memcpy(bytes.row8(y), src.constScanLine(y), bytes.width * 4u);
    return bytes;
}

namespace {

// 16 bits a channel for deep sources; alpha left out when every pixel is opaque.
QImage imageOf(const Picture& given) {
    Picture scratch;
    const Picture& pic = inFloats(given, scratch);
    const bool alpha = !pic.opaque();
    if (pic.bits > 8) {
        QImage out(pic.width, pic.height, alpha ? QImage::Format_RGBA64 : QImage::Format_RGBX64);
        for (int y = 0; y < pic.height; ++y) {
            auto* row = reinterpret_cast<quint16*>(out.scanLine(y));
            const float* in = pic.row(y);
            for (int i = 0; i < pic.width * 4; ++i) row[i] = static_cast<quint16>(intFromUnit(in[i], 16));
            if (!alpha)
                for (int x = 0; x < pic.width; ++x) row[x * 4 + 3] = 0xFFFF;
        }
        return out;
    }
    const int channels = alpha ? 4 : 3;
    QImage out(pic.width, pic.height, alpha ? QImage::Format_RGBA8888 : QImage::Format_RGB888);
    for (int y = 0; y < pic.height; ++y) {
        uchar* row = out.scanLine(y);
        const float* in = pic.row(y);
        for (int x = 0; x < pic.width; ++x)
            for (int c = 0; c < channels; ++c)
                row[x * channels + c] = static_cast<uchar>(intFromUnit(in[x * 4 + c], 8));
    }
    return out;
}

bool recognises(const QByteArray&) {
    return true;
}

StillHeader header(const std::string& path) {
    QFile file;
    openInput(path, file);
    QImageReader reader(&file);
    const QSize size = reader.size();
    if (!size.isValid()) cannotRead(path, reader);
    return {size.width(), size.height(), 1};
}

Frame decode(const std::string& path) {
    QFile file;
    openInput(path, file);
    QImageReader reader(&file);
    const QImage image = reader.read();
    if (image.isNull()) cannotRead(path, reader);
    return Frame::of(pictureFromImage(image));
}

QByteArray encode(const Frame& frame, const std::string& extension) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, QByteArray::fromStdString(extension));
    if (!writer.write(imageOf(frame.views.front())))
        throw std::runtime_error("cannot encode image (" + writer.errorString().toStdString() + ")");
    return bytes;
}

const char* const kExtensions[] = {"jpg", "jpeg", "bmp", "ppm", "pgm", nullptr};

}  // namespace

const StillFormat& qtStillFormat() {
    static const StillFormat format{"image", recognises, kExtensions, header, decode, encode};
    return format;
}

}  // namespace duovis::media
