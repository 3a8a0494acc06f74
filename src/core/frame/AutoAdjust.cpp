#include "core/frame/AutoAdjust.h"

#include "core/params/ParamRules.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace duovis {

namespace {

enum AutoScaleMode { SCALE_NONE = 0, SCALE_TO_FIT, SCALE_TO_FILL, STRETCH_TO_FILL };

struct Point {
    double x = 0, y = 0;
};

// Projective mapping without a test of w: a corner behind the viewer still gives a position.
// Non-finite results (w == 0) are reported to the caller.
std::optional<Point> mapCorner(const EyeTransform& t, float fx, float fy) {
    const auto x = static_cast<double>(fx);
    const auto y = static_cast<double>(fy);
    const double w = t.m13 * x + t.m23 * y + t.m33;
    const float mx = static_cast<float>((t.m11 * x + t.m21 * y + t.m31) / w);
    const float my = static_cast<float>((t.m12 * x + t.m22 * y + t.m32) / w);
    if (!std::isfinite(mx) || !std::isfinite(my)) return std::nullopt;
    return Point{static_cast<double>(mx), static_cast<double>(my)};
}

// The crossing of the unbounded line (p, d) with the edge from s to e nearest to c, if closer
// than `best` so far.
void crossEdge(Point p, Point d, Point s, Point e, Point c, std::optional<Point>& best, double& bestDist) {
    const double ex = e.x - s.x;
    const double ey = e.y - s.y;
    const double denom = d.x * ey - d.y * ex;
    if (std::abs(denom) <= 0.00001) return;  // parallel, or too short to cross reliably
    const double t = -(d.y * (p.x - s.x) - d.x * (p.y - s.y)) / denom;
    if (t < 0 || t > 1) return;
    const Point q{s.x + t * ex, s.y + t * ey};
    const double dist = (q.x - c.x) * (q.x - c.x) + (q.y - c.y) * (q.y - c.y);
    if (!best || dist < bestDist) {
        best = q;
        bestDist = dist;
    }
}

// One eye: bounding box and the rectangle of the frame's aspect, centred on the corners'
// centroid, reaching along both diagonals to the nearest edge of the mapped quadrilateral.
EyeCoverage eyeCoverage(float aspect, const FrameRect& src, const EyeTransform& t) {
    EyeCoverage cov;
    const auto tl = mapCorner(t, src.x0, src.y0);
    const auto tr = mapCorner(t, src.x1, src.y0);
    const auto br = mapCorner(t, src.x1, src.y1);
    const auto bl = mapCorner(t, src.x0, src.y1);
    if (!tl || !tr || !br || !bl) return cov;  // a corner at infinity: nothing known of the eye
    cov.hasBounds = true;

    const auto fl = [](double v) { return static_cast<float>(v); };
    cov.bounds.x0 = fl(std::min({tl->x, tr->x, br->x, bl->x}));
    cov.bounds.x1 = fl(std::max({tl->x, tr->x, br->x, bl->x}));
    cov.bounds.y0 = fl(std::min({tl->y, tr->y, br->y, bl->y}));
    cov.bounds.y1 = fl(std::max({tl->y, tr->y, br->y, bl->y}));

    const Point c{(bl->x + br->x + tr->x + tl->x) * 0.25, (bl->y + br->y + tr->y + tl->y) * 0.25};

    const float bw = cov.bounds.x1 - cov.bounds.x0;
    const float bh = cov.bounds.y1 - cov.bounds.y0;
    // A box without area, or a frame without a usable aspect, has no inscribed rectangle.
    if (!(bw > 0) || !(bh > 0) || !(aspect > 0) || !std::isfinite(aspect)) return cov;
    const bool wide = bw / bh > aspect;
    const float width = wide ? bw : bh * aspect;
    const float height = wide ? bw / aspect : bh;

    const Point starts[2] = {{c.x - double(width / 2), c.y - double(height / 2)},
                             {c.x - double(width / 2), c.y + double(height / 2)}};
    const Point dirs[2] = {{double(width), double(height)}, {double(width), -double(height)}};
    std::optional<Point> best;
    double bestDist = 0;
    for (int i = 0; i < 2; ++i) {
        crossEdge(starts[i], dirs[i], *bl, *tl, c, best, bestDist);
        crossEdge(starts[i], dirs[i], *br, *bl, c, best, bestDist);
        crossEdge(starts[i], dirs[i], *tr, *br, c, best, bestDist);
        crossEdge(starts[i], dirs[i], *tl, *tr, c, best, bestDist);
    }
    if (!best) return cov;

    const float s = fl(std::abs(best->x - c.x));
    const float u = fl(std::abs(best->y - c.y));
    cov.inscribed =
        FrameRect{fl(c.x - double(s)), fl(c.x + double(s)), fl(c.y - double(u)), fl(c.y + double(u))};
    cov.hasInscribed = true;
    return cov;
}

FrameRect fullFrame(float w, float h) {
    return FrameRect{0, w, 0, h};
}

FrameRect sourceRect(const CropPercent& c, float w, float h) {
    return FrameRect{w * c.left / 100, w * c.right / 100, h * c.top / 100, h * c.bottom / 100};
}

AutoAdjustResult withWindow(const FrameRect& r) {
    AutoAdjustResult res;
    res.cropLeft = static_cast<float>(double(r.x0) - 0.5);
    res.cropTop = static_cast<float>(double(r.y0) - 0.5);
    res.cropRight = static_cast<float>(double(r.x1) + 0.5);
    res.cropBottom = static_cast<float>(double(r.y1) + 0.5);
    return res;
}

}  // namespace

