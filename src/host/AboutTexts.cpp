#include "AboutTexts.h"

namespace duovis {

namespace {

const char* const kVersion = "2.0.0";

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
