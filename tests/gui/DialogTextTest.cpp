// The dialogs' texts come from the language file, so a control sized for the
// English placeholder may be too small for them. Each dialog is opened in the
// real program and every label, button and check box must show its whole
// text. ctest runs this at 96 and 144 DPI, in English and, in a Japanese
// locale, with the Japanese language file.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "OperationsFixture.h"
#include "app/LangStrings.h"
#include "resource.h"
#include "win/Dpi.h"
#include "win/Handles.h"
#include "win/DrawString.h"
#include "win/Strings.h"

using testing_support::ClickButton;
using testing_support::ModalDriver;

namespace {

class DialogTextTest : public OperationsFixture {
protected:
    void SetUp() override {
        OperationsFixture::SetUp();
        language_ = UseLanguageOfCodePage();
    }

    std::string language_ = "English";
};

enum class TextKind { kNone, kSingleLine, kWrapped };

// How a control shows its text: push buttons and plain check boxes on one
// line, labels and multi-line check boxes wrapped. Labels that shorten with
// an ellipsis and everything else are not checked.
TextKind KindOf(HWND control, UINT& format, int& inset) {
    char className[32] = "";
    ::GetClassNameA(control, className, sizeof className);
    const LONG style = ::GetWindowLongA(control, GWL_STYLE);
    const int dpi = win::WindowDpi(control);
    format = 0;
    inset = 0;
    if (::lstrcmpiA(className, "Button") == 0) {
        const LONG type = style & BS_TYPEMASK;
        if (type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON) {
            inset = 2 * win::ScaleForDpi(3, dpi);  // the button's edges
            return TextKind::kSingleLine;
        }
        if (type == BS_CHECKBOX || type == BS_AUTOCHECKBOX) {
            inset = win::ScaleForDpi(16, dpi);  // the box and the gap after it
            return (style & BS_MULTILINE) ? TextKind::kWrapped : TextKind::kSingleLine;
        }
        return TextKind::kNone;
    }
    if (::lstrcmpiA(className, "Static") == 0) {
        const LONG type = style & SS_TYPEMASK;
        if ((type != SS_LEFT && type != SS_CENTER && type != SS_RIGHT) || (style & SS_ELLIPSISMASK))
            return TextKind::kNone;
        format = DT_EXPANDTABS | ((style & SS_NOPREFIX) ? DT_NOPREFIX : 0);
        return TextKind::kWrapped;
    }
    return TextKind::kNone;
}

// Pieces of text no line break may split: runs of other characters between
// spaces. A line may break between two East Asian characters.
std::vector<std::string> Words(const std::string& text) {
    std::vector<std::wstring> words(1);
    for (const wchar_t c : win::ToWide(text)) {
        if (c >= 0x2E80) {
            words.push_back(std::wstring(1, c));
            words.emplace_back();
        } else if (c == L' ' || c == L'\n' || c == L'\t') {
            words.emplace_back();
        } else {
            words.back() += c;
        }
    }
    std::vector<std::string> out;
    for (const std::wstring& word : words)
        if (!word.empty()) out.push_back(win::FromWide(word.c_str()));
    return out;
}

RECT Measure(HDC dc, const std::string& text, UINT format, int width) {
    RECT rect{0, 0, width, 0};
    win::DrawString(dc, text, &rect, format | DT_CALCRECT);
    return rect;
}

// Every visible text of window and of its visible child dialogs (a wizard's
// page) fits its control, and every control lies inside its window.
void ExpectTextsFit(HWND window, const std::string& where) {
    RECT client{};
    ::GetClientRect(window, &client);
    for (HWND child = ::GetWindow(window, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        if (!::IsWindowVisible(child)) continue;
        const std::string id = where + ", control " + std::to_string(::GetDlgCtrlID(child));
        RECT rect{};
        ::GetWindowRect(child, &rect);
        ::MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&rect), 2);
        EXPECT_TRUE(rect.left >= 0 && rect.top >= 0 && rect.right <= client.right &&
                    rect.bottom <= client.bottom)
            << id << " leaves its window";
        char className[32] = "";
        ::GetClassNameA(child, className, sizeof className);
        if (::lstrcmpiA(className, "#32770") == 0) {
            ExpectTextsFit(child, where + " (page)");
            continue;
        }
        UINT format = 0;
        int inset = 0;
        const TextKind kind = KindOf(child, format, inset);
        const std::string text = win::WindowText(child);
        if (kind == TextKind::kNone || text.empty()) continue;
        const int width = (rect.right - rect.left) - inset, height = rect.bottom - rect.top;
        win::WindowDc dc(child);
        win::SelectObjectScope font(dc.Get(),
                                    reinterpret_cast<HGDIOBJ>(::SendMessageA(child, WM_GETFONT, 0, 0)));
        if (kind == TextKind::kSingleLine) {
            EXPECT_LE(Measure(dc.Get(), text, format | DT_SINGLELINE, 0).right, width) << id << ": " << text;
            continue;
        }
        EXPECT_LE(Measure(dc.Get(), text, format | DT_WORDBREAK, width).bottom, height) << id << ": " << text;
        for (const std::string& word : Words(text))
            EXPECT_LE(Measure(dc.Get(), word, format | DT_SINGLELINE, 0).right, width) << id << ": " << word;
    }
}

