#pragma once
// Progress of a sequence render on stderr: on a terminal, a line with frames per second and
// the time left once the work has run long enough to want one; elsewhere (a log, a pipe) a
// one-line summary at the end instead of a line per frame.

#include <chrono>
#include <string>

namespace duovis::cli {

class Progress {
  public:
    Progress(int total, bool quiet);
    ~Progress();
    Progress(const Progress&) = delete;
    Progress& operator=(const Progress&) = delete;

    void frameDone();
    // After the last frame: the summary (nothing when quiet or for a single frame).
    void finish();

  private:
    double seconds() const;

    int total_;
    int done_ = 0;
    bool quiet_;
    bool terminal_;
    bool lineShown_ = false;
    std::chrono::steady_clock::time_point start_;
};

// "42 s", "3:07", "1:02:03": a duration as a person reads it.
std::string durationText(double seconds);

}  // namespace duovis::cli
