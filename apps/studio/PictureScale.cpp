#include "PictureScale.h"

#include <algorithm>

namespace duovis::studio {

QSize downsampledSize(QSize full, int factor) {
    if (factor <= 1) return full;
    return QSize(std::max(1, full.width() / factor), std::max(1, full.height() / factor));
}

media::Picture downsampled(const media::Picture& picture, int factor) {
    if (factor <= 1 || picture.empty()) return picture;
    media::Picture scratch;
    const media::Picture& src = media::inFloats(picture, scratch);
    const QSize size = downsampledSize(QSize(src.width, src.height), factor);
    media::Picture out(size.width(), size.height(), src.bits, src.isFloat);
    // Block edges by proportion, so the last row and column of an odd size are not dropped.
    const auto edge = [](int i, int from, int to) {
        return static_cast<int>(static_cast<long long>(i) * from / to);
    };
    for (int y = 0; y < out.height; ++y) {
        const int y0 = edge(y, src.height, out.height);
        const int y1 = std::max(y0 + 1, edge(y + 1, src.height, out.height));
        float* dst = out.row(y);
        for (int x = 0; x < out.width; ++x) {
            const int x0 = edge(x, src.width, out.width);
            const int x1 = std::max(x0 + 1, edge(x + 1, src.width, out.width));
            float sum[4] = {0.0f, 0.0f, 0.0f, 0.0f};
            for (int sy = y0; sy < y1; ++sy) {
                const float* p = src.row(sy) + static_cast<std::size_t>(x0) * 4;
                for (int sx = x0; sx < x1; ++sx, p += 4)
                    for (int c = 0; c < 4; ++c) sum[c] += p[c];
            }
            const float n = static_cast<float>((y1 - y0) * (x1 - x0));
            for (int c = 0; c < 4; ++c) dst[x * 4 + c] = sum[c] / n;
        }
    }
    return out;
}

}  // namespace duovis::studio
