// The user-changed-parameter command as a host sends it: what each button and supervised
// parameter writes back, and only that.
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>

#include <cstdlib>
#include <set>

#include "ModuleFixture.h"

namespace duovis::moduletest {
namespace {

std::vector<int> range(int first, int last) {
    std::vector<int> v;
    for (int i = first; i <= last; ++i) v.push_back(i);
    return v;
}

std::vector<int> join(std::initializer_list<std::vector<int>> parts) {
    std::vector<int> v;
    for (const auto& p : parts) v.insert(v.end(), p.begin(), p.end());
    return v;
}

// Each test gets its own machine data folder, so the clipboard file starts absent.
class ParamChangeTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(data_.isValid());
        qputenv("ProgramData", QDir::toNativeSeparators(data_.path()).toUtf8());
    }
    void TearDown() override { qunsetenv("ProgramData"); }

    QString clipboard() const { return data_.path() + "/Corvant/Duovis/TempData"; }

    void writeClipboard(const QString& text) {
        ASSERT_TRUE(QDir().mkpath(data_.path() + "/Corvant/Duovis"));
        QFile f(clipboard());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text.toUtf8());
    }

    QStringList clipboardLines() const {
        QFile f(clipboard());
        if (!f.open(QIODevice::ReadOnly)) return {};
        QStringList lines = QString::fromUtf8(f.readAll()).split('\n');
        if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
        return lines;
    }

    static void setUpSession(Session& s, A_long width = 1920, A_long height = 1080) {
        s.fx.setSourceSize(width, height);
        ASSERT_EQ(s.fx.setUp(), PF_Err_NONE);
    }

    static std::vector<int> changed(const Session& s) { return s.fx.calls().changedPositions; }

    QTemporaryDir data_;
};

// ---- Reset buttons ----

struct ResetCase {
    const char* name;
    int button;
    std::vector<int> restored;
};

const std::vector<int> kEveryTransformSlider = [] {
    std::vector<int> v = range(67, 69);
    for (int family = 73; family <= 139; family += 6) {
        const auto three = range(family, family + 2);
        v.insert(v.end(), three.begin(), three.end());
    }
    v.push_back(143);
    return v;
}();

const ResetCase kResets[] = {
    {"Crop", 42, join({range(44, 47), range(50, 53), range(56, 59)})},
    {"AllParameters", 64, kEveryTransformSlider},
    {"Master", 66, range(67, 69)},
    {"HorizontalShiftPct", 72, join({range(73, 75), range(85, 87)})},
    {"VerticalShiftPct", 78, join({range(79, 81), range(91, 93)})},
    {"HorizontalShiftPx", 84, join({range(73, 75), range(85, 87)})},
    {"VerticalShiftPx", 90, join({range(79, 81), range(91, 93)})},
    {"Scale", 96, range(97, 99)},
    {"HorizontalScale", 102, range(103, 105)},
    {"VerticalScale", 108, range(109, 111)},
    {"Rotate", 114, range(115, 117)},
    {"HorizontalSkew", 120, range(121, 123)},
    {"VerticalSkew", 126, range(127, 129)},
    {"HorizontalKeystone", 132, range(133, 135)},
    {"VerticalKeystone", 138, range(139, 141)},
};

class ModuleReset : public ParamChangeTest, public ::testing::WithParamInterface<ResetCase> {};

TEST_P(ModuleReset, RestoresExactlyItsSetToTheRegisteredDefaults) {
    SKIP_UNLESS_BUILT(kDuovisX);
    Session s(kDuovisX, HostApp::AfterEffects);
    setUpSession(s);
    auto& params = s.fx.params();
    // Move every slider off its default, and "Crop with Auto Adjustment" off.
    std::map<int, double> moved;
    for (int i = 1; i < params.count(); ++i) {
        const PF_ParamDef& d = params.at(i);
        if (d.param_type != PF_Param_FLOAT_SLIDER) continue;
        const double v = 0.25 * double(d.u.fs_d.valid_min) + 0.75 * double(d.u.fs_d.valid_max);
        params.setFloat(i, v);
        moved[i] = v;
    }
    params.setCheckbox(61, false);

    ASSERT_EQ(s.fx.userChangedParam(GetParam().button), PF_Err_NONE);
    const std::set<int> restored(GetParam().restored.begin(), GetParam().restored.end());
    EXPECT_EQ(changed(s), GetParam().restored);
    for (const auto& [position, value] : moved) {
        const double expected =
            restored.count(position) ? static_cast<double>(params.at(position).u.fs_d.dephault) : value;
        EXPECT_EQ(params.floatValue(position), expected) << "position " << position;
    }
    EXPECT_FALSE(params.checkbox(61)) << "no reset touches \"Crop with Auto Adjustment\"";
}

