// `depthscope analyse` over a shot: each listed frame measured, the frames beyond the comfort
// limits named on standard error, the record on standard output, the plot where asked.
#pragma once

#include "AnalyseOptions.h"

namespace depthscope {

// Exit 0: every frame measured; 1: some frame not measured (named on standard error). Throws
// std::runtime_error, one line naming the culprit, for an option, an input or a frame that
// cannot be used, before any output is written. Needs a QGuiApplication for the plot.
int analyseShot(const AnalyseOptions& o);

}  // namespace depthscope
