#include "AboutTexts.h"

namespace duovis {

namespace {

#ifndef DUOVIS_VERSION_TEXT
#error "DUOVIS_VERSION_TEXT must be defined by the build (the project's version)"
#endif
// The version the descriptor and global set-up also state, from the one the build sets.
const char* const kVersion = DUOVIS_VERSION_TEXT;

QStringList noticeDuovisX() {
    return {
        "Thank you for using DuovisX, the stereoscopic 3D toolset of Corvant.",
        "DuovisX separates, corrects and composes stereo pairs, on the CPU or on the GPU.",
        "",
        "Copyright (C) Corvant. All rights reserved.",
        "This software is licensed, not sold. Use it only under the terms of the licence that came with it.",
        "Copying, distributing or reverse engineering it without the written permission of Corvant is "
        "not allowed.",
        "Depthscope, the parallax analysis tool that DuovisX hands frames to, is a separate product of "
        "Corvant.",
        "For support and updates, contact Corvant.",
    };
}

QStringList noticeDuovis() {
    return {
        "Thank you for using Duovis, the stereoscopic 3D toolset of Corvant.",
        "",
        "",
        "Copyright (C) Corvant. All rights reserved.",
        "This software is licensed, not sold. Use it only under the terms of the licence that came with it.",
    };
}

}  // namespace

AboutTexts aboutTexts(Deliverable deliverable) {
    if (deliverable == Deliverable::DuovisX) return {"DuovisX", kVersion, noticeDuovisX()};
    return {"Duovis", kVersion, noticeDuovis()};
}

}  // namespace duovis