INSTANTIATE_TEST_SUITE_P(Buttons, ModuleReset, ::testing::ValuesIn(kResets),
                         [](const auto& tp) { return std::string(tp.param.name); });

TEST_F(ParamChangeTest, ResetAllParametersBringsFieldOfViewBackTo25) {
    SKIP_UNLESS_BUILT(kDuovisX);
    Session s(kDuovisX, HostApp::AfterEffects);
    setUpSession(s);
    s.fx.params().setFloat(143, 60);
    ASSERT_EQ(s.fx.userChangedParam(64), PF_Err_NONE);
    EXPECT_EQ(s.fx.params().floatValue(143), 25.0);
}

// ---- Percent and pixel shifts ----

struct CouplingCase {
    const char* name;
    A_long width, height;
    A_long primaryDemux;  // 1-based popup value
    int edited;
    double value;
    int twin;
    double twinExpected;
    double editedExpected;
    std::vector<int> marked;
};

const CouplingCase kCouplings[] = {
    {"HalfOf1920", 1920, 1080, 1, 73, 50, 85, 960, 50, {85}},
    {"ClampsTheTwinAndRewritesThePercent", 4096, 1080, 1, 73, 60, 85, 1920, 46.875, {73, 85}},
    {"ClampsBelowToo", 4096, 1080, 1, 73, -60, 85, -1920, -46.875, {73, 85}},
    {"SideBySideFullHalvesTheWidth", 3840, 1080, 4, 74, 50, 86, 960, 50, {86}},
    {"SideBySideHalfKeepsTheWidth", 3840, 1080, 2, 74, 25, 86, 960, 25, {86}},
    {"TopBottomFullHalvesTheHeight", 1920, 2160, 5, 79, 50, 91, 540, 50, {91}},
    {"PixelToPercent", 1920, 1080, 1, 93, 540, 81, 50, 540, {81}},
    {"PixelBeyondTheEyeRewritesThePixel", 1000, 1080, 1, 87, 1500, 75, 100, 1000, {75, 87}},
    {"EqualToTheBoundIsNotClamped", 1920, 1080, 1, 75, 100, 87, 1920, 100, {87}},
    {"SinglePrecisionTwin",
     1920,
     1080,
     1,
     75,
     33.3333,
     87,
     static_cast<double>(static_cast<float>(639.99936)),
     33.3333,
     {87}},
    {"NoWidthChangesNothing", 0, 1080, 1, 73, 50, 85, 0, 50, {}},
};

class ModuleShiftCoupling : public ParamChangeTest, public ::testing::WithParamInterface<CouplingCase> {};

TEST_P(ModuleShiftCoupling, KeepsTheTwinInStep) {
    SKIP_UNLESS_BUILT(kDuovisX);
    const CouplingCase& c = GetParam();
    Session s(kDuovisX, HostApp::Premiere);
    setUpSession(s, c.width, c.height);
    auto& params = s.fx.params();
    params.setPopup(kPrimaryDemux, c.primaryDemux);
    params.setFloat(c.edited, c.value);
    ASSERT_EQ(s.fx.userChangedParam(c.edited), PF_Err_NONE);
    EXPECT_EQ(params.floatValue(c.twin), c.twinExpected);
    EXPECT_EQ(params.floatValue(c.edited), c.editedExpected);
    EXPECT_EQ(changed(s), c.marked);
}

INSTANTIATE_TEST_SUITE_P(Pairs, ModuleShiftCoupling, ::testing::ValuesIn(kCouplings),
                         [](const auto& tp) { return std::string(tp.param.name); });

TEST_F(ParamChangeTest, OtherSupervisedEntriesAndTheToolButtonChangeNothing) {
    SKIP_UNLESS_BUILT(kDuovisX);
    Session s(kDuovisX, HostApp::Premiere);
    setUpSession(s);
    for (int position : {4, 26, 31, 7, 16, 68, 146 + 1, -1}) {
        EXPECT_EQ(s.fx.userChangedParam(position), PF_Err_NONE) << position;
        EXPECT_TRUE(changed(s).empty()) << position;
    }
}

