#include "EffectInstance.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <thread>

#include "HandleArena.h"
#include "HostCallbacks.h"

namespace duovis::refhost {

A_long applicationId(HostApp app) {
    return app == HostApp::AfterEffects ? PF_APPL_ID_AFTER_EFFECTS : PF_APPL_ID_PREMIERE;
}

std::optional<PixelFormat> servedPixelFormat(HostApp app, const std::vector<PrPixelFormat>& registered) {
    if (app == HostApp::AfterEffects || registered.empty()) return PixelFormat::Argb8;
    const bool floatBgra =
        std::find(registered.begin(), registered.end(),
                  static_cast<PrPixelFormat>(PrPixelFormat_BGRA_4444_32f)) != registered.end();
    if (floatBgra) return PixelFormat::Bgra32f;
    return std::nullopt;
}

namespace {
thread_local EffectInstance* currentInstance = nullptr;

// Marks the instance whose command runs on this thread for the scope's lifetime.
class ScopedInstance {
  public:
    explicit ScopedInstance(EffectInstance* instance) : previous_(currentInstance) {
        currentInstance = instance;
    }
    ~ScopedInstance() { currentInstance = previous_; }
    ScopedInstance(const ScopedInstance&) = delete;
    ScopedInstance& operator=(const ScopedInstance&) = delete;

