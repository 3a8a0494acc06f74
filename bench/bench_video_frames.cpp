// One 8-bit 1920 x 1080 video frame between the codecs and the compositing host's ARGB world,
// each way, by two routes: "Earlier", as frames went before (a swscale context made for every
// frame and an RGBA picture reordered into the world, and back), and "Kept" (the stream's
// context kept, and the world's own ARGB handed over). The codec's work is left out: these are
// the conversions either side of it. Formats: 4:2:0 (H.264's), 4:4:4 and FFV1's 0RGB.
extern "C" {
#include <libavutil/frame.h>
#include <libavutil/pixdesc.h>
}

#include <benchmark/benchmark.h>

#include <cstring>

#include "media/FfmpegPixels.h"
#include "media/ScaleContext.h"
#include "session/ImageWorld.h"

namespace duovis {
namespace {

constexpr int kW = 1920, kH = 1080;
constexpr AVPixelFormat kFormats[] = {AV_PIX_FMT_YUV420P, AV_PIX_FMT_YUV444P, AV_PIX_FMT_0RGB32};

// A decoded frame of `format` holding a gradient.
media::FramePtr sourceFrame(AVPixelFormat format) {
    media::FramePtr f(av_frame_alloc());
    f->format = format;
    f->width = kW;
    f->height = kH;
    f->colorspace = AVCOL_SPC_BT709;
    av_frame_get_buffer(f.get(), 0);
    for (int p = 0; p < 4 && f->buf[p] != nullptr; ++p)
        for (std::size_t i = 0; i < f->buf[p]->size; ++i)
            f->buf[p]->data[i] = static_cast<std::uint8_t>(i * 7 / 5);
    return f;
}

refhost::World sourceWorld() {
    refhost::World world(kW, kH, refhost::PixelFormat::Argb8);
    for (int y = 0; y < kH; ++y) {
        std::uint8_t* p = world.pixelBytes(0, y);
        for (int i = 0; i < kW * 4; ++i) p[i] = static_cast<std::uint8_t>(i % 4 == 0 ? 255 : (i + y) * 3);
    }
    return world;
}

void BM_DecodeToWorld(benchmark::State& state) {
    const AVPixelFormat format = kFormats[state.range(0)];
    const bool kept = state.range(1) == 1;
    const media::FramePtr frame = sourceFrame(format);
    media::ScaleContext scale;
    for (auto _ : state) {
        const media::Picture pic = kept ? media::pictureFromFrame(*frame, scale, media::ByteOrder::Argb)
                                        : media::pictureFromFrame(*frame);
        refhost::World world = session::worldFor(pic, refhost::PixelFormat::Argb8);
        benchmark::DoNotOptimize(world.pixelBytes(0, 0));
    }
    state.SetLabel(av_get_pix_fmt_name(format));
}

void BM_WorldToEncoder(benchmark::State& state) {
    const AVPixelFormat format = kFormats[state.range(0)];
    const bool kept = state.range(1) == 1;
    const refhost::World source = sourceWorld();
    media::ScaleContext scale;
    for (auto _ : state) {
        state.PauseTiming();
        refhost::World world = source;  // each frame's world is the renderer's, given up
        state.ResumeTiming();
        const media::Picture pic = session::pictureFor(std::move(world), 8, false,
                                                   kept ? media::ByteOrder::Argb : media::ByteOrder::Rgba);
        const media::FramePtr frame =
            kept ? media::frameFromPicture(pic, format, scale) : media::frameFromPicture(pic, format);
        benchmark::DoNotOptimize(frame->data[0]);
    }
    state.SetLabel(av_get_pix_fmt_name(format));
}

// Arguments: the format's place in kFormats, then the route (0 Earlier, 1 Kept).
void routes(benchmark::internal::Benchmark* b) {
    b->ArgNames({"format", "kept"})->Unit(benchmark::kMillisecond);
    for (int f = 0; f < 3; ++f)
        for (int kept = 0; kept <= 1; ++kept) b->Args({f, kept});
}

BENCHMARK(BM_DecodeToWorld)->Apply(routes);
BENCHMARK(BM_WorldToEncoder)->Apply(routes);

}  // namespace
}  // namespace duovis

BENCHMARK_MAIN();