// ---- The global display ----

std::pair<std::int32_t, std::int32_t> savedDisplay(Session& s) {
    EXPECT_EQ(s.fx.sequenceFlatten(), PF_Err_NONE);
    return readRecord(s.fx.sequenceData());
}

TEST_F(ParamChangeTest, SwitchPressedTwiceIsOffAgainWithTheSecondPressMode) {
    SKIP_UNLESS_BUILT(kDuovisX);
    Session s(kDuovisX, HostApp::Premiere);
    setUpSession(s);
    EXPECT_EQ(savedDisplay(s), std::make_pair(-1, 0));
    s.fx.params().setPopup(kDisplayType, kAnaglyph);
    ASSERT_EQ(s.fx.userChangedParam(13), PF_Err_NONE);
    EXPECT_EQ(savedDisplay(s), std::make_pair(1, int(kAnaglyph)));
    // On: every instance renders the global mode whatever its own choice.
    s.fx.params().setPopup(kDisplayType, kLeft);
    ASSERT_EQ(s.fx.userChangedParam(13), PF_Err_NONE);
    EXPECT_EQ(savedDisplay(s), std::make_pair(-1, int(kLeft)));
    EXPECT_TRUE(changed(s).empty()) << "the switch writes no parameter";
}

TEST_F(ParamChangeTest, DisplayTypeIsRecordedWithTheSwitchOff) {
    SKIP_UNLESS_BUILT(kDuovisX);
    Session s(kDuovisX, HostApp::Premiere);
    setUpSession(s);
    s.fx.params().setPopup(kDisplayType, kAnaglyphOptimized);
    ASSERT_EQ(s.fx.userChangedParam(kDisplayType), PF_Err_NONE);
    EXPECT_EQ(savedDisplay(s), std::make_pair(-1, int(kAnaglyphOptimized)));
}

TEST_F(ParamChangeTest, SwitchOnForcesTheModeOnAnotherInstance) {
    SKIP_UNLESS_BUILT(kDuovisX);
    Session a(kDuovisX, HostApp::Premiere);
    setUpSession(a, 8, 4);
    a.fx.params().setPopup(kDisplayType, kLeft);
    ASSERT_EQ(a.fx.userChangedParam(13), PF_Err_NONE);

    EffectInstance b(a.module, HostApp::Premiere);
    b.setInput(Layer::still(patternBgra(8, 4, 1)));
    ASSERT_EQ(b.setUp(), PF_Err_NONE);
    b.params().setPopup(kDisplayType, kSbs100);
    ASSERT_EQ(b.renderFrame(), PF_Err_NONE);
    // "Left" in force: one eye wide, not side by side.
    EXPECT_EQ(b.output().width(), 8);
    b.sequenceSetdown();
}

// ---- Copy and paste ----

TEST_F(ParamChangeTest, CopyWritesTheSixtyEightLinesInTheirFormat) {
    SKIP_UNLESS_BUILT(kDuovisX);
    Session s(kDuovisX, HostApp::AfterEffects);
    setUpSession(s);
    auto& params = s.fx.params();
    params.setPopup(kDisplayType, kAnaglyph);
    params.setFloat(kFrameOffset, 100.0 / 3.0);
    params.setFloat(67, -1.5e-05);
    params.setFloat(75, 12.5);
    params.setCheckbox(26, true);
    ASSERT_FALSE(QFile::exists(clipboard()));
    ASSERT_EQ(s.fx.userChangedParam(145), PF_Err_NONE);
    const QStringList lines = clipboardLines();
    ASSERT_EQ(lines.size(), 68) << "the folder is made when missing";
    EXPECT_EQ(lines[0], "8");
    EXPECT_EQ(lines[1], "1");
    EXPECT_EQ(lines[5], "33.3333");
    EXPECT_EQ(lines[6], "1");
    EXPECT_EQ(lines[16], "0");
    EXPECT_EQ(lines[18], "100");
    EXPECT_EQ(lines[28], "-1.5e-05");
    EXPECT_EQ(lines[33], "12.5");
    EXPECT_EQ(lines[43], "0");
    EXPECT_EQ(lines[67], "25");
    EXPECT_TRUE(changed(s).empty()) << "copy writes no parameter";
}

