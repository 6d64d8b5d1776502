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

// The narrowest panes, scaled to the DPI. The tree is never narrower than
// its button less the 5 pixels the button may reach into the gap, and list 2
// leaves its title some room beside the choose-card button.
int MinTreeWidth(const MainLayoutInput& in) {
    return std::max(win::ScaleForDpi(kMinTreePaneWidth, in.dpi),
                    in.folderButtonWidth - win::ScaleForDpi(5, in.dpi));
}
int MinSourceWidth(const MainLayoutInput& in) {
    return win::ScaleForDpi(kMinListPaneWidth, in.dpi);
}
int MinTargetWidth(const MainLayoutInput& in) {
    return std::max(MinSourceWidth(in), in.selectWidth + win::ScaleForDpi(kMinTitleBesideButton, in.dpi));
}

// The input with its buttons held to what the window holds. Each button
// grows to its text, the middle column and the panes with it; only when the
// narrowest panes and every button's wish do not fit together do the wishes
// shrink, each in proportion, so that no pane leaves the window.
MainLayoutInput Fitted(const MainLayoutInput& given) {
    auto px = [&given](int pixels) { return win::ScaleForDpi(pixels, given.dpi); };
    const int spare = std::max(0, given.clientWidth - px(40 + kMinTreePaneWidth + 2 * kMinListPaneWidth));
    const int middle = std::max(0, given.middleWidth);
    const int treeExtra = std::max(0, given.folderButtonWidth - px(5 + kMinTreePaneWidth));
    const int targetExtra = std::max(0, given.selectWidth + px(kMinTitleBesideButton - kMinListPaneWidth));
    const long long wished = static_cast<long long>(middle) + treeExtra + targetExtra;
    if (wished <= spare) return given;
    auto share = [&](int wish) { return static_cast<int>(static_cast<long long>(wish) * spare / wished); };
    MainLayoutInput in = given;
    in.middleWidth = share(middle);
    if (treeExtra > 0) in.folderButtonWidth = px(5 + kMinTreePaneWidth) + share(treeExtra);
    if (targetExtra > 0) in.selectWidth = px(kMinListPaneWidth - kMinTitleBesideButton) + share(targetExtra);
    return in;
}

int TreeWidthOf(const MainLayoutInput& in, int wanted) {
    const int least = MinTreeWidth(in);
    const int most = std::max(least, PanesWidth(in) - MinSourceWidth(in) - MinTargetWidth(in));
    return std::clamp(wanted, least, most);
}

// Widths of list 1 and list 2 sharing lists pixels.
void ListWidths(const MainLayoutInput& in, int lists, int sourcePane, int& source, int& target) {
    source = Scaled(lists, sourcePane);
    // Equal shares stay equal; any other share leaves nothing over.
    target = sourcePane == kDefaultSourcePane ? source : lists - source;
    const int leastSource = MinSourceWidth(in), leastTarget = MinTargetWidth(in);
    if (lists < leastSource + leastTarget) return;
    if (source < leastSource) {
        source = leastSource;
        target = lists - source;
    } else if (target < leastTarget) {
        target = leastTarget;
        source = lists - target;
    }
}

bool Inside(int v, int from, int to) {
    return v >= from && v < to;
}
}  // namespace

int TreePaneFor(const MainLayoutInput& given, int treeWidth) {
    const MainLayoutInput in = Fitted(given);
    return ValidPane(PaneOf(TreeWidthOf(in, treeWidth), in.clientWidth), kDefaultTreePane);
}

int SourcePaneFor(const MainLayoutInput& given, int sourceWidth) {
    const MainLayoutInput in = Fitted(given);
    const int lists = PanesWidth(in) - TreeWidthOf(in, Scaled(in.clientWidth, in.treePane));
    const int least = MinSourceWidth(in);
    const int most = std::max(least, lists - MinTargetWidth(in));
    return ValidPane(PaneOf(std::clamp(sourceWidth, least, most), lists), kDefaultSourcePane);
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
    const MainLayoutInput in = Fitted(given);
    const int c = in.captionHeight;
    const int b = in.buttonHeight;
    // A text that needs more lines grows its row: the label's, or the row of
    // the two list titles. The choose-card button stands in the titles' row,
    // which is never lower than the button, so the label above has list 2's
    // whole width.
    const int labelHeight = std::max(c, in.labelHeight);
    const int titleHeight = std::max({c, in.titleHeight, in.card ? b - px(5) : 0});
    const int titleTop = px(10) + labelHeight;
    // The filter boxes' row, when there is one, comes between the titles and
    // the lists; the tree starts beside it.
    const int filterTop = titleTop + titleHeight + px(5);
    const int y0 = in.filterHeight > 0 ? filterTop + in.filterHeight + px(5) : filterTop;
    const int f = TreeWidthOf(in, Scaled(in.clientWidth, ValidPane(in.treePane, kDefaultTreePane)));
    int lw = 0;
    int targetWidth = 0;
    ListWidths(in, PanesWidth(in) - f, ValidPane(in.sourcePane, kDefaultSourcePane), lw, targetWidth);
    // Only a window too narrow for the narrowest panes cuts a button.
    const int folderButtonWidth = std::min(in.folderButtonWidth, f + px(5));
    const int selectWidth = std::min(in.selectWidth, targetWidth);
    const int besideButton = in.card ? targetWidth - selectWidth : targetWidth;
    const int listHeight = in.clientHeight - y0 - px(10);

    MainLayout out{};
    out.newFolder = Box(px(10), in.clientHeight - b - px(10), folderButtonWidth, b);
    out.tree =
        Box(px(10), filterTop, std::max(f, folderButtonWidth), in.clientHeight - filterTop - b - px(15));
    out.sourceList = Box(f + px(20), y0, lw, listHeight);
    out.sourceTitle = Box(f + px(20), titleTop, lw, titleHeight);
    const int targetX = in.clientWidth - targetWidth - px(10);
    out.targetList = Box(targetX, y0, targetWidth, listHeight);
    out.targetTitle = Box(targetX, titleTop, besideButton, titleHeight);
    out.targetLabel = Box(targetX, px(5), targetWidth, labelHeight);
    if (in.filterHeight > 0) {
        out.sourceFilter = Box(out.sourceList.left, filterTop, lw, in.filterHeight);
        out.targetFilter = Box(targetX, filterTop, targetWidth, in.filterHeight);
    }
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
