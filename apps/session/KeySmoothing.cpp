#include "session/KeySmoothing.h"

#include <algorithm>
#include <stdexcept>

namespace duovis::session {

namespace {

double median(std::vector<double> v) {
    const std::size_t mid = v.size() / 2;
    std::nth_element(v.begin(), v.begin() + static_cast<std::ptrdiff_t>(mid), v.end());
    const double upper = v[mid];
    if (v.size() % 2 != 0) return upper;
    const double lower = *std::max_element(v.begin(), v.begin() + static_cast<std::ptrdiff_t>(mid));
    return (lower + upper) / 2;
}

// The Theil-Sen line through samples [first, last), evaluated at `frame`.
double robustLineAt(const std::vector<ShotSample>& s, std::size_t first, std::size_t last, int frame) {
    std::vector<double> slopes;
    for (std::size_t i = first; i < last; ++i)
        for (std::size_t j = i + 1; j < last; ++j)
            if (s[j].frame != s[i].frame)
                slopes.push_back((s[j].value - s[i].value) / static_cast<double>(s[j].frame - s[i].frame));
    const double slope = slopes.empty() ? 0.0 : median(slopes);
    std::vector<double> offsets;
    for (std::size_t i = first; i < last; ++i)
        offsets.push_back(s[i].value - slope * static_cast<double>(s[i].frame - frame));
    return median(offsets);
}

}  // namespace

std::vector<double> smoothShot(const std::vector<ShotSample>& samples, int window) {
    if (window < 1) throw std::invalid_argument("the smoothing window must be at least 1");
    std::vector<double> out;
    const std::size_t n = samples.size();
    const std::size_t size = std::min(n, static_cast<std::size_t>(window));
    for (std::size_t i = 0; i < n; ++i) {
        if (size <= 1) {
            out.push_back(samples[i].value);
            continue;
        }
        // Centred where it can be, shifted inwards at the ends.
        const std::size_t before = (size - 1) / 2;
        std::size_t first = i > before ? i - before : 0;
        first = std::min(first, n - size);
        out.push_back(robustLineAt(samples, first, first + size, samples[i].frame));
    }
    return out;
}

}  // namespace duovis::session
