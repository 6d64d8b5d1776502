#include <gtest/gtest.h>

#include "TestFiles.h"
#include "ui/FolderPath.h"
#include "ui/MainLayout.h"

using testing_support::TempDir;

TEST(MainLayout, ColumnsFollowTheClientWidthAndTheMiddleColumn) {
    const MainLayout l = ComputeMainLayout({650, 500, 15, 22, 90, 80, 70});
    // f = 130, list width (650 - 130 - 80 - 40) / 2 = 200.
    EXPECT_EQ(l.sourceList.left, 150);
    EXPECT_EQ(l.sourceList.right, 200);
    EXPECT_EQ(l.middle[0].left, 355);
    EXPECT_EQ(l.targetList.left, 440);
    EXPECT_EQ(l.targetList.left + l.targetList.right, 640);  // 10 from the right edge

    // The label's row, then the titles' row as tall as the card button less 5.
    const int y0 = 5 + 15 + 5 + (22 - 5) + 5;
    EXPECT_EQ(l.sourceList.top, y0);
    EXPECT_EQ(l.sourceList.bottom, 500 - y0 - 10);
    EXPECT_EQ(l.sourceTitle.top, 5 + 15 + 5);
    EXPECT_EQ(l.targetLabel.top, 5);
    EXPECT_EQ(l.targetLabel.right, 200);
    EXPECT_EQ(l.targetTitle.right, 200 - 70);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(l.middle[i].top, y0 + i * 27);
    EXPECT_EQ(l.selectCard.left + l.selectCard.right, l.targetList.left + l.targetList.right);
    EXPECT_EQ(l.selectCard.top, y0 - 22 - 5);
    EXPECT_EQ(l.newFolder.top, 500 - 22 - 10);
    EXPECT_EQ(l.tree.bottom, 500 - y0 - 22 - 15);
}

TEST(MainLayout, TheTreeWidensForAWideFolderButtonWhileTheListStays) {
    const MainLayout narrow = ComputeMainLayout({650, 500, 15, 22, 90, 80, 70});
    const MainLayout wide = ComputeMainLayout({650, 500, 15, 22, 133, 80, 70});
    EXPECT_EQ(narrow.tree.right, 130);
    EXPECT_EQ(wide.tree.right, 133);
    EXPECT_EQ(wide.newFolder.right, 133);
    EXPECT_EQ(wide.sourceList.left, narrow.sourceList.left);
    // Wider still, the tree's pane widens with it: the button keeps its
    // text and stops 5 pixels short of the list.
    const MainLayout widest = ComputeMainLayout({650, 500, 15, 22, 170, 80, 70});
    EXPECT_EQ(widest.newFolder.right, 170);
    EXPECT_EQ(widest.tree.left + widest.tree.right, widest.sourceList.left - 5);
    EXPECT_EQ(widest.newFolder.right, widest.tree.right);
}

TEST(MainLayout, TextsThatWrapGrowTheirRowsAndButtonsKeepTheirTexts) {
    MainLayoutInput in = {650, 500, 15, 22, 90, 80, 70};
    in.labelHeight = 2 * 13 + 2;
    in.titleHeight = 3 * 13 + 2;
    const MainLayout l = ComputeMainLayout(in);
    EXPECT_EQ(l.targetLabel.bottom, 28);
    EXPECT_EQ(l.sourceTitle.top, 5 + 28 + 5);
    EXPECT_EQ(l.targetTitle.bottom, 41);
    EXPECT_EQ(l.sourceList.top, 5 + 28 + 5 + 41 + 5);
    EXPECT_EQ(l.selectCard.top + l.selectCard.bottom, l.sourceList.top - 5);
    // Without the card the title has list 2's whole width.
    in.card = false;
    EXPECT_EQ(ComputeMainLayout(in).targetTitle.right, ComputeMainLayout(in).targetList.right);

    // Long button texts take the room the narrowest panes leave, and then
    // share what there is, so that every pane stays in the window.
    in = {650, 500, 15, 22, 90, 150, 120};
    MainLayout wide = ComputeMainLayout(in);
    EXPECT_EQ(wide.middle[0].right, 150);
    EXPECT_EQ(wide.selectCard.right, 120);
    EXPECT_GE(wide.targetList.right, 120 + kMinTitleBesideButton);
    in = {650, 500, 15, 22, 5000, 5000, 5000};
    wide = ComputeMainLayout(in);
    EXPECT_LE(wide.targetList.left + wide.targetList.right, 640);
    EXPECT_GE(wide.sourceList.right, kMinListPaneWidth);
    EXPECT_GE(wide.targetList.right, kMinListPaneWidth);
}

