// Instances on one device share one kernel object; renders from several host threads at once
// must not mix their arguments.
#include <thread>

#include "GpuFixture.h"

namespace duovis::gputest {
namespace {

TEST(GpuThreads, ConcurrentRendersOnOneDeviceKeepTheirOwnArguments) {
    SKIP_WITHOUT_GPU_FILTER();
    constexpr int kRounds = 12;
    struct Worker {
        std::unique_ptr<GpuSession> session;
        Layer primary, second;
        World expected;
        int mismatches = 0;
        prSuiteError error = suiteError_NoError;
    };
    Worker workers[2];
    const A_long displays[2] = {kAnaglyph, kRight};
    for (int i = 0; i < 2; ++i) {
        Worker& w = workers[i];
        w.session = std::make_unique<GpuSession>();
        ASSERT_EQ(w.session->effect.create(), suiteError_NoError);
        // Different sizes and settings, so a render with the other's arguments cannot pass.
        w.primary = Layer::still(contentBgra(40 + 8 * i, 24, 3 + i));
        w.second = Layer::still(contentBgra(40 + 8 * i, 24, 30 + i));
        w.session->effect.chooseLayer(&w.second);
        setEntry(w.session->fx.params(), kDisplayType, displays[i]);
        setEntry(w.session->fx.params(), kRotateB, 3.0 * (i + 1));
        const GpuRenderResult r = w.session->effect.render(w.primary, 0);
        ASSERT_EQ(r.error, suiteError_NoError);
        w.expected = r.output;
    }
    std::thread threads[2];
    for (int i = 0; i < 2; ++i) {
        threads[i] = std::thread([&w = workers[i]] {
            for (int round = 0; round < kRounds; ++round) {
                const GpuRenderResult r = w.session->effect.render(w.primary, 0);
                if (r.error != suiteError_NoError) w.error = r.error;
                if (r.error == suiteError_NoError && compare(r.output, w.expected).worst != 0.0)
                    ++w.mismatches;
            }
        });
    }
    for (std::thread& t : threads) t.join();
    for (const Worker& w : workers) {
        EXPECT_EQ(w.error, suiteError_NoError);
        EXPECT_EQ(w.mismatches, 0);
        EXPECT_EQ(w.session->host.liveFrames(), 0u);
    }
}

}  // namespace
}  // namespace duovis::gputest
