// PNG, JPEG, BMP, PPM and Qt's other image formats: read through Qt's decoders, PNG written
// as RGB when no alpha is to be kept and with light compression, so writing a frame costs less
// than rendering it.
#include <fcntl.h>
#include <unistd.h>

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <QImageWriter>
#include <array>
#include <cstdio>
#include <cstring>
#include <stdexcept>

#include "StillFormat.h"

namespace duovis::media {

namespace {

// Qt's PNG reader leaves libpng's error handler at its default, which prints "libpng error"
// straight to stderr; our own line says what went wrong, so the decoder's is muted while it
// runs. DUOVIS_QT_MESSAGES keeps it for debugging, as it does Qt's own messages.
class MutedStderr {
  public:
    MutedStderr() {
        if (qEnvironmentVariableIsSet("DUOVIS_QT_MESSAGES")) return;
        const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
        if (null < 0) return;
        std::fflush(stderr);
        saved_ = ::fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 0);
        if (saved_ >= 0) ::dup2(null, STDERR_FILENO);
        ::close(null);
    }
    ~MutedStderr() {
        if (saved_ < 0) return;
        std::fflush(stderr);
        ::dup2(saved_, STDERR_FILENO);
        ::close(saved_);
    }
    MutedStderr(const MutedStderr&) = delete;
    MutedStderr& operator=(const MutedStderr&) = delete;

  private:
    int saved_ = -1;
};

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

Picture pictureOf(const QImage& image) {
    const int bits = depthOf(image.format());
    Picture pic(image.width(), image.height(), bits);
    if (bits > 8) {
        const QImage src = image.convertToFormat(QImage::Format_RGBA64);
        for (int y = 0; y < src.height(); ++y) {
            const auto* in = reinterpret_cast<const quint16*>(src.constScanLine(y));
            float* out = pic.row(y);
            for (int i = 0; i < src.width() * 4; ++i) out[i] = unitFromInt(in[i], 16);
        }
        return pic;
    }
    std::array<float, 256> unit{};
    for (unsigned v = 0; v < 256; ++v) unit[v] = unitFromInt(v, 8);
    const QImage src = image.convertToFormat(QImage::Format_RGBA8888);
    for (int y = 0; y < src.height(); ++y) {
        const uchar* in = src.constScanLine(y);
        float* out = pic.row(y);
        for (int i = 0; i < src.width() * 4; ++i) out[i] = unit[in[i]];
    }
    return pic;
}

// 16 bits a channel for deep sources; alpha left out when every pixel is opaque.
QImage imageOf(const Picture& pic) {
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
    const MutedStderr muted;
    const QSize size = reader.size();
    if (!size.isValid()) cannotRead(path, reader);
    return {size.width(), size.height(), 1};
}

Frame decode(const std::string& path) {
    QFile file;
    openInput(path, file);
    QImageReader reader(&file);
    const MutedStderr muted;
    const QImage image = reader.read();
    if (image.isNull()) cannotRead(path, reader);
    return Frame{{pictureOf(image)}};
}

QByteArray encode(const Frame& frame, const std::string& extension) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, QByteArray::fromStdString(extension));
    // Level 1 deflate: a fraction of the default's time for files a little larger.
    if (extension == "png") writer.setCompression(1);
    if (!writer.write(imageOf(frame.views.front())))
        throw std::runtime_error("cannot encode image (" + writer.errorString().toStdString() + ")");
    return bytes;
}

const char* const kExtensions[] = {"png", "jpg", "jpeg", "bmp", "ppm", "pgm", nullptr};

}  // namespace

const StillFormat& qtStillFormat() {
    static const StillFormat format{"image", recognises, kExtensions, header, decode, encode};
    return format;
}

}  // namespace duovis::media
