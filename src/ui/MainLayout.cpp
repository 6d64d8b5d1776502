#include "ui/MainLayout.h"

#include <algorithm>

namespace {
RECT Box(int x, int y, int width, int height) {
    return RECT{x, y, width, height};
}

RECT Centred(int width, int height, int screenWidth, int screenHeight) {
    const int left = (screenWidth - width) / 2;
    const int top = (screenHeight - height) / 2;
    return RECT{left, top, left + width, top + height};
}
}  // namespace

MainLayout ComputeMainLayout(const MainLayoutInput& in) {
    const int c = in.captionHeight;
    const int b = in.buttonHeight;
    const int y0 = 2 * c + 15;
    const int f = in.clientWidth / 5;
    // However long a label, its button keeps off the lists: the text is cut
    // instead. The tree may grow with its button up to 5 pixels short of the
    // source list, the middle column takes at most the tree's share, and the
    // choose-card button half the target list's width.
    const int folderButtonWidth = std::min(in.folderButtonWidth, f + 5);
    const int middleWidth = std::min(in.middleWidth, f);
    const int lw = (in.clientWidth - f - middleWidth - 40) / 2;
    const int selectWidth = std::min(in.selectWidth, lw / 2);
    const int listHeight = in.clientHeight - y0 - 10;

    MainLayout out{};
    out.newFolder = Box(10, in.clientHeight - b - 10, folderButtonWidth, b);
    out.tree = Box(10, y0, std::max(f, folderButtonWidth), in.clientHeight - y0 - b - 15);
    out.sourceList = Box(f + 20, y0, lw, listHeight);
    out.sourceTitle = Box(f + 20, y0 - c - 5, lw, c);
    const int targetX = in.clientWidth - lw - 10;
    out.targetList = Box(targetX, y0, lw, listHeight);
    out.targetTitle = Box(targetX, y0 - c - 5, lw - selectWidth, c);
    out.targetLabel = Box(targetX, 5, lw - selectWidth, c);
    const int middleX = f + lw + 25;  // 5 pixels right of the source list
    for (int i = 0; i < 5; ++i) out.middle[i] = Box(middleX, y0 + i * (b + 5), middleWidth, b);
    out.selectCard = Box(targetX + lw - selectWidth, y0 - b - 5, selectWidth, b);
    return out;
}

RECT ChooseWindowRect(int left, int top, int width, int height, int screenWidth, int screenHeight) {
    if (left == -1) {
        if (top == -1 && width == -1 && height == -1) return Centred(780, 540, screenWidth, screenHeight);
        return Centred(660, 540, screenWidth, screenHeight);
    }
    if (left < 0 || top < 0 || left + width > screenWidth || top + height > screenHeight)
        return Centred(660, 540, screenWidth, screenHeight);
    return RECT{left, top, left + width, top + height};
}
