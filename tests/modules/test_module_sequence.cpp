// Sequence data through save and load: set-up, re-setup restoring the global display once,
// flatten capturing it, set-down, and the host failures on those paths.
#include "ModuleFixture.h"

#include <optional>

namespace duovis::moduletest {
namespace {

using Record = std::optional<std::pair<std::int32_t, std::int32_t>>;  // nullopt: no data

struct ResetupCase {
    const char* label;
    std::vector<Record> loads;  // one re-setup per entry, in order
    std::pair<std::int32_t, std::int32_t> flattened;
};

void PrintTo(const ResetupCase& c, std::ostream* os) {
    *os << c.label;
}

class ModuleSequenceResetup : public ::testing::TestWithParam<std::tuple<Deliverable, ResetupCase>> {};

TEST_P(ModuleSequenceResetup, OnlyTheFirstCountedRecordRestores) {
    const auto& [d, c] = GetParam();
    SKIP_UNLESS_BUILT(d);
    Session s(d, HostApp::AfterEffects);
    ASSERT_EQ(s.fx.setUp(), PF_Err_NONE);
    for (const Record& r : c.loads) {
        if (r) {
            s.fx.loadSequenceData(record(r->first, r->second));
        } else {
            s.fx.loadSequenceData({});  // a handle without contents
        }
        PF_Handle loaded = s.fx.sequenceData();
        ASSERT_EQ(s.fx.sequenceResetup(), PF_Err_NONE);
        EXPECT_EQ(s.fx.sequenceData(), loaded) << "re-setup must keep the stored data";
    }
    ASSERT_EQ(s.fx.sequenceFlatten(), PF_Err_NONE);
    EXPECT_EQ(readRecord(s.fx.sequenceData()).first, c.flattened.first);
    if (c.flattened.first > 0) {
        EXPECT_EQ(readRecord(s.fx.sequenceData()).second, c.flattened.second);
    }
}

const ResetupCase kResetupCases[] = {
    {"FirstOnRestores", {Record{{1, 4}}}, {1, 4}},
    {"LaterRecordIgnored", {Record{{1, 4}}, Record{{1, 8}}}, {1, 4}},
    {"StoredOffStillCounts", {Record{{-1, 8}}, Record{{1, 4}}}, {-1, 0}},
    {"EmptyDataDoesNotCount", {std::nullopt, Record{{1, 6}}}, {1, 6}},
};

INSTANTIATE_TEST_SUITE_P(Cases, ModuleSequenceResetup, forBothModules(kResetupCases),
                         ModuleRowName<&std::decay_t<decltype(kResetupCases[0])>::label>{});

class ModuleSequence : public ::testing::TestWithParam<Deliverable> {};

TEST_P(ModuleSequence, SetupMakesEightBytesAndSetdownFreesThem) {
    SKIP_UNLESS_BUILT(GetParam());
    const int liveBefore = refhost::handles::liveCount();
    const int badBefore = refhost::handles::badDisposeCount();
    {
        Session s(GetParam(), HostApp::AfterEffects);
        ASSERT_EQ(s.fx.setUp(), PF_Err_NONE);
        ASSERT_TRUE(refhost::handles::isLive(s.fx.sequenceData()));
        EXPECT_EQ(refhost::handles::size(s.fx.sequenceData()), 8u);
        // A second set-up replaces the data; the effect frees the old handle itself. (The new
        // handle may reuse the old one's address, so the count is what shows it.)
        ASSERT_EQ(refhost::handles::liveCount(), liveBefore + 1);
        ASSERT_EQ(s.fx.sequenceSetup(), PF_Err_NONE);
        EXPECT_EQ(refhost::handles::liveCount(), liveBefore + 1);
        EXPECT_TRUE(refhost::handles::isLive(s.fx.sequenceData()));
        PF_Handle second = s.fx.sequenceData();
        ASSERT_EQ(s.fx.sequenceSetdown(), PF_Err_NONE);
        EXPECT_FALSE(refhost::handles::isLive(second)) << "set-down left the sequence data alive";
    }
    EXPECT_EQ(refhost::handles::liveCount(), liveBefore);
    EXPECT_EQ(refhost::handles::badDisposeCount(), badBefore);
}

TEST_P(ModuleSequence, HandleSuiteIsAcquiredOncePerCommandAndReleased) {
    SKIP_UNLESS_BUILT(GetParam());
    Session s(GetParam(), HostApp::AfterEffects);
    ASSERT_EQ(s.fx.setUp(), PF_Err_NONE);
    for (auto step : {&EffectInstance::sequenceSetup, &EffectInstance::sequenceFlatten}) {
        s.fx.suites().clearLog();
        ASSERT_EQ((s.fx.*step)(), PF_Err_NONE);
        EXPECT_LE(s.fx.suites().acquireCount(), 1);
        EXPECT_TRUE(s.fx.suites().outstanding().empty());
    }
}

TEST_P(ModuleSequence, FlattenStoresTheProcessWideStateForEveryInstance) {
    SKIP_UNLESS_BUILT(GetParam());
    Session a(GetParam(), HostApp::AfterEffects);
    EffectInstance b(a.module, HostApp::AfterEffects);
    ASSERT_EQ(a.fx.setUp(), PF_Err_NONE);
    ASSERT_EQ(b.paramsSetup(), PF_Err_NONE);
    ASSERT_EQ(b.sequenceSetup(), PF_Err_NONE);
    a.fx.loadSequenceData(record(1, 11));
    ASSERT_EQ(a.fx.sequenceResetup(), PF_Err_NONE);
    ASSERT_EQ(b.sequenceFlatten(), PF_Err_NONE);
    EXPECT_EQ(readRecord(b.sequenceData()), (std::pair<std::int32_t, std::int32_t>{1, 11}));
    b.sequenceSetdown();
}

TEST_P(ModuleSequence, HostFailuresOnSequencePaths) {
    SKIP_UNLESS_BUILT(GetParam());
    {
        Session s(GetParam(), HostApp::AfterEffects);
        ASSERT_EQ(s.fx.globalSetup(), PF_Err_NONE);
        s.fx.faults().failNewHandle = true;
        EXPECT_EQ(s.fx.sequenceSetup(), PF_Err_OUT_OF_MEMORY);
        EXPECT_EQ(s.fx.sequenceData(), nullptr);
        EXPECT_EQ(s.fx.sequenceResetup(), PF_Err_NONE);
        EXPECT_EQ(s.fx.sequenceFlatten(), PF_Err_NONE);
        EXPECT_EQ(s.fx.sequenceData(), nullptr) << "a failed flatten must leave the data unchanged";
    }
    for (auto fault : {0, 1}) {
        Session s(GetParam(), HostApp::AfterEffects);
        ASSERT_EQ(s.fx.globalSetup(), PF_Err_NONE);
        if (fault == 0) s.fx.faults().noBasicSuite = true;
        if (fault == 1) s.fx.faults().refusedSuites.insert("PF Handle Suite");
        EXPECT_EQ(s.fx.sequenceSetup(), PF_Err_BAD_CALLBACK_PARAM) << "fault " << fault;
    }
}

INSTANTIATE_TEST_SUITE_P(Both, ModuleSequence, ::testing::Values(kDuovisX, kDuovis),
                         [](const auto& tp) { return std::string(tp.param.name); });

}  // namespace
}  // namespace duovis::moduletest
