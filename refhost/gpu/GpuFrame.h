#pragma once
// Frames in device memory as the host owns them, and their two pixel formats.

#include <cstdint>
#include <vector>

#include "GpuDevice.h"
#include "PrSDKTypes.h"
#include "World.h"

// What a PPixHand points at in this host.
struct PPix {
    duovis::refhost::gpu::GpuDevice* device = nullptr;
    csSDK_uint32 deviceIndex = 0;
    PrPixelFormat format = 0;
    csSDK_int32 width = 0;
    csSDK_int32 height = 0;
    csSDK_int32 rowBytes = 0;
    csSDK_uint32 aspectNum = 1;
    csSDK_uint32 aspectDen = 1;
    prFieldType field = prFieldsNone;
    void* memory = nullptr;  // cl_mem or CUDA device address
};

namespace duovis::refhost::gpu {

enum class GpuFormat { Float32, Half16 };

PrPixelFormat pixelFormatCode(GpuFormat format);
// Bytes of one pixel in a frame of this code; every code but the float one holds halves.
int gpuBytesPerPixel(PrPixelFormat format);

// A float BGRA world as the bytes of a frame of `format` with rows `rowBytes` apart; halves are
// rounded to nearest, ties to even.
std::vector<std::uint8_t> frameBytes(const World& world, PrPixelFormat format, int rowBytes);
// The frame's bytes back into a float BGRA world.
World worldFromFrameBytes(const std::vector<std::uint8_t>& bytes, PrPixelFormat format, int width, int height,
                          int rowBytes);

// IEEE binary16 conversions of the host's own uploads and read-backs.
std::uint16_t halfFromFloat(float value);
float floatFromHalf(std::uint16_t half);

}  // namespace duovis::refhost::gpu
