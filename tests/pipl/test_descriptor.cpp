#include <gtest/gtest.h>

#include <cstring>

#include "ElfSection.h"
#include "PiPL.h"
#include "PropertyList.h"

namespace duovis::pipl {
namespace {

struct Deliverable {
    const char* path;
    Descriptor expected;
};

const Deliverable kDeliverables[] = {
    {DUOVISX_MODULE,
     {PiPL_KIND_EFFECT, "DuovisX", "Corvant Plug-ins", "EffectMain", "Corvant DuovisX", 2, 0x0004000D,
      0x00080000, 0, 0x1244, 0x100, 8}},
    {DUOVIS_MODULE,
     {PiPL_KIND_EFFECT, "Duovis", "Corvant Plug-ins", "EntryPointFunc", "Corvant Duovis", 2, 0x0004000D,
      0x00080001, 0, 0x1244, 0x100, 0}},
};

class DescriptorTest : public ::testing::TestWithParam<Deliverable> {};

TEST_P(DescriptorTest, ModuleCarriesAllTwelvePropertiesInOrder) {
    const auto list = readPiplFile(GetParam().path);
    ASSERT_TRUE(list.ok()) << list.error;
    const std::uint32_t order[] = {PiPL_KEY_KIND,           PiPL_KEY_NAME,         PiPL_KEY_CATEGORY,
                                   PiPL_KEY_ENTRY_WIN64,    PiPL_KEY_PIPL_VERSION, PiPL_KEY_SPEC_VERSION,
                                   PiPL_KEY_EFFECT_VERSION, PiPL_KEY_INFO_FLAGS,   PiPL_KEY_OUT_FLAGS,
                                   PiPL_KEY_OUT_FLAGS2,     PiPL_KEY_MATCH_NAME,   PiPL_KEY_RESERVED_INFO};
    EXPECT_EQ(list.value->version, 0u);
    ASSERT_EQ(list.value->properties.size(), std::size(order));
    for (std::size_t i = 0; i < std::size(order); ++i) {
        const Property& p = list.value->properties[i];
        EXPECT_EQ(fourCCText(p.key), fourCCText(order[i])) << "property " << i;
        EXPECT_EQ(p.vendor, PiPL_VENDOR_CODE);
        EXPECT_EQ(p.id, 0u);
    }
    const auto d = describe(*list.value);
    ASSERT_TRUE(d.ok()) << d.error;
    const Descriptor& e = GetParam().expected;
    EXPECT_EQ(d.value->kind, e.kind);
    EXPECT_EQ(d.value->name, e.name);
    EXPECT_EQ(d.value->category, e.category);
    EXPECT_EQ(d.value->entryPoint, e.entryPoint);
    EXPECT_EQ(d.value->matchName, e.matchName);
    EXPECT_EQ(d.value->descriptorVersion, e.descriptorVersion);
    EXPECT_EQ(d.value->apiVersion, e.apiVersion);
    EXPECT_EQ(d.value->effectVersion, e.effectVersion);
    EXPECT_EQ(d.value->infoFlags, e.infoFlags);
    EXPECT_EQ(d.value->outFlags, e.outFlags);
    EXPECT_EQ(d.value->outFlags2, e.outFlags2);
    EXPECT_EQ(d.value->reservedInfo, e.reservedInfo);
    // Data lengths are unpadded: Pascal strings count their length byte, C strings their NUL.
    EXPECT_EQ(list.value->find(PiPL_KEY_NAME)->data.size(), e.name.size() + 1);
    EXPECT_EQ(list.value->find(PiPL_KEY_ENTRY_WIN64)->data.size(), e.entryPoint.size() + 1);
    EXPECT_EQ(list.value->find(PiPL_KEY_INFO_FLAGS)->data.size(), 2u);
}

INSTANTIATE_TEST_SUITE_P(Deliverables, DescriptorTest, ::testing::ValuesIn(kDeliverables));

// The host reads raw bytes, so pin the on-disk layout independently of the decoder.
TEST(DescriptorBytes, FourCharCodesAndWordsAreLittleEndian) {
    const auto image = readFileBytes(DUOVISX_MODULE);
    ASSERT_TRUE(image.ok()) << image.error;
    const auto span = findElfSection(*image.value, ".pipl");
    ASSERT_TRUE(span.ok()) << span.error;
    EXPECT_EQ(span.value->offset % 4, 0u);
    const unsigned char head[] = {0,   0,   0,   0,   12, 0, 0, 0, 'M', 'I', 'B', '8', 'd', 'n', 'i', 'k',
                                  0,   0,   0,   0,   4,  0, 0, 0, 'T', 'K', 'F', 'e', 'M', 'I', 'B', '8',
                                  'e', 'm', 'a', 'n', 0,  0, 0, 0, 8,   0,   0,   0,   7,   'D', 'u', 'o'};
    ASSERT_GE(span.value->size, sizeof head);
    EXPECT_EQ(std::memcmp(image.value->data() + span.value->offset, head, sizeof head), 0);
}

}  // namespace
}  // namespace duovis::pipl
