#pragma once
// The host's worker threads behind the iterate service: a job of N independent iterations
// runs on the pool's threads and the calling thread together, and a job's first error ends it.

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "AE_Effect.h"

namespace duovis::refhost {

class WorkerPool {
  public:
    // `threads` counts the calling thread, so 1 runs every job inline. At least 1.
    explicit WorkerPool(int threads);
    ~WorkerPool();
    WorkerPool(const WorkerPool&) = delete;
    WorkerPool& operator=(const WorkerPool&) = delete;

    int threads() const { return static_cast<int>(workers_.size()) + 1; }

    using Iteration = std::function<PF_Err(A_long thread, A_long i)>;
    // Runs `fn` for every i in [0, count), handing out the iterations from the last to the
    // first when `backwards` (a host promises no order). Once an iteration fails no further one
    // starts; the result is the error of the lowest-numbered iteration that ran and failed, or
    // none. One job at a time: a second caller waits for the first job to end.
    PF_Err run(A_long count, const Iteration& fn, bool backwards = false);

  private:
    struct Job;
    void work(A_long thread);
    static void take(Job& job, A_long thread);

    std::vector<std::thread> workers_;
    std::mutex jobLock_;  // one job at a time
    std::mutex lock_;     // guards what follows
    std::condition_variable wake_, idle_;
    Job* job_ = nullptr;
    unsigned generation_ = 0;
    int busy_ = 0;  // workers still inside the current job
    bool stopping_ = false;
};

}  // namespace duovis::refhost
