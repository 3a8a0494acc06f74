#include "core/kernel/HalfFloat.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

namespace duovis {
namespace {

float floatFromBits(uint32_t u) {
    float f;
    std::memcpy(&f, &u, sizeof f);
    return f;
}

// The compiler's own binary16 type rounds to nearest-even: an independent reference.
uint16_t referenceNearest(float f) {
    const _Float16 h = static_cast<_Float16>(f);
    uint16_t u;
    std::memcpy(&u, &h, sizeof u);
    return u;
}

// Toward zero: the largest-magnitude half whose value does not exceed |f|.
uint16_t referenceTowardZero(float f) {
    const uint16_t n = referenceNearest(f);
    const float back = halfToFloat(n);
    if (std::isnan(f)) return n;
    if (std::fabs(back) > std::fabs(f)) return uint16_t(n - 1);  // one step toward zero
    return n;
}

TEST(HalfFloat, EveryHalfRoundTripsThroughFloat) {
    for (uint32_t h = 0; h < 0x10000; ++h) {
        const float f = halfToFloat(uint16_t(h));
        if (std::isnan(f)) {
            EXPECT_EQ(floatToHalf(f, HalfRounding::NearestEven) & 0x7C00u, 0x7C00u);
            continue;
        }
        EXPECT_EQ(floatToHalf(f, HalfRounding::NearestEven), h) << std::hex << h;
        EXPECT_EQ(floatToHalf(f, HalfRounding::TowardZero), h) << std::hex << h;
    }
}

TEST(HalfFloat, ConversionMatchesTheCompilersHalfType) {
    for (uint32_t h = 0; h < 0x10000; ++h) {
        _Float16 x;
        const uint16_t bits = uint16_t(h);
        std::memcpy(&x, &bits, sizeof x);
        const float expected = static_cast<float>(x);
        const float actual = halfToFloat(bits);
        if (std::isnan(expected)) {
            EXPECT_TRUE(std::isnan(actual));
        } else {
            EXPECT_EQ(actual, expected) << std::hex << h;
        }
    }
}

// Every float whose low 13 mantissa bits take interesting values (ties, just above, just below),
// across the whole exponent range, sign included.
TEST(HalfFloat, BothRoundingsMatchTheReferencesAcrossTheRange) {
    const uint32_t lows[] = {0x0000, 0x0001, 0x0FFF, 0x1000, 0x1001, 0x1FFF};
    int checked = 0;
    for (uint32_t sign = 0; sign < 2; ++sign) {
        for (uint32_t exponent = 0; exponent < 255; ++exponent) {
            for (uint32_t high = 0; high < 0x400; high += 0x3F) {
                for (uint32_t low : lows) {
                    const uint32_t bits = (sign << 31) | (exponent << 23) | (high << 13) | low;
                    const float f = floatFromBits(bits);
                    ASSERT_EQ(floatToHalf(f, HalfRounding::NearestEven), referenceNearest(f))
                        << std::hex << bits;
                    ASSERT_EQ(floatToHalf(f, HalfRounding::TowardZero), referenceTowardZero(f))
                        << std::hex << bits;
                    ++checked;
                }
            }
        }
    }
    EXPECT_GT(checked, 10000);
}

struct HalfCase {
    float value;
    uint16_t towardZero;
    uint16_t nearest;
};

class HalfStores : public ::testing::TestWithParam<HalfCase> {};

TEST_P(HalfStores, RoundAsTheirBackEnd) {
    const HalfCase c = GetParam();
    EXPECT_EQ(floatToHalf(c.value, HalfRounding::TowardZero), c.towardZero);
    EXPECT_EQ(floatToHalf(c.value, HalfRounding::NearestEven), c.nearest);
}

INSTANTIATE_TEST_SUITE_P(
    HalfFloat, HalfStores,
    ::testing::Values(HalfCase{1.0f, 0x3C00, 0x3C00},
                      // Just below 1.0, closer to 1.0 than to the largest half below it.
                      HalfCase{0.99990f, 0x3BFF, 0x3C00}, HalfCase{-0.99990f, 0xBBFF, 0xBC00},
                      HalfCase{0.5f, 0x3800, 0x3800}, HalfCase{0.0f, 0x0000, 0x0000},
                      HalfCase{-0.0f, 0x8000, 0x8000},
                      // Past the largest finite half: infinity to nearest, 65504 toward zero.
                      HalfCase{70000.0f, 0x7BFF, 0x7C00}, HalfCase{65520.0f, 0x7BFF, 0x7C00},
                      HalfCase{std::numeric_limits<float>::infinity(), 0x7C00, 0x7C00},
                      // Smallest subnormal half and half of it (a tie, to even gives zero).
                      HalfCase{5.9604645e-08f, 0x0001, 0x0001}, HalfCase{2.9802322e-08f, 0x0000, 0x0000},
                      HalfCase{4.4703484e-08f, 0x0000, 0x0001}));

}  // namespace
}  // namespace duovis
