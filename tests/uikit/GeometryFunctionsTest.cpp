// The rectangle and point helpers, including the ones that look wrong but are relied on as they are.

#include <gtest/gtest.h>

#include "uikit/views/GeometryFunctions.h"

namespace kestrune {
namespace {

using ui::Point;
using ui::Rect;
using ui::Size;

TEST(GeometryFunctionsTest, RectanglesChangeOnlyWhatTheirNameSays) {
    const Rect r{10, 20, 40, 30};
    EXPECT_EQ(sizeWithWidthAndRatio(40, 0.5), (Size{40, 20}));
    EXPECT_EQ(sizeWithHeightAndRatio(30, 2), (Size{60, 30}));
    EXPECT_EQ(rectWithX(r, 5), (Rect{5, 20, 40, 30}));
    EXPECT_EQ(rectWithY(r, 5), (Rect{10, 5, 40, 30}));
    EXPECT_EQ(rectWithWidth(r, -4), (Rect{10, 20, -4, 30}));  // never normalised
    EXPECT_EQ(rectWithHeight(r, 7), (Rect{10, 20, 40, 7}));
    EXPECT_EQ(rectWithOrigin(r, {1, 2}), (Rect{1, 2, 40, 30}));
    EXPECT_EQ(rectWithSize(r, {3, 4}), (Rect{10, 20, 3, 4}));
    EXPECT_EQ(rectByAddingSize(r, {5, -10}), (Rect{10, 20, 45, 20}));
    EXPECT_EQ(rectInsetBy(r, 5), (Rect{15, 25, 30, 20}));
    EXPECT_EQ(rectScaledAboutCenter(r, 2), (Rect{-10, 5, 80, 60}));
    EXPECT_EQ(rectCenter(r), (Point{30, 35}));
    EXPECT_EQ(rectWithSizeCenteredAtPoint({4, 6}, {10, 10}), (Rect{8, 7, 4, 6}));
    EXPECT_EQ(rectCenteredAtPoint(r, {0, 0}), (Rect{-20, -15, 40, 30}));
    EXPECT_EQ(rectWithCenterX(r, 100), (Rect{80, 20, 40, 30}));
    EXPECT_EQ(rectWithCenterY(r, 100), (Rect{10, 85, 40, 30}));
    EXPECT_EQ(rectWithMaxX(r, 100), (Rect{60, 20, 40, 30}));
    EXPECT_EQ(rectTopLeft(r), (Point{10, 50}));
    EXPECT_EQ(rectTopRight(r), (Point{50, 50}));
    EXPECT_EQ(rectBottomLeft(r), (Point{10, 20}));
    EXPECT_EQ(rectBottomRight(r), (Point{50, 20}));
    EXPECT_EQ(pointAdd({1, 2}, {3, -4}), (Point{4, -2}));
}

TEST(GeometryFunctionsTest, CentringInAContainerIgnoresTheContainersOrigin) {
    const Rect box{7, 9, 20, 10};
    EXPECT_EQ(rectCenteredHorizontallyIn(box, {100, 0, 60, 50}), (Rect{20, 9, 20, 10}));
    EXPECT_EQ(rectCenteredVerticallyIn(box, {0, 300, 60, 50}), (Rect{7, 20, 20, 10}));
}

TEST(GeometryFunctionsTest, ClampTestsTheMinimumFirst) {
    EXPECT_EQ(clampValue(5, 0, 3), 3);
    EXPECT_EQ(clampValue(-1, 0, 3), 0);
    EXPECT_EQ(clampValue(2, 0, 3), 2);
    // Limits the wrong way round: the minimum wins below it, the maximum above the minimum.
    EXPECT_EQ(clampValue(2, 4, 3), 4);
    EXPECT_EQ(clampValue(5, 4, 3), 3);
}

}  // namespace
}  // namespace kestrune
