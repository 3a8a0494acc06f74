#include "DrawbotHost.h"

#include <QFontMetricsF>
#include <QGuiApplication>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>
#include <map>

#include "EffectInstance.h"

using duovis::refhost::DrawbotCanvas;

// The objects behind the SDK's opaque references. The first four are parts of one canvas;
// paths, brushes and fonts are made by its supplier and owned by it until released.
struct PF_Context {
    DrawbotCanvas::State* state;
};
struct DRAWBOT_DrawObject {
    DrawbotCanvas::State* state;
};
struct DRAWBOT_SupplierObject {
    DrawbotCanvas::State* state;
};
struct DRAWBOT_SurfaceObject {
    DrawbotCanvas::State* state;
};
struct DRAWBOT_PathObject {
    QPainterPath path;
};
struct DRAWBOT_BrushObject {
    DRAWBOT_ColorRGBA color;
};
struct DRAWBOT_FontObject {
    float size;
};

namespace duovis::refhost {

namespace {

constexpr SPErr kBadArgument = PF_Err_BAD_CALLBACK_PARAM;
// Longest text DrawString reads when looking for the terminator.
constexpr int kMaxTextUnits = 1 << 16;

template <class Object>
using Owned = std::map<const void*, std::unique_ptr<Object>>;

}  // namespace

struct DrawbotCanvas::State {
    State(QSize window, const Faults& f) : faults(f), image(window, QImage::Format_ARGB32) {
        image.fill(kPanelColor);
    }

    // Logs the call and returns the failure a test asked for at this call, if any.
    SPErr enter(const char* function, const char* detail = nullptr) {
        calls.push_back(detail != nullptr ? std::string(function) + "(" + detail + ")"
                                          : std::string(function));
        const int n = ++callCounts[function];
        if (!faults.failDrawbotCall.empty() && faults.failDrawbotCall == function &&
            n == faults.failDrawbotCallAt) {
            return fail(faults.drawbotError);
        }
        return kSPNoError;
    }
    SPErr fail(SPErr err) {
        if (!calls.empty()) calls.back() += " -> ERROR";
        return err;
    }

    template <class Object>
    Object* make(Owned<Object>& owned) {
        auto object = std::make_unique<Object>();
        Object* raw = object.get();
        owned[raw] = std::move(object);
        return raw;
    }

