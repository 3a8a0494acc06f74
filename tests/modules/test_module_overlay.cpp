// The status line in the custom area of "Global Display Settings": its text, grey and place
// for each state of the global display, events it must leave alone, and the host's drawing
// services failing at each step.
#include "ModuleFixture.h"

#include <QGuiApplication>
#include <algorithm>
#include <optional>

#include "DrawbotHost.h"

namespace duovis::moduletest {
namespace {

using refhost::DrawOutcome;
using refhost::DrawRequest;

constexpr int kGlobalDisplaySettings = 14;

// Text needs fonts, which need a GUI application; each test gets its own.
class OverlayBase {
  protected:
    void makeApplication() {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        if (QCoreApplication::instance() == nullptr) app_ = std::make_unique<QGuiApplication>(argc_, argv_);
    }
    static int argc_;
    static char name_[];
    static char* argv_[];
    std::unique_ptr<QGuiApplication> app_;
};
int OverlayBase::argc_ = 1;
char OverlayBase::name_[] = "module_tests";
char* OverlayBase::argv_[] = {OverlayBase::name_, nullptr};

// The global display as a saved project brings it in: the first re-setup of the process
// restores a record whose switch is on.
void loadGlobalDisplay(EffectInstance& fx, std::int32_t displaySwitch, std::int32_t mode) {
    fx.loadSequenceData(record(displaySwitch, mode));
    ASSERT_EQ(fx.sequenceResetup(), PF_Err_NONE);
}

DrawRequest controlArea(PF_Rect frame, QSize window = {}) {
    DrawRequest r;
    r.index = kGlobalDisplaySettings;
    r.frame = frame;
    r.window = window;
    return r;
}

int grey8(float level) {
    return qRound(level * 255.0f);
}

// Brightest channel value inside `rect`, and whether every pixel there is a neutral grey.
std::pair<int, bool> brightest(const QImage& image, const QRect& rect) {
    int best = 0;
    bool neutral = true;
    for (int y = rect.top(); y <= rect.bottom(); ++y)
        for (int x = rect.left(); x <= rect.right(); ++x) {
            const QRgb p = image.pixel(x, y);
            best = std::max({best, qRed(p), qGreen(p), qBlue(p)});
            neutral = neutral && qRed(p) == qGreen(p) && qGreen(p) == qBlue(p);
        }
    return {best, neutral};
}

struct StatusCase {
    const char* label;
    std::optional<std::pair<std::int32_t, std::int32_t>> stored;  // nullopt: fresh process
    const char* text;
    float grey;
};

void PrintTo(const StatusCase& c, std::ostream* os) {
    *os << c.label;
}

// The states a saved project can bring in. A project can store no "on" switch without a
// display type (re-setup refuses such a record), so the text of those states is covered where
// the line is chosen.
const StatusCase kStatusCases[] = {
    {"FreshProcess", std::nullopt, "Global Display: OFF", 0.5f},
    {"StoredOffNotRestored", {{-1, 8}}, "Global Display: OFF", 0.5f},
    {"DamagedRecordNotRestored", {{1, 15}}, "Global Display: OFF", 0.5f},
    {"OnLeft", {{1, 1}}, "Global Display: ON, mode: Left.", 0.67f},
    {"OnAnaglyph", {{1, 8}}, "Global Display: ON, mode: Anaglyph (Red/Cyan).", 0.67f},
    {"OnParallax", {{1, 14}}, "Global Display: ON, mode: Corvant Parallax.", 0.67f},
};

struct AreaCase {
    const char* label;
    PF_Rect frame;
    QSize window;
};

void PrintTo(const AreaCase& a, std::ostream* os) {
    *os << a.label;
}

const AreaCase kAreas[] = {
    {"AtOrigin", {0, 0, 300, 20}, {300, 20}},
    {"Offset", {10, 100, 310, 120}, {340, 140}},
};

class ModuleOverlayStatus : public OverlayBase,
                            public ::testing::TestWithParam<std::tuple<Deliverable, StatusCase, AreaCase>> {
  protected:
    void SetUp() override { makeApplication(); }
};

TEST_P(ModuleOverlayStatus, DrawsTextGreyAndPlace) {
    const auto& [d, c, a] = GetParam();
    SKIP_UNLESS_BUILT(d);
    Session s(d, HostApp::Premiere);
    ASSERT_EQ(s.fx.setUp(), PF_Err_NONE);
    if (c.stored) loadGlobalDisplay(s.fx, c.stored->first, c.stored->second);

    const DrawOutcome o = refhost::drawEvent(s.fx, controlArea(a.frame, a.window));
    ASSERT_EQ(o.err, PF_Err_NONE);
    EXPECT_EQ(o.outFlags, PF_EO_HANDLED_EVENT);
    EXPECT_EQ(o.unreleasedObjects, 0);
    EXPECT_TRUE(s.fx.suites().outstanding().empty());

    const QRect area(a.frame.left, a.frame.top, a.frame.right - a.frame.left, a.frame.bottom - a.frame.top);
    ASSERT_EQ(o.fills.size(), 1u);
    EXPECT_EQ(o.fills[0].bounds, QRectF(area));
    EXPECT_EQ(o.fills[0].fillType, kDRAWBOT_FillType_Winding);
    EXPECT_FLOAT_EQ(o.fills[0].color.red, 0.15f);
    EXPECT_FLOAT_EQ(o.fills[0].color.alpha, 1.0f);

    ASSERT_EQ(o.texts.size(), 1u);
    const refhost::DrawnText& t = o.texts[0];
    EXPECT_EQ(t.text.toStdString(), c.text);
    EXPECT_FLOAT_EQ(t.color.red, c.grey);
    EXPECT_FLOAT_EQ(t.color.green, c.grey);
    EXPECT_FLOAT_EQ(t.color.blue, c.grey);
    EXPECT_FLOAT_EQ(t.color.alpha, 1.0f);
    EXPECT_EQ(t.origin, QPointF(a.frame.left + 37, a.frame.top + 10));
    EXPECT_EQ(t.fontSize, refhost::kDefaultFontSize);
    EXPECT_EQ(t.alignment, kDRAWBOT_TextAlignment_Left);
    EXPECT_EQ(t.truncation, kDRAWBOT_TextTruncation_None);
    EXPECT_EQ(t.truncationWidth, 0.0f);

    // The pixels: dark grey everywhere in the area, the text no brighter than its grey, and
    // nothing outside the area touched.
    EXPECT_EQ(o.area.pixel(0, area.height() - 1), qRgb(38, 38, 38));
    EXPECT_EQ(o.area.pixel(area.width() - 1, 0), qRgb(38, 38, 38));
    EXPECT_EQ(o.area.pixel(20, 15), qRgb(38, 38, 38)) << "left of the text origin";
    const auto [best, neutral] = brightest(o.area, QRect(37, 0, area.width() - 37, area.height()));
    EXPECT_NEAR(best, grey8(c.grey), 1);
    EXPECT_TRUE(neutral);
    for (const QPoint p : {QPoint(area.left() - 1, area.top()), QPoint(area.right() + 1, area.bottom()),
                           QPoint(area.left(), area.bottom() + 1)}) {
        if (o.window.rect().contains(p)) {
            EXPECT_EQ(o.window.pixel(p), refhost::kPanelColor) << p.x() << "," << p.y();
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, ModuleOverlayStatus,
                         ::testing::Combine(::testing::Values(kDuovisX, kDuovis),
                                            ::testing::ValuesIn(kStatusCases), ::testing::ValuesIn(kAreas)),
                         [](const auto& tp) {
                             return std::string(std::get<0>(tp.param).name) + "_" +
                                    std::get<1>(tp.param).label + "_" + std::get<2>(tp.param).label;
                         });

class ModuleOverlay : public OverlayBase, public ::testing::TestWithParam<Deliverable> {
  protected:
    void SetUp() override { makeApplication(); }
};

TEST_P(ModuleOverlay, HostCallsRunInOrderAndEveryObjectGoesBack) {
    SKIP_UNLESS_BUILT(GetParam());
    Session s(GetParam(), HostApp::Premiere);
    ASSERT_EQ(s.fx.setUp(), PF_Err_NONE);
    s.fx.suites().clearLog();
    const DrawOutcome o = refhost::drawEvent(s.fx, controlArea({0, 0, 300, 20}));
    ASSERT_EQ(o.err, PF_Err_NONE);
    const std::vector<std::string> expected = {"PF_GetDrawingReference",
                                               "GetSupplier",
                                               "GetSurface",
                                               "NewPath",
                                               "NewBrush",
                                               "AddRect",
                                               "FillPath",
                                               "GetDefaultFontSize",
                                               "NewDefaultFont",
                                               "NewBrush",
                                               "DrawString",
                                               "ReleaseObject(brush)",
                                               "ReleaseObject(font)",
                                               "ReleaseObject(brush)",
                                               "ReleaseObject(path)"};
    EXPECT_EQ(o.calls, expected);
    // The custom UI suite goes back before any drawing; the drawing suites after it.
    const std::vector<std::string> suites = {
        "acquire DRAWBOT Draw Suite 1",        "acquire DRAWBOT Supplier Suite 1",
        "acquire DRAWBOT Surface Suite 1",     "acquire DRAWBOT Path Suite 1",
        "acquire PF Effect Custom UI Suite 1", "release PF Effect Custom UI Suite 1",
        "release DRAWBOT Draw Suite 1",        "release DRAWBOT Supplier Suite 1",
        "release DRAWBOT Surface Suite 1",     "release DRAWBOT Path Suite 1"};
    EXPECT_EQ(s.fx.suites().log(), suites);
}

TEST_P(ModuleOverlay, AnotherAreaIsHandledWithoutDrawing) {
    SKIP_UNLESS_BUILT(GetParam());
    Session s(GetParam(), HostApp::Premiere);
    ASSERT_EQ(s.fx.setUp(), PF_Err_NONE);
    DrawRequest r = controlArea({0, 0, 300, 20});
    r.area = PF_EA_PARAM_TITLE;
    const DrawOutcome o = refhost::drawEvent(s.fx, r);
    ASSERT_EQ(o.err, PF_Err_NONE);
    EXPECT_EQ(o.outFlags, PF_EO_HANDLED_EVENT);
    EXPECT_TRUE(o.fills.empty());
    EXPECT_TRUE(o.texts.empty());
    EXPECT_EQ(brightest(o.window, o.window.rect()).first, qBlue(refhost::kPanelColor))
        << "the window was painted";
    EXPECT_TRUE(s.fx.suites().outstanding().empty());
}

// Events that are not draws, and draws in the compositing host (where the entry has no custom
// area), leave everything alone.
TEST_P(ModuleOverlay, OtherEventsAndTheCompositingHostAreIgnored) {
    SKIP_UNLESS_BUILT(GetParam());
    for (const PF_EventType type : {PF_Event_NEW_CONTEXT, PF_Event_DO_CLICK, PF_Event_DRAG, PF_Event_IDLE}) {
        Session s(GetParam(), HostApp::Premiere);
        ASSERT_EQ(s.fx.setUp(), PF_Err_NONE);
        s.fx.suites().clearLog();
        PF_EventExtra extra{};
        extra.e_type = type;
        extra.effect_win.area = PF_EA_CONTROL;
        EXPECT_EQ(s.fx.event(extra), PF_Err_NONE) << type;
        EXPECT_EQ(extra.evt_out_flags, PF_EO_NONE) << type;
        EXPECT_TRUE(s.fx.suites().log().empty()) << type;
    }
    Session s(GetParam(), HostApp::AfterEffects);
    ASSERT_EQ(s.fx.setUp(), PF_Err_NONE);
    s.fx.suites().clearLog();
    const DrawOutcome o = refhost::drawEvent(s.fx, controlArea({0, 0, 300, 20}));
    EXPECT_EQ(o.err, PF_Err_NONE);
    EXPECT_EQ(o.outFlags, PF_EO_NONE);
    EXPECT_TRUE(o.calls.empty());
    EXPECT_TRUE(s.fx.suites().log().empty());
}

INSTANTIATE_TEST_SUITE_P(Both, ModuleOverlay, ::testing::Values(kDuovisX, kDuovis),
                         [](const auto& tp) { return std::string(tp.param.name); });

// ---- The host's drawing services failing ----

constexpr SPErr kInjected = 0x0D0B;

struct FailureCase {
    const char* label;
    std::string refusedSuite;  // or empty
    bool noBasicSuite;
    std::string failCall;  // or empty
    int failAt;
    PF_Err expected;
    int unreleased;  // objects the host still holds afterwards
    bool backgroundDrawn;
    bool textDrawn;
    const char* message;  // what the host shows, or null for nothing
};

void PrintTo(const FailureCase& c, std::ostream* os) {
    *os << c.label;
}

const char* const kAcquire = "Not able to acquire AEFX Suite.";

const FailureCase kFailures[] = {
    {"NoDrawSuite", kDRAWBOT_DrawSuite, false, "", 0, PF_Err_BAD_CALLBACK_PARAM, 0, false, false, kAcquire},
    {"NoSupplierSuite", kDRAWBOT_SupplierSuite, false, "", 0, PF_Err_BAD_CALLBACK_PARAM, 0, false, false,
     kAcquire},
    {"NoSurfaceSuite", kDRAWBOT_SurfaceSuite, false, "", 0, PF_Err_BAD_CALLBACK_PARAM, 0, false, false,
     kAcquire},
    {"NoPathSuite", kDRAWBOT_PathSuite, false, "", 0, PF_Err_BAD_CALLBACK_PARAM, 0, false, false, kAcquire},
    {"NoCustomUISuite", kPFEffectCustomUISuite, false, "", 0, PF_Err_BAD_CALLBACK_PARAM, 0, false, false,
     kAcquire},
    {"NoBasicSuite", "", true, "", 0, PF_Err_BAD_CALLBACK_PARAM, 0, false, false, kAcquire},
    {"NoDrawingReference", "", false, "PF_GetDrawingReference", 1, kInjected, 0, false, false, nullptr},
    {"NoSupplier", "", false, "GetSupplier", 1, kInjected, 0, false, false, nullptr},
    {"NoSurface", "", false, "GetSurface", 1, kInjected, 0, false, false, nullptr},
    {"NoPath", "", false, "NewPath", 1, kInjected, 0, false, false, nullptr},
    {"NoBackgroundBrush", "", false, "NewBrush", 1, kInjected, 0, false, false, nullptr},
    {"RectRefused", "", false, "AddRect", 1, kInjected, 0, false, false, nullptr},
    {"FillRefused", "", false, "FillPath", 1, kInjected, 0, false, false, nullptr},
    {"NoFontSize", "", false, "GetDefaultFontSize", 1, kInjected, 0, true, false, nullptr},
    {"NoFont", "", false, "NewDefaultFont", 1, kInjected, 0, true, false, nullptr},
    {"NoTextBrush", "", false, "NewBrush", 2, kInjected, 0, true, false, nullptr},
    {"TextRefused", "", false, "DrawString", 1, kInjected, 0, true, false, nullptr},
    // A refused release keeps the first error but the other releases still run.
    {"FirstReleaseRefused", "", false, "ReleaseObject", 1, kInjected, 1, true, true, nullptr},
    {"LastReleaseRefused", "", false, "ReleaseObject", 4, kInjected, 1, true, true, nullptr},
};

class ModuleOverlayFailure : public OverlayBase,
                             public ::testing::TestWithParam<std::tuple<Deliverable, FailureCase>> {
  protected:
    void SetUp() override { makeApplication(); }
};

TEST_P(ModuleOverlayFailure, EndsTheDrawingReleasesAndReportsTheError) {
    const auto& [d, c] = GetParam();
    SKIP_UNLESS_BUILT(d);
    Session s(d, HostApp::Premiere);
    ASSERT_EQ(s.fx.setUp(), PF_Err_NONE);
    refhost::Faults& f = s.fx.faults();
    if (!c.refusedSuite.empty()) f.refusedSuites.insert(c.refusedSuite);
    f.noBasicSuite = c.noBasicSuite;
    f.failDrawbotCall = c.failCall;
    f.failDrawbotCallAt = c.failAt;
    f.drawbotError = kInjected;

    const DrawOutcome o = refhost::drawEvent(s.fx, controlArea({0, 0, 300, 20}));
    EXPECT_EQ(o.err, c.expected);
    EXPECT_EQ(o.outFlags, PF_EO_NONE) << "a failed draw must not count as handled";
    EXPECT_EQ(o.unreleasedObjects, c.unreleased);
    EXPECT_TRUE(s.fx.suites().outstanding().empty()) << "a suite was left acquired or released twice";
    EXPECT_EQ(o.fills.size(), c.backgroundDrawn ? 1u : 0u);
    EXPECT_EQ(o.texts.size(), c.textDrawn ? 1u : 0u);
    if (c.message != nullptr) {
        EXPECT_NE(s.fx.outData().out_flags & PF_OutFlag_DISPLAY_ERROR_MESSAGE, 0);
        EXPECT_STREQ(s.fx.outData().return_msg, c.message);
    }
    // Nothing is made or drawn after the failing call; only releases follow it.
    const auto failed = std::find_if(o.calls.begin(), o.calls.end(), [](const std::string& call) {
        return call.size() > 9 && call.compare(call.size() - 9, 9, " -> ERROR") == 0;
    });
    if (!c.failCall.empty()) {
        ASSERT_NE(failed, o.calls.end());
    }
    if (failed != o.calls.end()) {
        for (auto it = failed + 1; it != o.calls.end(); ++it)
            EXPECT_EQ(it->rfind("ReleaseObject", 0), 0u) << *it;
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, ModuleOverlayFailure, forBothModules(kFailures),
                         ModuleRowName<&std::decay_t<decltype(kFailures[0])>::label>{});

}  // namespace
}  // namespace duovis::moduletest
