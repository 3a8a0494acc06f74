// The parameter clipboard's text: the 68 adjustment values Copy writes and Paste reads, one per
// line, shared by every instance of both deliverables through one file.
#pragma once

#include "core/params/ParamId.h"

#include <string>
#include <string_view>
#include <vector>

namespace duovis {

// The entries in line order. Popups and checkboxes are written as integers, sliders as floats;
// the looking glass, the layer choice, the global display entries and buttons are left out.
const std::vector<ParamId>& clipboardEntries();

// How one entry is written: an integer in decimal, or a float in the general notation with six
// significant digits ("33.3333", "-1.5e-05"), always with a full stop whatever the locale.
std::string formatClipboardValue(ParamId id, double value);

// The whole clipboard text for the values by position (`values[i]` for position i), each line
// ended by a line feed.
std::string formatClipboard(const std::vector<double>& values);

// One line as Paste reads it: an integer entry parsed as a base-10 integer, a float entry as a
// 32-bit float widened to 64 bits. A line that does not parse gives 0. A trailing carriage
// return (a file written on Windows) is ignored.
double parseClipboardValue(ParamId id, std::string_view line);

// The lines of a clipboard text, at most `limit` of them; a final line without a line feed counts.
std::vector<std::string_view> clipboardLines(std::string_view text, std::size_t limit);

}  // namespace duovis
