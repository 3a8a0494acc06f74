#include "Synth.h"

#include "Correction.h"
#include "EyeFit.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace depthscope {

namespace {

uint32_t hash(int32_t x, int32_t y, uint32_t seed) {
    uint32_t h =
        static_cast<uint32_t>(x) * 0x8da6b343u ^ static_cast<uint32_t>(y) * 0xd8163841u ^ seed * 0xcb1ab31fu;
    h ^= h >> 13;
    h *= 0x5bd1e995u;
    return h ^ (h >> 15);
}

double lattice(int32_t x, int32_t y, uint32_t seed) {
    return (hash(x, y, seed) & 0xFFFF) / 65535.0;
}

// Smoothly interpolated random values on a lattice of `period` pixels.
double valueNoise(double x, double y, double period, uint32_t seed) {
    const double u = x / period, v = y / period;
    const double fu = std::floor(u), fv = std::floor(v);
    const auto ix = static_cast<int32_t>(fu), iy = static_cast<int32_t>(fv);
    const double tx = u - fu, ty = v - fv;
    const double sx = tx * tx * (3 - 2 * tx), sy = ty * ty * (3 - 2 * ty);
    const double top = lattice(ix, iy, seed) * (1 - sx) + lattice(ix + 1, iy, seed) * sx;
    const double bottom = lattice(ix, iy + 1, seed) * (1 - sx) + lattice(ix + 1, iy + 1, seed) * sx;
    return top * (1 - sy) + bottom * sy;
}

// Detail at three scales: blobs, edges and fine grain for the features to hold on to.
double texture(double x, double y, uint32_t seed) {
    return 0.5 * valueNoise(x, y, 29.0, seed) + 0.33 * valueNoise(x, y, 11.0, seed + 1) +
           0.17 * valueNoise(x, y, 4.5, seed + 2);
}

struct Slab {
    double x0, y0, x1, y1;
};

class Scene {
  public:
    explicit Scene(const SynthSpec& s) : s_(s) {
        const double w = s.width, h = s.height;
        slabs_[0] = {0.12 * w, 0.18 * h, 0.38 * w, 0.55 * h};
        slabs_[1] = {0.58 * w, 0.30 * h, 0.86 * w, 0.62 * h};
        slabs_[2] = {0.30 * w, 0.66 * h, 0.62 * w, 0.90 * h};
    }

    // The scene as one eye sees it at (x, y); `eyeOffset` 1 for the right eye's disparities.
    double at(double x, double y, double eyeOffset) const {
        const double near = eyeOffset * s_.nearPct / 100.0 * s_.width;
        const double far = eyeOffset * s_.farPct / 100.0 * s_.width;
        const double u = x / s_.width, v = y / s_.height;
        switch (s_.scene) {
            case SynthScene::Slabs:
                return slabs(x, y, near, far);
            case SynthScene::Pattern:
                return pattern(x, y, near, far);
            case SynthScene::Corner:
                return u < 0.3 && v < 0.3 ? background(x - far, y) : 0.5;
            case SynthScene::Strip:
                return v > 0.45 && v < 0.57 ? background(x - far, y) : 0.5;
            case SynthScene::Wall:
                return background(x - far, y);
            case SynthScene::Blank:
                return 0.5 +
                       0.004 * (lattice(int32_t(x * 3), int32_t(y * 3), s_.seed + uint32_t(eyeOffset * 97)) -
                                0.5);
        }
        return 0.5;
    }

  private:
    double background(double x, double y) const { return 0.1 + 0.8 * texture(x, y, s_.seed); }

    double slabs(double x, double y, double near, double far) const {
        for (std::size_t k = 0; k < 3; ++k) {
            const Slab& b = slabs_[k];
            const double sx = x - near;
            if (sx >= b.x0 && sx < b.x1 && y >= b.y0 && y < b.y1)
                return 0.15 + 0.85 * texture(sx, y, s_.seed * 7 + uint32_t(k) + 10);
        }
        return background(x - far, y);
    }

    // Dark squares on a light board over the middle of the frame, each a shade apart so that
    // features find (mostly wrong) partners; textured background around it.
    double pattern(double x, double y, double near, double far) const {
        const double period = s_.height / 18.0;
        const double u = (x - near) / s_.width, v = y / s_.height;
        if (u < 0.15 || u > 0.85 || v < 0.15 || v > 0.85) return background(x - far, y);
        x -= near;
        const double fx = std::floor(x / period), fy = std::floor(y / period);
        const bool square = x - fx * period < 0.6 * period && y - fy * period < 0.6 * period;
        const double shade = 0.04 * lattice(int32_t(fx), int32_t(fy), s_.seed + 5);
        return square ? 0.2 + shade : 0.8 - shade;
    }

