#pragma once
// Frame-by-frame progress on stderr for sequence renders, shown only on a terminal.

#include <chrono>

namespace duovis::cli {

class Progress {
  public:
    Progress(int total, bool quiet);
    ~Progress();
    void frameDone();

  private:
    int total_;
    int done_ = 0;
    bool shown_;
    std::chrono::steady_clock::time_point start_;
};

}  // namespace duovis::cli
