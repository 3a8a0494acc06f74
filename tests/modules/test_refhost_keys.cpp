// Keyframed values as the reference host keeps them: the value between keys, keys set at one
// frame rate read at another, and a change at a key's time keying the linked values too.
#include <gtest/gtest.h>

#include <cmath>

#include "KeyTrack.h"
#include "ModuleFixture.h"
#include "ParamStore.h"

namespace duovis::moduletest {
namespace {

using refhost::Keyframe;
using refhost::KeyTime;
using refhost::KeyTrack;
using refhost::ParamStore;

struct TrackCase {
    const char* name;
    std::vector<Keyframe> keys;
    KeyTime at;
    double expected;
};

const TrackCase kTracks[] = {
    {"BeforeTheFirstKeyItsValue", {{{24, 24}, 2.0, false}, {{48, 24}, 6.0, false}}, {0, 24}, 2.0},
    {"AfterTheLastKeyItsValue", {{{24, 24}, 2.0, false}, {{48, 24}, 6.0, false}}, {96, 24}, 6.0},
    {"LinearBetweenKeys", {{{0, 24}, 10.0, false}, {{4, 24}, 20.0, false}}, {1, 24}, 12.5},
    {"AtAKeyExactly", {{{0, 24}, 10.0, false}, {{4, 24}, 20.0, false}, {{8, 24}, 0.0, false}}, {4, 24}, 20.0},
    {"HoldKeepsTheEarlierValue", {{{0, 24}, 10.0, true}, {{4, 24}, 20.0, false}}, {3, 24}, 10.0},
    {"HoldEndsAtTheNextKey", {{{0, 24}, 10.0, true}, {{4, 24}, 20.0, false}}, {4, 24}, 20.0},
    {"HoldOnlyBetweenItsOwnPair",
     {{{0, 24}, 0.0, false}, {{4, 24}, 8.0, true}, {{8, 24}, 0.0, false}},
     {2, 24},
     4.0},
    {"KeysAtOneRateReadAtAnother", {{{0, 24}, 0.0, false}, {{24, 24}, 48.0, false}}, {30000, 60000}, 24.0},
    {"FractionalRateOnOneScale", {{{0, 23976}, 1.0, false}, {{4000, 23976}, 3.0, false}}, {1000, 23976}, 1.5},
};

class RefhostKeyTrack : public ::testing::TestWithParam<TrackCase> {};

TEST_P(RefhostKeyTrack, ValueAtTime) {
    const TrackCase& c = GetParam();
    KeyTrack track;
    // Given in reverse, so the order comes from the track and not from the caller.
    for (auto it = c.keys.rbegin(); it != c.keys.rend(); ++it) track.set(*it);
    EXPECT_EQ(track.valueAt(c.at), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, RefhostKeyTrack, ::testing::ValuesIn(kTracks),
                         [](const auto& tp) { return std::string(tp.param.name); });

TEST(RefhostKeyTrackEdits, AKeyAtTheSameInstantInAnotherScaleReplacesIt) {
    KeyTrack track;
    track.set({{12, 24}, 1.0, false});
    track.set({{500, 1000}, 2.0, true});
    ASSERT_EQ(track.keys().size(), 1u);
    EXPECT_EQ(track.keys()[0].value, 2.0);
    EXPECT_TRUE(track.remove({1, 2}));
    EXPECT_TRUE(track.empty());
    EXPECT_THROW(track.set({{0, 0}, 1.0, false}), std::invalid_argument);
    EXPECT_THROW(track.set({{0, 24}, std::nan(""), false}), std::invalid_argument);
}

PF_ParamDef slider(double value, PF_ParamFlags flags = PF_ParamFlag_NONE) {
    PF_ParamDef def{};
    def.param_type = PF_Param_FLOAT_SLIDER;
    def.flags = flags;
    def.u.fs_d.valid_min = -100;
    def.u.fs_d.valid_max = 100;
    def.u.fs_d.value = value;
    return def;
}

// A store at a clock the test moves, with a time-variable slider at 1 and a constant one at 2.
struct ClockedStore {
    ClockedStore() {
        store.followClock(&clock);
        store.append(slider(5));
        store.append(slider(7, PF_ParamFlag_CANNOT_TIME_VARY));
    }
    void at(A_long frame) { clock.currentTime = frame; }
    refhost::HostTime clock;
    ParamStore store;
};

TEST(RefhostKeyedStore, AnAnimatedEntryIsReadAndSetAtTheClocksTime) {
    ClockedStore s;
    s.store.setKey(1, {{0, 24}, 0.0, false});
    s.store.setKey(1, {{10, 24}, 10.0, false});
    s.at(4);
    EXPECT_EQ(s.store.floatValue(1), 4.0);
    s.store.setFloat(1, -3.0);  // a change while animated is a key at now
    EXPECT_EQ(s.store.keys(1).size(), 3u);
    EXPECT_EQ(s.store.current(1).u.fs_d.value, -3.0);
    EXPECT_EQ(s.store.at(1).u.fs_d.value, 5.0) << "the static value stays apart from the keys";
    EXPECT_THROW(s.store.setFloat(1, 200.0), std::invalid_argument);
    EXPECT_THROW(s.store.setKey(1, {{1, 24}, 200.0, false}), std::invalid_argument);
    EXPECT_THROW(s.store.setKey(2, {{1, 24}, 1.0, false}), std::invalid_argument);
    EXPECT_FALSE(s.store.animated(2));
}

TEST(RefhostKeyedStore, RemovingTheKeysLeavesAValueBehind) {
    ClockedStore s;
    s.store.setKey(1, {{0, 24}, 0.0, false});
    s.store.setKey(1, {{10, 24}, 10.0, false});
    EXPECT_FALSE(s.store.removeKey(1, {5, 24}));
    EXPECT_TRUE(s.store.removeKey(1, {0, 24}));
    EXPECT_TRUE(s.store.removeKey(1, {10, 24}));
    EXPECT_FALSE(s.store.animated(1));
    EXPECT_EQ(s.store.floatValue(1), 10.0) << "the last key's value becomes the static value";
    s.store.setKey(1, {{0, 24}, 0.0, false});
    s.store.setKey(1, {{10, 24}, 10.0, false});
    s.at(3);
    s.store.clearKeys(1);
    EXPECT_EQ(s.store.floatValue(1), 3.0) << "the value at the current time stays";
}

// The percent shift keyed at two times: its pixel twin follows it into keys at the same times,
// and a render's checkout at a time between them reads both interpolated.
TEST(ModuleKeyedShift, TheTwinIsKeyedWithTheEditedValue) {
    SKIP_UNLESS_BUILT(kDuovisX);
    constexpr int kPct = 73, kPx = 85;  // horizontal shift, both eyes
    Session s(kDuovisX, HostApp::Premiere);
    s.fx.setSourceSize(1920, 1080);
    ASSERT_EQ(s.fx.setUp(), PF_Err_NONE);
    auto& params = s.fx.params();
    for (const auto& [frame, pct] : {std::pair{0, 10.0}, std::pair{4, 30.0}}) {
        s.fx.time().currentTime = frame;
        params.setKey(kPct, {params.now(), pct, false});
        ASSERT_EQ(s.fx.userChangedParam(kPct), PF_Err_NONE);
    }
    ASSERT_EQ(params.keys(kPx).size(), 2u);
    EXPECT_EQ(params.keys(kPx)[0].value, 192.0);
    EXPECT_EQ(params.keys(kPx)[1].value, 576.0);
    EXPECT_EQ(params.valueAt(kPx, {2, 24}).u.fs_d.value, 384.0);
    EXPECT_EQ(params.valueAt(kPct, {2, 24}).u.fs_d.value, 20.0);
    // A change at a time without a key of the edited entry is an ordinary change.
    params.clearKeys(kPct);
    params.clearKeys(kPx);
    params.setFloat(kPct, 50.0);
    ASSERT_EQ(s.fx.userChangedParam(kPct), PF_Err_NONE);
    EXPECT_FALSE(params.animated(kPx));
    EXPECT_EQ(params.floatValue(kPx), 960.0);
}

}  // namespace
}  // namespace duovis::moduletest
