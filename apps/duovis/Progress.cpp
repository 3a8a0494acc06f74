#include "Progress.h"

#include <unistd.h>

#include <cstdio>

namespace duovis::cli {

Progress::Progress(int total, bool quiet)
    : total_(total),
      shown_(!quiet && total > 1 && isatty(fileno(stderr)) != 0),
      start_(std::chrono::steady_clock::now()) {}

Progress::~Progress() {
    if (shown_ && done_ > 0) std::fputc('\n', stderr);
}

void Progress::frameDone() {
    ++done_;
    if (!shown_) return;
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
    const double fps = seconds > 0.0 ? done_ / seconds : 0.0;
    const double left = fps > 0.0 ? (total_ - done_) / fps : 0.0;
    std::fprintf(stderr, "\rframe %d/%d, %.1f fps, %.0f s left   ", done_, total_, fps, left);
    std::fflush(stderr);
}

}  // namespace duovis::cli
