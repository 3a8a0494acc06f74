#include "BandThreads.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace duovis::gst {

namespace {

// Every worker takes the next band until none is left, so the bands finish whoever runs them.
class BandQueue {
  public:
    BandQueue(int32_t count, const std::function<void(int32_t)>& band) : count_(count), band_(band) {}

    void work() {
        for (int32_t i = next_++; i < count_; i = next_++) {
            try {
                band_(i);
            } catch (...) {
                const std::lock_guard<std::mutex> lock(mutex_);
                if (!error_) error_ = std::current_exception();
            }
        }
    }
    void rethrow() const {
        if (error_) std::rethrow_exception(error_);
    }

  private:
    const int32_t count_;
    const std::function<void(int32_t)>& band_;
    std::atomic<int32_t> next_{0};
    std::mutex mutex_;
    std::exception_ptr error_;
};

}  // namespace

void runBandsOnThreads(int32_t count, const std::function<void(int32_t)>& band, unsigned threads) {
    if (count <= 0) return;
    if (threads == 0) threads = std::max(1u, std::thread::hardware_concurrency());
    const auto helpers = static_cast<std::size_t>(std::min<int64_t>(count, threads) - 1);
    BandQueue queue(count, band);
    std::vector<std::thread> pool;
    for (std::size_t i = 0; i < helpers; ++i) {
        try {
            pool.emplace_back([&queue] { queue.work(); });
        } catch (const std::system_error&) {
            break;  // the threads already started and this one take the rest
        }
    }
    queue.work();
    for (std::thread& t : pool) t.join();
    queue.rethrow();
}

}  // namespace duovis::gst
