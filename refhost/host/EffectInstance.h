#pragma once
// One applied effect as a host drives it: the commands in host order, the registered
// parameters and their values, the layers and output world, time, sequence data and faults.

#include <map>
#include <memory>
#include <optional>
#include <vector>

#include "Faults.h"
#include "HostTime.h"
#include "Layer.h"
#include "Module.h"
#include "ParamStore.h"
#include "SuiteHost.h"
#include "WorkerPool.h"

namespace duovis::refhost {

class EffectInstance;

}  // namespace duovis::refhost

// The host's effect reference: what callbacks get back to find their instance.
struct PF_ProgressInfo {
    duovis::refhost::EffectInstance* instance;
};

namespace duovis::refhost {

enum class HostApp { AfterEffects, Premiere };

A_long applicationId(HostApp app);
// The worlds a host gives an effect that registered `registered` pixel formats: the
// compositing host's are 8-bit; the editing host gives float BGRA only to an effect that
// registered it and 8-bit to one that registered none. Nullopt: the effect registered formats
// of which this host serves none.
std::optional<PixelFormat> servedPixelFormat(HostApp app, const std::vector<PrPixelFormat>& registered);

struct CheckoutRecord {
    PF_ParamIndex index;
    A_long time;
    A_long timeStep;
    A_u_long timeScale;
};

// What the effect asked of the host's callbacks.
struct CallLog {
    int addParamCalls = 0;
    std::vector<CheckoutRecord> checkouts;
    int checkins = 0;
    int copies = 0;
    int iterateCalls = 0;               // calls of the iterate service
    A_long lastIterations = 0;          // the iterations the last of them asked for
    std::vector<int> changedPositions;  // entries the last command marked changed
};

class EffectInstance {
  public:
    EffectInstance(const Module& module, HostApp app);
    ~EffectInstance();
    EffectInstance(const EffectInstance&) = delete;
    EffectInstance& operator=(const EffectInstance&) = delete;

    // ---- Commands, each returning the effect's error code ----
    // Throws std::runtime_error when the effect registers only pixel formats this host
    // cannot serve, as a host refuses to apply such an effect.
    PF_Err globalSetup();
    PF_Err globalSetdown();
    PF_Err paramsSetup();
    PF_Err sequenceSetup();
    PF_Err sequenceResetup();
    PF_Err sequenceFlatten();
    PF_Err sequenceSetdown();
    PF_Err frameSetup();  // then allocates the output world the effect asked for
    PF_Err render();
    // A change at a time where the changed entry has a key is a change of that key: what the
    // effect changes in response is keyed there too, so linked values stay in step over time.
    PF_Err userChangedParam(int position);
    PF_Err event(PF_EventExtra& extra);
    PF_Err command(PF_Cmd cmd, void* extra = nullptr);

    // Global, parameter and sequence set-up, stopping at the first error.
    PF_Err setUp();
    // Frame set-up then render.
    PF_Err renderFrame();

    // ---- Host state ----
    HostApp app() const { return app_; }
    // The layout of every world this instance gets, by what the effect has registered so far.
    PixelFormat pixelFormat() const;
    HostTime& time() { return time_; }
    const HostTime& time() const { return time_; }
    ParamStore& params() { return params_; }
    const ParamStore& params() const { return params_; }
    Faults& faults() { return faults_; }
    SuiteHost& suites() { return suites_; }
    const CallLog& calls() const { return calls_; }
    // While on, every value the effect changes that can vary in time is keyed at the current
    // time (with `hold`), as a host records changes with animation turned on.
    void setKeyingChanges(bool on, bool hold = false) {
        keyChanges_ = on;
        keyHold_ = hold;
    }
    const PF_OutData& outData() const { return out_; }

    void setInput(Layer layer) { input_ = std::move(layer); }
    // Lets go of the input's pixels once a frame is done; the effect goes on seeing the same
    // layer size until the next input.
    void releaseInput();
    Layer& input() { return input_; }
    // The layer a layer-choice entry points at; null chooses none.
    void chooseLayer(int position, Layer* layer) { chosen_[position] = layer; }

    // Full-resolution size the host reports in in_data; by default the input frame's size
    // at the current time scaled up by the down-sampling.
    void setSourceSize(A_long width, A_long height) { sourceSize_ = PF_Point{width, height}; }
    void clearSourceSize() { sourceSize_.reset(); }

    // The output world of the last frame set-up, or the one the test supplied.
    World& output() { return output_; }
    // Uses this world (borders and all) as the next render's output instead of allocating.
    void supplyOutput(World world) { suppliedOutput_ = std::move(world); }

    // Threads of the iterate service, the calling one included (1: inline); 0, the default,
    // is every core the machine has.
    void setWorkerThreads(int threads);
    int workerThreads() const;
    // The pool the iterate service runs on, started at its first use.
    WorkerPool& workers();
    // The instance whose command runs on this thread, if any (the iterate service carries no
    // effect reference).
    static EffectInstance* current();

    PF_Handle sequenceData() const { return sequenceData_; }
    // Stands in for a project load: the instance's sequence data becomes these bytes.
    void loadSequenceData(const std::vector<std::uint8_t>& bytes);

    // ---- Called by the host callbacks ----
    PF_Err onAddParam(PF_ParamIndex index, const PF_ParamDef* def);
    PF_Err onCheckout(PF_ParamIndex index, A_long time, A_long step, A_u_long scale, PF_ParamDef* param);
    PF_Err onCheckin(PF_ParamDef* param);
    PF_Err onCopy(PF_EffectWorld* src, PF_EffectWorld* dst, const PF_Rect* srcRect, const PF_Rect* dstRect);
    void onIterate(A_long iterations) {
        ++calls_.iterateCalls;
        calls_.lastIterations = iterations;
    }

  private:
    PF_InData makeInData();
    PF_Err dispatch(PF_Cmd cmd, void* extra, PF_LayerDef* outputDef);
    PF_Point inputSize();
    World* inputFrame(A_long time);
    void allocateOutput(A_long width, A_long height);

    const Module& module_;
    HostApp app_;
    PF_ProgressInfo ref_{};
    HostTime time_;
    Faults faults_;
    SuiteHost suites_;
    ParamStore params_;
    CallLog calls_;
    PF_OutData out_{};
    Layer input_;
    std::map<int, Layer*> chosen_;
    std::optional<PF_Point> sourceSize_;
    World output_;
    std::optional<World> suppliedOutput_;
    PF_Handle sequenceData_ = nullptr;
    std::vector<PF_ParamDef> working_;  // the values handed to the running command
    PF_UtilCallbacks utils_{};          // this instance's table, so a fault can blank a service
    int workerThreads_ = 0;
    std::unique_ptr<WorkerPool> workers_;
    bool keyChanges_ = false;
    bool keyHold_ = false;
};

}  // namespace duovis::refhost