    const Faults& faults;
    QImage image;
    PF_Context context{this};
    DRAWBOT_DrawObject draw{this};
    DRAWBOT_SupplierObject supplier{this};
    DRAWBOT_SurfaceObject surface{this};
    Owned<DRAWBOT_PathObject> paths;
    Owned<DRAWBOT_BrushObject> brushes;
    Owned<DRAWBOT_FontObject> fonts;
    std::vector<DrawnFill> fills;
    std::vector<DrawnText> texts;
    std::vector<std::string> calls;
    std::map<std::string, int> callCounts;
};

namespace {

using State = DrawbotCanvas::State;

// Canvases alive now. References carry no canvas of their own, so each one is looked up
// here; a stale or foreign reference finds nothing and the call fails instead of crashing.
std::vector<State*>& liveStates() {
    static std::vector<State*> states;
    return states;
}

template <class Member>
State* ownerOf(const void* ref, Member State::*part) {
    for (State* s : liveStates())
        if (static_cast<const void*>(&(s->*part)) == ref) return s;
    return nullptr;
}

template <class Object>
Object* lookUp(State* s, Owned<Object> State::*owned, const void* ref) {
    auto it = (s->*owned).find(ref);
    return it != (s->*owned).end() ? it->second.get() : nullptr;
}

template <class Object>
State* ownerOfObject(Owned<Object> State::*owned, const void* ref) {
    for (State* s : liveStates())
        if (lookUp(s, owned, ref) != nullptr) return s;
    return nullptr;
}

bool unitInterval(float v) {
    return std::isfinite(v) && v >= 0.0f && v <= 1.0f;
}

bool validColor(const DRAWBOT_ColorRGBA* c) {
    return c != nullptr && unitInterval(c->red) && unitInterval(c->green) && unitInterval(c->blue) &&
           unitInterval(c->alpha);
}

QColor toQColor(const DRAWBOT_ColorRGBA& c) {
    return QColor::fromRgbF(static_cast<qreal>(c.red), static_cast<qreal>(c.green),
                            static_cast<qreal>(c.blue), static_cast<qreal>(c.alpha));
}

// ---- Custom UI suite ----

PF_Err getDrawingReference(PF_ContextH context, DRAWBOT_DrawRef* reference) {
    if (reference == nullptr) return kBadArgument;
    *reference = nullptr;
    State* s = ownerOf(context, &State::context);
    if (s == nullptr) return kBadArgument;
    if (SPErr err = s->enter("PF_GetDrawingReference")) return err;
    *reference = &s->draw;
    return PF_Err_NONE;
}

// ---- Draw suite ----

SPErr getSupplier(DRAWBOT_DrawRef draw, DRAWBOT_SupplierRef* supplier) {
    if (supplier == nullptr) return kBadArgument;
    *supplier = nullptr;
    State* s = ownerOf(draw, &State::draw);
    if (s == nullptr) return kBadArgument;
    if (SPErr err = s->enter("GetSupplier")) return err;
    *supplier = &s->supplier;
    return kSPNoError;
}

SPErr getSurface(DRAWBOT_DrawRef draw, DRAWBOT_SurfaceRef* surface) {
    if (surface == nullptr) return kBadArgument;
    *surface = nullptr;
    State* s = ownerOf(draw, &State::draw);
    if (s == nullptr) return kBadArgument;
    if (SPErr err = s->enter("GetSurface")) return err;
    *surface = &s->surface;
    return kSPNoError;
}

// ---- Supplier suite ----

SPErr newPath(DRAWBOT_SupplierRef supplier, DRAWBOT_PathRef* path) {
    if (path == nullptr) return kBadArgument;
    *path = nullptr;
    State* s = ownerOf(supplier, &State::supplier);
    if (s == nullptr) return kBadArgument;
    if (SPErr err = s->enter("NewPath")) return err;
    *path = s->make(s->paths);
    return kSPNoError;
}

SPErr newBrush(DRAWBOT_SupplierRef supplier, const DRAWBOT_ColorRGBA* color, DRAWBOT_BrushRef* brush) {
    if (brush == nullptr) return kBadArgument;
    *brush = nullptr;
    State* s = ownerOf(supplier, &State::supplier);
    if (s == nullptr) return kBadArgument;
    if (SPErr err = s->enter("NewBrush")) return err;
    if (!validColor(color)) return s->fail(kBadArgument);
    DRAWBOT_BrushObject* made = s->make(s->brushes);
    made->color = *color;
    *brush = made;
    return kSPNoError;
}

SPErr getDefaultFontSize(DRAWBOT_SupplierRef supplier, float* size) {
    if (size == nullptr) return kBadArgument;
    State* s = ownerOf(supplier, &State::supplier);
    if (s == nullptr) return kBadArgument;
    if (SPErr err = s->enter("GetDefaultFontSize")) return err;
    *size = kDefaultFontSize;
    return kSPNoError;
}

SPErr newDefaultFont(DRAWBOT_SupplierRef supplier, float size, DRAWBOT_FontRef* font) {
    if (font == nullptr) return kBadArgument;
    *font = nullptr;
    State* s = ownerOf(supplier, &State::supplier);
    if (s == nullptr) return kBadArgument;
    if (SPErr err = s->enter("NewDefaultFont")) return err;
    if (!std::isfinite(size) || size <= 0.0f) return s->fail(kBadArgument);
    DRAWBOT_FontObject* made = s->make(s->fonts);
    made->size = size;
    *font = made;
    return kSPNoError;
}

SPErr releaseObject(DRAWBOT_ObjectRef object) {
    const char* kind = "path";
    State* s = ownerOfObject(&State::paths, object);
    if (s == nullptr) {
        kind = "brush";
        s = ownerOfObject(&State::brushes, object);
    }
    if (s == nullptr) {
        kind = "font";
        s = ownerOfObject(&State::fonts, object);
    }
    if (s == nullptr) return kBadArgument;  // never made, or released already
    if (SPErr err = s->enter("ReleaseObject", kind)) return err;
    s->paths.erase(object);
    s->brushes.erase(object);
    s->fonts.erase(object);
    return kSPNoError;
}

// ---- Path suite ----

SPErr addRect(DRAWBOT_PathRef path, const DRAWBOT_RectF32* rect) {
    State* s = ownerOfObject(&State::paths, path);
    if (s == nullptr) return kBadArgument;
    if (SPErr err = s->enter("AddRect")) return err;
    if (rect == nullptr || !std::isfinite(rect->left) || !std::isfinite(rect->top) ||
        !std::isfinite(rect->width) || !std::isfinite(rect->height) || rect->width < 0.0f ||
        rect->height < 0.0f) {
        return s->fail(kBadArgument);
    }
    path->path.addRect(QRectF(static_cast<qreal>(rect->left), static_cast<qreal>(rect->top),
                              static_cast<qreal>(rect->width), static_cast<qreal>(rect->height)));
    return kSPNoError;
}

// ---- Surface suite ----

SPErr fillPath(DRAWBOT_SurfaceRef surface, DRAWBOT_BrushRef brush, DRAWBOT_PathRef path,
               DRAWBOT_FillType fillType) {
    State* s = ownerOf(surface, &State::surface);
    if (s == nullptr) return kBadArgument;
    if (SPErr err = s->enter("FillPath")) return err;
    const DRAWBOT_BrushObject* b = lookUp(s, &State::brushes, brush);
    const DRAWBOT_PathObject* p = lookUp(s, &State::paths, path);
    if (b == nullptr || p == nullptr ||
        (fillType != kDRAWBOT_FillType_EvenOdd && fillType != kDRAWBOT_FillType_Winding)) {
        return s->fail(kBadArgument);
    }
    QPainterPath shape = p->path;
    shape.setFillRule(fillType == kDRAWBOT_FillType_Winding ? Qt::WindingFill : Qt::OddEvenFill);
    QPainter painter(&s->image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillPath(shape, toQColor(b->color));
    s->fills.push_back(DrawnFill{shape.boundingRect(), b->color, fillType});
    return kSPNoError;
}

SPErr drawString(DRAWBOT_SurfaceRef surface, DRAWBOT_BrushRef brush, DRAWBOT_FontRef font,
                 const DRAWBOT_UTF16Char* string, const DRAWBOT_PointF32* origin,
                 DRAWBOT_TextAlignment alignment, DRAWBOT_TextTruncation truncation, float truncationWidth) {
    State* s = ownerOf(surface, &State::surface);
    if (s == nullptr) return kBadArgument;
    if (SPErr err = s->enter("DrawString")) return err;
    const DRAWBOT_BrushObject* b = lookUp(s, &State::brushes, brush);
    const DRAWBOT_FontObject* f = lookUp(s, &State::fonts, font);
    const bool knownAlignment =
        alignment >= kDRAWBOT_TextAlignment_Left && alignment <= kDRAWBOT_TextAlignment_Right;
    const bool knownTruncation =
        truncation == kDRAWBOT_TextTruncation_None || truncation == kDRAWBOT_TextTruncation_EndEllipsis;
    if (b == nullptr || f == nullptr || string == nullptr || origin == nullptr || !knownAlignment ||
        !knownTruncation || !std::isfinite(origin->x) || !std::isfinite(origin->y)) {
        return s->fail(kBadArgument);
    }
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) == nullptr) return s->fail(kBadArgument);

