// The one-line status of the process-wide global display, as the effect panel shows it.
#pragma once

#include <cstdint>
#include <string>

namespace duovis {

struct StatusLine {
    std::string text;
    float grey;  // the text's grey level, 0..1
};

// A negative switch reads as off. An "on" mode that names no display type reads as off too,
// but keeps the brighter "on" grey, so the panel still shows that the switch is on.
StatusLine statusLine(int32_t displaySwitch, int32_t displayMode);

}  // namespace duovis
