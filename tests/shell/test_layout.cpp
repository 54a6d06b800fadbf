// The report menu's geometry rules, in twips, without a window.

#include "MenuLayout.h"
#include "Twips.h"

#include <gtest/gtest.h>

namespace layout = tarvik::shell::layout;
using tarvik::shell::twipsToPixels;

namespace {

constexpr int kH = 390;       // a category button's height
constexpr int kPane = 9000;   // the pane's height
constexpr int kWidth = 15000; // the window's width

TEST(Twips, FifteenToAPixelRoundedToTheNearest)
{
    EXPECT_EQ(twipsToPixels(1500), 100);
    EXPECT_EQ(twipsToPixels(500), 33);  // 33.3
    EXPECT_EQ(twipsToPixels(8), 1);     // 0.53
    EXPECT_EQ(twipsToPixels(7), 0);
    EXPECT_EQ(twipsToPixels(-8), -1);
}

TEST(ArrangeCategoryButtons, FirstCategoryLeavesTheOthersAtTheBottom)
{
    const std::vector<int> tops = layout::arrangeCategoryButtons(0, 8, kH, 0, kPane);
    ASSERT_EQ(tops.size(), 8u);
    EXPECT_EQ(tops[0], 0);
    // The last ends 100 above the pane's bottom; the others sit directly above it.
    EXPECT_EQ(tops[7] + kH, kPane - 100);
    for (int i = 2; i < 8; ++i)
        EXPECT_EQ(tops[size_t(i)] - tops[size_t(i - 1)], kH) << i;
    EXPECT_EQ(tops[1], kPane - 100 - 7 * kH);
}

TEST(ArrangeCategoryButtons, MiddleCategorySplitsTheStack)
{
    const std::vector<int> tops = layout::arrangeCategoryButtons(3, 8, kH, 0, kPane);
    EXPECT_EQ(tops[3], 3 * kH);
    EXPECT_EQ(tops[4], kPane - 100 - 4 * kH);
}

TEST(ArrangeCategoryButtons, LastCategoryStacksAllAtTheTop)
{
    const std::vector<int> tops = layout::arrangeCategoryButtons(7, 8, kH, 0, kPane);
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(tops[size_t(i)], i * kH);
    // Its single item sits directly below it.
    const std::vector<int> items = layout::buildItemButtons(tops[7], kH, 1, 600);
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(items[0], 8 * kH + 20);
}

TEST(ArrangeCategoryButtons, PaneTopMovesOnlyTheBottomStack)
{
    const std::vector<int> tops = layout::arrangeCategoryButtons(0, 8, kH, 300, kPane);
    EXPECT_EQ(tops[0], 0);
    EXPECT_EQ(tops[7], 300 + kPane - 100 - kH);
}

TEST(BuildItemButtons, StepsByHeightAndGapUpToElevenButtons)
{
    const std::vector<int> tops = layout::buildItemButtons(1170, kH, 4, 600);
    EXPECT_EQ(tops, (std::vector<int>{1580, 2220, 2860, 3500}));
    EXPECT_EQ(layout::buildItemButtons(0, kH, 15, 600).size(), 11u);
    EXPECT_TRUE(layout::buildItemButtons(0, kH, 0, 600).empty());
}

TEST(SizeControls, HoldsThePaneBetween1500AndTheWindowLess1500)
{
    EXPECT_EQ(layout::sizeControls(200, kWidth, 75, 0, kPane).paneWidth, 1500);
    EXPECT_EQ(layout::sizeControls(14900, kWidth, 75, 0, kPane).paneWidth, kWidth - 1500);
    EXPECT_EQ(layout::sizeControls(4000, kWidth, 75, 0, kPane).paneWidth, 4000);
}

TEST(SizeControls, DerivesEveryOtherMeasure)
{
    const layout::PaneSizes s = layout::sizeControls(4000, kWidth, 75, 120, kPane);
    EXPECT_EQ(s.categoryButtonWidth, 3940);
    EXPECT_EQ(s.itemButtonWidth, 3820);
    EXPECT_EQ(s.gripLeft, 4000);
    EXPECT_EQ(s.imageLeft, 4075);
    EXPECT_EQ(s.imageWidth, kWidth - 4240);
    EXPECT_EQ(s.gripTop, 120);
    EXPECT_EQ(s.gripHeight, kPane);
}

TEST(SizeControls, ANarrowWindowNeverGivesNegativeSizes)
{
    const layout::PaneSizes s = layout::sizeControls(2000, 1600, 75, 0, kPane);
    EXPECT_EQ(s.paneWidth, 1500);
    EXPECT_GT(s.itemButtonWidth, 0);
    EXPECT_EQ(s.imageWidth, 0);
}

TEST(SplitterDrag, StaysFiveHundredFromEitherEdge)
{
    EXPECT_EQ(layout::clampSplitterDrag(-3000, kWidth), 500);
    EXPECT_EQ(layout::clampSplitterDrag(499, kWidth), 500);
    EXPECT_EQ(layout::clampSplitterDrag(7000, kWidth), 7000);
    EXPECT_EQ(layout::clampSplitterDrag(kWidth + 10, kWidth), kWidth - 500);
    EXPECT_EQ(layout::clampSplitterDrag(300, 800), 500);
}

} // namespace