    int length = 0;
    while (length < kMaxTextUnits && string[length] != 0) ++length;
    if (length == kMaxTextUnits) return s->fail(kBadArgument);  // no terminator in reach
    QString text = QString::fromUtf16(string, length);

    QFont qfont = QGuiApplication::font();
    qfont.setPixelSize(std::max(1, qRound(static_cast<double>(f->size))));
    const QFontMetricsF metrics(qfont);
    if (truncation == kDRAWBOT_TextTruncation_EndEllipsis && truncationWidth > 0.0f) {
        text = metrics.elidedText(text, Qt::ElideRight, static_cast<qreal>(truncationWidth));
    }
    const qreal width = metrics.horizontalAdvance(text);
    qreal x = static_cast<qreal>(origin->x);
    if (alignment == kDRAWBOT_TextAlignment_Center) x -= width / 2;
    if (alignment == kDRAWBOT_TextAlignment_Right) x -= width;

    QPainter painter(&s->image);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setFont(qfont);
    painter.setPen(toQColor(b->color));
    painter.drawText(QPointF(x, static_cast<qreal>(origin->y)), text);
    s->texts.push_back(DrawnText{text, QPointF(static_cast<qreal>(origin->x), static_cast<qreal>(origin->y)),
                                 b->color, f->size, alignment, truncation, truncationWidth});
    return kSPNoError;
}

}  // namespace

