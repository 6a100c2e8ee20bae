#include "app/lamp_geometry.h"
#include "app/twips.h"

#include <gtest/gtest.h>

namespace kestro {
namespace {

constexpr float kTolerance = 0.01f;

struct LampCase {
    int k;
    float left;
    float top;
};

// The layout's frame (4095 x 8415) and lamp (375 x 375).
class LayoutLamps : public ::testing::TestWithParam<LampCase> {};

TEST_P(LayoutLamps, SitWhereTheGridFormulasPutThem) {
    const GridSpacing spacing = gridSpacing(4095, 8415, 375, 375);
    const LampPlace place = lampPlace(spacing, GetParam().k, 375, 375);
    EXPECT_NEAR(place.left, GetParam().left, kTolerance);
    EXPECT_NEAR(place.top, GetParam().top, kTolerance);
    EXPECT_FLOAT_EQ(place.width, 375);
    EXPECT_FLOAT_EQ(place.height, 375);
    EXPECT_FLOAT_EQ(place.captionTop, place.top + 93.75f);
}

INSTANTIATE_TEST_SUITE_P(
    Corners, LayoutLamps,
    ::testing::Values(LampCase{0, 121.67f, 317.76f}, LampCase{7, 3598.33f, 317.76f},
                      LampCase{8, 121.67f, 819.87f}, LampCase{9, 618.33f, 819.87f},
                      LampCase{120, 121.67f, 7849.34f}, LampCase{127, 3598.33f, 7849.34f}));

TEST(GridSpacing, LayoutValues) {
    const GridSpacing spacing = gridSpacing(4095, 8415, 375, 375);
    EXPECT_NEAR(spacing.horizontalGap, 121.67f, kTolerance);
    EXPECT_NEAR(spacing.verticalGap, 127.11f, kTolerance);
    EXPECT_NEAR(spacing.columnPitch, 496.67f, kTolerance);
    EXPECT_NEAR(spacing.rowPitch, 502.11f, kTolerance);
    EXPECT_NEAR(lampPlace(spacing, 0, 375, 375).captionTop, 411.51f, kTolerance);
}

TEST(GridSpacing, FollowsFrameAndLampSize) {
    // Frame 4500 x 9000, lamp 400 x 300: gaps (4500 - 3200) / 9, (9000 - 4800) / 19.
    const GridSpacing spacing = gridSpacing(4500, 9000, 400, 300);
    EXPECT_NEAR(spacing.horizontalGap, 144.44f, kTolerance);
    EXPECT_NEAR(spacing.verticalGap, 221.05f, kTolerance);
    const LampPlace lamp9 = lampPlace(spacing, 9, 400, 300);
    EXPECT_NEAR(lamp9.left, 544.44f + 144.44f, 0.02f);
    EXPECT_NEAR(lamp9.top, 521.05f + 2.5f * 221.05f, 0.02f);
    EXPECT_FLOAT_EQ(lamp9.captionTop, lamp9.top + 75.0f);
    const LampPlace last = lampPlace(spacing, 127, 400, 300);
    // 1.5 gaps are left below the last row and one gap right of the last column.
    EXPECT_NEAR(9000 - (last.top + 300), 1.5f * spacing.verticalGap, 0.05f);
    EXPECT_NEAR(4500 - (last.left + 400), spacing.horizontalGap, 0.05f);
}

struct ScaleCase {
    double dpi;
    double left, top, width, height;
    QRect px;
};

class TwipScaling : public ::testing::TestWithParam<ScaleCase> {};

TEST_P(TwipScaling, RoundsEdgesAtTheLogicalDpi) {
    const ScaleCase& c = GetParam();
    EXPECT_EQ(TwipScale(c.dpi).rect(c.left, c.top, c.width, c.height), c.px);
}

INSTANTIATE_TEST_SUITE_P(
    Dpis, TwipScaling,
    ::testing::Values(ScaleCase{96, 120, 0, 4455, 1935, QRect(8, 0, 297, 129)},
                      ScaleCase{144, 120, 0, 4455, 1935, QRect(12, 0, 446, 194)},
                      ScaleCase{192, 1440, 1440, 1440, 720, QRect(192, 192, 192, 96)},
                      // Lamp 0, at its fractional place.
                      ScaleCase{96, 121.67, 317.76, 375, 375, QRect(8, 21, 25, 25)}));

} // namespace
} // namespace kestro
