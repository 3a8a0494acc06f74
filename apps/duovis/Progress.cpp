#include "Progress.h"

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace duovis::cli {

namespace {
// Work shorter than this finishes before a progress line would help.
constexpr double kLongWorkSeconds = 0.5;
}  // namespace

std::string durationText(double seconds) {
    const long s = std::lround(std::max(seconds, 0.0));
    char text[32];
    if (s < 60) {
        std::snprintf(text, sizeof text, "%ld s", s);
    } else if (s < 3600) {
        std::snprintf(text, sizeof text, "%ld:%02ld", s / 60, s % 60);
    } else {
        std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", s / 3600, s / 60 % 60, s % 60);
    }
    return text;
}

Progress::Progress(int total, bool quiet)
    : total_(total),
      quiet_(quiet || total <= 1),
      terminal_(isatty(fileno(stderr)) != 0),
      start_(std::chrono::steady_clock::now()) {}

Progress::~Progress() {
    // A failure's message starts on a line of its own.
    if (lineShown_) std::fputc('\n', stderr);
}

double Progress::seconds() const {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
}

void Progress::frameDone() {
    ++done_;
    if (quiet_ || !terminal_) return;
    const double elapsed = seconds();
    if (elapsed < kLongWorkSeconds) return;
    const double fps = done_ / elapsed;
    std::fprintf(stderr, "\rframe %d/%d, %.1f fps, %s left   ", done_, total_, fps,
                 durationText((total_ - done_) / fps).c_str());
    std::fflush(stderr);
    lineShown_ = true;
}

void Progress::finish() {
    if (quiet_) return;
    const double elapsed = seconds();
    const double fps = elapsed > 0.0 ? done_ / elapsed : 0.0;
    if (terminal_) {
        if (!lineShown_) return;
        std::fprintf(stderr, "\r%d frames in %s, %.1f fps            \n", done_,
                     durationText(elapsed).c_str(), fps);
        lineShown_ = false;
    } else {
        std::fprintf(stderr, "duovis: rendered %d frames in %.2f s (%.1f fps)\n", done_, elapsed, fps);
    }
    std::fflush(stderr);
}

}  // namespace duovis::cli
