#include "media/StillFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>
#include <stdexcept>

#include "media/PixelLimit.h"

namespace duovis::media {

namespace {

const StillFormat* const kFormats[] = {&pngStillFormat(), &exrStillFormat(), &tiffStillFormat(),
                                       &dpxStillFormat(), &qtStillFormat()};

// Refuses what is not a readable file before any decoder sees it, and returns its first bytes.
QByteArray headOf(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) throw std::runtime_error(path + ": " + std::strerror(errno));
    if (S_ISDIR(st.st_mode)) throw std::runtime_error(path + ": is a directory, not an image file");
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) throw std::runtime_error(path + ": " + std::strerror(errno));
    char head[8] = {};
    const ssize_t n = ::read(fd, head, sizeof head);
    ::close(fd);
    return QByteArray(head, n > 0 ? static_cast<int>(n) : 0);
}

// Qt's family takes whatever the others do not recognise; it names what it cannot decode.
const StillFormat& formatOf(const std::string& path) {
    const QByteArray head = headOf(path);
    for (const StillFormat* f : kFormats)
        if (f->recognises(head)) return *f;
    return qtStillFormat();
}

const StillFormat* writerFor(const std::string& path) {
    const std::string ext = extensionOf(path);
    for (const StillFormat* f : kFormats)
        for (const char* const* e = f->extensions; *e != nullptr; ++e)
            if (ext == *e) return f;
    return nullptr;
}

[[noreturn]] void noMemory(const std::string& path, const StillHeader& h) {
    throw std::runtime_error(path + ": not enough memory to decode " + sizeText(h.width, h.height) +
                             " pixels");
}

}  // namespace

std::string extensionOf(const std::string& path) {
    const auto slash = path.rfind('/');
    const auto dot = path.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "";
    std::string ext = path.substr(dot + 1);
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
    return ext;
}

StillHeader readStillHeader(const std::string& path) {
    return formatOf(path).header(path);
}

StillHeader declaredHeader(const std::string& path, std::int64_t width, std::int64_t height, int views,
                           TileSize tiles) {
    checkDeclaredSides(path, width, height);
    return {static_cast<int>(width), static_cast<int>(height), views, tiles};
}

Frame readStill(const std::string& path, long long maxPixels) {
    const StillFormat& format = formatOf(path);
    const StillHeader h = format.header(path);
    checkPixelLimit(path, static_cast<std::uint64_t>(h.width), static_cast<std::uint64_t>(h.height),
                    maxPixels);
    if (h.dataWidth > 0)
        checkPixelLimit(path, static_cast<std::uint64_t>(h.dataWidth),
                        static_cast<std::uint64_t>(h.dataHeight), maxPixels, "its data window");
    try {
        Frame frame = format.decode(path);
        if (frame.views.empty() || frame.views.front().empty())
            throw std::runtime_error(path + ": image is empty");
        return frame;
    } catch (const std::bad_alloc&) {
        noMemory(path, h);
    } catch (const std::length_error&) {
        noMemory(path, h);
    }
}

bool canEncodeStill(const std::string& path) {
    return writerFor(path) != nullptr;
}

bool encodesViews(const std::string& path) {
    return writerFor(path) == &exrStillFormat();
}

bool encodesTiles(const std::string& path) {
    return writerFor(path) == &exrStillFormat();
}

QByteArray encodeStill(const Frame& frame, const std::string& path, TileSize tiles) {
    const StillFormat* format = writerFor(path);
    if (format == nullptr) {
        std::string known;
        for (const StillFormat* f : kFormats)
            for (const char* const* e = f->extensions; *e != nullptr; ++e) known += std::string(" ") + *e;
        throw std::runtime_error(path + ": unsupported output format '" + extensionOf(path) +
                                 "' (images:" + known + "; video: mp4 mov mkv)");
    }
    if (format == &exrStillFormat()) return encodeExr(frame, tiles);
    return format->encode(frame, extensionOf(path));
}

}  // namespace duovis::media
