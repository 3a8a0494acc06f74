#include "Matching.h"

#include "Ambiguity.h"

#include <opencv2/calib3d.hpp>
#include <opencv2/core/utility.hpp>
#include <opencv2/features2d.hpp>
#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>
#include <future>
#include <limits>

namespace depthscope {

namespace {

constexpr int kPatch = 32;                       // phase-correlation window, pixels
constexpr double kHalf = (kPatch - 1) / 2.0;     // its centre
constexpr double kMinResponse = 0.15;            // weaker peaks are texture-less or occluded
constexpr double kMaxPatchShift = kPatch / 4.0;  // a larger jump is a different feature

struct Features {
    std::vector<cv::KeyPoint> points;
    cv::Mat descriptors;
};

// Features are found on a copy at most this wide: enough for a match to land within a pixel or
// two, which the refinement then takes to a fraction, and quick on a full HD frame.
constexpr int kDetectWidth = 800;

// The indices of the strongest features of each cell of a grid: a high-contrast pattern in one
// part of the frame must not take every feature, or the rest of the frame has no say.
std::vector<int> spreadOut(const std::vector<cv::KeyPoint>& points, cv::Size view) {
    constexpr int kGrid = 8, kPerCell = 3000 / (kGrid * kGrid);
    std::vector<std::vector<cv::KeyPoint>> cells(kGrid * kGrid);
    for (std::size_t i = 0; i < points.size(); ++i) {
        cv::KeyPoint k = points[i];
        k.class_id = static_cast<int>(i);
        const int cx = std::clamp(int(k.pt.x) * kGrid / view.width, 0, kGrid - 1);
        const int cy = std::clamp(int(k.pt.y) * kGrid / view.height, 0, kGrid - 1);
        cells[static_cast<std::size_t>(cy * kGrid + cx)].push_back(k);
    }
    std::vector<int> kept;
    for (auto& cell : cells) {
        cv::KeyPointsFilter::retainBest(cell, kPerCell);
        for (const cv::KeyPoint& k : cell) kept.push_back(k.class_id);
    }
    return kept;
}

// SIFT holds up on real textures and tells apart more of a pattern's look-alike corners than a
// binary descriptor does.
Features detect(const cv::Mat& view) {
    cv::Mat bytes;
    view.convertTo(bytes, CV_8U);
    const double f = std::min(1.0, double(kDetectWidth) / std::max(1, bytes.cols));
    if (f < 1.0) cv::resize(bytes, bytes, cv::Size(), f, f, cv::INTER_AREA);
    const cv::Ptr<cv::SIFT> sift = cv::SIFT::create();
    std::vector<cv::KeyPoint> all;
    cv::Mat descriptors;
    sift->detectAndCompute(bytes, cv::noArray(), all, descriptors);
    Features out;
    for (const int i : spreadOut(all, bytes.size())) {
        cv::KeyPoint k = all[static_cast<std::size_t>(i)];
        k.pt = cv::Point2f(float((double(k.pt.x) + 0.5) / f - 0.5), float((double(k.pt.y) + 0.5) / f - 0.5));
        out.points.push_back(k);
        out.descriptors.push_back(descriptors.row(i));
    }
    return out;
}

// The nearest and second-nearest of one side's descriptors, by distance.
struct Nearest {
    float first = std::numeric_limits<float>::max(), second = std::numeric_limits<float>::max();
    int index = -1;

