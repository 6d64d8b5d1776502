// Where the main window's controls go for a client size and the measured
// text sizes. Pure arithmetic, so the numbers can be checked directly.
#pragma once

#include <windows.h>

#include "app/PaneShares.h"

// Narrowest panes a gap can be dragged to, at 96 DPI.
inline constexpr int kMinTreePaneWidth = 100;
inline constexpr int kMinListPaneWidth = 150;
// Room list 2's title keeps beside the choose-card button.
inline constexpr int kMinTitleBesideButton = 80;

struct MainLayoutInput {
    int clientWidth;
    int clientHeight;
    int captionHeight;      // bold text of the source title + 2
    int buttonHeight;       // 2 * |lfHeight| of the dialog font
    int folderButtonWidth;  // new-folder text + 20
    int middleWidth;        // widest middle-column text + 20
    int selectWidth;        // choose-card text + 20
    int labelHeight = 0;    // the target label's text at its width, when taller than a caption
    int titleHeight = 0;    // the taller list title's, likewise
    bool card = true;       // the choose-card button shows beside list 2's title
    int filterHeight = 0;   // the filter boxes' row above the lists; 0: none
    int treePane = kDefaultTreePane;
    int sourcePane = kDefaultSourcePane;
    int dpi = 96;  // the fixed margins are given at 96 DPI
};

// Rectangles as x, y, width, height (RECT's right/bottom hold width/height).
struct MainLayout {
    RECT newFolder, tree, sourceList, sourceTitle, targetList, targetTitle, targetLabel, selectCard;
    RECT sourceFilter, targetFilter;  // above their lists; empty without a filter row
    RECT middle[5];                   // move back, add, copy, delete, rename (top to bottom)
};

MainLayout ComputeMainLayout(const MainLayoutInput& in);

// The draggable gaps: between the tree and list 1, and between list 1's
// button column and list 2.
enum class PaneGap { kNone, kTree, kLists };
PaneGap HitPaneGap(const MainLayout& layout, POINT client);
// The pane value that gives the tree pane (the x where list 1 starts, less
// 20) or list 1 the width asked for, held to the minimum widths.
int TreePaneFor(const MainLayoutInput& in, int treeWidth);
int SourcePaneFor(const MainLayoutInput& in, int sourceWidth);

// The window rectangle to open with, from the stored left, top, width and
// height (-1 when never stored) and the screen size. Returned as left, top,
// right, bottom.
// The default sizes scale with dpi, but never past the screen.
RECT ChooseWindowRect(int left, int top, int width, int height, int screenWidth, int screenHeight,
                      int dpi = 96);
