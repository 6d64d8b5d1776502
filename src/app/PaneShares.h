// The main window's pane proportions as the settings keep them, in
// ten-thousandths: the tree's share of the client width and list 1's share of
// the width both lists have together.
#pragma once

inline constexpr int kPaneScale = 10000;
inline constexpr int kDefaultTreePane = 2000;    // a fifth
inline constexpr int kDefaultSourcePane = 5000;  // the lists equally wide

// A stored share, or the default when it is out of range.
inline int ValidPane(int pane, int defaultPane) {
    return pane > 0 && pane < kPaneScale ? pane : defaultPane;
}
