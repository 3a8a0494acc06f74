// One measurement, as both the effect's press and `depthscope analyse` run it.
#pragma once

#include "Correction.h"
#include "DenseDepth.h"
#include "Evidence.h"
#include "EyeViews.h"
#include "Matching.h"

#include <string>

namespace depthscope {

struct Analysis {
    bool ok = false;       // a correction to apply
    bool matched = false;  // enough pairs to weigh the evidence
    std::string error;     // why there is no correction, one line
    EyeViews views;
    EyeMatches pairs;
    Evidence evidence;
    Correction correction;
    DepthBudget depth;  // of the corrected pair

    const char* verdict() const { return ok ? "ok" : "refused"; }
};

// What a measurement includes besides the correction. A press needs only the correction; the
// dense budget costs about as much again as the matching.
enum class DepthScope { Dense, PairsOnly };

Analysis analyse(const EyeViews& views, const duovis::ParamValues& current,
                 DepthScope scope = DepthScope::Dense);

// Two image files, one per eye, measured from the effect's defaults. Each file's declared size
// is checked against `maxPixels` before it is decoded. Throws std::runtime_error, one line
// naming the file (both for the measurement) and the cause, where reading or measuring fails.
Analysis analyseFiles(const std::string& left, const std::string& right, long long maxPixels);

}  // namespace depthscope
