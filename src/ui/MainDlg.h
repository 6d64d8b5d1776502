// The main window: the folder tree on the left, the source list (frames of
// the tree's folder), the column of operation buttons, the target list and
// the menu. Its code is split by concern: MainDlg.cpp (window, layout,
// placement), MainCommands.cpp (command states, menu, target switching,
// browsing).
#pragma once

#include <string>
#include <vector>

#include "app/App.h"
#include "choosers/FolderTree.h"
#include "frames/ListCtrlZEL.h"
#include "ops/FrameTransfer.h"
#include "win/Dialog.h"
#include "win/Handles.h"

class CZELMaintenanceDlg : public win::Dialog {
public:
    enum class ActiveList { kNone, kSource, kTarget };

    explicit CZELMaintenanceDlg(CZELMaintenanceApp& app);

    bool PreTranslateMessage(MSG* msg) override;

    void LayoutControls();
    void UpdateCommandButtons();
    void UpdateTargetTitle();

    CFolderTreeCtrl& Tree() { return tree_; }
    CListCtrlZEL& SourceList() { return sourceList_; }
    CListCtrlZEL& TargetList() { return targetList_; }
    ActiveList GetActiveList() const { return activeList_; }
    bool IsRefreshing() const { return refreshing_; }

protected:
    INT_PTR HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
    BOOL OnInitDialog() override;
    bool OnCommand(WORD id, WORD code, HWND control) override;
    bool OnNotify(NMHDR* header, LRESULT& result) override;
    // Enter and Escape never close the main window.
    void OnOK() override {}
    void OnCancel() override {}

private:
    // Window (MainDlg.cpp)
    void EnsureLumadexTargetFolder();
    void CreateFonts();
    void SetMenuTexts();
    void PlaceWindow();
    void OnShowWindow(bool show);
    void SetLabels();
    void OnSize(WPARAM type);
    bool OnPaint();
    void OnDestroyWindow();
    void OnAbout();
    // DPI (MainDlgDpi.cpp): the fonts, icons, thumbnails and margins follow
    // the DPI of the monitor the window is on.
    void ApplyDpi(int dpi);
    void LoadIcons();
    void OnDpiChanged(int dpi, const RECT* suggested);
    // The size of a control's text in a font.
    SIZE TextExtent(int id, HFONT font) const;

    // Commands (MainCommands.cpp)
    void OnListFocus(ActiveList list);
    void OnInitMenuPopup(HMENU menu, bool isSystemMenu);
    void UpdateMenuItem(HMENU menu, UINT index, UINT id, bool autoDisable);
    void OnRefresh();
    void OnSort(int mode);
    void OnTargetLumadex();
    void OnTargetMemoryCard();
    void OnTreeSelChanged();
    void SelectTreeRoot();
    CListCtrlZEL* ActiveListCtrl();

    // Frame operations (MainOperations.cpp)
    void OnAdd();
    void OnCopy();
    void OnMoveBack();
    void OnDelete();
    void OnNewFolder();
    void OnRename();
    bool PrepareMemoryCard(const std::vector<std::string>& names);
    // Refills both lists and patches the tree after a transfer; leftFolder
    // is the folder frames moved out of (empty for a copy).
    void AfterTransfer(const std::vector<std::string>& transferred, const std::string& leftFolder);
    void RenameFrame(CListCtrlZEL& list, const std::string& folder, const std::string& fileName,
                     const std::string& newBase);

    CZELMaintenanceApp& app_;
    ActiveList activeList_ = ActiveList::kNone;
    win::Font font_;
    LOGFONTA logFont_ = {};
    win::Font boldFont_;
    CFolderTreeCtrl tree_;
    CListCtrlZEL sourceList_;
    CListCtrlZEL targetList_;
    win::AccelTable accelerators_;
    bool refreshing_ = false;
    CFrameTransfer transfer_;
    win::Icon icon_;
    win::Icon smallIcon_;
    int dpi_ = 96;
};
