// Files the fuzz targets found the readers mishandling, read from their corpus: each is
// refused before decoding, with one error that names the file and says why.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "MediaFixture.h"
#include "media/StillFile.h"

namespace duovis::mediatest {
namespace {

struct HostileCase {
    const char* file;  // under the fuzz corpus
    const char* reason;
};

class HostileStill : public ::testing::TestWithParam<HostileCase> {};

TEST_P(HostileStill, IsRefusedBeforeDecoding) {
    const std::string path = std::string(DUOVIS_FUZZ_CORPUS) + "/" + GetParam().file;
    try {
        media::readStill(path, 1 << 16);
        ADD_FAILURE() << path << " was read";
    } catch (const std::runtime_error& e) {
        const std::string what = e.what();
        EXPECT_EQ(what.rfind(path + ": ", 0), 0u) << what;
        EXPECT_NE(what.find(GetParam().reason), std::string::npos) << what;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Found, HostileStill,
    ::testing::Values(
        // A height past the largest int wrapped negative and slipped under the pixel limit.
        HostileCase{"tiff_still/regression-height-wraps-negative", "not a usable picture size"},
        // One pixel shown, 90000 stored: the limit held only the display window.
        HostileCase{"exr_still/regression-data-window-beyond-display", "more than the limit"},
        HostileCase{"exr_still/regression-right-view-larger", "more than the limit"}),
    ByFile{});

}  // namespace
}  // namespace duovis::mediatest
