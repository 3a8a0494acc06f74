#include "media/TempCleanup.h"

#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <climits>
#include <cstring>
#include <mutex>

namespace duovis {

namespace {

// Few files are open for writing at once: a video, or a still per writer thread.
constexpr int kSlots = 32;
enum SlotState : int { Free, Filling, Held };

struct Slot {
    std::atomic<int> state{Free};
    char path[PATH_MAX];
};
Slot slots[kSlots];
// The handler reads the states: only a lock-free atomic is safe there.
static_assert(std::atomic<int>::is_always_lock_free);

const int kSignals[] = {SIGINT, SIGTERM, SIGHUP};

extern "C" void removeTempFilesAndDie(int sig) {
    for (Slot& slot : slots)
        if (slot.state.load(std::memory_order_acquire) == Held) ::unlink(slot.path);
    struct sigaction fallback {};
    fallback.sa_handler = SIG_DFL;
    sigemptyset(&fallback.sa_mask);
    ::sigaction(sig, &fallback, nullptr);
    // Blocked while this handler runs: delivered with the default action as it returns.
    ::raise(sig);
}

void installHandlers() {
    for (const int sig : kSignals) {
        struct sigaction now {};
        if (::sigaction(sig, nullptr, &now) != 0 || now.sa_handler != SIG_DFL) continue;
        struct sigaction ours {};
        ours.sa_handler = removeTempFilesAndDie;
        sigemptyset(&ours.sa_mask);
        for (const int other : kSignals) sigaddset(&ours.sa_mask, other);
        ::sigaction(sig, &ours, nullptr);
    }
}

}  // namespace

int rememberTempFile(const std::string& path) {
    static std::once_flag installed;
    std::call_once(installed, installHandlers);
    if (path.size() >= PATH_MAX) return -1;
    for (int i = 0; i < kSlots; ++i) {
        int expected = Free;
        if (!slots[i].state.compare_exchange_strong(expected, Filling, std::memory_order_acquire)) continue;
        std::memcpy(slots[i].path, path.c_str(), path.size() + 1);
        slots[i].state.store(Held, std::memory_order_release);
        return i;
    }
    return -1;
}

void forgetTempFile(int slot) {
    if (slot >= 0 && slot < kSlots) slots[slot].state.store(Free, std::memory_order_release);
}

}  // namespace duovis
