#pragma once
// Settings shared by the CPU and GPU benchmarks, so their figures compare like with like.

#include "core/params/ParamValues.h"

namespace duovis::bench {

// "Rotate Both" 3, "Horizontal Keystone Both" 10, "Auto Crop" and "Scale-To-Fill": every
// source position is projective and off the pixel grid, and the auto adjustment is on.
inline ParamValues rotatedKeystoned() {
    ParamValues v = ParamValues::defaults();
    v[ROTATE_B] = 3;
    v[HKEYSTONE_B] = 10;
    v[AUTO_CROP] = 1;
    v[AUTO_SCALE] = 3;  // "Scale-To-Fill"
    return v;
}

}  // namespace duovis::bench
