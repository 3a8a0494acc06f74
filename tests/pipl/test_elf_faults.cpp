#include <gtest/gtest.h>

#include <functional>

#include "ElfSection.h"
#include "PropertyList.h"

namespace duovis::pipl {
namespace {

using Image = std::vector<std::uint8_t>;

void put(Image& img, std::uint64_t at, std::uint64_t value, int width) {
    for (int i = 0; i < width; ++i)
        img[at + static_cast<std::uint64_t>(i)] = static_cast<std::uint8_t>(value >> (8 * i));
}
std::uint64_t get(const Image& img, std::uint64_t at, int width) {
    std::uint64_t v = 0;
    for (int i = 0; i < width; ++i) v |= std::uint64_t{img[at + static_cast<std::uint64_t>(i)]} << (8 * i);
    return v;
}

// Where the mutations aim: the section table and the ".pipl" header and bytes.
struct Layout {
    std::uint64_t tableOffset, count, piplHeader, piplOffset, piplSize;
};

Layout locate(const Image& img) {
    const auto span = findElfSection(img, ".pipl");
    EXPECT_TRUE(span.ok()) << span.error;
    Layout l{get(img, 40, 8), get(img, 60, 2), 0, span.value->offset, span.value->size};
    for (std::uint64_t i = 0; i < l.count; ++i) {
        const std::uint64_t at = l.tableOffset + i * 64;
        if (get(img, at + 24, 8) == l.piplOffset && get(img, at + 32, 8) == l.piplSize) l.piplHeader = at;
    }
    EXPECT_NE(l.piplHeader, 0u);
    return l;
}

struct FaultCase {
    const char* name;
    std::function<void(Image&, const Layout&)> mutate;
    const char* error;  // expected fragment; empty: the image must still decode
};

const FaultCase kFaults[] = {
    {"Unmodified", [](Image&, const Layout&) {}, ""},
    {"TruncatedHeader", [](Image& m, const Layout&) { m.resize(40); }, "too short for an ELF header"},
    {"WrongMagic", [](Image& m, const Layout&) { m[1] = 'X'; }, "bad magic"},
    {"ThirtyTwoBit", [](Image& m, const Layout&) { m[4] = 1; }, "64-bit little-endian"},
    {"TablePastEnd", [](Image& m, const Layout&) { put(m, 40, m.size() - 8, 8); }, "lies past the end"},
    {"CountPastEnd", [](Image& m, const Layout&) { put(m, 60, 0xFFFE, 2); }, "runs past the end of the file"},
    {"NameTableIndex", [](Image& m, const Layout& l) { put(m, 62, l.count, 2); }, "index out of range"},
    {"SectionPastEnd", [](Image& m, const Layout& l) { put(m, l.piplHeader + 24, m.size(), 8); },
     "lies outside"},
    {"SizeWrapsAround",
     [](Image& m, const Layout& l) { put(m, l.piplHeader + 32, ~std::uint64_t{0} - 2, 8); }, "lies outside"},
    {"NoFileData", [](Image& m, const Layout& l) { put(m, l.piplHeader + 4, 8, 4); }, "has no file data"},
    {"MissingSection", [](Image& m, const Layout& l) { put(m, l.piplHeader, 0, 4); }, "no .pipl section"},
    {"SectionTooShort", [](Image& m, const Layout& l) { put(m, l.piplHeader + 32, 4, 8); }, "too short"},
    {"CountTooLarge", [](Image& m, const Layout& l) { put(m, l.piplOffset + 4, 0x10000000, 4); },
     "too large"},
    {"LengthHuge", [](Image& m, const Layout& l) { put(m, l.piplOffset + 20, 0xFFFFFFF0u, 4); },
     "'kind' length runs past the end"},
    {"LengthOneBytePast",
     [](Image& m, const Layout& l) { put(m, l.piplOffset + 20, l.piplSize - 24 + 1, 4); },
     "'kind' length runs past the end"},
    {"LastPropertyCut", [](Image& m, const Layout& l) { put(m, l.piplHeader + 32, l.piplSize - 4, 8); },
     "'aeFL' length runs past the end"},
};

class ElfFaultTest : public ::testing::TestWithParam<FaultCase> {};

TEST_P(ElfFaultTest, HostileImageGivesError) {
    const auto file = readFileBytes(DUOVISX_MODULE);
    ASSERT_TRUE(file.ok()) << file.error;
    Image image = *file.value;
    GetParam().mutate(image, locate(image));
    const auto list = readPiplImage(image);
    if (*GetParam().error == '\0') {
        EXPECT_TRUE(list.ok()) << list.error;
    } else {
        ASSERT_FALSE(list.ok());
        EXPECT_NE(list.error.find(GetParam().error), std::string::npos) << list.error;
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, ElfFaultTest, ::testing::ValuesIn(kFaults),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(PiplReader, MissingFileIsAnError) {
    EXPECT_FALSE(readPiplFile(PIPL_TEST_SCRATCH "/does-not-exist.so").ok());
}

}  // namespace
}  // namespace duovis::pipl