std::array<EyeCoverage, 2> computeEyeCoverage(float aspect, const std::array<FrameRect, 2>& source,
                                              const std::array<EyeTransform, 2>& forward) {
    return {eyeCoverage(aspect, source[0], forward[0]), eyeCoverage(aspect, source[1], forward[1])};
}

AutoAdjustResult neutralAutoAdjustment(EyeSize eye) {
    return withWindow(fullFrame(static_cast<float>(eye.width), static_cast<float>(eye.height)));
}

AutoAdjustResult computeAutoAdjustment(const ParamValues& v, EyeSize eye, const EyeTransform& forwardL,
                                       const EyeTransform& forwardR) {
    return computeAutoAdjustment(v, eye, forwardL, forwardR,
                                 {cropWindow(v, Eye::Left), cropWindow(v, Eye::Right)});
}

AutoAdjustResult computeAutoAdjustment(const ParamValues& v, EyeSize eye, const EyeTransform& forwardL,
                                       const EyeTransform& forwardR,
                                       const std::array<CropPercent, 2>& crops) {
    const bool autoCrop = v.on(AUTO_CROP);
    const bool autoCenter = v.on(AUTO_CENTER);
    // A popup value outside its choices counts as "None".
    const int scaleMode = std::clamp(v.integer(AUTO_SCALE) - 1, 0, 3);
    if (!autoCrop && !autoCenter && scaleMode == SCALE_NONE) return neutralAutoAdjustment(eye);
    // An empty eye frame has no aspect and nothing to cover.
    if (eye.width <= 0 || eye.height <= 0) return neutralAutoAdjustment(eye);

    const float w = static_cast<float>(eye.width);
    const float h = static_cast<float>(eye.height);
    const float aspect = w / h;
    std::array<FrameRect, 2> source{fullFrame(w, h), fullFrame(w, h)};
    if (v.on(CROP_WITH_AUTO)) source = {sourceRect(crops[0], w, h), sourceRect(crops[1], w, h)};

    const std::array<EyeCoverage, 2> cov = computeEyeCoverage(aspect, source, {forwardL, forwardR});

    // Union of the eyes whose extent is known; with neither, the frame itself.
    FrameRect uni = fullFrame(w, h);
    bool first = true;
    for (const EyeCoverage& c : cov) {
        if (!c.hasBounds) continue;
        const FrameRect& b = c.bounds;
        if (first) {
            uni = b;
            first = false;
            continue;
        }
        uni = FrameRect{std::min(uni.x0, b.x0), std::max(uni.x1, b.x1), std::min(uni.y0, b.y0),
                        std::max(uni.y1, b.y1)};
    }

    // Without an inscribed rectangle for both eyes we cannot tell what they share: no zoom,
    // no centring, only the union limits the window.
    if (!cov[0].hasInscribed || !cov[1].hasInscribed) return withWindow(uni);

    const FrameRect& a = cov[0].inscribed;
    const FrameRect& b = cov[1].inscribed;
    const FrameRect common{std::max(a.x0, b.x0), std::min(a.x1, b.x1), std::max(a.y0, b.y0),
                           std::min(a.y1, b.y1)};
    const float iw = common.x1 - common.x0;
    const float ih = common.y1 - common.y0;
    if (!(iw > 0) || !(ih > 0)) return withWindow(uni);  // the eyes share no region

    AutoAdjustResult res = withWindow(autoCrop ? common : uni);
    if (scaleMode != SCALE_NONE) {
        const float sx = w / iw;
        const float sy = h / ih;
        const bool wider = iw / ih > aspect;
        float fx = sx, fy = sy;
        if (scaleMode == SCALE_TO_FIT) fx = fy = wider ? sx : sy;
        if (scaleMode == SCALE_TO_FILL) fx = fy = wider ? sy : sx;
        res.scaleX = double(fx);
        res.scaleY = double(fy);
    }
    if (autoCenter) {
        const float cx = static_cast<float>(double(common.x0 + common.x1) * 0.5);
        const float cy = static_cast<float>(double(common.y0 + common.y1) * 0.5);
        res.centerX = double(cx) - double(w) * 0.5;
        res.centerY = double(cy) - double(h) * 0.5;
    }
    return res;
}

}  // namespace duovis
