// The parallax tool on real photographs, measured without its own numbers: OpenCV's SIFT
// matches refined by phase correlation, chessboard corners, and a ground-truth disparity map.
// The pictures come from Debian's opencv-doc package (scripts/fetch-opencv-doc-data caches them);
// without them the program says so and exits 0.
//
//  - a rectified pair with ground truth (aloe), untouched and with added misalignments: one
//    press, the right eye rendered through the effect, the residual vertical disparity;
//  - its depth budget against the ground truth's 2nd-98th percentiles;
//  - the un-rectified rig pairs (a chessboard in a room): the corners' vertical disparity before
//    and after one press, or the tool's refusal.
#include "DepthscopeRender.h"

#include "Analysis.h"
#include "Correction.h"
#include "EyeFiles.h"
#include "VerticalMeasure.h"

#include <QImage>

#include <opencv2/calib3d.hpp>
#include <opencv2/features2d.hpp>
#include <opencv2/imgproc.hpp>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

using namespace depthscope;
using namespace duovis;
using benchmeasure::misalign;
using benchmeasure::verticalDisparities;

namespace {

std::string dataDir(int argc, char** argv) {
    if (argc > 1) return argv[1];
    if (const char* d = std::getenv("DUOVIS_OPENCV_DOC_DATA")) return d;
    const char* cache = std::getenv("XDG_CACHE_HOME");
    const char* home = std::getenv("HOME");
    return (cache ? std::string(cache) : std::string(home ? home : ".") + "/.cache") + "/duovis/opencv-doc";
}

QImage toImage(const cv::Mat& luma) {
    QImage img(luma.cols, luma.rows, QImage::Format_ARGB32);
    for (int y = 0; y < luma.rows; ++y)
        for (int x = 0; x < luma.cols; ++x) {
            const int g = std::clamp(int(std::lround(luma.at<float>(y, x))), 0, 255);
            img.setPixel(x, y, qRgb(g, g, g));
        }
    return img;
}

double percentileAbs(std::vector<double> v, double p) {
    for (double& x : v) x = std::abs(x);
    return percentileOf(std::move(v), p);
}

struct Added {
    double v, rot, scale;
};

struct Residual {
    double median = 0, p90 = 0;
    std::size_t count = 0;
};

Residual residualOf(const std::vector<double>& dy) {
    const std::vector<double> v = benchmeasure::finite(dy);
    return {percentileAbs(v, 0.5), percentileAbs(v, 0.9), v.size()};
}

// Each corner's offset less the same corner's offset in the untouched pair: what the press
// left of the added misalignment, apart from the pair's own rows and the measure's bias at
// that corner.
std::vector<double> lessFloor(const std::vector<double>& dy, const std::vector<double>& floor) {
    std::vector<double> out;
    for (std::size_t i = 0; i < dy.size(); ++i)
        if (std::isfinite(dy[i]) && std::isfinite(floor[i])) out.push_back(dy[i] - floor[i]);
    return out;
}

void alignedPair(const cv::Mat& left, const cv::Mat& right) {
    const Added cases[] = {{4, 0, 0},  {-4, 0, 0},    {0, 1, 0},    {0, -1, 0}, {0, 0, 2},
                           {0, 0, -2}, {3, 0.6, 1.5}, {-4, -1, -2}, {4, 1, 2},  {-2.5, 0.8, -1}};
    const QImage leftImage = toImage(left);
    const std::vector<cv::Point2f> corners = benchmeasure::leftCorners(left);
    // The untouched pair through the effect at its defaults: the floor any correction is held to.
    const std::vector<double> floor = benchmeasure::verticalAt(
        left, renderRightEye(leftImage, toImage(right), ParamValues::defaults()), corners);
    const Residual f = residualOf(floor);
    std::printf("aloe, %zu left corners tracked by Lucas-Kanade (round trip within 0.05 px)\n",
                corners.size());
    std::printf("untouched pair, rendered at the defaults: |dy| median %.3f p90 %.3f px over %zu corners\n",
                f.median, f.p90, f.count);
    const Analysis untouched = analyse(eyeViewsFromImages(left, right), ParamValues::defaults());
    if (untouched.ok) {
        const Misalignment& m = untouched.correction.measured;
        std::printf(
            "untouched pair, the tool's reading: %+.3f px %+.4f deg %+.4f %% (limits 0.1, 0.02, 0.05)\n",
            m.verticalPx, m.rotationDeg, m.scalePct);
    }
    std::printf("\none press then a render through the effect; |dy| median / p90 (targets 0.15 / 0.5 px)\n");
    std::printf("%6s %6s %6s | %15s | %15s | %15s | %s\n", "add v", "deg", "%", "SIFT+phase", "Lucas-Kanade",
                "LK less floor", "the tool's reading minus added");
    for (const Added& a : cases) {
        const cv::Mat r = misalign(right, a.v, a.rot, a.scale);
        const Analysis an = analyse(eyeViewsFromImages(left, r), ParamValues::defaults());
        std::printf("%+6.1f %+6.1f %+6.1f | ", a.v, a.rot, a.scale);
        if (!an.ok) {
            std::printf("refused: %s\n", an.error.c_str());
            continue;
        }
        const cv::Mat rendered = renderRightEye(leftImage, toImage(r), an.correction.after);
        const Residual phase = residualOf(verticalDisparities(left, rendered));
        const std::vector<double> dy = benchmeasure::verticalAt(left, rendered, corners);
        const Residual lk = residualOf(dy), paired = residualOf(lessFloor(dy, floor));
        const Misalignment& m = an.correction.measured;
        std::printf("%7.3f %7.3f | %7.3f %7.3f | %7.3f %7.3f | %+.3f px %+.4f deg %+.4f %%\n", phase.median,
                    phase.p90, lk.median, lk.p90, paired.median, paired.p90, m.verticalPx - a.v,
                    m.rotationDeg - a.rot, m.scalePct - a.scale);
    }
}

void depthBudget(const cv::Mat& left, const cv::Mat& right, const std::string& truthFile) {
    const QImage truth = QImage(QString::fromStdString(truthFile)).convertToFormat(QImage::Format_Grayscale8);
    std::vector<double> pct;
    for (int y = 0; y < truth.height(); ++y)
        for (int x = 0; x < truth.width(); ++x)
            if (const int d = truth.constScanLine(y)[x]) pct.push_back(-100.0 * d / truth.width());
    const Analysis a = analyse(eyeViewsFromImages(left, right), ParamValues::defaults());
    const double nearTruth = percentileOf(pct, 0.02), farTruth = percentileOf(pct, 0.98);
    std::printf("\naloe depth budget, %% of the width: truth near %+.3f far %+.3f; ", nearTruth, farTruth);
    if (!a.ok || !a.depth.measured) {
        std::printf("not measured: %s\n", a.error.c_str());
        return;
    }
    std::printf("dense near %+.3f (%+.3f) far %+.3f (%+.3f); sparse pairs near %+.3f far %+.3f\n",
                a.depth.nearPct, a.depth.nearPct - nearTruth, a.depth.farPct, a.depth.farPct - farTruth,
                a.correction.disparity.nearPct, a.correction.disparity.farPct);
}

// Right minus left vertical offsets of the chessboard's inner corners; empty where either eye
// does not show the whole board.
// Where `moved` is given, the corners found in the pictures as they are are carried through the
// effect's transforms for each eye instead: the displacement the render applies, for a pair whose
// rendered eye cuts the board off.
cv::Point2f through(const EyeTransform& t, cv::Point2f p) {
    const double x = p.x, y = p.y, w = t.m13 * x + t.m23 * y + t.m33;
    return {float((t.m11 * x + t.m21 * y + t.m31) / w), float((t.m12 * x + t.m22 * y + t.m32) / w)};
}

std::vector<double> boardDisparities(const cv::Mat& left, const cv::Mat& right,
                                     const StereoGeometry* moved = nullptr) {
    const cv::Size board(9, 6);
    std::vector<cv::Point2f> cl, cr;
    const auto find = [&](const cv::Mat& m, std::vector<cv::Point2f>& c) {
        const cv::Mat b = benchmeasure::bytes(m);
        if (!cv::findChessboardCorners(b, board, c)) return false;
        cv::cornerSubPix(b, c, cv::Size(5, 5), cv::Size(-1, -1),
                         cv::TermCriteria(cv::TermCriteria::EPS | cv::TermCriteria::COUNT, 30, 0.01));
        return true;
    };
    std::vector<double> dy;
    if (!find(left, cl) || !find(right, cr)) return dy;
    for (std::size_t i = 0; moved && i < cl.size(); ++i)
        cl[i] = through(moved->forwardL, cl[i]), cr[i] = through(moved->forwardR, cr[i]);
    for (std::size_t i = 0; i < cl.size(); ++i) dy.push_back(double(cr[i].y - cl[i].y));
    return dy;
}

double rms(const std::vector<double>& v) {
    double s = 0;
    for (double x : v) s += x * x;
    return v.empty() ? 0 : std::sqrt(s / double(v.size()));
}

void rig(const std::string& dir) {
    std::printf("\nun-rectified rig, chessboard corners' vertical disparity, rms px\n");
    double before = 0, after = 0;
    int measured = 0, refused = 0, worse = 0;
    double refusedSum = 0;
    for (const char* n : {"01", "02", "03", "04", "05", "06", "07", "08", "09", "11", "12", "13", "14"}) {
        const cv::Mat l = lumaFromFile(dir + "/left" + n + ".jpg", 1LL << 30);
        const cv::Mat r = lumaFromFile(dir + "/right" + n + ".jpg", 1LL << 30);
        const double b = rms(boardDisparities(l, r));
        const Analysis a = analyse(eyeViewsFromImages(l, r), ParamValues::defaults());
        if (!a.ok) {
            ++refused;
            refusedSum += b;
            std::printf("  %s: %6.2f -> refused: %s\n", n, b, a.error.c_str());
            continue;
        }
        std::vector<double> dy =
            boardDisparities(l, renderRightEye(toImage(l), toImage(r), a.correction.after));
        const bool cut = dy.empty();
        if (cut) {
            const EyeSize eye{l.cols, l.rows};
            const StereoGeometry g =
                computeStereoGeometry(a.correction.after, eye, computeOutputSize(eye, DISPLAY_RIGHT));
            dy = boardDisparities(l, r, &g);
        }
        const double c = dy.empty() ? b : rms(dy);
        worse += c > b ? 1 : 0;
        before += b, after += c, ++measured;
        const Misalignment& m = a.correction.measured;
        std::printf("  %s: %6.2f -> %6.2f%s  (keystones h %+.2f v %+.2f deg)\n", n, b, c,
                    cut ? " (board cut off after; its corners carried through the geometry)" : "",
                    m.keystoneHDeg, m.keystoneVDeg);
    }
    std::printf("  %d pairs corrected (%d worse), %d refused; corrected pairs' mean %.2f -> %.2f px\n",
                measured, worse, refused, measured ? before / measured : 0.0,
                measured ? after / measured : 0.0);
    // A refused pair keeps its disparity: the whole rig's figure counts it unchanged.
    std::printf("  all %d pairs: sum %.2f -> %.2f px rms\n", measured + refused, before + refusedSum,
                after + refusedSum);
}

}  // namespace

int main(int argc, char** argv) {
    const std::string dir = dataDir(argc, argv);
    if (!QImage(QString::fromStdString(dir + "/aloeL.jpg")).width()) {
        std::printf("skipped: no opencv-doc pictures in %s (run scripts/fetch-opencv-doc-data)\n",
                    dir.c_str());
        return 0;
    }
    try {
        const cv::Mat l = lumaFromFile(dir + "/aloeL.jpg", 1LL << 30),
                      r = lumaFromFile(dir + "/aloeR.jpg", 1LL << 30);
        alignedPair(l, r);
        depthBudget(l, r, dir + "/aloeGT.png");
        rig(dir);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_depthscope_real: %s\n", e.what());
        return 1;
    }
    return 0;
}
