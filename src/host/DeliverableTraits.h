// What differs between the two modules built from these sources. DUOVIS_DELIVERABLE_X is set by
// the build: 1 for DuovisX, 0 for Duovis.
#pragma once

#include "core/params/ParamTable.h"

#include <cstdint>

#ifndef DUOVIS_DELIVERABLE_X
#error "DUOVIS_DELIVERABLE_X must be defined by the build (1: DuovisX, 0: Duovis)"
#endif
#ifndef DUOVIS_EFFECT_VERSION
#error "DUOVIS_EFFECT_VERSION must be defined by the build (the descriptor's effect version word)"
#endif

namespace duovis {

struct DeliverableTraits {
    Deliverable deliverable;
    uint32_t effectVersion;   // the same word as the descriptor's effect version
    bool floatInEditingHost;  // registers float BGRA in the editing host and renders it there
};

#if DUOVIS_DELIVERABLE_X
constexpr DeliverableTraits kThisDeliverable{Deliverable::DuovisX, DUOVIS_EFFECT_VERSION, true};
#else
constexpr DeliverableTraits kThisDeliverable{Deliverable::Duovis, DUOVIS_EFFECT_VERSION, false};
#endif

}  // namespace duovis
