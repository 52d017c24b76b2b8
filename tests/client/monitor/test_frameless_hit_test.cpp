#include "monitor/FramelessHitTest.h"

#include <gtest/gtest.h>

namespace {

struct HitCase
{
    const char* name;
    QPoint offset; // from the window's top-left corner; negative counts from the far edge
    Qt::Edges expected;
};

// A window of 400 x 300 at (100, 50): right = 500 and bottom = 350, both exclusive.
const QRect kWindow(100, 50, 400, 300);

QPoint At(const QPoint& offset)
{
    const int x = offset.x() >= 0 ? kWindow.x() + offset.x() : kWindow.x() + kWindow.width() + offset.x();
    const int y = offset.y() >= 0 ? kWindow.y() + offset.y() : kWindow.y() + kWindow.height() + offset.y();
    return {x, y};
}

class FramelessHitTestCases : public ::testing::TestWithParam<HitCase>
{ };

TEST_P(FramelessHitTestCases, GivesTheEdgesOfTheBand)
{
    EXPECT_EQ(FramelessHitTest(kWindow, At(GetParam().offset)), GetParam().expected);
}

const Qt::Edges kNone;

INSTANTIATE_TEST_SUITE_P(
    Bands, FramelessHitTestCases,
    ::testing::Values(HitCase{"left_and_bottom_band_is_bottom_left", {12, -13}, Qt::LeftEdge | Qt::BottomEdge},
                      HitCase{"one_left_of_the_left_band_is_bottom_only", {11, -13}, Qt::BottomEdge},
                      HitCase{"bottom_bound_excluded", {12, -12}, Qt::LeftEdge},
                      HitCase{"right_and_bottom_band_is_bottom_right", {-13, -13}, Qt::RightEdge | Qt::BottomEdge},
                      HitCase{"left_and_top_band_is_top_left", {16, 16}, Qt::LeftEdge | Qt::TopEdge},
                      HitCase{"right_and_top_band_is_top_right", {-17, 12}, Qt::RightEdge | Qt::TopEdge},
                      HitCase{"left_band_inside_the_top_margin_is_left", {14, 3}, Qt::LeftEdge},
                      HitCase{"right_band_in_the_middle", {-14, 150}, Qt::RightEdge},
                      HitCase{"right_bound_excluded", {-12, 150}, kNone},
                      HitCase{"left_band_upper_bound_excluded", {17, 150}, kNone},
                      HitCase{"bottom_band_anywhere_across", {200, -17}, Qt::BottomEdge},
                      HitCase{"top_band_inside_the_left_margin", {5, 14}, Qt::TopEdge},
                      HitCase{"in_the_shadow_margin", {5, 150}, kNone}, HitCase{"in_the_body", {200, 150}, kNone},
                      HitCase{"outside_the_window", {-1, -1}, kNone}),
    [](const ::testing::TestParamInfo<HitCase>& info) { return std::string(info.param.name); });

} // namespace