TEST(MainLayout, PaneProportionsMoveTheGapsWithinTheMinimumWidths) {
    MainLayoutInput in = {650, 500, 15, 22, 90, 80, 70};
    // A third for the tree: 216; the lists share 650 - 216 - 120 = 314.
    in.treePane = TreePaneFor(in, 216);
    MainLayout l = ComputeMainLayout(in);
    EXPECT_EQ(l.tree.right, 216);
    EXPECT_EQ(l.sourceList.left, 236);
    EXPECT_EQ(l.sourceList.right, 157);
    EXPECT_EQ(l.targetList.left + l.targetList.right, 640);
    in.sourcePane = SourcePaneFor(in, 160);
    l = ComputeMainLayout(in);
    EXPECT_EQ(l.sourceList.right, 160);
    EXPECT_EQ(l.middle[0].left, 236 + 160 + 5);
    EXPECT_EQ(l.targetList.right, 154);
    EXPECT_EQ(HitPaneGap(l, POINT{230, 100}), PaneGap::kTree);
    EXPECT_EQ(HitPaneGap(l, POINT{236 + 160 + 2, 400}), PaneGap::kLists);
    EXPECT_EQ(HitPaneGap(l, POINT{230, 10}), PaneGap::kNone);  // above the lists
    EXPECT_EQ(HitPaneGap(l, POINT{300, 100}), PaneGap::kNone);

    // Asked for too much or too little, each pane keeps its minimum, even
    // with proportions stored for a wider window.
    in.treePane = TreePaneFor(in, 5);
    EXPECT_EQ(ComputeMainLayout(in).tree.right, kMinTreePaneWidth);
    in.treePane = 9000;
    in.sourcePane = 9999;
    l = ComputeMainLayout(in);
    EXPECT_EQ(l.sourceList.right, kMinListPaneWidth);
    EXPECT_EQ(l.targetList.right, kMinListPaneWidth);
    EXPECT_EQ(l.tree.right, 650 - 120 - 2 * kMinListPaneWidth);
}

TEST(WindowPlacement, StoredRectanglesOnScreenAreKeptOthersCentred) {
    auto eq = [](RECT r, int l, int t, int w, int h) {
        return r.left == l && r.top == t && r.right - r.left == w && r.bottom - r.top == h;
    };
    EXPECT_TRUE(eq(ChooseWindowRect(-1, -1, -1, -1, 1024, 768), 122, 114, 780, 540));
    EXPECT_TRUE(eq(ChooseWindowRect(-1, 10, 700, 500, 1024, 768), 182, 114, 660, 540));
    // Ending exactly at the screen edges is fine; one pixel more is not.
    EXPECT_TRUE(eq(ChooseWindowRect(224, 168, 800, 600, 1024, 768), 224, 168, 800, 600));
    EXPECT_TRUE(eq(ChooseWindowRect(225, 168, 800, 600, 1024, 768), 182, 114, 660, 540));
    EXPECT_TRUE(eq(ChooseWindowRect(224, 169, 800, 600, 1024, 768), 182, 114, 660, 540));
    EXPECT_TRUE(eq(ChooseWindowRect(-5, 0, 700, 500, 1024, 768), 182, 114, 660, 540));
    EXPECT_TRUE(eq(ChooseWindowRect(0, -2, 700, 500, 1024, 768), 182, 114, 660, 540));
}

TEST(CreateFolderPath, MakesMissingParentsAndFailsOnAnExistingFolder) {
    TempDir dir;
    const std::string deep = dir / "a\\b\\c";
    EXPECT_TRUE(CreateFolderPath(deep));
    EXPECT_TRUE(testing_support::IsDirectory(deep));
    EXPECT_FALSE(CreateFolderPath(deep));
    EXPECT_FALSE(CreateFolderPath(""));
    EXPECT_FALSE(CreateFolderPath(dir / std::string(300, 'x')));
}
