#pragma once
// One swscale context for the frames of a stream, made again only when what it converts
// changes: making one for a 1080p frame costs about as much as converting the frame.

extern "C" {
#include <libavutil/pixfmt.h>
}

#include <memory>

struct SwsContext;

namespace duovis::media {

class ScaleContext {
  public:
    ScaleContext();
    ~ScaleContext();
    ScaleContext(const ScaleContext&) = delete;
    ScaleContext& operator=(const ScaleContext&) = delete;

    // A context converting `from` to `to` at `w` x `h`, the same size; `yuvSpace`/`yuvFull`
    // describe whichever side is YUV. Throws naming the formats swscale cannot convert.
    SwsContext* get(int w, int h, AVPixelFormat from, AVPixelFormat to, AVColorSpace yuvSpace, bool yuvFull);
    // How many contexts get() has made, for tests that check they are kept.
    int made() const { return made_; }

  private:
    struct Key {
        int w = 0, h = 0;
        AVPixelFormat from = AV_PIX_FMT_NONE, to = AV_PIX_FMT_NONE;
        AVColorSpace space = AVCOL_SPC_UNSPECIFIED;
        bool full = false;
        bool operator==(const Key& o) const {
            return w == o.w && h == o.h && from == o.from && to == o.to && space == o.space && full == o.full;
        }
    };
    struct Free {
        void operator()(SwsContext* c) const;
    };
    Key key_;
    std::unique_ptr<SwsContext, Free> sws_;
    int made_ = 0;
};

// Whether `format` holds YUV colour (not RGB, not grey).
bool isYuv(AVPixelFormat format);

}  // namespace duovis::media