TEST_F(ParamChangeTest, PasteOfTenLinesSetsTheFirstTenEntries) {
    SKIP_UNLESS_BUILT(kDuovisX);
    Session s(kDuovisX, HostApp::AfterEffects);
    setUpSession(s);
    writeClipboard("8\n2\n3\n3\n2\n-5\n1\n1\n1\n1\n");
    ASSERT_EQ(s.fx.userChangedParam(146), PF_Err_NONE);
    EXPECT_EQ(changed(s), (std::vector<int>{5, 16, 17, 21, 22, 23, 26, 27, 28, 31}));
    const auto& p = s.fx.params();
    EXPECT_EQ(p.popup(kDisplayType), 8);
    EXPECT_EQ(p.popup(17), 3);
    EXPECT_EQ(p.floatValue(kFrameOffset), -5.0);
    EXPECT_TRUE(p.checkbox(31));
    EXPECT_FALSE(p.checkbox(32)) << "entry 11 was not in the file";
}

TEST_F(ParamChangeTest, PasteOfAHundredLinesSetsSixtyEight) {
    SKIP_UNLESS_BUILT(kDuovisX);
    Session s(kDuovisX, HostApp::AfterEffects);
    setUpSession(s);
    QString text;
    for (int i = 0; i < 100; ++i) text += "1\r\n";  // written on Windows
    writeClipboard(text);
    ASSERT_EQ(s.fx.userChangedParam(146), PF_Err_NONE);
    EXPECT_EQ(changed(s).size(), 68u);
    EXPECT_EQ(s.fx.params().floatValue(143), 1.0);
    EXPECT_EQ(s.fx.params().floatValue(115), 1.0);
}

TEST_F(ParamChangeTest, PasteClampsSlidersAndKeepsImpossibleChoices) {
    SKIP_UNLESS_BUILT(kDuovisX);
    Session s(kDuovisX, HostApp::AfterEffects);
    setUpSession(s);
    s.fx.params().setPopup(16, 2);
    // "Display Type" 99, "Demux Mode" 7, offset 1000, swap 5, grayscale text, odd 1.
    writeClipboard("99\n7\n2\n1\n1\n1000\n5\nabc\n1\n");
    ASSERT_EQ(s.fx.userChangedParam(146), PF_Err_NONE);
    const auto& p = s.fx.params();
    EXPECT_EQ(p.popup(kDisplayType), 3) << "99 names no display type";
    EXPECT_EQ(p.popup(16), 2) << "7 would index past the demux table";
    EXPECT_EQ(p.floatValue(kFrameOffset), 60.0);
    EXPECT_FALSE(p.checkbox(26));
    EXPECT_FALSE(p.checkbox(27)) << "a line that does not parse reads as 0";
    EXPECT_TRUE(p.checkbox(28));
    EXPECT_EQ(changed(s), (std::vector<int>{17, 21, 22, 23, 27, 28}));
}

TEST_F(ParamChangeTest, PasteWithoutAFileChangesNothing) {
    SKIP_UNLESS_BUILT(kDuovisX);
    Session s(kDuovisX, HostApp::AfterEffects);
    setUpSession(s);
    ASSERT_EQ(s.fx.userChangedParam(146), PF_Err_NONE);
    EXPECT_TRUE(changed(s).empty());
}

TEST_F(ParamChangeTest, CopyInOneDeliverablePastesInTheOther) {
    SKIP_UNLESS_BUILT(kDuovisX);
    SKIP_UNLESS_BUILT(kDuovis);
    {
        Session x(kDuovisX, HostApp::AfterEffects);
        setUpSession(x);
        x.fx.params().setFloat(115, 7.25);
        x.fx.params().setPopup(kDisplayType, kTb100);
        ASSERT_EQ(x.fx.userChangedParam(145), PF_Err_NONE);
    }
    Session d(kDuovis, HostApp::AfterEffects);
    setUpSession(d);
    ASSERT_EQ(d.fx.userChangedParam(146), PF_Err_NONE);
    EXPECT_EQ(d.fx.params().floatValue(115), 7.25);
    EXPECT_EQ(d.fx.params().popup(kDisplayType), kTb100);
}

}  // namespace
}  // namespace duovis::moduletest
