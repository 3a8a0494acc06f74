// Copy and Paste through the parameter clipboard file that every instance of both deliverables
// shares.
#pragma once

#include "HostParamAccess.h"

namespace duovis {

// Writes the 68 values. The folder is created when missing; the file is replaced whole, so a
// Paste elsewhere never reads half a set, and a link at its place is replaced, not followed.
// The press has no way to report failure: when the file cannot be written, the old one stays.
void copyParamsToClipboard(const HostParamAccess& params);

// Reads up to 68 values in order. A value outside its slider's range is clamped into it, and a
// popup or checkbox value that is not one of its choices keeps the current value: a damaged or
// hand-edited file must not leave an entry the effect cannot render. No file, or anything but
// a regular file at that place: nothing changes.
void pasteParamsFromClipboard(HostParamAccess& params);

}  // namespace duovis
