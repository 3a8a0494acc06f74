#include "WorkerPool.h"

#include <algorithm>
#include <atomic>

namespace duovis::refhost {

struct WorkerPool::Job {
    A_long count;
    const Iteration* fn;
    bool backwards;
    std::atomic<A_long> next{0};
    std::atomic<bool> failed{false};
    std::mutex errorLock;
    A_long firstFailed = -1;
    PF_Err error = PF_Err_NONE;
};

WorkerPool::WorkerPool(int threads) {
    for (int t = 1; t < std::max(threads, 1); ++t) workers_.emplace_back([this, t] { work(t); });
}

WorkerPool::~WorkerPool() {
    {
        std::lock_guard<std::mutex> guard(lock_);
        stopping_ = true;
    }
    wake_.notify_all();
    for (std::thread& w : workers_) w.join();
}

void WorkerPool::take(Job& job, A_long thread) {
    while (!job.failed.load(std::memory_order_relaxed)) {
        const A_long n = job.next.fetch_add(1);
        if (n >= job.count) return;
        const A_long i = job.backwards ? job.count - 1 - n : n;
        if (const PF_Err err = (*job.fn)(thread, i)) {
            std::lock_guard<std::mutex> guard(job.errorLock);
            if (job.firstFailed < 0 || i < job.firstFailed) {
                job.firstFailed = i;
                job.error = err;
            }
            job.failed = true;
        }
    }
}

void WorkerPool::work(A_long thread) {
    unsigned seen = 0;
    for (;;) {
        Job* job = nullptr;
        {
            std::unique_lock<std::mutex> guard(lock_);
            wake_.wait(guard, [&] { return stopping_ || generation_ != seen; });
            if (stopping_) return;
            seen = generation_;
            job = job_;
        }
        take(*job, thread);
        {
            std::lock_guard<std::mutex> guard(lock_);
            if (--busy_ == 0) idle_.notify_one();
        }
    }
}

PF_Err WorkerPool::run(A_long count, const Iteration& fn, bool backwards) {
    if (count <= 0) return PF_Err_NONE;
    std::lock_guard<std::mutex> one(jobLock_);
    Job job;
    job.count = count;
    job.fn = &fn;
    job.backwards = backwards;
    const bool shared = !workers_.empty() && count > 1;
    if (shared) {
        {
            std::lock_guard<std::mutex> guard(lock_);
            job_ = &job;
            busy_ = static_cast<int>(workers_.size());
            ++generation_;
        }
        wake_.notify_all();
    }
    take(job, 0);
    if (shared) {
        // Every worker has left the job before it goes out of scope.
        std::unique_lock<std::mutex> guard(lock_);
        idle_.wait(guard, [&] { return busy_ == 0; });
        job_ = nullptr;
    }
    return job.error;
}

}  // namespace duovis::refhost
