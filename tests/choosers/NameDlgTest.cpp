// The name dialog: the byte limit, the OK rule and the input method.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>
#include <imm.h>

#include <cstdlib>
#include <cstring>

#include "ModalDriver.h"
#include "app/LangStrings.h"
#include "choosers/NameDlg.h"
#include "resource.h"
#include "win/Strings.h"

using testing_support::ClickButton;
using testing_support::ModalDriver;
using testing_support::TypeText;

namespace {

std::string InCodePage932(const wchar_t* text) {
    const int n = ::WideCharToMultiByte(932, 0, text, -1, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n > 0 ? n : 1), '\0');
    ::WideCharToMultiByte(932, 0, text, -1, out.data(), n, nullptr, nullptr);
    out.resize(out.size() - 1);
    return out;
}

bool OkEnabled(HWND dlg) {
    return ::IsWindowEnabled(::GetDlgItem(dlg, IDOK)) != FALSE;
}
HWND Edit(HWND dlg) {
    return ::GetDlgItem(dlg, IDC_NAME_EDIT);
}
std::string Field(HWND dlg) {
    return win::WindowText(Edit(dlg));
}

void PutOnClipboard(HWND owner, const std::string& text) {
    ASSERT_TRUE(::OpenClipboard(owner));
    ::EmptyClipboard();
    HGLOBAL memory = ::GlobalAlloc(GMEM_MOVEABLE, text.size() + 1);
    std::memcpy(::GlobalLock(memory), text.c_str(), text.size() + 1);
    ::GlobalUnlock(memory);
    ::SetClipboardData(CF_TEXT, memory);
    ::CloseClipboard();
}

}  // namespace

TEST(NameLengthRule, CountsBytesSoADoubleByteCharacterCountsTwo) {
    // Four kana in code page 932 are eight bytes.
    const std::string kana = InCodePage932(L"\x3042\x3044\x3046\x3048");
    ASSERT_EQ(kana.size(), 8u);
    EXPECT_FALSE(ApplyNameLengthRule(kana, "", 8).restored);
    EXPECT_TRUE(ApplyNameLengthRule(kana, "", 7).restored);

    const NameFieldState overLimit = ApplyNameLengthRule(kana + "a", "ab", 8);
    EXPECT_TRUE(overLimit.restored);
    EXPECT_EQ(overLimit.text, "ab");
    EXPECT_TRUE(overLimit.okEnabled);

    // Undone down to nothing: OK follows the field, not the rejected text.
    const NameFieldState emptied = ApplyNameLengthRule("ABCDEFGHI", "", 8);
    EXPECT_EQ(emptied.text, "");
    EXPECT_FALSE(emptied.okEnabled);

    const NameFieldState fits = ApplyNameLengthRule("ABCDEFGH", "", 8);
    EXPECT_FALSE(fits.restored);
    EXPECT_TRUE(fits.okEnabled);
    EXPECT_FALSE(ApplyNameLengthRule("", "x", 8).okEnabled);

    // A limit of 0 or less leaves only the empty name.
    for (int limit : {0, -5}) {
        EXPECT_TRUE(ApplyNameLengthRule("a", "", limit).restored);
        EXPECT_EQ(ApplyNameLengthRule("a", "zz", limit).text, "");
        EXPECT_FALSE(ApplyNameLengthRule("", "", limit).restored);
    }
}

