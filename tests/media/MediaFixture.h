#pragma once
// Pictures whose pixels all differ, and one comparison for every round trip.

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <cctype>
#include <cmath>
#include <string>

#include "media/Picture.h"

namespace duovis::mediatest {

// Values on the `bits` grid (exact in every integer format of that depth), or for float
// pictures, values outside 0..1 and a NaN as well.
inline media::Picture testPicture(int w, int h, int bits, bool isFloat, int seed = 0) {
    media::Picture pic(w, h, bits, isFloat);
    const unsigned top = (1u << (bits == 32 ? 16 : bits)) - 1u;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            for (int c = 0; c < 4; ++c) {
                const unsigned v =
                    (static_cast<unsigned>(x * 37 + y * 101 + c * 53 + seed) * 2654435761u) % (top + 1);
                float& out = pic.row(y)[x * 4 + c];
                out = c == 3 ? 1.0f : media::unitFromInt(v, bits == 32 ? 16 : bits);
                if (isFloat && c < 3) out = out * 4.0f - 1.5f;  // -1.5 .. 2.5
            }
    if (isFloat) pic.row(0)[1] = std::nanf("");
    return pic;
}

// Names a row after its file ("a.mkv" -> "a_mkv", "exr/b-c" -> "exr_b_c"), so a test's name is
// the same in every build.
struct ByFile {
    template <class Row>
    std::string operator()(const ::testing::TestParamInfo<Row>& row) const {
        std::string name = row.param.file;
        for (char& ch : name)
            if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
        return name;
    }
};

// Largest difference of any channel (NaN must meet NaN), infinity when sizes differ.
inline float maxError(const media::Picture& a, const media::Picture& b) {
    media::Picture sa, sb;
    const media::Picture& fa = media::inFloats(a, sa);
    const media::Picture& fb = media::inFloats(b, sb);
    if (fa.width != fb.width || fa.height != fb.height) return INFINITY;
    float worst = 0;
    for (std::size_t i = 0; i < fa.rgba.size(); ++i) {
        if (std::isnan(fa.rgba[i]) || std::isnan(fb.rgba[i])) {
            if (std::isnan(fa.rgba[i]) != std::isnan(fb.rgba[i])) return INFINITY;
            continue;
        }
        worst = std::max(worst, std::fabs(fa.rgba[i] - fb.rgba[i]));
    }
    return worst;
}

// Mean difference of all channels of two equally sized pictures without NaN.
inline float meanError(const media::Picture& a, const media::Picture& b) {
    media::Picture sa, sb;
    const media::Picture& fa = media::inFloats(a, sa);
    const media::Picture& fb = media::inFloats(b, sb);
    if (fa.rgba.size() != fb.rgba.size() || fa.rgba.empty()) return INFINITY;
    double sum = 0;
    for (std::size_t i = 0; i < fa.rgba.size(); ++i)
        sum += static_cast<double>(std::fabs(fa.rgba[i] - fb.rgba[i]));
    return static_cast<float>(sum / static_cast<double>(fa.rgba.size()));
}

class MediaTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(dir_.isValid()); }
    std::string path(const std::string& name) const {
        return dir_.filePath(QString::fromStdString(name)).toStdString();
    }
    QTemporaryDir dir_;
};

}  // namespace duovis::mediatest
