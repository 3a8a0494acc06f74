#include "HostCallbacks.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "EffectInstance.h"
#include "HandleArena.h"

namespace duovis::refhost {

namespace {

EffectInstance* instanceOf(PF_ProgPtr ref) {
    return ref == nullptr ? nullptr : ref->instance;
}

// The failure a test asked for at this call of `service`, if any.
PF_Err injected(EffectInstance& instance, const char* service) {
    const Faults& faults = instance.faults();
    return faults.failsServiceCall(service) ? faults.serviceError : PF_Err_NONE;
}

PF_Err addParam(PF_ProgPtr ref, PF_ParamIndex index, PF_ParamDef* def) {
    EffectInstance* instance = instanceOf(ref);
    if (instance == nullptr) return PF_Err_BAD_CALLBACK_PARAM;
    if (const PF_Err err = injected(*instance, "add_param")) return err;
    return instance->onAddParam(index, def);
}

PF_Err checkoutParam(PF_ProgPtr ref, PF_ParamIndex index, A_long time, A_long step, A_u_long scale,
                     PF_ParamDef* param) {
    EffectInstance* instance = instanceOf(ref);
    if (instance == nullptr) return PF_Err_BAD_CALLBACK_PARAM;
    if (const PF_Err err = injected(*instance, "checkout_param")) {
        if (param != nullptr) *param = PF_ParamDef{};
        return err;
    }
    return instance->onCheckout(index, time, step, scale, param);
}

PF_Err checkinParam(PF_ProgPtr ref, PF_ParamDef* param) {
    EffectInstance* instance = instanceOf(ref);
    if (instance == nullptr) return PF_Err_BAD_CALLBACK_PARAM;
    if (const PF_Err err = injected(*instance, "checkin_param")) return err;
    return instance->onCheckin(param);
}

PF_Err copyWorld(PF_ProgPtr ref, PF_EffectWorld* src, PF_EffectWorld* dst, const PF_Rect* srcRect,
                 const PF_Rect* dstRect) {
    EffectInstance* instance = instanceOf(ref);
    if (instance == nullptr) return PF_Err_BAD_CALLBACK_PARAM;
    if (const PF_Err err = injected(*instance, "copy")) return err;
    return instance->onCopy(src, dst, srcRect, dstRect);
}

A_char* hostStrcpy(A_char* dest, const A_char* src) {
    return std::strcpy(dest, src);
}

A_long hostSprintf(A_char* buffer, const A_char* format, ...) {
    va_list args;
    va_start(args, format);
    const int written = std::vsprintf(buffer, format, args);
    va_end(args);
    return written;
}

using IterateFn = PF_Err (*)(void* refcon, A_long thread, A_long i, A_long iterations);

// Runs the effect's iterations on the worker pool of the instance whose command is running.
// Called from no command (a worker of an earlier call), it runs them inline, in order.
PF_Err iterateGeneric(A_long iterations, void* refcon, IterateFn fn) {
    if (fn == nullptr || iterations < 0) return PF_Err_BAD_CALLBACK_PARAM;
    EffectInstance* instance = EffectInstance::current();
    if (instance == nullptr) {
        for (A_long i = 0; i < iterations; ++i)
            if (const PF_Err err = fn(refcon, 0, i, iterations)) return err;
        return PF_Err_NONE;
    }
    instance->onIterate(iterations);
    if (const PF_Err err = injected(*instance, "iterate_generic")) return err;
    const Faults& faults = instance->faults();
    const WorkerPool::Iteration each = [&](A_long thread, A_long i) {
        const A_long nth = faults.iterateBackwards ? iterations - i : i + 1;
        if (nth == faults.interruptIterationAt) return faults.iterateError;
        return fn(refcon, thread, i, iterations);
    };
    return instance->workers().run(iterations, each, faults.iterateBackwards);
}

PF_UtilCallbacks utilTable{copyWorld, handles::dispose, {hostStrcpy, hostSprintf}, iterateGeneric};

}  // namespace

PF_InteractCallbacks interactCallbacks() {
    return PF_InteractCallbacks{checkoutParam, checkinParam, addParam};
}

PF_UtilCallbacks* utilCallbacks() {
    return &utilTable;
}

}  // namespace duovis::refhost