TEST(NameDlg, NewFolderOkFollowsTheFieldAndOkHandsBackTheName) {
    std::string name;
    CNameDlg dialog(name, 20, CNameDlg::kNewFolder, nullptr);
    ModalDriver driver({[&](HWND dlg) {
        EXPECT_EQ(win::WindowText(dlg), GetLangString("TITLE_FOLDER_MAKE"));
        EXPECT_EQ(win::WindowText(::GetDlgItem(dlg, IDC_NAME_EXPLAIN)), GetLangString("EXPLAIN_FOLDER_MAKE"));
        EXPECT_EQ(win::WindowText(::GetDlgItem(dlg, IDOK)), GetLangString("BTN_OK"));
        EXPECT_EQ(win::WindowText(::GetDlgItem(dlg, IDCANCEL)), GetLangString("BTN_CANCEL"));
        EXPECT_FALSE(OkEnabled(dlg));
        TypeText(Edit(dlg), "F");
        EXPECT_TRUE(OkEnabled(dlg));
        ::SendMessageA(Edit(dlg), WM_CHAR, VK_BACK, 1);
        EXPECT_EQ(Field(dlg), "");
        EXPECT_FALSE(OkEnabled(dlg));
        TypeText(Edit(dlg), "Frames 2");
        ASSERT_TRUE(ClickButton(dlg, IDOK));
    }});
    EXPECT_EQ(dialog.DoModal(), IDOK);
    EXPECT_EQ(name, "Frames 2");
}

TEST(NameDlg, CancelLeavesTheNameAlone) {
    std::string name = "OLDNAME";
    CNameDlg dialog(name, 8, CNameDlg::kChangeName, nullptr);
    ModalDriver driver({[&](HWND dlg) {
        EXPECT_EQ(Field(dlg), "OLDNAME");
        EXPECT_TRUE(OkEnabled(dlg));
        ::SetWindowTextA(Edit(dlg), "NEW");
        ASSERT_TRUE(ClickButton(dlg, IDCANCEL));
    }});
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
    EXPECT_EQ(name, "OLDNAME");
}

