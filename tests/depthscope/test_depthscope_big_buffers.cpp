// The large-page allocator must hold exactly what OpenCV's own would: every size either side of
// its threshold, the same row steps, and the same results from the work on top.
#include "BigBuffers.h"

#include <opencv2/imgproc.hpp>

#include <gtest/gtest.h>

using namespace depthscope;

namespace {

struct BufferRow {
    const char* name;
    int rows, cols, type;
};

// 1024 x 512 floats is exactly the threshold; the rows around it straddle it.
const BufferRow kBuffers[] = {
    {"tiny", 3, 5, CV_8UC1},
    {"just_below", 1024, 511, CV_32FC1},
    {"at_the_threshold", 1024, 512, CV_32FC1},
    {"just_above", 1025, 512, CV_32FC1},
    {"odd_sized_colour", 1081, 1923, CV_8UC3},
    {"full_hd_float_pixels", 1080, 1920, CV_32FC4},
};

class BigBuffers : public ::testing::TestWithParam<BufferRow> {};

TEST_P(BigBuffers, HoldTheSameAsOpenCvsOwnAllocator) {
    const BufferRow& r = GetParam();
    cv::Mat big, usual(r.rows, r.cols, r.type);
    big.allocator = bigBufferAllocator();
    big.create(r.rows, r.cols, r.type);
    ASSERT_EQ(big.step[0], usual.step[0]);
    ASSERT_TRUE(big.isContinuous());
    cv::randu(usual, 0, 255);
    usual.copyTo(big);  // every byte written and read back
    EXPECT_EQ(cv::norm(big, usual, cv::NORM_INF), 0.0);
    const cv::Mat roi = big(cv::Rect(r.cols / 3, r.rows / 3, r.cols / 3, r.rows / 3)).clone();
    EXPECT_EQ(cv::norm(roi, usual(cv::Rect(r.cols / 3, r.rows / 3, r.cols / 3, r.rows / 3)), cv::NORM_INF),
              0.0);
}

INSTANTIATE_TEST_SUITE_P(Sizes, BigBuffers, ::testing::ValuesIn(kBuffers),
                         [](const auto& row) { return std::string(row.param.name); });

// With the allocator the default, the filters OpenCV runs on whole frames give the same bytes.
TEST(BigBuffers, FiltersOnAWholeFrameGiveTheSameResult) {
    cv::Mat frame(1080, 1920, CV_32F);
    cv::randu(frame, 0, 255);
    cv::Mat usual, big;
    cv::GaussianBlur(frame, usual, cv::Size(0, 0), 1.6);
    useBigBuffers();
    cv::GaussianBlur(frame, big, cv::Size(0, 0), 1.6);
    cv::Mat::setDefaultAllocator(cv::Mat::getStdAllocator());
    EXPECT_EQ(big.u->currAllocator, bigBufferAllocator());
    EXPECT_EQ(cv::norm(big, usual, cv::NORM_INF), 0.0);
}

}  // namespace
