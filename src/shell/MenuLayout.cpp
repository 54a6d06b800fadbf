#include "MenuLayout.h"

#include <algorithm>

namespace tarvik::shell::layout {

std::vector<int> buildCategoryButtons(int count, int buttonHeight)
{
    std::vector<int> tops;
    for (int i = 0; i < count; ++i)
        tops.push_back(i * buttonHeight);
    return tops;
}

std::vector<int> arrangeCategoryButtons(int selected, int count, int buttonHeight, int paneTop,
                                        int paneHeight)
{
    std::vector<int> tops(size_t(std::max(count, 0)));
    for (int i = 0; i < count; ++i) {
        if (i <= selected)
            tops[size_t(i)] = i * buttonHeight;
        else
            tops[size_t(i)] = paneTop + paneHeight - kBottomGap - (count - i) * buttonHeight;
    }
    return tops;
}

std::vector<int> buildItemButtons(int selectedTop, int selectedHeight, int itemCount, int itemHeight)
{
    std::vector<int> tops;
    int top = selectedTop + selectedHeight + kItemGapBelowCategory;
    for (int k = 0; k < std::min(itemCount, kItemButtonCount); ++k) {
        tops.push_back(top);
        top += itemHeight + kItemGap;
    }
    return tops;
}

int clampSplitterDrag(int left, int windowWidth)
{
    // On a window narrower than both margins the left margin wins.
    return std::max(std::min(left, windowWidth - kDragMargin), kDragMargin);
}

PaneSizes sizeControls(int requestedWidth, int windowWidth, int gripWidth, int paneTop,
                       int paneHeight)
{
    // The minimum wins on a narrow window, so no width ever turns negative.
    const int x = std::max(std::min(requestedWidth, windowWidth - kMinPaneWidth), kMinPaneWidth);
    PaneSizes s;
    s.paneWidth = x;
    s.categoryButtonWidth = x - 60;
    s.itemButtonWidth = x - 180;
    s.gripLeft = x;
    s.gripTop = paneTop;
    s.gripHeight = paneHeight;
    s.imageLeft = x + gripWidth;
    s.imageWidth = std::max(windowWidth - (x + 240), 0);
    return s;
}

} // namespace tarvik::shell::layout