TEST(NameDlg, AnOverLongInitialNameIsEmptiedAndOkStaysDisabled) {
    std::string name = "LONGNAME9";
    CNameDlg dialog(name, 8, CNameDlg::kChangeName, nullptr);
    ModalDriver driver({[&](HWND dlg) {
                           EXPECT_EQ(win::WindowText(dlg), GetLangString("TITLE_CHANGE_NAME"));
                           EXPECT_EQ(win::WindowText(::GetDlgItem(dlg, IDC_NAME_EXPLAIN)),
                                     GetLangString("EXPLAIN_CHANGE_NAME"));
                           EXPECT_EQ(Field(dlg), "");
                           EXPECT_FALSE(OkEnabled(dlg));
                           // Enter with an empty field is no answer.
                           ::SendMessageA(dlg, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
                       }},
                       300);
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
    EXPECT_EQ(driver.LeftOpen(), 1);
    EXPECT_EQ(name, "LONGNAME9");
}

TEST(NameDlg, TextBeyondTheLimitNeverStaysInTheField) {
    std::string name = "abc";
    CNameDlg dialog(name, 8, CNameDlg::kChangeName, nullptr);
    ModalDriver driver({[&](HWND dlg) {
        // Typing stops at the limit.
        ::SendMessageA(Edit(dlg), EM_SETSEL, 3, 3);
        TypeText(Edit(dlg), "defghijk");
        EXPECT_EQ(Field(dlg), "abcdefgh");

        // Text set from outside bypasses the control's own limit: undone.
        ::SetWindowTextA(Edit(dlg), "abc");
        ::SetWindowTextA(Edit(dlg), "0123456789");
        EXPECT_EQ(Field(dlg), "abc");
        EXPECT_TRUE(OkEnabled(dlg));

        // A paste never leaves more than the limit either.
        PutOnClipboard(dlg, "0123456789");
        ::SendMessageA(Edit(dlg), EM_SETSEL, 0, -1);
        ::SendMessageA(Edit(dlg), WM_PASTE, 0, 0);
        EXPECT_LE(Field(dlg).size(), 8u);
        EXPECT_TRUE(Field(dlg) == "abc" || Field(dlg) == "01234567") << Field(dlg);
        ASSERT_TRUE(ClickButton(dlg, IDOK));
    }});
    EXPECT_EQ(dialog.DoModal(), IDOK);
    EXPECT_LE(name.size(), 8u);
}

TEST(NameDlg, ALimitOfZeroLeavesNoNameToEnter) {
    std::string name;
    CNameDlg dialog(name, 0, CNameDlg::kNewFolder, nullptr);
    ModalDriver driver({[&](HWND dlg) {
        TypeText(Edit(dlg), "a");
        EXPECT_EQ(Field(dlg), "");
        EXPECT_FALSE(OkEnabled(dlg));
        ASSERT_TRUE(ClickButton(dlg, IDCANCEL));
    }});
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
}

TEST(NameDlg, ControlsAreTwiceTheFontHeightTall) {
    std::string name = "x";
    CNameDlg dialog(name, 8, CNameDlg::kNewFolder, nullptr);
    ASSERT_TRUE(dialog.Create(nullptr));
    const auto font = reinterpret_cast<HFONT>(::SendMessageA(dialog.Item(IDC_NAME_EDIT), WM_GETFONT, 0, 0));
    EXPECT_NE(font, ::GetStockObject(DEFAULT_GUI_FONT));  // a copy of it
    LOGFONTA logFont{};
    ASSERT_EQ(::GetObjectA(font, sizeof logFont, &logFont), static_cast<int>(sizeof logFont));
    for (int id : {IDC_NAME_EXPLAIN, IDC_NAME_EDIT, IDOK, IDCANCEL}) {
        RECT rect{};
        ::GetWindowRect(dialog.Item(id), &rect);
        EXPECT_EQ(rect.bottom - rect.top, 2 * std::abs(logFont.lfHeight)) << id;
        EXPECT_EQ(reinterpret_cast<HFONT>(::SendMessageA(dialog.Item(id), WM_GETFONT, 0, 0)), font);
    }
    dialog.Destroy();
    EXPECT_EQ(::GetObjectType(font), 0u);
}

namespace {
// Records the edit's input context as the edit itself is destroyed, which
// happens after the dialog's own WM_DESTROY.
HIMC g_contextAtEditDestroy = nullptr;
LRESULT CALLBACK RecordContextOnDestroy(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                        DWORD_PTR) {
    if (msg == WM_DESTROY) {
        g_contextAtEditDestroy = ::ImmGetContext(hwnd);
        if (g_contextAtEditDestroy) ::ImmReleaseContext(hwnd, g_contextAtEditDestroy);
    }
    return ::DefSubclassProc(hwnd, msg, wParam, lParam);
}

// The context a plain edit of this thread has.
HIMC DefaultEditContext() {
    HWND edit = ::CreateWindowExA(0, "EDIT", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    HIMC context = ::ImmGetContext(edit);
    if (context) ::ImmReleaseContext(edit, context);
    ::DestroyWindow(edit);
    return context;
}

HIMC ContextWhileOpen(int mode) {
    std::string name = "abc";
    CNameDlg dialog(name, 8, mode, nullptr);
    HIMC whileOpen = reinterpret_cast<HIMC>(-1);
    g_contextAtEditDestroy = reinterpret_cast<HIMC>(-1);
    ModalDriver driver({[&](HWND dlg) {
        whileOpen = ::ImmGetContext(Edit(dlg));
        if (whileOpen) ::ImmReleaseContext(Edit(dlg), whileOpen);
        ::SetWindowSubclass(Edit(dlg), RecordContextOnDestroy, 1, 0);
        ClickButton(dlg, IDCANCEL);
    }});
    dialog.DoModal();
    return whileOpen;
}
}  // namespace

TEST(NameDlg, TheInputMethodIsOffInChangeNameModeOnlyAndComesBack) {
    const HIMC original = DefaultEditContext();
    ASSERT_NE(original, nullptr) << "no default input context on this system";

    EXPECT_EQ(ContextWhileOpen(CNameDlg::kChangeName), nullptr);
    EXPECT_EQ(g_contextAtEditDestroy, original);

    EXPECT_EQ(ContextWhileOpen(CNameDlg::kNewFolder), original);
    EXPECT_EQ(g_contextAtEditDestroy, original);
}
