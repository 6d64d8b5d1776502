// The main window's pane proportions as the settings keep them, in
// ten-thousandths: the tree's share of the client width and list 1's share of
// the width both lists have together. Also the widths of list columns the
// user sized by hand.
#pragma once

inline constexpr int kPaneScale = 10000;
inline constexpr int kDefaultTreePane = 2000;    // a fifth
inline constexpr int kDefaultSourcePane = 5000;  // the lists equally wide

// A stored share, or the default when it is out of range.
inline int ValidPane(int pane, int defaultPane) {
    return pane > 0 && pane < kPaneScale ? pane : defaultPane;
}

// A list's title and paper column widths at 96 DPI; 0 for a column that
// follows the list's width (the title) or keeps its own (the paper).
struct ListColumnWidths {
    int title = 0;
    int paper = 0;
    int date = 0;
};

// A stored width, or 0 (not set by hand) when it is out of range.
inline int ValidColumnWidth(int width) {
    return width >= 8 && width <= 4000 ? width : 0;
}
