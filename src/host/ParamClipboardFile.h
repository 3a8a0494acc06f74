// Copy and Paste through the parameter clipboard file that every instance of both deliverables
// shares.
#pragma once

#include "HostParamAccess.h"

namespace duovis {

// Writes the 68 values. The folder is created when missing; the file is replaced whole, so a
// Paste elsewhere never reads half a set. Silently does nothing when it cannot be written.
void copyParamsToClipboard(const HostParamAccess& params);

// Reads up to 68 values in order. A value outside its slider's range is clamped into it, and a
// popup or checkbox value that is not one of its choices keeps the current value: a damaged or
// hand-edited file must not leave an entry the effect cannot render. No file: nothing changes.
void pasteParamsFromClipboard(HostParamAccess& params);

}  // namespace duovis
