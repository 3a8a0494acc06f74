// What the still-file targets share: the input becomes a file (the readers take names, as the
// command line gives them), and the family's own files go through the one entry every front
// end reads stills by, under a small pixel limit. Whatever the bytes, the reader either refuses
// with a message naming the file or gives the views its header promised, each within the limit
// and holding exactly its pixels.
#pragma once

#include <sys/mman.h>
#include <unistd.h>

#include <QByteArray>
#include <stdexcept>
#include <string>

#include "FuzzSupport.h"
#include "media/StillFile.h"
#include "media/StillFormat.h"

namespace duovis::fuzz {

// Small enough that a decode costs little, large enough for every seed.
constexpr long long kStillMaxPixels = 1 << 16;

// A file in memory holding exactly `data`, by a name every reader can open.
inline std::string asFile(const std::uint8_t* data, std::size_t size) {
    static const int fd = memfd_create("fuzz-still", MFD_CLOEXEC);
    require(fd >= 0, "a memory file");
    require(ftruncate(fd, 0) == 0 && pwrite(fd, data, size, 0) == static_cast<ssize_t>(size),
            "the input written");
    return "/proc/self/fd/" + std::to_string(fd);
}

// The header is what the render plans by: its view count and size are the decoded frame's.
inline void requireViewsFit(const media::Frame& frame, const media::StillHeader& h) {
    require(frame.views.size() == static_cast<std::size_t>(h.views), "as many views as the header said");
    require(frame.views.front().width == h.width && frame.views.front().height == h.height,
            "the first view is the header's size");
    for (const media::Picture& p : frame.views) {
        require(p.width > 0 && p.height > 0, "a view has pixels");
        const auto pixels = static_cast<long long>(p.width) * p.height;
        require(pixels <= kStillMaxPixels, "every view within the pixel limit");
        const auto held = static_cast<long long>(p.inBytes() ? p.rgba8.size() : p.rgba.size());
        require(held == pixels * 4, "a view holds exactly its pixels");
    }
}

// -1 (not kept in the corpus) for bytes another family would take.
inline int fuzzStill(const media::StillFormat& format, const std::uint8_t* data, std::size_t size) {
    const int head = static_cast<int>(size < 8 ? size : 8);
    if (!format.recognises(QByteArray(reinterpret_cast<const char*>(data), head))) return -1;
    const std::string path = asFile(data, size);
    try {
        const media::StillHeader h = media::readStillHeader(path);
        require(h.views == 1 || h.views == 2, "the header counts one view or two");
        requireViewsFit(media::readStill(path, kStillMaxPixels), h);
    } catch (const std::runtime_error& e) {
        require(std::string(e.what()).rfind(path + ": ", 0) == 0, "a refusal names the file");
    }
    return 0;
}

}  // namespace duovis::fuzz
