#pragma once
// Locates a named section in an ELF64 little-endian file image, trusting no offset in it.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "Result.h"

namespace duovis::pipl {

struct SectionSpan {
    std::uint64_t offset = 0;  // file offset of the section's bytes
    std::uint64_t size = 0;
};

// Finds the first section called `name`; every header, offset and size is checked against
// the image, so a truncated or hostile file yields an error.
Result<SectionSpan> findElfSection(const std::vector<std::uint8_t>& image, std::string_view name);

Result<std::vector<std::uint8_t>> readFileBytes(const std::string& path);

}  // namespace duovis::pipl
