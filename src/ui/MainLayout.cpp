#include "ui/MainLayout.h"

#include <algorithm>

#include "win/Dpi.h"

namespace {
RECT Box(int x, int y, int width, int height) {
    return RECT{x, y, width, height};
}

RECT Centred(int width, int height, int screenWidth, int screenHeight) {
    width = std::min(width, screenWidth);
    height = std::min(height, screenHeight);
    const int left = (screenWidth - width) / 2;
    const int top = (screenHeight - height) / 2;
    return RECT{left, top, left + width, top + height};
}
int Scaled(int width, int pane) {
    return static_cast<int>(static_cast<long long>(width) * pane / kPaneScale);
}

// The smallest pane value whose share of width is at least part.
int PaneOf(int part, int width) {
    if (width <= 0) return 0;
    return static_cast<int>((static_cast<long long>(part) * kPaneScale + width - 1) / width);
}

// Width for the tree pane and both lists together.
int PanesWidth(const MainLayoutInput& in) {
    return in.clientWidth - in.middleWidth - win::ScaleForDpi(40, in.dpi);
}

int TreeWidthOf(const MainLayoutInput& in, int wanted) {
    const int most = std::max(kMinTreePaneWidth, PanesWidth(in) - 2 * kMinListPaneWidth);
    return std::clamp(wanted, kMinTreePaneWidth, most);
}

// Widths of list 1 and list 2 sharing lists pixels.
void ListWidths(int lists, int sourcePane, int& source, int& target) {
    source = Scaled(lists, sourcePane);
    // Equal shares stay equal; any other share leaves nothing over.
    target = sourcePane == kDefaultSourcePane ? source : lists - source;
    if (lists < 2 * kMinListPaneWidth) return;
    if (source < kMinListPaneWidth) {
        source = kMinListPaneWidth;
        target = lists - source;
    } else if (target < kMinListPaneWidth) {
        target = kMinListPaneWidth;
        source = lists - target;
    }
}

bool Inside(int v, int from, int to) {
    return v >= from && v < to;
}
}  // namespace

int TreePaneFor(const MainLayoutInput& in, int treeWidth) {
    return ValidPane(PaneOf(TreeWidthOf(in, treeWidth), in.clientWidth), kDefaultTreePane);
}

int SourcePaneFor(const MainLayoutInput& in, int sourceWidth) {
    const int lists = PanesWidth(in) - TreeWidthOf(in, Scaled(in.clientWidth, in.treePane));
    const int most = std::max(kMinListPaneWidth, lists - kMinListPaneWidth);
    return ValidPane(PaneOf(std::clamp(sourceWidth, kMinListPaneWidth, most), lists), kDefaultSourcePane);
}

PaneGap HitPaneGap(const MainLayout& l, POINT p) {
    const int top = l.sourceList.top;
    const int bottom = top + l.sourceList.bottom;
    if (!Inside(p.y, top, bottom)) return PaneGap::kNone;
    if (Inside(p.x, l.tree.left + l.tree.right, l.sourceList.left)) return PaneGap::kTree;
    if (Inside(p.x, l.sourceList.left + l.sourceList.right, l.targetList.left)) return PaneGap::kLists;
    return PaneGap::kNone;
}

MainLayout ComputeMainLayout(const MainLayoutInput& given) {
    // Margins in pixels at 96 DPI, scaled to the window's DPI.
    auto px = [&given](int pixels) { return win::ScaleForDpi(pixels, given.dpi); };
    const int c = given.captionHeight;
    const int b = given.buttonHeight;
    // However long a label, its button keeps off the lists: the text is cut
    // instead. The middle column takes at most a fifth of the window, the
    // tree grows with its button up to 5 pixels short of the source list,
    // and the choose-card button takes at most half the target list.
    MainLayoutInput in = given;
    in.middleWidth = std::min(given.middleWidth, given.clientWidth / 5);
    const int y0 = 2 * c + px(15);
    const int f = TreeWidthOf(in, Scaled(in.clientWidth, ValidPane(in.treePane, kDefaultTreePane)));
    int lw = 0;
    int targetWidth = 0;
    ListWidths(PanesWidth(in) - f, ValidPane(in.sourcePane, kDefaultSourcePane), lw, targetWidth);
    const int folderButtonWidth = std::min(in.folderButtonWidth, f + px(5));
    const int selectWidth = std::min(in.selectWidth, targetWidth / 2);
    const int listHeight = in.clientHeight - y0 - px(10);

    MainLayout out{};
    out.newFolder = Box(px(10), in.clientHeight - b - px(10), folderButtonWidth, b);
    out.tree = Box(px(10), y0, std::max(f, folderButtonWidth), in.clientHeight - y0 - b - px(15));
    out.sourceList = Box(f + px(20), y0, lw, listHeight);
    out.sourceTitle = Box(f + px(20), y0 - c - px(5), lw, c);
    const int targetX = in.clientWidth - targetWidth - px(10);
    out.targetList = Box(targetX, y0, targetWidth, listHeight);
    out.targetTitle = Box(targetX, y0 - c - px(5), targetWidth - selectWidth, c);
    out.targetLabel = Box(targetX, px(5), targetWidth - selectWidth, c);
    const int middleX = f + lw + px(25);  // 5 pixels right of the source list
    for (int i = 0; i < 5; ++i) out.middle[i] = Box(middleX, y0 + i * (b + px(5)), in.middleWidth, b);
    out.selectCard = Box(targetX + targetWidth - selectWidth, y0 - b - px(5), selectWidth, b);
    return out;
}

RECT ChooseWindowRect(int left, int top, int width, int height, int screenWidth, int screenHeight, int dpi) {
    const int firstWidth = win::ScaleForDpi(780, dpi);
    const int otherWidth = win::ScaleForDpi(660, dpi);
    const int usualHeight = win::ScaleForDpi(540, dpi);
    if (left == -1) {
        if (top == -1 && width == -1 && height == -1)
            return Centred(firstWidth, usualHeight, screenWidth, screenHeight);
        return Centred(otherWidth, usualHeight, screenWidth, screenHeight);
    }
    if (left < 0 || top < 0 || left + width > screenWidth || top + height > screenHeight)
        return Centred(otherWidth, usualHeight, screenWidth, screenHeight);
    return RECT{left, top, left + width, top + height};
}