    SynthSpec s_;
    Slab slabs_[3];
};

// 3 x 3 samples per pixel, so the slab edges are not stair-stepped.
template <class Sample>
QImage render(int w, int h, const Sample& sample) {
    QImage img(w, h, QImage::Format_ARGB32);
    constexpr double kOffsets[] = {-1.0 / 3, 0.0, 1.0 / 3};
    for (int y = 0; y < h; ++y) {
        auto* row = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < w; ++x) {
            double sum = 0;
            for (double oy : kOffsets)
                for (double ox : kOffsets) sum += sample(x + ox, y + oy);
            const int g = std::clamp(static_cast<int>(std::lround(sum / 9.0 * 255.0)), 0, 255);
            row[x] = qRgb(g, g, std::min(255, g + 8));
        }
    }
    return img;
}

}  // namespace

bool synthSceneNamed(const std::string& name, SynthScene& scene) {
    const std::pair<const char*, SynthScene> names[] = {
        {"slabs", SynthScene::Slabs}, {"pattern", SynthScene::Pattern}, {"corner", SynthScene::Corner},
        {"strip", SynthScene::Strip}, {"wall", SynthScene::Wall},       {"blank", SynthScene::Blank}};
    for (const auto& [n, s] : names)
        if (name == n) return scene = s, true;
    return false;
}

SynthPair makeSynthPair(const SynthSpec& spec) {
    const Scene scene(spec);
    SynthPair pair;
    pair.left = render(spec.width, spec.height, [&](double x, double y) { return scene.at(x, y, 0.0); });
    // The right eye's picture at q shows its ideal view at the misalignment's inverse of q. The
    // centre is the integer one the effect turns and scales about.
    const double cx = spec.width / 2, cy = spec.height / 2;
    const double r = spec.rotationDeg * M_PI / 180.0, s = 1.0 + spec.scalePct / 100.0;
    const double c = std::cos(r) / s, sn = std::sin(r) / s;
    // The keystones through the effect's own geometry, so that its opposite undoes them.
    duovis::ParamValues keystones = duovis::ParamValues::defaults();
    keystones[duovis::HKEYSTONE_R] = spec.keystoneHDeg;
    keystones[duovis::VKEYSTONE_R] = spec.keystoneVDeg;
    const duovis::EyeTransform unturn = displayGeometry(keystones, {spec.width, spec.height}).inverseR;
    const bool turned = spec.keystoneHDeg != 0 || spec.keystoneVDeg != 0;
    pair.right = render(spec.width, spec.height, [&](double x, double y) {
        const double dx = x - cx, dy = y - cy - spec.verticalPx;
        cv::Point2d p(cx + c * dx + sn * dy, cy - sn * dx + c * dy);
        bool ok = true;
        if (turned) p = mapThrough(unturn, p, ok);
        return ok ? scene.at(p.x, p.y, 1.0) : 0.5;
    });
    return pair;
}

std::vector<unsigned char> layerBytes(const QImage& image, PixelLayout layout, int32_t rowBytes) {
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    std::vector<unsigned char> bytes(
        static_cast<std::size_t>(rowBytes) * static_cast<std::size_t>(argb.height()), 0xA5);
    for (int y = 0; y < argb.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
        unsigned char* out = bytes.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(rowBytes);
        for (int x = 0; x < argb.width(); ++x) {
            const QRgb c = row[x];
            if (layout == PixelLayout::Argb8) {
                const unsigned char p[4] = {
                    static_cast<unsigned char>(qAlpha(c)), static_cast<unsigned char>(qRed(c)),
                    static_cast<unsigned char>(qGreen(c)), static_cast<unsigned char>(qBlue(c))};
                std::memcpy(out + 4 * x, p, sizeof p);
            } else {
                const auto unit = [](int v) { return static_cast<float>(v) / 255.0f; };
                const float p[4] = {unit(qBlue(c)), unit(qGreen(c)), unit(qRed(c)), unit(qAlpha(c))};
                std::memcpy(out + 16 * x, p, sizeof p);
            }
        }
    }
    return bytes;
}

}  // namespace depthscope