    void offer(float d, int i) {
        if (d < first) {
            second = first, first = d, index = i;
        } else if (d < second) {
            second = d;
        }
    }
    // The nearest, where it is clearly nearer than the second (Lowe's ratio test); else -1.
    int clear() const {
        return second < std::numeric_limits<float>::max() && first < 0.8f * second ? index : -1;
    }
};

// The pairs that pass the ratio test both ways and choose each other. One pass over the
// distances serves both ways, a band of left descriptors at a time (bands in parallel, each
// with its own view of the right descriptors' nearest, merged after).
void pairUp(const Features& l, const Features& r, std::vector<cv::Point2d>& pl,
            std::vector<cv::Point2d>& pr) {
    if (l.descriptors.empty() || r.descriptors.empty()) return;
    constexpr int kBand = 256;
    const int n = l.descriptors.rows, m = r.descriptors.rows, bands = (n + kBand - 1) / kBand;
    std::vector<Nearest> forward(static_cast<std::size_t>(n));
    std::vector<std::vector<Nearest>> backward(static_cast<std::size_t>(bands),
                                               std::vector<Nearest>(static_cast<std::size_t>(m)));
    cv::parallel_for_(cv::Range(0, bands), [&](const cv::Range& range) {
        cv::Mat dist;
        for (int band = range.start; band < range.end; ++band) {
            const int y0 = band * kBand;
            cv::batchDistance(l.descriptors.rowRange(y0, std::min(n, y0 + kBand)), r.descriptors, dist,
                              CV_32F, cv::noArray(), cv::NORM_L2);
            std::vector<Nearest>& back = backward[static_cast<std::size_t>(band)];
            for (int i = 0; i < dist.rows; ++i) {
                const float* d = dist.ptr<float>(i);
                Nearest& f = forward[static_cast<std::size_t>(y0 + i)];
                for (int j = 0; j < m; ++j) {
                    f.offer(d[j], j);
                    back[static_cast<std::size_t>(j)].offer(d[j], y0 + i);
                }
            }
        }
    });
    for (std::size_t band = 1; band < backward.size(); ++band)
        for (std::size_t j = 0; j < backward[band].size(); ++j) {
            const Nearest& b = backward[band][j];
            backward[0][j].offer(b.first, b.index);
            backward[0][j].offer(b.second, b.index);  // never nearer than the first just offered
        }
    for (std::size_t i = 0; i < forward.size(); ++i) {
        const int j = forward[i].clear();
        if (j < 0 || backward[0][static_cast<std::size_t>(j)].clear() != static_cast<int>(i)) continue;
        pl.emplace_back(l.points[i].pt);
        pr.emplace_back(r.points[static_cast<std::size_t>(j)].pt);
    }
}

template <class T>
void keepOnly(std::vector<T>& v, const std::vector<char>& keep) {
    std::size_t n = 0;
    for (std::size_t i = 0; i < v.size(); ++i)
        if (keep[i]) v[n++] = v[i];
    v.resize(n);
}

void keepPairs(EyeMatches& m, const std::vector<char>& keep) {
    keepOnly(m.left, keep);
    keepOnly(m.right, keep);
}

// Epipolar consistency: a pair at any depth passes, a pair joining unrelated features rarely.
void rejectByEpipolar(EyeMatches& m, int viewHeight) {
    if (m.left.size() < 8) return;
    std::vector<cv::Point2f> l(m.left.begin(), m.left.end()), r(m.right.begin(), m.right.end());
    cv::Mat inliers;
    // Loose enough for a real lens, which bends the epipolar lines; a pair joining unrelated
    // features is far off them.
    const double limitPx = std::max(1.5, 0.006 * viewHeight);
    const cv::Mat F = cv::findFundamentalMat(l, r, cv::FM_RANSAC, limitPx, 0.999, inliers);
    if (F.empty() || inliers.empty()) return;
    keepPairs(m, std::vector<char>(inliers.begin<uchar>(), inliers.end<uchar>()));
}

// The linear part of the fit's inverse: a step in the left view to the step in the right view.
cv::Matx22d leftToRight(const VerticalFit& f) {
    const double det = f.a * f.a + f.b * f.b;
    return {f.a / det, f.b / det, -f.b / det, f.a / det};
}

bool inside(const cv::Mat& view, cv::Point2d p, double margin) {
    return p.x >= margin && p.y >= margin && p.x <= view.cols - 1 - margin && p.y <= view.rows - 1 - margin;
}

// Phase correlation of the patches around one pair, the right one resampled by `toRight`;
// moves `r` onto the left point. False where the peak is weak or too far.
bool refineOne(const cv::Mat& left, const cv::Mat& right, const cv::Matx22d& toRight, double reach,
               cv::Point2d l, cv::Point2d& r) {
    static const cv::Mat window = [] {
        cv::Mat w;
        cv::createHanningWindow(w, cv::Size(kPatch, kPatch), CV_32F);
        return w;
    }();
    if (!inside(left, l, kHalf + 1) || !inside(right, r, reach)) return false;
    cv::Mat pl, pr;
    const cv::Matx23d leftPatch(1, 0, l.x - kHalf, 0, 1, l.y - kHalf);
    // Patch (u, v) to the right view at r + toRight ((u, v) - half).
    const cv::Matx23d rightPatch(toRight(0, 0), toRight(0, 1), r.x - kHalf * (toRight(0, 0) + toRight(0, 1)),
                                 toRight(1, 0), toRight(1, 1), r.y - kHalf * (toRight(1, 0) + toRight(1, 1)));
    cv::warpAffine(left, pl, leftPatch, cv::Size(kPatch, kPatch), cv::INTER_LINEAR | cv::WARP_INVERSE_MAP);
    cv::warpAffine(right, pr, rightPatch, cv::Size(kPatch, kPatch), cv::INTER_LINEAR | cv::WARP_INVERSE_MAP);
    double response = 0;
    const cv::Point2d shift = cv::phaseCorrelate(pl, pr, window, &response);
    if (response < kMinResponse || std::hypot(shift.x, shift.y) > kMaxPatchShift) return false;
    // The left feature sits `shift` further on in the resampled right patch.
    r += cv::Point2d(toRight(0, 0) * shift.x + toRight(0, 1) * shift.y,
                     toRight(1, 0) * shift.x + toRight(1, 1) * shift.y);
    return true;
}

// One refinement pass: for each pair, the right patch around its own right point is resampled
// through the fit's rotation and scale, and the remaining shift found by phase correlation moves
// the right point. Anchoring at the pair rather than at the fit's offset keeps pairs the fit
// cannot follow (a real lens bends the rows) within the patch. Pairs without a clear peak are
// dropped.
void refinePairs(const cv::Mat& left, const cv::Mat& right, EyeMatches& m) {
    const cv::Matx22d toRight = leftToRight(m.fit);
    const double reach = kHalf * std::sqrt(2.0) * std::hypot(toRight(0, 0), toRight(0, 1)) + 1;
    std::vector<char> keep(m.left.size(), 0);
    // Each pair on its own: the pairs are shared out between the threads.
    cv::parallel_for_(cv::Range(0, int(m.left.size())), [&](const cv::Range& range) {
        for (int k = range.start; k < range.end; ++k)
            if (refineOne(left, right, toRight, reach, m.left[std::size_t(k)], m.right[std::size_t(k)]))
                keep[std::size_t(k)] = 1;
    });
    keepPairs(m, keep);
}

bool robustFit(EyeMatches& m, double thresholdPx) {
    std::vector<char> keep;
    // Where the pairs cannot fix the bends (a strip of the frame) or would bend the rows more
    // than a lens does, the plain fit decides, and the evidence says how far it reaches.
    if (!fitVerticalRobust(m.right, m.left, m.fit.centre, thresholdPx, m.fit, keep, true) &&
        !fitVerticalRobust(m.right, m.left, m.fit.centre, thresholdPx, m.fit, keep, false))
        return false;
    keepPairs(m, keep);
    return true;
}

}  // namespace

bool matchEyes(const cv::Mat& left, const cv::Mat& right, EyeMatches& out, std::string& error) {
    EyeMatches m;
    // The eyes' features are found side by side: the search is most of a press's time.
    std::future<Features> rightFeatures = std::async(std::launch::async, [&] { return detect(right); });
    const Features fl = detect(left), fr = rightFeatures.get();
    m.keypointsLeft = static_cast<int>(fl.points.size());
    m.keypointsRight = static_cast<int>(fr.points.size());
    pairUp(fl, fr, m.left, m.right);
    m.matches = static_cast<int>(m.left.size());
    m.fit.centre = cv::Point2d(left.cols / 2, left.rows / 2);
    const auto tooFew = [&](const std::string& stage) {
        error = "too few matches between the eyes" + stage + " (" + std::to_string(m.left.size()) +
                ", need " + std::to_string(kMinPairs) + "): is the picture flat or are the eyes unrelated?";
        return false;
    };
    if (m.matches < kMinPairs) return tooFew("");
    rejectByEpipolar(m, left.rows);
    keepPairs(m, verticallyUnique(left, right, m.left, m.right));
    m.candidateLeft = m.left;
    m.candidateRight = m.right;
    // The first consensus is loose enough for a real rig's rows, which a plain fit leaves a few
    // pixels apart at the frame's edges, and still far tighter than a pattern's period.
    const double firstPx = std::max(2.0, 0.008 * left.rows);
    if (m.left.size() < std::size_t(kMinPairs) || !robustFit(m, firstPx))
        return tooFew(" after outlier rejection");
    for (const double passPx : {1.5, 1.0, 1.0}) {
        refinePairs(left, right, m);
        if (m.left.size() < std::size_t(kMinPairs) || !robustFit(m, passPx))
            return tooFew(" after subpixel refinement");
    }
    out = std::move(m);
    return true;
}

}  // namespace depthscope
