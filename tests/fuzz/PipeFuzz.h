// What the pipe targets share: the input arrives on standard input, where "-" reads it, and
// frames are read in order as the render reads them. Whatever the bytes, the reader either
// refuses naming standard input and the frame, or gives frames of the size it announced,
// each one view holding exactly its pixels, until the stream ends.
#pragma once

#include <sys/mman.h>
#include <unistd.h>

#include <stdexcept>
#include <string>

#include "FuzzSupport.h"
#include "media/VideoReader.h"

namespace duovis::fuzz {

// Enough frames to cross the decoder's delay and the checks between frames.
constexpr int kPipeFrames = 6;

// Standard input becomes a memory file holding exactly `data`, read from its start.
inline void onStandardInput(const std::uint8_t* data, std::size_t size) {
    static const int fd = memfd_create("fuzz-pipe", MFD_CLOEXEC);
    require(fd >= 0, "a memory file");
    require(ftruncate(fd, 0) == 0 && pwrite(fd, data, size, 0) == static_cast<ssize_t>(size),
            "the input written");
    require(dup2(fd, STDIN_FILENO) == STDIN_FILENO && lseek(STDIN_FILENO, 0, SEEK_SET) == 0,
            "the input on standard input");
}

inline void requireFrameFits(const media::Frame& frame, const media::VideoInfo& info) {
    require(frame.views.size() == 1, "a video frame is one view");
    const media::Picture& p = frame.views.front();
    require(p.width == info.width && p.height == info.height, "every frame the announced size");
    const auto pixels = static_cast<long long>(p.width) * p.height;
    const auto held = static_cast<long long>(p.inBytes() ? p.rgba8.size() : p.rgba.size());
    require(held == pixels * 4, "a frame holds exactly its pixels");
}

inline int fuzzPipe(const media::PipeInput& pipe, const std::uint8_t* data, std::size_t size) {
    onStandardInput(data, size);
    try {
        media::VideoReader video("-", pipe);
        require(video.info().width > 0 && video.info().height > 0, "an opened stream has a size");
        for (int i = 0; i < kPipeFrames; ++i) {
            const auto frame = video.read(i);
            if (!frame) break;
            requireFrameFits(*frame, video.info());
        }
    } catch (const std::runtime_error& e) {
        const std::string what = e.what();
        require(what.rfind("-: ", 0) == 0 || what.rfind("standard input: ", 0) == 0,
                "a refusal names standard input");
    }
    return 0;
}

}  // namespace duovis::fuzz
