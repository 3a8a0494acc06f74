// Global set-up: the version and capability flags the descriptor also states, and in the
// editing host the one pixel format the float render path handles.
#include "Commands.h"
#include "DeliverableTraits.h"
#include "HostIds.h"
#include "HostStrings.h"
#include "SuiteAccess.h"
#include "core/frame/GlobalDisplayState.h"

namespace duovis {

namespace {

constexpr PF_OutFlags kGlobalOutFlags = PF_OutFlag_NON_PARAM_VARY | PF_OutFlag_USE_OUTPUT_EXTENT |
                                        PF_OutFlag_I_EXPAND_BUFFER | PF_OutFlag_I_SHRINK_BUFFER;
constexpr PF_OutFlags2 kGlobalOutFlags2 = PF_OutFlag2_PRESERVES_FULLY_OPAQUE_PIXELS;
static_assert(kGlobalOutFlags == 0x1244 && kGlobalOutFlags2 == 0x100, "the descriptor's global flags");

// Float BGRA is the only layout the render reads and writes in the editing host, and layers
// it checks out must arrive in that layout too.
PF_Err registerFloatFormat(PF_InData* in, PF_OutData* out) {
    ScopedSuite formats(in->pica_basicP, kPFPixelFormatSuite, kPFPixelFormatSuiteVersion1);
    if (!formats.acquired()) {
        reportToUser(in, out, kAcquireFailedMessage);
        return A_Err_MISSING_SUITE;
    }
    // A refused registration fails the set-up with the host's code: the host could otherwise
    // hand the render worlds in a layout it does not read.
    const auto* pf = formats.as<PF_PixelFormatSuite1>();
    if (const PF_Err err = pf->ClearSupportedPixelFormats(in->effect_ref)) return err;
    if (const PF_Err err = pf->AddSupportedPixelFormat(in->effect_ref, PrPixelFormat_BGRA_4444_32f))
        return err;

    ScopedSuite utility(in->pica_basicP, kPFUtilitySuite, kPFUtilitySuiteVersion4);
    if (!utility.acquired()) {
        reportToUser(in, out, kAcquireFailedMessage);
        return A_Err_MISSING_SUITE;
    }
    // The utility suite goes back first, then the format suite.
    return utility.as<PF_UtilitySuite4>()->EffectWantsCheckedOutFramesToMatchRenderPixelFormat(
        in->effect_ref);
}

}  // namespace

PF_Err globalSetup(PF_InData* in, PF_OutData* out) {
    out->my_version = kThisDeliverable.effectVersion;
    if (kThisDeliverable.floatInEditingHost && isPremiere(in)) {
        if (const PF_Err err = registerFloatFormat(in, out)) return err;
    }
    out->out_flags |= kGlobalOutFlags;
    out->out_flags2 |= kGlobalOutFlags2;
    return PF_Err_NONE;
}

PF_Err globalSetdown() {
    deleteGlobalDisplayState();
    return PF_Err_NONE;
}

}  // namespace duovis
