// Finding, loading and identifying both modules as a host does.
#include "ModuleFixture.h"

#include "PiPL.h"

namespace duovis::moduletest {
namespace {

class ModuleDescriptor : public ::testing::TestWithParam<Deliverable> {};

TEST_P(ModuleDescriptor, NamesTheEntryPointAndAgreesWithGlobalSetup) {
    const Deliverable& d = GetParam();
    SKIP_UNLESS_BUILT(d);
    Session s(d, HostApp::AfterEffects);
    const auto& desc = s.module.descriptor();
    EXPECT_EQ(desc.kind, PiPL_KIND_EFFECT);
    EXPECT_EQ(desc.name, d.name);
    EXPECT_EQ(desc.entryPoint, d.entryPoint);
    EXPECT_EQ(desc.matchName, d.matchName);
    ASSERT_EQ(s.fx.globalSetup(), PF_Err_NONE);
    EXPECT_EQ(s.fx.outData().my_version, desc.effectVersion);
    EXPECT_EQ(static_cast<std::uint32_t>(s.fx.outData().out_flags), desc.outFlags);
    EXPECT_EQ(static_cast<std::uint32_t>(s.fx.outData().out_flags2), desc.outFlags2);
}

INSTANTIATE_TEST_SUITE_P(Both, ModuleDescriptor, ::testing::Values(kDuovisX, kDuovis),
                         [](const auto& tp) { return std::string(tp.param.name); });

TEST(ModuleSideBySide, BothModulesLiveInOneProcessAndKeepTheirOwnState) {
    SKIP_UNLESS_BUILT(kDuovisX);
    SKIP_UNLESS_BUILT(kDuovis);
    Session x(kDuovisX, HostApp::AfterEffects);
    Session plain(kDuovis, HostApp::AfterEffects);
    EXPECT_NE(reinterpret_cast<void*>(x.module.entry()), reinterpret_cast<void*>(plain.module.entry()));
    EXPECT_NE(x.module.descriptor().matchName, plain.module.descriptor().matchName);
    ASSERT_EQ(x.fx.globalSetup(), PF_Err_NONE);
    ASSERT_EQ(plain.fx.globalSetup(), PF_Err_NONE);
    EXPECT_EQ(x.fx.outData().my_version, kDuovisX.version);
    EXPECT_EQ(plain.fx.outData().my_version, kDuovis.version);

    // The global display restored in one module must not leak into the other.
    x.fx.loadSequenceData(record(1, kTb100));
    ASSERT_EQ(x.fx.sequenceResetup(), PF_Err_NONE);
    for (Session* s : {&x, &plain}) {
        ASSERT_EQ(s->fx.paramsSetup(), PF_Err_NONE);
        s->fx.setInput(Layer::still(patternArgb(8, 6, 1)));
        s->fx.params().setPopup(kDisplayType, kLeft);
        ASSERT_EQ(s->fx.frameSetup(), PF_Err_NONE);
    }
    EXPECT_EQ(x.fx.outData().height, 12);
    EXPECT_EQ(plain.fx.outData().height, 6);
}

}  // namespace
}  // namespace duovis::moduletest
