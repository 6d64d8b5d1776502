// The keys, the edit menu and the context menus in the real main window:
// each ends in the button's operation and follows the button's state.
#include <windows.h>
#include <commctrl.h>

#include "OperationsFixture.h"
#include "TreeSelect.h"
#include "app/LangStrings.h"
#include "app/MessageBox.h"
#include "resource.h"
#include "win/Strings.h"

using testing_support::Exists;
using testing_support::ModalDriver;
using Names = std::vector<std::string>;

namespace {

struct MenuEntry {
    UINT id;
    std::string text;
    bool enabled;
    bool checked;
};

std::vector<MenuEntry> MenuEntries(HMENU menu) {
    std::vector<MenuEntry> entries;
    for (int i = 0; i < ::GetMenuItemCount(menu); ++i) {
        char text[128] = "";
        ::GetMenuStringA(menu, i, text, sizeof text, MF_BYPOSITION);
        const UINT state = ::GetMenuState(menu, i, MF_BYPOSITION);
        HMENU sub = ::GetSubMenu(menu, i);
        if (sub) {
            for (const MenuEntry& inner : MenuEntries(sub)) entries.push_back(inner);
            continue;
        }
        if (state & MF_SEPARATOR) continue;
        entries.push_back({::GetMenuItemID(menu, i), text, !(state & (MF_GRAYED | MF_DISABLED)),
                           (state & MF_CHECKED) != 0});
    }
    return entries;
}

const MenuEntry* Find(const std::vector<MenuEntry>& entries, UINT id) {
    for (const MenuEntry& entry : entries)
        if (entry.id == id) return &entry;
    return nullptr;
}

class KeysAndMenusTest : public OperationsFixture {
protected:
    // A key typed into the window, as its loop would offer it.
    bool Key(HWND focus, UINT key, bool control = false, bool shift = false) {
        BYTE state[256];
        ::GetKeyboardState(state);
        state[VK_CONTROL] = control ? 0x80 : 0;
        state[VK_SHIFT] = shift ? 0x80 : 0;
        ::SetKeyboardState(state);
        MSG msg = {focus, WM_KEYDOWN, key, 0, 0, {0, 0}};
        const bool translated = dialog_->PreTranslateMessage(&msg);
        state[VK_CONTROL] = state[VK_SHIFT] = 0;
        ::SetKeyboardState(state);
        Pump();
        return translated;
    }
    int SelectedCount(const CListCtrlZEL& list) {
        return static_cast<int>(::SendMessageA(list.Handle(), LVM_GETSELECTEDCOUNT, 0, 0));
    }
    // Opens the context menu of a window; the tracker records the entries
    // and chooses command (0: none).
    std::vector<MenuEntry> ContextMenu(HWND window, UINT command = 0, LPARAM at = MAKELPARAM(-1, -1)) {
        std::vector<MenuEntry> seen;
        dialog_->SetMenuTracker([&](HMENU menu, POINT) {
            seen = MenuEntries(menu);
            return command;
        });
        ::SendMessageA(dialog_->Handle(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(window), at);
        Pump();
        return seen;
    }
};

}  // namespace

TEST_F(KeysAndMenusTest, KeysFollowTheButtonsAndActOnTheListTheyAreTypedIn) {
    WriteFrame(dir_.Path(), "ALPHA", "Alpha");
    WriteFrame(dir_.Path(), "BETA", "Beta");
    WriteFrame(dir_.Path(), "GAMMA", "Gamma");
    OpenOn(dir_.Path());
    CListCtrlZEL& source = dialog_->SourceList();
    HWND list = source.Handle();

    // Nothing selected: Del and F2 do nothing.
    Focus(source);
    EXPECT_TRUE(Key(list, VK_DELETE));
    EXPECT_TRUE(Key(list, VK_F2));
    EXPECT_TRUE(boxes_.empty()) << BoxText(0);

    // Ctrl+A selects all; F2 with three selected opens no dialog.
    Key(list, 'A', true);
    EXPECT_EQ(SelectedCount(source), 3);
    {
        ModalDriver driver({[](HWND dlg) { testing_support::ClickButton(dlg, IDCANCEL); }});
        Key(list, VK_F2);
        EXPECT_TRUE(driver.Dialogs().empty());
    }

    // Del typed in the tree leaves the frames selected in the list alone.
    ::SetFocus(dialog_->Tree().Handle());
    Pump();
    Key(dialog_->Tree().Handle(), VK_DELETE);
    EXPECT_TRUE(boxes_.empty()) << BoxText(0);

    // Del in the list asks, and No keeps everything.
    Focus(source);
    Key(list, 'A', true);
    Answer({IDNO});
    Key(list, VK_DELETE);
    ASSERT_EQ(boxes_.size(), 1u);
    EXPECT_EQ(boxes_[0].text, GetLangString("MSG_DELETE"));
    EXPECT_EQ(Entries(dir_.Path()).size(), 6u);

    // F2 on one frame renames it on disk.
    source.SetAllSelected(false);
    SelectNames(source, {"BETA.USD"});
    {
        ModalDriver driver({TypeAndOk("BETA2", nullptr)});
        Key(list, VK_F2);
        EXPECT_EQ(driver.ActionsRun(), 1);
    }
    EXPECT_TRUE(Exists(dir_ / "BETA2.usd"));
    EXPECT_TRUE(Exists(dir_ / "BETA2"));

    // F7 and Ctrl+Shift+N make a folder in the tree's folder, from anywhere.
    {
        ModalDriver driver({TypeAndOk("Made by F7", nullptr), TypeAndOk("Made by Ctrl", nullptr)});
        Key(dialog_->Tree().Handle(), VK_F7);
        Key(list, 'N', true, true);
    }
    EXPECT_TRUE(testing_support::IsDirectory(dir_ / "Made by F7"));
    EXPECT_TRUE(testing_support::IsDirectory(dir_ / "Made by Ctrl"));

    // Enter in a list does nothing and the window stays open.
    Key(list, VK_RETURN);
    EXPECT_TRUE(::IsWindow(dialog_->Handle()));
}

TEST_F(KeysAndMenusTest, TheFilterBoxShowsTheFramesFoundAndTheCommandsTakeOnlyThose) {
    WriteFrame(dir_.Path(), "ALPHA", "Sunny beach");
    WriteFrame(dir_.Path(), "BETA", "Snowy hill");
    WriteFrame(dir_.Path(), "GAMMA", "Sunset");
    WriteFrame(dir_.Path(), "SUNDAY", "Other");  // found by its file name
    WriteFrame(dir_.Path(), "OMEGA", "Rain");
    testing_support::MakeDirs(dir_ / "Elsewhere");
    OpenOn(dir_.Path());
    CListCtrlZEL& source = dialog_->SourceList();
    HWND box = dialog_->Item(IDC_FILTER_SOURCE);
    auto title = [&] { return win::WindowText(dialog_->Item(IDC_TITLE_SOURCE)); };
    auto type = [&](const char* text) {
        for (const char* c = text; *c; ++c) ::SendMessageA(box, WM_CHAR, static_cast<unsigned char>(*c), 1);
        Pump();
    };
    EXPECT_EQ(title(), GetLangString("TITLE_ZELLIT1"));

    // Ctrl+F in the list puts the caret in its box; typing filters at once.
    Focus(source);
    EXPECT_TRUE(Key(source.Handle(), 'F', true));
    ASSERT_EQ(::GetFocus(), box);
    type("sun");
    EXPECT_EQ(ListNames(source), (Names{"ALPHA.USD", "GAMMA.USD", "SUNDAY.USD"}));
    // The count stays; the words before it go where the title would need
    // another line.
    EXPECT_NE(title().find("(3 of 5 frames shown)"), std::string::npos) << title();
    // Keys typed in the box edit it: Ctrl+A selects its text and Del deletes
    // no frame.
    EXPECT_TRUE(Key(box, 'A', true));
    EXPECT_EQ(SelectedCount(source), 0);
    EXPECT_FALSE(Key(box, VK_DELETE));
    EXPECT_TRUE(boxes_.empty()) << BoxText(0);

    // Ctrl+A in the list selects the frames shown, and Add moves those only.
    Focus(source);
    Key(source.Handle(), 'A', true);
    EXPECT_EQ(SelectedCount(source), 3);
    Command(IDC_BTN_ADD);
    EXPECT_TRUE(boxes_.empty()) << BoxText(0);
    const std::string target = app_->GetLumadexTargetFolder();
    for (const char* moved : {"ALPHA", "GAMMA", "SUNDAY"}) {
        EXPECT_TRUE(Exists(target + "\\" + moved + ".USD")) << moved;
        EXPECT_TRUE(testing_support::IsDirectory(target + "\\" + moved)) << moved;
    }
    EXPECT_EQ(Entries(dir_.Path()), (Names{"BETA", "BETA.USD", "Elsewhere", "OMEGA", "OMEGA.USD"}));
    // The filter stays through the operation and F5.
    EXPECT_EQ(win::WindowText(box), "sun");
    EXPECT_EQ(source.GetItemCount(), 0);
    EXPECT_NE(title().find("(0 of 2 frames shown)"), std::string::npos) << title();
    Key(source.Handle(), VK_F5);
    EXPECT_EQ(source.GetItemCount(), 0);
    EXPECT_EQ(source.FrameCount(), 2u);

    // Esc empties the box, and then goes back to the list.
    ::SetFocus(box);
    EXPECT_TRUE(Key(box, VK_ESCAPE));
    EXPECT_EQ(win::WindowText(box), "");
    EXPECT_EQ(ListNames(source), (Names{"BETA.USD", "OMEGA.USD"}));
    EXPECT_EQ(title(), GetLangString("TITLE_ZELLIT1"));
    EXPECT_TRUE(Key(box, VK_ESCAPE));
    EXPECT_EQ(::GetFocus(), source.Handle());

    // Another folder starts unfiltered.
    ::SetFocus(box);
    type("rain");
    EXPECT_EQ(ListNames(source), (Names{"OMEGA.USD"}));
    ASSERT_TRUE(testing_support::SelectTreePath(dialog_->Tree(), dir_ / "Elsewhere"));
    Pump();
    EXPECT_EQ(win::WindowText(box), "");
    EXPECT_EQ(title(), GetLangString("TITLE_ZELLIT1"));
}

TEST_F(KeysAndMenusTest, NoKeyStartsAnythingWhileATransferRuns) {
    WriteFrame(dir_.Path(), "ROSE", "Rose here");
    WriteFrame(dir_.Path(), "TULIP", "Tulip");
    testing_support::MakeDirs(kCardFolder);
    WriteFrame(kCardFolder, "ROSE", "Rose on the card");
    UseMemoryCard();
    OpenOn(dir_.Path());
    CListCtrlZEL& source = dialog_->SourceList();
    Focus(source);
    SelectNames(source, {"ROSE.USD"});

    // While the replace question is up, the user types every key and
    // drops a frame on the card.
    testing_support::ModalDriver driver({[&](HWND replace) {
        for (UINT key : {VK_DELETE, VK_F2, VK_F7, VK_F5}) Key(source.Handle(), key);
        Key(source.Handle(), 'A', true);
        EXPECT_EQ(SelectedCount(source), 1);
        ::SendMessageA(dialog_->Handle(), WM_COMMAND, MAKEWPARAM(ID_EDIT_DELETE, 0), 0);
        std::vector<MenuEntry> menu = ContextMenu(source.Handle());
        EXPECT_TRUE(menu.empty());
        testing_support::ClickButton(replace, IDC_REPLACE_SKIP);
    }});
    Command(IDC_BTN_ADD);
    EXPECT_EQ(driver.ActionsRun(), 1);
    EXPECT_TRUE(boxes_.empty()) << BoxText(0);
    EXPECT_TRUE(Exists(dir_ / "ROSE.USD"));
    EXPECT_TRUE(Exists(dir_ / "TULIP.USD"));
}

TEST_F(KeysAndMenusTest, MenusShowTheKeysAndTheButtonsStates) {
    WriteFrame(dir_.Path(), "ALPHA", "Alpha");
    WriteFrame(dir_.Path(), "BETA", "Beta");
    OpenOn(dir_.Path());
    CListCtrlZEL& source = dialog_->SourceList();
    Focus(source);
    SelectNames(source, {"ALPHA.USD", "BETA.USD"});

    // The edit menu of the menu bar, as it opens.
    HMENU edit = ::GetSubMenu(::GetMenu(dialog_->Handle()), 1);
    ::SendMessageA(dialog_->Handle(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(edit), 1);
    std::vector<MenuEntry> bar = MenuEntries(edit);
    ASSERT_EQ(bar.size(), 8u);
    EXPECT_EQ(Find(bar, ID_EDIT_DELETE)->text, GetLangString("MENU_EDIT_DELETE") + "\tDel");
    EXPECT_EQ(Find(bar, ID_EDIT_RENAME)->text, GetLangString("MENU_EDIT_RENAME") + "\tF2");
    EXPECT_EQ(Find(bar, ID_EDIT_SELECT_ALL)->text, GetLangString("MENU_EDIT_SELECT_ALL") + "\tCtrl+A");
    EXPECT_EQ(Find(bar, ID_EDIT_NEW_FOLDER)->text, GetLangString("MENU_EDIT_NEW_FOLDER") + "\tF7");
    EXPECT_EQ(Find(bar, ID_EDIT_FILTER)->text, GetLangString("MENU_EDIT_FILTER") + "\tCtrl+F");
    for (UINT id :
         {ID_EDIT_ADD, ID_EDIT_COPY, ID_EDIT_DELETE, ID_EDIT_SELECT_ALL, ID_EDIT_NEW_FOLDER, ID_EDIT_FILTER})
        EXPECT_TRUE(Find(bar, id)->enabled) << id;
    EXPECT_FALSE(Find(bar, ID_EDIT_RENAME)->enabled);
    EXPECT_FALSE(Find(bar, ID_EDIT_MOVE_BACK)->enabled);

    // The source list's menu: add (never move back), and the sort marks.
    std::vector<MenuEntry> menu = ContextMenu(source.Handle());
    EXPECT_NE(Find(menu, ID_EDIT_ADD), nullptr);
    EXPECT_EQ(Find(menu, ID_EDIT_MOVE_BACK), nullptr);
    EXPECT_TRUE(Find(menu, ID_EDIT_ADD)->enabled);
    EXPECT_TRUE(Find(menu, ID_EDIT_COPY)->enabled);
    EXPECT_TRUE(Find(menu, ID_EDIT_DELETE)->enabled);
    EXPECT_FALSE(Find(menu, ID_EDIT_RENAME)->enabled);
    EXPECT_TRUE(Find(menu, ID_VIEW_REFRESH)->enabled);
    EXPECT_TRUE(Find(menu, ID_SORT_PAPER)->checked);
    EXPECT_FALSE(Find(menu, ID_SORT_TITLE)->checked);

    // A right click into the empty target list makes it the active list:
    // the source loses its selection and only refresh and sort apply.
    RECT box;
    ::GetWindowRect(dialog_->TargetList().Handle(), &box);
    menu =
        ContextMenu(dialog_->TargetList().Handle(), ID_SORT_TITLE, MAKELPARAM(box.left + 20, box.top + 40));
    EXPECT_EQ(dialog_->GetActiveList(), CZELMaintenanceDlg::ActiveList::kTarget);
    EXPECT_EQ(SelectedCount(source), 0);
    EXPECT_EQ(Find(menu, ID_EDIT_ADD), nullptr);
    for (UINT id : {ID_EDIT_MOVE_BACK, ID_EDIT_COPY, ID_EDIT_DELETE, ID_EDIT_RENAME})
        EXPECT_FALSE(Find(menu, id)->enabled) << id;
    EXPECT_EQ(app_->GetSortMode(), CListCtrlZEL::kSortByTitle);  // the command chosen ran

    // The tree's menu: new folder and refresh; choosing new folder opens its dialog.
    menu = ContextMenu(dialog_->Tree().Handle());
    ASSERT_EQ(menu.size(), 2u);
    EXPECT_EQ(menu[0].id, static_cast<UINT>(ID_EDIT_NEW_FOLDER));
    EXPECT_TRUE(menu[0].enabled);
    EXPECT_EQ(menu[1].id, static_cast<UINT>(ID_VIEW_REFRESH));
    EXPECT_EQ(menu[1].text, GetLangString("MENU_CONTEXT_REFRESH") + "\tF5");
    // Shift+F10 typed in the tree opens the same menu.
    {
        std::vector<MenuEntry> fromKey;
        dialog_->SetMenuTracker([&](HMENU opened, POINT) {
            fromKey = MenuEntries(opened);
            return 0u;
        });
        BYTE state[256] = {};
        ::GetKeyboardState(state);
        state[VK_SHIFT] = 0x80;
        ::SetKeyboardState(state);
        MSG msg = {dialog_->Tree().Handle(), WM_SYSKEYDOWN, VK_F10, 0, 0, {0, 0}};
        EXPECT_TRUE(dialog_->PreTranslateMessage(&msg));
        state[VK_SHIFT] = 0;
        ::SetKeyboardState(state);
        ASSERT_EQ(fromKey.size(), 2u);
        EXPECT_EQ(fromKey[0].id, static_cast<UINT>(ID_EDIT_NEW_FOLDER));
    }
    {
        ModalDriver driver({TypeAndOk("From the menu", nullptr)});
        ContextMenu(dialog_->Tree().Handle(), ID_EDIT_NEW_FOLDER);
    }
    EXPECT_TRUE(testing_support::IsDirectory(dir_ / "From the menu"));

    // Delete from the source list's menu goes to the recycle bin.
    Focus(source);
    SelectNames(source, {"ALPHA.USD"});
    Answer({IDYES});
    ContextMenu(source.Handle(), ID_EDIT_DELETE);
    EXPECT_FALSE(Exists(dir_ / "ALPHA.USD"));
    EXPECT_FALSE(Exists(dir_ / "ALPHA"));
    EXPECT_EQ(ListNames(source), std::vector<std::string>{"BETA.USD"});
}
