#include "StatusOverlay.h"

#include <QString>

#include "HostIds.h"
#include "SuiteAccess.h"
#include "core/frame/GlobalDisplayState.h"
#include "core/frame/StatusLine.h"

namespace duovis {

namespace {

constexpr DRAWBOT_ColorRGBA kBackground{0.15f, 0.15f, 0.15f, 1.0f};
constexpr A_long kTextInsetX = 37;
constexpr A_long kTextInsetY = 10;
constexpr int kTextUnits = 256;

// Keeps the first failure of a run of host calls.
void keepFirst(PF_Err& result, PF_Err err) {
    if (result == PF_Err_NONE) result = err;
}

// The custom UI suite is needed only to turn the event's context into a drawing reference,
// so it goes back at once.
PF_Err drawingReference(PF_InData* in, PF_OutData* out, PF_ContextH context, DRAWBOT_DrawRef* ref) {
    const void* table = nullptr;
    PF_Err err = acquireSuite(in, out, kPFEffectCustomUISuite, kPFEffectCustomUISuiteVersion1, &table);
    if (err) return err;
    err = static_cast<const PF_EffectCustomUISuite1*>(table)->PF_GetDrawingReference(context, ref);
    keepFirst(err, releaseSuite(in, out, kPFEffectCustomUISuite, kPFEffectCustomUISuiteVersion1));
    // A host that reports success without a reference must not get its null back to draw on.
    if (err == PF_Err_NONE && *ref == nullptr) err = PF_Err_BAD_CALLBACK_PARAM;
    return err;
}

void toUtf16(const std::string& text, DRAWBOT_UTF16Char (&buffer)[kTextUnits]) {
    const QString s = QString::fromUtf8(text.c_str()).left(kTextUnits - 1);
    int i = 0;
    for (const QChar c : s) buffer[i++] = c.unicode();
    buffer[i] = 0;
}

PF_Err releaseObject(const DrawbotSuites& s, DRAWBOT_ObjectRef object) {
    return object != nullptr ? s.supplier->ReleaseObject(object) : PF_Err_NONE;
}

// Background and text of the control area. Each call runs only while none before it failed;
// whatever was created is released, text brush first, path last.
PF_Err drawStatus(const DrawbotSuites& s, DRAWBOT_SupplierRef supplier, DRAWBOT_SurfaceRef surface,
                  const PF_Rect& frame) {
    DRAWBOT_PathRef path = nullptr;
    DRAWBOT_BrushRef background = nullptr;
    DRAWBOT_FontRef font = nullptr;
    DRAWBOT_BrushRef ink = nullptr;

    PF_Err err = s.supplier->NewPath(supplier, &path);
    if (!err) err = s.supplier->NewBrush(supplier, &kBackground, &background);
    const DRAWBOT_RectF32 area{static_cast<float>(frame.left), static_cast<float>(frame.top),
                               static_cast<float>(frame.right - frame.left),
                               static_cast<float>(frame.bottom - frame.top)};
    if (!err) err = s.path->AddRect(path, &area);
    if (!err) err = s.surface->FillPath(surface, background, path, kDRAWBOT_FillType_Winding);

    float fontSize = 0.0f;
    if (!err) err = s.supplier->GetDefaultFontSize(supplier, &fontSize);
    if (!err) err = s.supplier->NewDefaultFont(supplier, fontSize, &font);

    const GlobalDisplayState& state = globalDisplayState();
    const StatusLine line = statusLine(state.displaySwitch, state.displayMode);
    DRAWBOT_UTF16Char text[kTextUnits];
    toUtf16(line.text, text);
    const DRAWBOT_ColorRGBA inkColor{line.grey, line.grey, line.grey, 1.0f};
    if (!err) err = s.supplier->NewBrush(supplier, &inkColor, &ink);
    const DRAWBOT_PointF32 origin{static_cast<float>(frame.left + kTextInsetX),
                                  static_cast<float>(frame.top + kTextInsetY)};
    if (!err) {
        err = s.surface->DrawString(surface, ink, font, text, &origin, kDRAWBOT_TextAlignment_Left,
                                    kDRAWBOT_TextTruncation_None, 0.0f);
    }

    keepFirst(err, releaseObject(s, ink));
    keepFirst(err, releaseObject(s, font));
    keepFirst(err, releaseObject(s, background));
    keepFirst(err, releaseObject(s, path));
    return err;
}

}  // namespace

PF_Err drawStatusOverlay(PF_InData* in, PF_OutData* out, PF_EventExtra& extra) {
    DrawbotSuites suites;
    // A failed acquisition has already given back the suites it got; there is nothing to release.
    PF_Err err = acquireDrawbotSuites(in, out, &suites);
    if (err) return err;

    DRAWBOT_DrawRef ref = nullptr;
    DRAWBOT_SupplierRef supplier = nullptr;
    DRAWBOT_SurfaceRef surface = nullptr;
    err = drawingReference(in, out, extra.contextH, &ref);
    if (!err) err = suites.draw->GetSupplier(ref, &supplier);
    if (!err) err = suites.draw->GetSurface(ref, &surface);
    if (!err && (supplier == nullptr || surface == nullptr)) err = PF_Err_BAD_CALLBACK_PARAM;
    if (!err && extra.effect_win.area == PF_EA_CONTROL) {
        err = drawStatus(suites, supplier, surface, extra.effect_win.current_frame);
    }
    keepFirst(err, releaseDrawbotSuites(in, out));
    if (!err) extra.evt_out_flags |= PF_EO_HANDLED_EVENT;
    return err;
}

PF_Err eventCommand(PF_InData* in, PF_OutData* out, PF_EventExtra* extra) {
    if (extra == nullptr || extra->e_type != PF_Event_DRAW) return PF_Err_NONE;
    // The compositing host hides "Global Display Settings" and gives it no custom area.
    if (isAfterEffects(in)) return PF_Err_NONE;
    return drawStatusOverlay(in, out, *extra);
}

}  // namespace duovis