std::string Where(const char* dialog, const std::string& language, HWND window) {
    return std::string(dialog) + " in " + language + " at " + std::to_string(win::WindowDpi(window)) + " DPI";
}

}  // namespace

TEST_F(DialogTextTest, EveryDialogShowsItsWholeTexts) {
    // Two conflicts, so that the replace dialog offers "the same for the rest".
    testing_support::MakeDirs(kCardFolder);
    for (const char* base : {"A", "B"}) {
        WriteFrame(dir_.Path(), base, std::string("New ") + base);
        WriteFrame(kCardFolder, base, std::string("Old ") + base);
    }
    for (int i = 0; i < 40; ++i)
        WriteFrame(dir_.Path(), "P" + std::to_string(10 + i), "Frame " + std::to_string(i));
    OpenOn(dir_.Path());
    const std::string language = language_;

    {
        // The about box, then the licences over it.
        ModalDriver driver({[&](HWND about) {
                                ExpectTextsFit(about, Where("about box", language, about));
                                ClickButton(about, IDC_ABOUT_LICENCES);
                                ClickButton(about, IDOK);
                            },
                            [&](HWND licences) {
                                ExpectTextsFit(licences, Where("licences", language, licences));
                                ClickButton(licences, IDOK);
                            }});
        Command(ID_HELP_ABOUT);
        EXPECT_EQ(driver.ActionsRun(), 2);
    }
    {
        ModalDriver driver({[&](HWND name) {
            ExpectTextsFit(name, Where("new folder dialog", language, name));
            ClickButton(name, IDCANCEL);
        }});
        Command(IDC_BTN_NEW_FOLDER);
        EXPECT_EQ(driver.ActionsRun(), 1);
    }
    Focus(dialog_->SourceList());
    Select(dialog_->SourceList(), {0});
    {
        ModalDriver driver({[&](HWND name) {
            ExpectTextsFit(name, Where("rename dialog", language, name));
            ClickButton(name, IDCANCEL);
        }});
        Command(IDC_BTN_RENAME);
        EXPECT_EQ(driver.ActionsRun(), 1);
    }
    {
        // Page 1 with Next, then page 2 with the go button.
        ModalDriver driver({[&](HWND wizard) {
            ExpectTextsFit(wizard, Where("card wizard, page 1,", language, wizard));
            ClickButton(wizard, IDOK);
            ExpectTextsFit(wizard, Where("card wizard, page 2,", language, wizard));
            ClickButton(wizard, IDCANCEL);
        }});
        Command(ID_TARGET_MEMCARD);
        EXPECT_EQ(driver.ActionsRun(), 1);
    }
    Close();
    UseMemoryCard();
    OpenOn(dir_.Path());
    CListCtrlZEL& source = dialog_->SourceList();
    Focus(source);
    Select(source, {FindItem(source, "A.USD"), FindItem(source, "B.USD")});
    {
        ModalDriver driver({[&](HWND replace) {
            EXPECT_TRUE(::IsWindowVisible(::GetDlgItem(replace, IDC_REPLACE_FOR_ALL)));
            ExpectTextsFit(replace, Where("replace dialog", language, replace));
            ClickButton(replace, IDCANCEL);
        }});
        Command(IDC_BTN_COPY);
        EXPECT_EQ(driver.ActionsRun(), 1);
    }
    // The progress window, running and then stopping.
    dialog_->SetProgressDelay(0);
    Focus(dialog_->SourceList());
    Command(ID_EDIT_SELECT_ALL);
    Answer({IDYES});
    bool seen = false;
    {
        WhileRunning watch([&] {
            HWND progress = FindProgressWindow();
            if (!progress || seen) return;
            seen = true;
            ExpectTextsFit(progress, Where("progress window", language, progress));
            ClickButton(progress, IDCANCEL);
            ExpectTextsFit(progress, Where("progress window, stopping,", language, progress));
        });
        Command(IDC_BTN_DELETE);
    }
    EXPECT_TRUE(seen);
}

// The main window at the first-run size, then with each pane at its
// narrowest: the tree (its gap dragged far left), then both lists (far
// right), with the card's title and button beside list 2, and then with the
// companion's folder as the target.
TEST_F(DialogTextTest, TheMainWindowShowsItsWholeTextsAtTheNarrowestPanes) {
    UseMemoryCard();
    OpenOn(dir_.Path());
    HWND main = dialog_->Handle();
    const std::string where =
        "main window in " + language_ + " at " + std::to_string(win::WindowDpi(main)) + " DPI";
    ExpectTextsFit(main, where + ", first-run size");
    Drag(TreeGap(), -1000);
    ExpectTextsFit(main, where + ", narrowest tree");
    Drag(TreeGap(), 1000);
    ExpectTextsFit(main, where + ", narrowest lists");
    EXPECT_TRUE(::IsWindowVisible(dialog_->Item(IDC_BTN_SELECT_CARD)));
    Command(ID_TARGET_LUMADEX);
    ExpectTextsFit(main, where + ", narrowest lists, companion's folder");
}