const DRAWBOT_DrawbotSuite1 kDrawbotDrawSuite{getSupplier, getSurface};
const DRAWBOT_SupplierSuite1 kDrawbotSupplierSuite{newPath, newBrush, getDefaultFontSize, newDefaultFont,
                                                   releaseObject};
const DRAWBOT_SurfaceSuite1 kDrawbotSurfaceSuite{fillPath, drawString};
const DRAWBOT_PathSuite1 kDrawbotPathSuite{addRect};
const PF_EffectCustomUISuite1 kEffectCustomUISuite{getDrawingReference};

DrawbotCanvas::DrawbotCanvas(QSize window, const Faults& faults)
    : state_(std::make_unique<State>(window, faults)) {
    liveStates().push_back(state_.get());
}

DrawbotCanvas::~DrawbotCanvas() {
    auto& states = liveStates();
    states.erase(std::remove(states.begin(), states.end(), state_.get()), states.end());
}

PF_ContextH DrawbotCanvas::context() {
    return &state_->context;
}
const QImage& DrawbotCanvas::image() const {
    return state_->image;
}
const std::vector<DrawnFill>& DrawbotCanvas::fills() const {
    return state_->fills;
}
const std::vector<DrawnText>& DrawbotCanvas::texts() const {
    return state_->texts;
}
const std::vector<std::string>& DrawbotCanvas::calls() const {
    return state_->calls;
}
int DrawbotCanvas::liveObjects() const {
    return static_cast<int>(state_->paths.size() + state_->brushes.size() + state_->fonts.size());
}

DrawOutcome drawEvent(EffectInstance& fx, const DrawRequest& request) {
    const PF_Rect& frame = request.frame;
    const QSize window = request.window.isEmpty()
                             ? QSize(std::max<A_long>(1, frame.right), std::max<A_long>(1, frame.bottom))
                             : request.window;
    DrawbotCanvas canvas(window, fx.faults());

    PF_EventExtra extra{};
    extra.contextH = canvas.context();
    extra.e_type = PF_Event_DRAW;
    extra.u.draw.update_rect = frame;
    extra.effect_win.index = request.index;
    extra.effect_win.area = request.area;
    extra.effect_win.current_frame = frame;
    extra.evt_out_flags = PF_EO_NONE;

    DrawOutcome outcome;
    outcome.err = fx.event(extra);
    outcome.outFlags = extra.evt_out_flags;
    outcome.window = canvas.image();
    outcome.area =
        canvas.image().copy(QRect(frame.left, frame.top, frame.right - frame.left, frame.bottom - frame.top));
    outcome.fills = canvas.fills();
    outcome.texts = canvas.texts();
    outcome.calls = canvas.calls();
    outcome.unreleasedObjects = canvas.liveObjects();
    return outcome;
}

}  // namespace duovis::refhost
