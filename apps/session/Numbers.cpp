#include "session/Numbers.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <stdexcept>

namespace duovis::session {

int parseInt(const std::string& text, const std::string& what) {
    errno = 0;
    char* end = nullptr;
    const long v = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || errno != 0 || v < -2147483647L || v > 2147483647L)
        throw std::runtime_error(what + ": '" + text + "' is not a whole number");
    return static_cast<int>(v);
}

double parseDouble(const std::string& text, const std::string& what) {
    errno = 0;
    char* end = nullptr;
    const double v = std::strtod(text.c_str(), &end);
    if (text.empty() || *end != '\0' || errno != 0 || !std::isfinite(v))
        throw std::runtime_error(what + ": '" + text + "' is not a number");
    return v;
}

}  // namespace duovis::session
