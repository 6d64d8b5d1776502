#include "win/FitText.h"

#include <algorithm>
#include <string>
#include <vector>

#include "win/Handles.h"
#include "win/Strings.h"
#include "win/DrawString.h"

namespace win {

namespace {

// Dialog units: the room at the two ends of a button's text (8 a side, as
// "Cancel" has in the templates' 50-unit buttons in the smaller fonts), the
// square of a check box with the gap before its text, and how far off a
// margin a control may be and still count as on it.
constexpr int kButtonMarginDlu = 16;
constexpr int kCheckBoxDlu = 12;
constexpr int kMarginSlackDlu = 2;

enum class Kind { kFixed, kButton, kCheck, kLabel, kPage };

struct Control {
    HWND hwnd;
    Kind kind;
    RECT old;   // in the dialog's client area, as found
    RECT rect;  // where it goes
    bool inGrownRow = false;
};

Kind KindOf(HWND hwnd) {
    const LONG style = ::GetWindowLongA(hwnd, GWL_STYLE);
    if (!(style & WS_VISIBLE)) return Kind::kFixed;
    char className[32] = "";
    ::GetClassNameA(hwnd, className, sizeof className);
    if (::lstrcmpiA(className, "Button") == 0) {
        switch (style & BS_TYPEMASK) {
            case BS_PUSHBUTTON:
            case BS_DEFPUSHBUTTON:
                return Kind::kButton;
            case BS_CHECKBOX:
            case BS_AUTOCHECKBOX:
            case BS_RADIOBUTTON:
            case BS_AUTORADIOBUTTON:
            case BS_3STATE:
            case BS_AUTO3STATE:
                return Kind::kCheck;
            default:
                return Kind::kFixed;
        }
    }
    if (::lstrcmpiA(className, "Static") == 0) {
        // Labels that end in an ellipsis are meant to shorten.
        const LONG type = style & SS_TYPEMASK;
        const bool wraps = type == SS_LEFT || type == SS_CENTER || type == SS_RIGHT;
        return wraps && !(style & SS_ELLIPSISMASK) ? Kind::kLabel : Kind::kFixed;
    }
    if (::lstrcmpiA(className, "#32770") == 0 && (style & WS_CHILD)) return Kind::kPage;
    return Kind::kFixed;
}

int Width(const RECT& r) {
    return r.right - r.left;
}
int Height(const RECT& r) {
    return r.bottom - r.top;
}

int DialogUnitsX(HWND dialog, int units) {
    RECT rect{0, 0, units, 0};
    ::MapDialogRect(dialog, &rect);
    return rect.right;
}

// The rectangle DrawText gives the control's text in the control's font,
// broken into lines of width when the format asks for it; empty for no text.
RECT MeasureText(HWND control, UINT format, int width) {
    const std::string text = WindowText(control);
    RECT rect{0, 0, std::max(width, 1), 0};
    if (text.empty()) return RECT{};
    auto font = reinterpret_cast<HGDIOBJ>(::SendMessageA(control, WM_GETFONT, 0, 0));
    WindowDc dc(control);
    if (!dc.Get()) return RECT{};
    SelectObjectScope selected(dc.Get(), font ? font : ::GetStockObject(SYSTEM_FONT));
    DrawString(dc.Get(), text, &rect, format | DT_CALCRECT);
    return rect;
}

UINT LabelFormat(HWND label) {
    const LONG style = ::GetWindowLongA(label, GWL_STYLE);
    return DT_WORDBREAK | DT_EXPANDTABS | ((style & SS_NOPREFIX) ? DT_NOPREFIX : 0);
}

// The width a control's text needs beyond what it has (a label or check box
// only when a single word is wider than its line).
int MissingWidth(HWND dialog, const Control& c) {
    const int width = Width(c.rect);
    switch (c.kind) {
        case Kind::kButton:
            return MeasureText(c.hwnd, DT_SINGLELINE, 0).right + DialogUnitsX(dialog, kButtonMarginDlu) -
                   width;
        case Kind::kLabel:
            return MeasureText(c.hwnd, LabelFormat(c.hwnd), width).right - width;
        case Kind::kCheck: {
            const int box = DialogUnitsX(dialog, kCheckBoxDlu);
            return MeasureText(c.hwnd, DT_WORDBREAK, width - box).right + box - width;
        }
        default:
            return 0;
    }
}

// The height a label or check box needs for its text at its width. A check
// box that needs more than one line is made able to wrap.
int NeededHeight(HWND dialog, const Control& c) {
    const int height = Height(c.rect);
    if (c.kind == Kind::kLabel)
        return std::max<int>(height, MeasureText(c.hwnd, LabelFormat(c.hwnd), Width(c.rect)).bottom);
    if (c.kind != Kind::kCheck) return height;
    const int oneLine = MeasureText(c.hwnd, DT_SINGLELINE, 0).bottom;
    const int lines =
        MeasureText(c.hwnd, DT_WORDBREAK, Width(c.rect) - DialogUnitsX(dialog, kCheckBoxDlu)).bottom;
    if (lines <= oneLine) return height;
    const LONG style = ::GetWindowLongA(c.hwnd, GWL_STYLE);
    if (!(style & BS_MULTILINE)) ::SetWindowLongA(c.hwnd, GWL_STYLE, style | BS_MULTILINE);
    return std::max(height, lines + std::max(0, height - oneLine));
}

// Side by side: they share at least half the height of the lower one.
bool SameRow(const RECT& a, const RECT& b) {
    const int overlap = std::min(a.bottom, b.bottom) - std::max(a.top, b.top);
    return overlap > 0 && 2 * overlap >= std::min(Height(a), Height(b));
}

// Widens a control on the side away from its nearer edge of the dialog; the
// controls of its row on that side move over by as much.
void GrowInRow(std::vector<Control>& controls, Control& grown, int extra, int clientWidth) {
    const bool rightAligned = clientWidth - grown.rect.right < grown.rect.left;
    for (Control& other : controls) {
        if (&other == &grown || !SameRow(other.old, grown.old)) continue;
        if (rightAligned && other.rect.right <= grown.rect.left) {
            ::OffsetRect(&other.rect, -extra, 0);
            other.inGrownRow = true;
        } else if (!rightAligned && other.rect.left >= grown.rect.right) {
            ::OffsetRect(&other.rect, extra, 0);
            other.inGrownRow = true;
        }
    }
    (rightAligned ? grown.rect.left : grown.rect.right) += rightAligned ? -extra : extra;
    grown.inGrownRow = true;
}

// Widens what needs it; returns how much wider the dialog must be. Rows that
// grew keep their place against the dialog's new edges, controls that reach
// the right margin follow it (stretched when they also reach the left one).
int FitWidths(HWND dialog, std::vector<Control>& controls, int clientWidth) {
    for (Control& c : controls) {
        const int extra = MissingWidth(dialog, c);
        if (extra > 0) GrowInRow(controls, c, extra, clientWidth);
    }
    int oldLeft = clientWidth, oldRight = 0, left = clientWidth, right = 0, pageOverflow = 0;
    for (const Control& c : controls) {
        if (c.kind == Kind::kPage) {
            pageOverflow = std::max<int>(pageOverflow, c.rect.right - clientWidth);
            continue;
        }
        oldLeft = std::min<int>(oldLeft, c.old.left);
        oldRight = std::max<int>(oldRight, c.old.right);
        left = std::min<int>(left, c.rect.left);
        right = std::max<int>(right, c.rect.right);
    }
    const int shift = std::max(0, oldLeft - left);
    const int wider = shift + std::max({0, right - oldRight, pageOverflow});
    if (wider == 0) return 0;
    const int slack = DialogUnitsX(dialog, kMarginSlackDlu);
    for (Control& c : controls) {
        if (c.inGrownRow) {
            ::OffsetRect(&c.rect, shift, 0);
        } else if (c.old.right >= oldRight - slack) {
            if (c.old.left > oldLeft + slack)
                ::OffsetRect(&c.rect, wider, 0);
            else
                c.rect.right += wider;
        }
    }
    return wider;
}

// Makes labels and check boxes tall enough for their wrapped texts; every
// control below one that grew moves down with it. Returns how much taller
// the dialog must be.
int FitHeights(HWND dialog, std::vector<Control>& controls) {
    std::sort(controls.begin(), controls.end(),
              [](const Control& a, const Control& b) { return a.old.top < b.old.top; });
    std::vector<int> down(controls.size(), 0);
    int oldBottom = 0, bottom = 0;
    for (size_t j = 0; j < controls.size(); ++j) {
        const RECT& old = controls[j].old;
        for (size_t i = 0; i < j; ++i) {
            const RECT& above = controls[i].old;
            const int grew = Height(controls[i].rect) - Height(above);
            if (2 * old.top >= above.top + above.bottom) down[j] = std::max(down[j], down[i] + grew);
        }
        Control& c = controls[j];
        c.rect.bottom = c.rect.top + NeededHeight(dialog, c);
        ::OffsetRect(&c.rect, 0, down[j]);
        oldBottom = std::max<int>(oldBottom, old.bottom);
        bottom = std::max<int>(bottom, c.rect.bottom);
    }
    return std::max(0, bottom - oldBottom);
}

// Grows the dialog's window, about its centre and within its screen when it
// is a window of its own.
void GrowWindow(HWND dialog, int wider, int taller) {
    RECT window{};
    ::GetWindowRect(dialog, &window);
    int width = Width(window) + wider, height = Height(window) + taller;
    const UINT flags = SWP_NOZORDER | SWP_NOACTIVATE;
    if (::GetWindowLongA(dialog, GWL_STYLE) & WS_CHILD) {
        ::SetWindowPos(dialog, nullptr, 0, 0, width, height, flags | SWP_NOMOVE);
        return;
    }
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    ::GetMonitorInfoA(::MonitorFromWindow(dialog, MONITOR_DEFAULTTONEAREST), &monitor);
    const RECT& work = monitor.rcWork;
    width = std::min(width, Width(work));
    height = std::min(height, Height(work));
    const int x = std::clamp<int>(window.left - wider / 2, work.left, work.right - width);
    const int y = std::clamp<int>(window.top - taller / 2, work.top, work.bottom - height);
    ::SetWindowPos(dialog, nullptr, x, y, width, height, flags);
}

}  // namespace

SIZE FitControlsToText(HWND dialog) {
    if (!dialog) return SIZE{};
    std::vector<Control> controls;
    for (HWND child = ::GetWindow(dialog, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        Control c{child, KindOf(child), {}, {}};
        ::GetWindowRect(child, &c.old);
        ::MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&c.old), 2);
        c.rect = c.old;
        if (c.kind == Kind::kPage) {
            // A page fits its own controls and counts as one control here.
            const SIZE grown = FitControlsToText(child);
            c.rect.right += grown.cx;
            c.rect.bottom += grown.cy;
        }
        controls.push_back(c);
    }
    RECT client{};
    ::GetClientRect(dialog, &client);
    const int wider = FitWidths(dialog, controls, client.right);
    const int taller = FitHeights(dialog, controls);

    bool moved = false;
    for (const Control& c : controls) {
        if (::EqualRect(&c.rect, &c.old)) continue;
        ::SetWindowPos(c.hwnd, nullptr, c.rect.left, c.rect.top, Width(c.rect), Height(c.rect),
                       SWP_NOZORDER | SWP_NOACTIVATE);
        moved = true;
    }
    if (wider > 0 || taller > 0) GrowWindow(dialog, wider, taller);
    if (moved) ::InvalidateRect(dialog, nullptr, TRUE);
    return SIZE{wider, taller};
}

}  // namespace win
