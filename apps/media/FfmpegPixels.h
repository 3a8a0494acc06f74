#pragma once
// FFmpeg's frames to pictures and back, and its error codes as text: shared by the video
// reader and writer and the DPX family, so each converts and reports the same way.

extern "C" {
#include <libavutil/frame.h>
#include <libavutil/pixfmt.h>
}

#include <memory>
#include <string>

#include "media/Picture.h"

namespace duovis::media {

std::string avErrorText(int code);

// FFmpeg's own log lines are kept off stderr (our errors say what failed, once);
// DUOVIS_FFMPEG_LOG=1 keeps them for debugging. Called before any use of the libraries.
void quietFfmpegLog();
// The library's last error line on this thread since the last call (empty if none), for
// errors whose code alone says too little.
std::string takeFfmpegError();

struct FrameFree {
    void operator()(AVFrame* f) const { av_frame_free(&f); }
};
using FramePtr = std::unique_ptr<AVFrame, FrameFree>;

// The significant bits a channel of `format` carries (8 for 8-bit YUV, 10 for ProRes...).
int bitsOf(AVPixelFormat format);

class ScaleContext;

// Converts a decoded frame to a picture: 8-bit frames to bytes in `order`, deeper ones to
// straight RGBA floats through 16-bit RGBA, so no 8-bit step is taken. YUV frames use their
// own matrix and range. `scale` is the stream's context, kept for its next frame.
Picture pictureFromFrame(const AVFrame& frame, ScaleContext& scale, ByteOrder order);
// The same in RGBA, with a context of its own (single pictures).
Picture pictureFromFrame(const AVFrame& frame);

// A frame of `format`, `picture`'s size, holding its pixels (BT.709 matrix, limited range for
// YUV formats, as players expect of HD video), converted through the stream's `scale`.
FramePtr frameFromPicture(const Picture& picture, AVPixelFormat format, ScaleContext& scale);
FramePtr frameFromPicture(const Picture& picture, AVPixelFormat format);

}  // namespace duovis::media
