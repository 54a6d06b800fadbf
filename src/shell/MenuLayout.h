#pragma once

#include <vector>

// The report menu's geometry rules, in twips, free of widgets.
namespace tarvik::shell::layout {

inline constexpr int kMinPaneWidth = 1500;       // the menu pane never gets narrower
inline constexpr int kDragMargin = 500;          // the dragged bar stays this far from either edge
inline constexpr int kBottomGap = 100;           // below the last category button
inline constexpr int kItemGapBelowCategory = 20; // between the selected category and its first item
inline constexpr int kItemGap = 40;              // between two item buttons
inline constexpr int kItemButtonCount = 11;      // item buttons 0 to 10

// Tops of the category buttons at load: button 0 at the pane's top, each next one directly below.
std::vector<int> buildCategoryButtons(int count, int buttonHeight);

// Tops of the category buttons when category `selected` is chosen: 0 to selected stacked from
// the top, the rest stacked from the bottom, the last ending kBottomGap above the pane's bottom.
std::vector<int> arrangeCategoryButtons(int selected, int count, int buttonHeight, int paneTop,
                                        int paneHeight);

// Tops of the first itemCount item buttons under the selected category button.
std::vector<int> buildItemButtons(int selectedTop, int selectedHeight, int itemCount,
                                  int itemHeight);

// Where the dragged bar's left edge goes for a pointer at `left`.
int clampSplitterDrag(int left, int windowWidth);

struct PaneSizes
{
    int paneWidth = 0;
    int categoryButtonWidth = 0;
    int itemButtonWidth = 0;
    int gripLeft = 0;
    int gripTop = 0;
    int gripHeight = 0;
    int imageLeft = 0;
    int imageWidth = 0;
};

// SizeControls: the panes for a requested menu pane width.
PaneSizes sizeControls(int requestedWidth, int windowWidth, int gripWidth, int paneTop,
                       int paneHeight);

} // namespace tarvik::shell::layout
