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
}  // namespace

MainLayout ComputeMainLayout(const MainLayoutInput& in) {
    // Margins in pixels at 96 DPI, scaled to the window's DPI.
    auto px = [&in](int pixels) { return win::ScaleForDpi(pixels, in.dpi); };
    const int c = in.captionHeight;
    const int b = in.buttonHeight;
    const int y0 = 2 * c + px(15);
    const int f = in.clientWidth / 5;
    const int lw = (in.clientWidth - f - in.middleWidth - px(40)) / 2;
    const int listHeight = in.clientHeight - y0 - px(10);

    MainLayout out{};
    out.newFolder = Box(px(10), in.clientHeight - b - px(10), in.folderButtonWidth, b);
    out.tree = Box(px(10), y0, std::max(f, in.folderButtonWidth), in.clientHeight - y0 - b - px(15));
    out.sourceList = Box(f + px(20), y0, lw, listHeight);
    out.sourceTitle = Box(f + px(20), y0 - c - px(5), lw, c);
    const int targetX = in.clientWidth - lw - px(10);
    out.targetList = Box(targetX, y0, lw, listHeight);
    out.targetTitle = Box(targetX, y0 - c - px(5), lw - in.selectWidth, c);
    out.targetLabel = Box(targetX, px(5), lw - in.selectWidth, c);
    const int middleX = f + lw + px(25);  // 5 pixels right of the source list
    for (int i = 0; i < 5; ++i) out.middle[i] = Box(middleX, y0 + i * (b + px(5)), in.middleWidth, b);
    out.selectCard = Box(targetX + lw - in.selectWidth, y0 - b - px(5), in.selectWidth, b);
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
