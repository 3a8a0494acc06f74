#include "ElfSection.h"

#include <algorithm>
#include <fstream>
#include <iterator>

namespace duovis::pipl {
namespace {

constexpr std::uint64_t kHeaderSize = 64;
constexpr std::uint64_t kSectionHeaderSize = 64;
constexpr std::uint32_t kNoBits = 8;              // SHT_NOBITS: occupies no file bytes
constexpr std::uint16_t kExtendedIndex = 0xFFFF;  // SHN_XINDEX

// Bounds-checked little-endian reads; false when [offset, offset + width) leaves the image.
template <typename T>
bool load(const std::vector<std::uint8_t>& image, std::uint64_t offset, T& out) {
    if (offset > image.size() || image.size() - offset < sizeof(T)) return false;
    std::uint64_t v = 0;
    for (std::size_t i = 0; i < sizeof(T); ++i) v |= std::uint64_t{image[offset + i]} << (8 * i);
    out = static_cast<T>(v);
    return true;
}

bool fits(const std::vector<std::uint8_t>& image, std::uint64_t offset, std::uint64_t size) {
    return offset <= image.size() && size <= image.size() - offset;
}

struct SectionHeader {
    std::uint32_t name = 0, type = 0, link = 0;
    std::uint64_t offset = 0, size = 0;
};

bool loadSection(const std::vector<std::uint8_t>& image, std::uint64_t at, SectionHeader& s) {
    return load(image, at, s.name) && load(image, at + 4, s.type) && load(image, at + 24, s.offset) &&
           load(image, at + 32, s.size) && load(image, at + 40, s.link);
}

}  // namespace

Result<SectionSpan> findElfSection(const std::vector<std::uint8_t>& image, std::string_view name) {
    using R = Result<SectionSpan>;
    if (image.size() < kHeaderSize) return R::failure("file too short for an ELF header");
    if (image[0] != 0x7F || image[1] != 'E' || image[2] != 'L' || image[3] != 'F')
        return R::failure("not an ELF file (bad magic)");
    if (image[4] != 2 || image[5] != 1) return R::failure("not a 64-bit little-endian ELF file");

    std::uint64_t tableOffset = 0;
    std::uint16_t entrySize = 0, count16 = 0, namesIndex16 = 0;
    load(image, 40, tableOffset);
    load(image, 58, entrySize);
    load(image, 60, count16);
    load(image, 62, namesIndex16);
    if (tableOffset == 0) return R::failure("file has no section header table");
    if (entrySize < kSectionHeaderSize) return R::failure("section header entries are too small");

    // Files with very many sections keep the real count and name-table index in section 0.
    SectionHeader first;
    if (!loadSection(image, tableOffset, first)) return R::failure("section header table lies past the end");
    const std::uint64_t count = count16 != 0 ? count16 : first.size;
    const std::uint64_t namesIndex = namesIndex16 == kExtendedIndex ? first.link : namesIndex16;
    if (count > (image.size() - tableOffset) / entrySize)
        return R::failure("section header table runs past the end of the file");
    if (namesIndex >= count) return R::failure("section name table index out of range");

    SectionHeader names;
    loadSection(image, tableOffset + namesIndex * entrySize, names);
    if (names.type == kNoBits || !fits(image, names.offset, names.size))
        return R::failure("section name table lies outside the file");

    for (std::uint64_t i = 0; i < count; ++i) {
        SectionHeader s;
        loadSection(image, tableOffset + i * entrySize, s);
        if (s.name >= names.size) continue;  // a broken name cannot be the one we want
        const std::uint64_t start = names.offset + s.name;
        const std::uint64_t room = names.size - s.name;
        if (room <= name.size() || image[start + name.size()] != 0) continue;
        if (!std::equal(name.begin(), name.end(), image.begin() + static_cast<std::ptrdiff_t>(start)))
            continue;
        if (s.type == kNoBits) return R::failure("section " + std::string(name) + " has no file data");
        if (!fits(image, s.offset, s.size))
            return R::failure("section " + std::string(name) + " lies outside the file");
        return R::success({s.offset, s.size});
    }
    return R::failure("no " + std::string(name) + " section");
}

Result<std::vector<std::uint8_t>> readFileBytes(const std::string& path) {
    using R = Result<std::vector<std::uint8_t>>;
    std::ifstream in(path, std::ios::binary);
    if (!in) return R::failure(path + ": cannot open");
    std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) return R::failure(path + ": read error");
    return R::success(std::move(bytes));
}

}  // namespace duovis::pipl
