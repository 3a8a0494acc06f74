// The parallax tool over a shot, measured without its own numbers: a generated 1080p shot
// whose right eye drifts down 0 -> 4.6 px and turns 0 -> 0.7 deg over 24 frames while the
// camera pans; `duovis project press LAUNCH_TOOL --frames 1-24 --smooth 5`, then every frame
// rendered through the keyed project and its residual vertical disparity measured with SIFT
// and phase correlation (VerticalMeasure.h). Prints the figures and the targets beside them.
//
// usage: bench_shot_press [DUOVIS]   (default: the duovis this tree built)
#include "Synth.h"
#include "VerticalMeasure.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <numeric>
#include <stdexcept>

namespace {

constexpr int kFrames = 24, kWidth = 1920, kHeight = 1080, kPanPx = 10;
constexpr double kDriftPx = 4.6, kTurnDeg = 0.7;

double driftAt(int i) {
    return kDriftPx * i / (kFrames - 1);
}
double turnAt(int i) {
    return kTurnDeg * i / (kFrames - 1);
}

QString frameName(const QString& dir, const char* eye, int frame) {
    return dir + QString::asprintf("/%s_%04d.png", eye, frame);
}

// Both eyes cut from one wide pair at the pan's place; the right one then misaligned.
void makeShot(const QString& dir) {
    depthscope::SynthSpec spec;
    spec.width = kWidth + kPanPx * kFrames;
    spec.height = kHeight;
    spec.verticalPx = spec.rotationDeg = spec.scalePct = 0;
    const depthscope::SynthPair pair = depthscope::makeSynthPair(spec);
    for (int i = 0; i < kFrames; ++i) {
        const QImage left = pair.left.copy(kPanPx * i, 0, kWidth, kHeight);
        QImage right = pair.right.copy(kPanPx * i, 0, kWidth, kHeight).convertToFormat(QImage::Format_ARGB32);
        const cv::Mat wrapped(kHeight, kWidth, CV_8UC4, right.bits(),
                              static_cast<std::size_t>(right.bytesPerLine()));
        const cv::Mat moved = benchmeasure::misalign(wrapped, driftAt(i), turnAt(i), 0);
        const QImage out(moved.data, kWidth, kHeight, static_cast<int>(moved.step), QImage::Format_ARGB32);
        if (!left.save(frameName(dir, "L", i + 1)) || !out.save(frameName(dir, "R", i + 1)))
            throw std::runtime_error("cannot write the shot's frames");
    }
}

// Runs duovis; the seconds it took.
double runDuovis(const QString& program, const QString& dir, const QStringList& args) {
    QProcess p;
    p.setWorkingDirectory(dir);
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QElapsedTimer timer;
    timer.start();
    p.start(program, args);
    p.waitForFinished(-1);
    const double seconds = static_cast<double>(timer.elapsed()) / 1000.0;
    const QByteArray out = p.readAllStandardOutput();
    if (args.value(1) == "press") std::fputs(out.constData(), stdout);
    if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        throw std::runtime_error("duovis " + args.join(' ').toStdString() + " failed");
    return seconds;
}

cv::Mat luma(const QString& file) {
    const QImage img = QImage(file).convertToFormat(QImage::Format_ARGB32);
    const cv::Mat bgra(img.height(), img.width(), CV_8UC4, const_cast<uchar*>(img.bits()),
                       static_cast<std::size_t>(img.bytesPerLine()));
    cv::Mat gray, f;
    cv::cvtColor(bgra, gray, cv::COLOR_BGRA2GRAY);
    gray.convertTo(f, CV_32F);
    return f;
}

double median(std::vector<double> v) {
    if (v.empty()) return std::nan("");
    std::nth_element(v.begin(), v.begin() + static_cast<std::ptrdiff_t>(v.size() / 2), v.end());
    return v[v.size() / 2];
}

std::map<int, double> keysOf(const QString& project, const char* id) {
    QFile f(project);
    if (!f.open(QIODevice::ReadOnly)) throw std::runtime_error("cannot read the project");
    const QJsonObject keys =
        QJsonDocument::fromJson(f.readAll())["instances"].toArray()[0].toObject()["keys"].toObject();
    std::map<int, double> out;
    for (const QJsonValue& k : keys[id].toArray()) out[k["frame"].toInt()] = k["value"].toDouble();
    return out;
}

double stddev(const std::vector<double>& v) {
    if (v.size() < 2) return std::nan("");
    const double mean = std::accumulate(v.begin(), v.end(), 0.0) / static_cast<double>(v.size());
    double sum = 0;
    for (double x : v) sum += (x - mean) * (x - mean);
    return std::sqrt(sum / static_cast<double>(v.size() - 1));
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QString program = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(DUOVIS_CLI_PATH);
    QTemporaryDir tmp;
    const QString dir = tmp.path();
    try {
        makeShot(dir);
        runDuovis(program, dir,
                  {"project", "new", "shot.json", "--primary", "L_%04d.png", "--second", "R_%04d.png"});
        const double press =
            runDuovis(program, dir,
                      {"project", "press", "shot.json", "LAUNCH_TOOL", "--frames", "1-24", "--smooth", "5"});
        for (const char* eye : {"1", "2"})
            runDuovis(program, dir,
                      {"render", "--project", "shot.json", "-p", QString("DISPLAY_TYPE=") + eye, "--quiet",
                       "-o", QString("out%1_%04d.png").arg(eye)});
        const std::map<int, double> keyed = keysOf(dir + "/shot.json", "VSHIFT_PX_R");
        std::printf("%5s %8s %8s | %10s %10s | %9s %7s | %9s %7s\n", "frame", "drift", "turn", "keyed px",
                    "+ drift", "resid med", "pairs", "LK med", "corners");
        double worst = 0, worstLk = 0;
        std::vector<double> beyond;
        for (int f = 1; f <= kFrames; ++f) {
            const cv::Mat l = luma(dir + QString::asprintf("/out1_%04d.png", f)),
                          r = luma(dir + QString::asprintf("/out2_%04d.png", f));
            const auto dy = benchmeasure::verticalDisparities(l, r);
            // The finer measure: the left eye's corners tracked into the right at sub-pixel places.
            const auto lk =
                benchmeasure::finite(benchmeasure::verticalAt(l, r, benchmeasure::leftCorners(l)));
            const double m = median(dy), mk = median(lk);
            worst = std::max(worst, std::abs(m));
            worstLk = std::max(worstLk, std::abs(mk));
            const double k = keyed.count(f) ? keyed.at(f) : std::nan("");
            beyond.push_back(k + driftAt(f - 1));
            std::printf("%5d %+8.3f %+8.3f | %+10.3f %+10.3f | %+9.3f %7zu | %+9.3f %7zu\n", f,
                        driftAt(f - 1), turnAt(f - 1), k, k + driftAt(f - 1), m, dy.size(), mk, lk.size());
        }
        std::vector<double> steps;
        for (std::size_t i = 1; i < beyond.size(); ++i) steps.push_back(beyond[i] - beyond[i - 1]);
        const double jitter = stddev(steps), perFrame = press / kFrames;
        std::printf(
            "worst per-frame median |residual| %.3f px by SIFT + phase, %.3f px by Lucas-Kanade "
            "(target <= 0.2): %s\n",
            worst, worstLk, std::max(worst, worstLk) <= 0.2 ? "met" : "NOT met");
        std::printf(
            "sd of the frame-to-frame change of the offset beyond the drift %.3f px (target <= 0.05): %s\n",
            jitter, jitter <= 0.05 ? "met" : "NOT met");
        std::printf("press %.2f s per 1080p frame (target <= 1.5 on the 2-core machine): %s\n", perFrame,
                    perFrame <= 1.5 ? "met" : "NOT met");
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_shot_press: %s\n", e.what());
        return 1;
    }
    return 0;
}
