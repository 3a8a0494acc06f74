#include "Analysis.h"

#include "EyeFiles.h"

#include <opencv2/core.hpp>

#include <new>
#include <stdexcept>

namespace depthscope {

namespace {

// One line from OpenCV's message, which carries the source place and may end in a newline.
std::string openCvCause(const cv::Exception& e) {
    std::string cause = e.err.empty() ? e.what() : e.err;
    for (char& c : cause)
        if (c == '\n' || c == '\r') c = ' ';
    while (!cause.empty() && cause.back() == ' ') cause.pop_back();
    return "OpenCV: " + (cause.empty() ? "error " + std::to_string(e.code) : cause);
}

// Runs `step`, turning whatever it throws into one line that begins with `who`.
template <typename F>
auto naming(const std::string& who, F&& step) {
    try {
        return step();
    } catch (const cv::Exception& e) {
        throw std::runtime_error(who + ": " + openCvCause(e));
    } catch (const std::bad_alloc&) {
        throw std::runtime_error(who + ": not enough memory");
    } catch (const std::runtime_error& e) {
        const std::string what = e.what();
        throw std::runtime_error(what.rfind(who, 0) == 0 ? what : who + ": " + what);
    } catch (const std::exception& e) {
        const std::string what = e.what();
        throw std::runtime_error(who + ": " + (what.empty() ? "failed" : what));
    }
}

}  // namespace

Analysis analyse(const EyeViews& views, const duovis::ParamValues& current, DepthScope scope) {
    Analysis a;
    a.views = views;
    if (!matchEyes(views.left, views.right, a.pairs, a.error)) return a;
    a.matched = true;
    a.evidence = weighEvidence(a.pairs, views.left.size());
    // Thin, concentrated or inconsistent evidence gets no correction rather than a guessed one.
    a.error = refusalReason(a.evidence);
    if (!a.error.empty()) return a;
    a.correction = computeCorrection(current, views.eye, a.pairs, reachOf(a.evidence));
    a.ok = true;
    if (scope == DepthScope::PairsOnly) return a;
    const DisparityRange& sparse = a.correction.disparity;
    a.depth =
        denseDepth(views.left, views.right, a.correction.after, views.eye, sparse.nearPct, sparse.farPct);
    return a;
}

Analysis analyseFiles(const std::string& left, const std::string& right, long long maxPixels) {
    const cv::Mat l = naming(left, [&] { return lumaFromFile(left, maxPixels); });
    const cv::Mat r = naming(right, [&] { return lumaFromFile(right, maxPixels); });
    return naming(left + " and " + right,
                  [&] { return analyse(eyeViewsFromImages(l, r), duovis::ParamValues::defaults()); });
}

}  // namespace depthscope
