#include "Analysis.h"

namespace depthscope {

Analysis analyse(const EyeViews& views, const duovis::ParamValues& current) {
    Analysis a;
    a.views = views;
    if (!matchEyes(views.left, views.right, a.pairs, a.error)) return a;
    a.correction = computeCorrection(current, views.eye, a.pairs);
    a.ok = true;
    return a;
}

}  // namespace depthscope
