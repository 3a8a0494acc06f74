// Converting decoded frames stays inside the pictures it fills: every block this program
// allocates carries a marked tail, checked when it is freed. FFmpeg's own buffers are not
// ours and not watched; a picture's buffer is, whatever writes into it. Its own program,
// since it replaces the global allocator.
#include <gtest/gtest.h>

extern "C" {
#include <libavutil/frame.h>
#include <libavutil/pixdesc.h>
}

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <new>

#include "media/FfmpegPixels.h"

namespace {

constexpr std::size_t kHead = 16;  // the block's size, keeping the caller's alignment
constexpr std::size_t kTail = 256;
constexpr unsigned char kMark = 0xA5;
std::atomic<int> damaged{0};

void* guardedAlloc(std::size_t size) {
    auto* block = static_cast<unsigned char*>(std::malloc(kHead + size + kTail));
    if (block == nullptr) throw std::bad_alloc();
    std::memcpy(block, &size, sizeof size);
    std::memset(block + kHead + size, kMark, kTail);
    return block + kHead;
}

void guardedFree(void* p) noexcept {
    if (p == nullptr) return;
    auto* block = static_cast<unsigned char*>(p) - kHead;
    std::size_t size;
    std::memcpy(&size, block, sizeof size);
    for (std::size_t i = 0; i < kTail; ++i)
        if (block[kHead + size + i] != kMark) {
            damaged.fetch_add(1);
            break;
        }
    std::free(block);
}

}  // namespace

void* operator new(std::size_t size) {
    return guardedAlloc(size);
}
void* operator new[](std::size_t size) {
    return guardedAlloc(size);
}
void operator delete(void* p) noexcept {
    guardedFree(p);
}
void operator delete[](void* p) noexcept {
    guardedFree(p);
}
void operator delete(void* p, std::size_t) noexcept {
    guardedFree(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    guardedFree(p);
}

namespace duovis::mediatest {
namespace {

class PixelBounds : public ::testing::TestWithParam<AVPixelFormat> {};

// Every width up to a few vector blocks and a few heights: the conversion's last row is where
// a block-wise writer would run past the picture.
TEST_P(PixelBounds, ConversionWritesOnlyThePicture) {
    for (int w = 1; w <= 40; ++w)
        for (int h = 1; h <= 3; ++h) {
            AVFrame* frame = av_frame_alloc();
            frame->format = GetParam();
            frame->width = w;
            frame->height = h;
            ASSERT_EQ(av_frame_get_buffer(frame, 0), 0);
            for (int p = 0; p < AV_NUM_DATA_POINTERS && frame->buf[p]; ++p)
                std::memset(frame->buf[p]->data, 0x70 + p, frame->buf[p]->size);
            const int before = damaged.load();
            {
                const media::Picture pic = media::pictureFromFrame(*frame);
                EXPECT_EQ(pic.width * pic.height, w * h);
            }  // the picture's blocks are freed, and their tails checked, here
            av_frame_free(&frame);
            EXPECT_EQ(damaged.load(), before) << av_get_pix_fmt_name(GetParam()) << " " << w << "x" << h;
        }
}

INSTANTIATE_TEST_SUITE_P(Formats, PixelBounds,
                         ::testing::Values(AV_PIX_FMT_YUV420P, AV_PIX_FMT_YUVJ420P, AV_PIX_FMT_YUV422P,
                                           AV_PIX_FMT_YUV444P, AV_PIX_FMT_GRAY8, AV_PIX_FMT_YUVA444P,
                                           AV_PIX_FMT_YUV420P10LE, AV_PIX_FMT_YUV444P16LE,
                                           AV_PIX_FMT_GBRP10LE, AV_PIX_FMT_RGB24));

}  // namespace
}  // namespace duovis::mediatest
