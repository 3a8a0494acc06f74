#include "ImageInput.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QImageReader>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <stdexcept>

#include "ImageWorld.h"

namespace duovis::cli {

namespace {

constexpr double kDefaultMaxMegapixels = 300.0;

double megapixelsFrom(const std::string& text, const std::string& what) {
    char* end = nullptr;
    const double v = std::strtod(text.c_str(), &end);
    if (text.empty() || *end != '\0' || !std::isfinite(v) || v <= 0.0)
        throw std::runtime_error(what + ": '" + text + "' is not a positive number of megapixels");
    return v;
}

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

// Opens by the name's own bytes, so names that are not UTF-8 work; refuses what is not a
// file before any decoder sees it.
void openInput(const std::string& path, QFile& file) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) throw std::runtime_error(path + ": " + std::strerror(errno));
    if (S_ISDIR(st.st_mode)) throw std::runtime_error(path + ": is a directory, not an image file");
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) throw std::runtime_error(path + ": " + std::strerror(errno));
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        throw std::runtime_error(path + ": cannot open (" + file.errorString().toStdString() + ")");
    }
}

QSize headerSize(const std::string& path, QImageReader& reader) {
    const QSize size = reader.size();
    if (!size.isValid())
        throw std::runtime_error(path + ": cannot read image (" + reader.errorString().toStdString() + ")");
    return size;
}

}  // namespace

qint64 maxInputPixels(const std::optional<std::string>& flag) {
    double megapixels = kDefaultMaxMegapixels;
    if (flag) {
        megapixels = megapixelsFrom(*flag, "--max-megapixels");
    } else if (qEnvironmentVariableIsSet("DUOVIS_MAX_MEGAPIXELS")) {
        megapixels = megapixelsFrom(qEnvironmentVariable("DUOVIS_MAX_MEGAPIXELS").toStdString(),
                                    "DUOVIS_MAX_MEGAPIXELS");
    }
    // Beyond any size a PNG can declare; keeps the product in range.
    return static_cast<qint64>(std::min(megapixels, 1e12) * 1e6);
}

QSize declaredImageSize(const std::string& path) {
    QFile file;
    openInput(path, file);
    QImageReader reader(&file);
    const MutedStderr muted;
    return headerSize(path, reader);
}

QImage readImage(const std::string& path, qint64 maxPixels) {
    QFile file;
    openInput(path, file);
    QImageReader reader(&file);
    const MutedStderr muted;
    const QSize size = headerSize(path, reader);
    if (static_cast<qint64>(size.width()) * size.height() > maxPixels)
        throw std::runtime_error(path + ": declares " + sizeText(size) + " pixels, more than the limit of " +
                                 QString::number(static_cast<double>(maxPixels) / 1e6).toStdString() +
                                 " megapixels (raise it with --max-megapixels or DUOVIS_MAX_MEGAPIXELS)");
    QImage image;
    try {
        image = reader.read();
    } catch (const std::bad_alloc&) {
        throw std::runtime_error(path + ": not enough memory to decode " + sizeText(size) + " pixels");
    }
    if (image.isNull())
        throw std::runtime_error(path + ": cannot read image (" + reader.errorString().toStdString() + ")");
    if (image.width() <= 0 || image.height() <= 0) throw std::runtime_error(path + ": image is empty");
    return image;
}

refhost::World worldFor(const QImage& image, refhost::PixelFormat format, const std::string& path) {
    try {
        return toWorld(image, format);
    } catch (const std::bad_alloc&) {
        throw std::runtime_error(path + ": not enough memory for a " + sizeText(image.size()) + " frame");
    }
}

refhost::World readWorld(const std::string& path, refhost::PixelFormat format, qint64 maxPixels) {
    return worldFor(readImage(path, maxPixels), format, path);
}

std::string sizeText(const QSize& s) {
    return std::to_string(s.width()) + " x " + std::to_string(s.height());
}

std::optional<FileId> fileId(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return std::nullopt;
    return FileId{st.st_dev, st.st_ino};
}

}  // namespace duovis::cli
