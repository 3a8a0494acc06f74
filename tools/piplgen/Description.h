#pragma once
// Turns a plug-in descriptor description (one property a line) into the bytes the
// host expects in the module's ".pipl" section.

#include <cstdint>
#include <istream>
#include <string>
#include <vector>

namespace duovis::piplgen {

// Parses the description read from `in` and returns the encoded property list.
// Throws std::runtime_error with a "file:line: message" text on the first fault.
std::vector<std::uint8_t> encodeDescription(std::istream& in, const std::string& fileName);

}  // namespace duovis::piplgen