  private:
    EffectInstance* previous_;
};
}  // namespace

EffectInstance* EffectInstance::current() {
    return currentInstance;
}

void EffectInstance::setWorkerThreads(int threads) {
    if (threads < 0) throw std::invalid_argument("a host has at least one worker thread");
    if (threads == workerThreads_) return;
    workerThreads_ = threads;
    workers_.reset();
}

int EffectInstance::workerThreads() const {
    if (workerThreads_ > 0) return workerThreads_;
    return std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
}

WorkerPool& EffectInstance::workers() {
    if (!workers_) workers_ = std::make_unique<WorkerPool>(workerThreads());
    return *workers_;
}

PixelFormat EffectInstance::pixelFormat() const {
    return servedPixelFormat(app_, suites_.pixelFormats()).value_or(PixelFormat::Argb8);
}

EffectInstance::EffectInstance(const Module& module, HostApp app)
    : module_(module), app_(app), suites_(faults_) {
    ref_.instance = this;
    params_.followClock(&time_);
}

EffectInstance::~EffectInstance() {
    if (handles::isLive(sequenceData_)) handles::dispose(sequenceData_);
}

World* EffectInstance::inputFrame(A_long time) {
    return input_.frameAt(time);
}

void EffectInstance::releaseInput() {
    sourceSize_ = inputSize();
    input_ = Layer::still(World(1, 1, pixelFormat()));
}

PF_Point EffectInstance::inputSize() {
    if (sourceSize_) return *sourceSize_;
    World* frame = inputFrame(time_.currentTime);
    if (frame == nullptr) return PF_Point{0, 0};
    // in_data reports the full-resolution size; the frame itself is down-sampled.
    auto scaleUp = [](A_long size, const PF_RationalScale& ds) {
        return ds.num > 0 ? static_cast<A_long>(static_cast<A_long>(ds.den) * size / ds.num) : size;
    };
    return PF_Point{scaleUp(frame->width(), time_.downsampleX), scaleUp(frame->height(), time_.downsampleY)};
}

PF_InData EffectInstance::makeInData() {
    PF_InData in{};
    in.inter = interactCallbacks();
    utils_ = *utilCallbacks();
    if (faults_.noIterateService) utils_.iterate_generic = nullptr;
    in.utils = &utils_;
    in.effect_ref = &ref_;
    in.version = PF_SpecVersion{PF_PLUG_IN_VERSION, PF_PLUG_IN_SUBVERS};
    in.appl_id = applicationId(app_);
    in.num_params = params_.count();
    in.current_time = time_.currentTime;
    in.time_step = time_.timeStep;
    in.total_time = time_.totalTime;
    in.time_scale = time_.timeScale;
    const PF_Point size = inputSize();
    in.width = size.h;
    in.height = size.v;
    in.extent_hint = PF_Rect{0, 0, size.h, size.v};
    in.downsample_x = time_.downsampleX;
    in.downsample_y = time_.downsampleY;
    in.pixel_aspect_ratio = PF_RationalScale{1, 1};
    in.sequence_data = sequenceData_;
    in.pica_basicP = faults_.noBasicSuite ? nullptr : suites_.basicSuite();
    return in;
}

PF_Err EffectInstance::dispatch(PF_Cmd cmd, void* extra, PF_LayerDef* outputDef) {
    SuiteHost::ScopedCurrent current(suites_);
    ScopedInstance running(this);
    PF_InData in = makeInData();

    out_ = PF_OutData{};
    out_.sequence_data = sequenceData_;
    if (World* frame = inputFrame(time_.currentTime)) {
        out_.width = frame->width();
        out_.height = frame->height();
    }

    // The effect gets copies: what it writes without the changed-value flag is not kept.
    working_.clear();
    for (int i = 0; i < params_.count(); ++i) working_.push_back(params_.current(i));
    for (PF_ParamDef& def : working_) {
        def.uu.change_flags = PF_ChangeFlag_NONE;
        if (def.param_type == PF_Param_LAYER) def.u.ld = PF_LayerDef{};
    }
    if (World* frame = inputFrame(time_.currentTime)) working_[0].u.ld = *frame->def();
    std::vector<PF_ParamDef*> pointers;
    for (PF_ParamDef& def : working_) pointers.push_back(&def);

    const PF_Err err = module_.entry()(cmd, &in, &out_, pointers.data(), outputDef, extra);

    calls_.changedPositions.clear();
    const int shared = std::min(static_cast<int>(working_.size()), params_.count());
    for (int i = 1; i < shared; ++i) {
        const PF_ParamDef& written = working_[static_cast<std::size_t>(i)];
        if ((written.uu.change_flags & PF_ChangeFlag_CHANGED_VALUE) != 0) {
            params_.adopt(i, written, keyChanges_, keyHold_);
            calls_.changedPositions.push_back(i);
        }
    }
    return err;
}

PF_Err EffectInstance::command(PF_Cmd cmd, void* extra) {
    return dispatch(cmd, extra, output_.empty() ? nullptr : output_.def());
}

PF_Err EffectInstance::globalSetup() {
    const PF_Err err = dispatch(PF_Cmd_GLOBAL_SETUP, nullptr, nullptr);
    if (!servedPixelFormat(app_, suites_.pixelFormats()))
        throw std::runtime_error(
            "the effect renders only pixel formats the editing host cannot give it "
            "(it serves float BGRA, or 8-bit to an effect that registers none)");
    return err;
}
PF_Err EffectInstance::globalSetdown() {
    return dispatch(PF_Cmd_GLOBAL_SETDOWN, nullptr, nullptr);
}

PF_Err EffectInstance::paramsSetup() {
    params_.clear();
    calls_.addParamCalls = 0;
    return dispatch(PF_Cmd_PARAMS_SETUP, nullptr, nullptr);
}

PF_Err EffectInstance::sequenceSetup() {
    const PF_Err err = dispatch(PF_Cmd_SEQUENCE_SETUP, nullptr, nullptr);
    sequenceData_ = out_.sequence_data;
    return err;
}

PF_Err EffectInstance::sequenceResetup() {
    const PF_Err err = dispatch(PF_Cmd_SEQUENCE_RESETUP, nullptr, nullptr);
    sequenceData_ = out_.sequence_data;
    return err;
}

PF_Err EffectInstance::sequenceFlatten() {
    PF_Handle previous = sequenceData_;
    const PF_Err err = dispatch(PF_Cmd_SEQUENCE_FLATTEN, nullptr, nullptr);
    if (out_.sequence_data != previous) {
        // The flat form replaces the working data, which the host then frees.
        sequenceData_ = out_.sequence_data;
        if (handles::isLive(previous)) handles::dispose(previous);
    }
    return err;
}

PF_Err EffectInstance::sequenceSetdown() {
    const PF_Err err = dispatch(PF_Cmd_SEQUENCE_SETDOWN, nullptr, nullptr);
    sequenceData_ = nullptr;
    return err;
}

void EffectInstance::loadSequenceData(const std::vector<std::uint8_t>& bytes) {
    if (handles::isLive(sequenceData_)) handles::dispose(sequenceData_);
    sequenceData_ = handles::createWith(bytes);
}

void EffectInstance::allocateOutput(A_long width, A_long height) {
    const A_long w = std::max<A_long>(0, width - faults_.outputShrinkX);
    const A_long h = std::max<A_long>(0, height - faults_.outputShrinkY);
    output_ = World(w, h, pixelFormat());
}

PF_Err EffectInstance::frameSetup() {
    const PF_Err err = dispatch(PF_Cmd_FRAME_SETUP, nullptr, nullptr);
    if (app_ == HostApp::AfterEffects) {
        allocateOutput(out_.width, out_.height);
    } else {
        // The editing host renders into a frame of the input's size whatever the effect asks.
        World* frame = inputFrame(time_.currentTime);
        allocateOutput(frame != nullptr ? frame->width() : 0, frame != nullptr ? frame->height() : 0);
    }
    return err;
}

PF_Err EffectInstance::render() {
    if (suppliedOutput_) {
        output_ = std::move(*suppliedOutput_);
        suppliedOutput_.reset();
    }
    if (output_.empty()) {
        World* frame = inputFrame(time_.currentTime);
        allocateOutput(frame != nullptr ? frame->width() : 0, frame != nullptr ? frame->height() : 0);
    }
    calls_.checkouts.clear();
    calls_.checkins = 0;
    calls_.copies = 0;
    calls_.iterateCalls = 0;
    calls_.lastIterations = 0;
    return dispatch(PF_Cmd_RENDER, nullptr, output_.def());
}

PF_Err EffectInstance::userChangedParam(int position) {
    PF_UserChangedParamExtra extra{position};
    const bool wasKeying = keyChanges_, wasHold = keyHold_;
    if (position > 0 && position < params_.count())
        if (const Keyframe* key = params_.keyAt(position, params_.now())) setKeyingChanges(true, key->hold);
    const PF_Err err = dispatch(PF_Cmd_USER_CHANGED_PARAM, &extra, nullptr);
    setKeyingChanges(wasKeying, wasHold);
    return err;
}

PF_Err EffectInstance::event(PF_EventExtra& extra) {
    return dispatch(PF_Cmd_EVENT, &extra, nullptr);
}

PF_Err EffectInstance::setUp() {
    if (PF_Err err = globalSetup()) return err;
    if (PF_Err err = paramsSetup()) return err;
    return sequenceSetup();
}

PF_Err EffectInstance::renderFrame() {
    if (PF_Err err = frameSetup()) return err;
    return render();
}

PF_Err EffectInstance::onAddParam(PF_ParamIndex index, const PF_ParamDef* def) {
    ++calls_.addParamCalls;
    if (def == nullptr) return PF_Err_BAD_CALLBACK_PARAM;
    if (index != PF_PARAM_APPEND && index != params_.count()) return PF_Err_INVALID_INDEX;
    if (faults_.failAddParamAt == calls_.addParamCalls) return faults_.addParamError;
    params_.append(*def);
    return PF_Err_NONE;
}

PF_Err EffectInstance::onCheckout(PF_ParamIndex index, A_long time, A_long step, A_u_long scale,
                                  PF_ParamDef* param) {
    calls_.checkouts.push_back(CheckoutRecord{index, time, step, scale});
    if (param == nullptr) return PF_Err_BAD_CALLBACK_PARAM;
    *param = PF_ParamDef{};
    if (faults_.checkoutError) return *faults_.checkoutError;
    if (index < 0 || index >= params_.count()) return PF_Err_INVALID_INDEX;

    *param = params_.valueAt(index, scale != 0 ? KeyTime{time, scale} : params_.now());
    if (param->param_type != PF_Param_LAYER) return PF_Err_NONE;
    // A layer comes with its pixels at the asked time; no layer chosen is an empty layer.
    param->u.ld = PF_LayerDef{};
    World* frame = nullptr;
    if (index == 0) {
        frame = inputFrame(time);
    } else if (auto it = chosen_.find(index); it != chosen_.end() && it->second != nullptr) {
        frame = it->second->frameAt(time);
    }
    if (frame != nullptr) param->u.ld = *frame->def();
    return PF_Err_NONE;
}

PF_Err EffectInstance::onCheckin(PF_ParamDef* param) {
    ++calls_.checkins;
    if (param == nullptr) return PF_Err_BAD_CALLBACK_PARAM;
    if (faults_.checkinError) return *faults_.checkinError;
    return PF_Err_NONE;
}

PF_Err EffectInstance::onCopy(PF_EffectWorld* src, PF_EffectWorld* dst, const PF_Rect* srcRect,
                              const PF_Rect* dstRect) {
    ++calls_.copies;
    if (faults_.copyError) return *faults_.copyError;
    if (src == nullptr || dst == nullptr || src->data == nullptr || dst->data == nullptr) {
        return PF_Err_BAD_CALLBACK_PARAM;
    }
    const PF_Rect from = srcRect != nullptr ? *srcRect : PF_Rect{0, 0, src->width, src->height};
    const A_long toX = dstRect != nullptr ? dstRect->left : 0;
    const A_long toY = dstRect != nullptr ? dstRect->top : 0;
    if (from.left < 0 || from.top < 0 || from.right > src->width || from.bottom > src->height || toX < 0 ||
        toY < 0) {
        return PF_Err_BAD_CALLBACK_PARAM;
    }
    // Worlds of different sizes share their overlapping part; nothing is scaled.
    const A_long w = std::min(from.right - from.left, dst->width - toX);
    const A_long h = std::min(from.bottom - from.top, dst->height - toY);
    const A_long bpp = bytesPerPixel(pixelFormat());
    const auto* srcBytes = static_cast<const std::uint8_t*>(src->data);
    auto* dstBytes = static_cast<std::uint8_t*>(dst->data);
    for (A_long y = 0; y < h && w > 0; ++y) {
        std::memmove(dstBytes + static_cast<std::ptrdiff_t>(toY + y) * dst->rowbytes + toX * bpp,
                     srcBytes + static_cast<std::ptrdiff_t>(from.top + y) * src->rowbytes + from.left * bpp,
                     static_cast<std::size_t>(w * bpp));
    }
    return PF_Err_NONE;
}

}  // namespace duovis::refhost
