// The main window: the folder tree on the left, the source list (frames of
// the tree's folder), the column of operation buttons, the target list and
// the menu. Its code is split by concern: MainDlg.cpp (window, layout,
// placement), MainCommands.cpp (command states, menu, target switching,
// browsing), MainOperations.cpp (the operations), MainKeys.cpp (edit menu,
// keys, context menus), MainPanes.cpp (resizable panes), MainDragDrop.cpp
// (drag and drop), MainCard.cpp (drives coming and going, the card's
// capacity and its safe removal).
#pragma once

#include <oleidl.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/App.h"
#include "choosers/DriveComboBox.h"
#include "choosers/FolderTree.h"
#include "frames/ListCtrlZEL.h"
#include "ops/CardEject.h"
#include "ops/FrameTransfer.h"
#include "ui/MainLayout.h"
#include "ui/WindowReporter.h"
#include "win/Dialog.h"
#include "win/Handles.h"
#include "win/TwoThreads.h"

// Posted to the main window by a drop: the operation runs after the drag
// source's loop has ended.
inline constexpr UINT kRunDropMessage = WM_APP + 14;
// The shell's media and drive events, registered with SHChangeNotifyRegister.
inline constexpr UINT kShellDriveMessage = WM_APP + 15;
// Posted to itself: drives (a letter mask in wParam) came or went.
inline constexpr UINT kDrivesChangedMessage = WM_APP + 16;
// Posted to itself: a list's fill could not read its folder to the end.
inline constexpr UINT kListingFailedMessage = WM_APP + 17;

class CMemoryCardWizard;

class CZELMaintenanceDlg : public win::Dialog {
public:
    enum class ActiveList { kNone, kSource, kTarget };

    explicit CZELMaintenanceDlg(CZELMaintenanceApp& app);
    ~CZELMaintenanceDlg() override;

    bool PreTranslateMessage(MSG* msg) override;

    void LayoutControls();
    void UpdateCommandButtons();
    // Both lists' titles, with their counts; a title that needs another
    // line lays the window out again.
    void UpdateListTitles();

    CFolderTreeCtrl& Tree() { return tree_; }
    CListCtrlZEL& SourceList() { return sourceList_; }
    CListCtrlZEL& TargetList() { return targetList_; }
    ActiveList GetActiveList() const { return activeList_; }
    bool IsRefreshing() const { return refreshing_; }

    // Shows a context menu at a screen point and gives back the command
    // chosen (0 for none). Tests replace the default, TrackPopupMenu.
    using MenuTracker = std::function<UINT(HMENU menu, POINT screen)>;
    void SetMenuTracker(MenuTracker tracker) { menuTracker_ = std::move(tracker); }
    // The drop target registered on a frame list (list is kSource or kTarget).
    IDropTarget* DropTarget(ActiveList list) const;
    // The clipboard format of frames dragged from one of the lists.
    static UINT FramesClipboardFormat();
    const MainLayout& CurrentLayout() const { return layout_; }
    // An add, copy, move back or delete is running: it pumps messages, and
    // nothing may start another operation meanwhile.
    bool IsOperationRunning() const { return operationRunning_ || transfer_.IsBusy(); }
    // How long an operation runs before its progress window appears (tests
    // make it 0 or very long).
    void SetProgressDelay(DWORD ms) { progressDelayMs_ = ms; }

    // Tests replace the drive types the card wizard lists and the calls
    // that stop a card (Wine can stop none).
    void SetCardDriveTypeFunction(DriveTypeFunction driveType) { cardDriveType_ = std::move(driveType); }
    void SetCardEjectCalls(CardEjectCalls calls) { ejectCalls_ = std::move(calls); }

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
    // The height a text takes in a font when it wraps at words to a width,
    // with the 2 pixels a caption's row adds.
    int WrappedTextHeight(const std::string& text, HFONT font, int width) const;

    // Commands (MainCommands.cpp)
    void OnListFocus(ActiveList list);
    void OnInitMenuPopup(HMENU menu, bool isSystemMenu);
    void UpdateMenuItem(HMENU menu, UINT index, UINT id, bool autoDisable);
    void OnRefresh();
    void OnSort(int mode);
    void OnSort(int mode, bool descending);
    void OnTargetLumadex();
    void OnTargetMemoryCard();
    void OnTreeSelChanged();
    void SelectTreeRoot();
    CListCtrlZEL* ActiveListCtrl();

    // Edit menu, keys and context menus (MainKeys.cpp)
    bool OnEditCommand(WORD id, WORD code);
    bool IsEditCommandEnabled(UINT id);
    void SetEditMenuTexts(HMENU menu);
    void OnSelectAll();
    void OnContextMenu(HWND window, POINT screen);
    void TrackContextMenu(HMENU menu, POINT screen);

    // Resizable panes (MainPanes.cpp)
    bool OnSetCursor(HWND window, UINT hitTest);
    void OnPaneButtonDown(POINT client);
    void OnPaneMouseMove(POINT client);
    void EndPaneDrag();
    void ShowSelectedTreeLabel();

    // Quick filter (MainFilter.cpp): a box above each list.
    HWND FilterBox(ActiveList list) const;
    void InitFilterBoxes();
    void OnFilterChanged(ActiveList list);
    // Empties a list's box and shows all its frames (a new folder or target).
    void ClearFilter(ActiveList list);
    // Puts the caret in the active list's box (Ctrl+F, Ctrl+E).
    void OnFindFilter();
    // Keys typed in a box: true when taken here. Only F5 and the filter's
    // own keys reach the window's shortcuts; the rest edit the text.
    bool OnFilterKey(MSG* msg);
    // "(12 of 1,000 frames shown)" while a list is filtered, else empty.
    std::string FilterCountText(const CListCtrlZEL& list) const;

    // Drag and drop (MainDragDrop.cpp)
    void RegisterDropTargets();
    void RevokeDropTargets();
    void OnBeginDrag(ActiveList from);
    // Files dropped from outside, as the drop found them before it answered
    // the source. Nothing is touched to find this.
    struct FileDrop {
        std::string destFolder;  // ends with a backslash
        // Frame names by the folder they are in (with its backslash), in the
        // order dropped; frames already in destFolder are left out.
        std::vector<std::pair<std::string, std::vector<std::string>>> groups;
        std::vector<std::string> notFrames;  // names dropped that are no frame
        // Why the whole drop is refused (a language key and its texts);
        // empty when it is not.
        std::string refusalKey;
        std::vector<std::string> refusalArgs;
        bool Transfers() const { return refusalKey.empty() && !groups.empty(); }
    };
    // What a hover over a list would do: the effect wanted, or none.
    DWORD DropEffect(ActiveList onto, IDataObject* data, DWORD keys, DWORD allowed);
    // Takes a drop and posts what it will do; returns the effect the source
    // is told, which is only ever what this window will do itself.
    DWORD AcceptDrop(ActiveList onto, IDataObject* data, DWORD keys, DWORD allowed);
    std::string DropFolder(ActiveList onto) const;
    FileDrop CheckFileDrop(ActiveList onto, const std::vector<std::string>& paths) const;
    CListCtrlZEL& ListOf(ActiveList list) { return list == ActiveList::kSource ? sourceList_ : targetList_; }
    void RunPendingDrop();
    void DropFrames(ActiveList from, const std::vector<std::string>& names, bool copy);
    void DropFiles(ActiveList onto, const FileDrop& drop, bool move);
    friend class CFrameDropTarget;

    // Memory card: drives coming and going, capacity, safe removal (MainCard.cpp)
    void RegisterDriveNotifications();
    void UnregisterDriveNotifications();
    void OnDeviceChange(WPARAM event, LPARAM data);
    void OnShellDriveChange(WPARAM lock, LPARAM processId);
    void OnDrivesChanged(DWORD driveMask);
    // True while the target is a card whose drive holds no readable medium.
    bool IsCardMissing() const;
    // False (after saying so) when the card target is not there.
    bool CheckCardPresent();
    // List 2's title for a width: the whole of it, or it shortened word by
    // word in a fixed order, always with the drive, the count and the free space.
    std::string TargetTitleText(int width) const;
    // List 1's title for a width: while filtered, with the count, which alone
    // stays when the whole does not fit on one line.
    std::string SourceTitleText(int width) const;
    // The first of the forms that fits the width on one line in the titles'
    // font, else the last.
    std::string FittingText(const std::vector<std::string>& forms, int width) const;
    void DisableCardWritesWhenMissing();
    bool CanRemoveCard() const;
    void OnRemoveCardSafely();

    // Frame operations (MainOperations.cpp)
    void OnAdd();
    void OnCopy();
    void OnMoveBack();
    void OnDelete();
    void OnNewFolder();
    void OnRename();
    // Says why a selected row's name cannot be used and returns true, when
    // the list's selection holds one; every operation asks first.
    bool RefuseUnusableSelection(const CListCtrlZEL& list);
    bool PrepareMemoryCard(const std::vector<std::string>& names);
    // Whether the card takes these frames without going past its limit
    // (names already on it replace a frame there).
    bool CardHasRoomFor(const std::vector<std::string>& names) const;
    // Brings both lists and the tree up to date after a transfer, inside its
    // operation; leftFolder is the folder frames moved out of (empty for a
    // copy). A transfer into destFolder that finished as planned patches the
    // lists with the frames that went and came; any other is followed by a
    // fill of both, which also puts right what a stopped transfer left.
    void AfterTransfer(const std::vector<std::string>& transferred, const std::string& leftFolder,
                       const std::string& destFolder = std::string(), bool finished = false);
    void RenameFrame(CListCtrlZEL& list, const std::string& folder, const std::string& fileName,
                     const std::string& newBase);
    // Every command that could start another operation is refused from
    // BeginOperation to EndOperation. Its button is disabled once the
    // operation shows itself (ShowOperationRunning): a progress window, a
    // question or a failure. A short one would only make the buttons flicker.
    void BeginOperation();
    void ShowOperationRunning();
    void EndOperation();
    // The reporter of an operation, which shows it running when it shows itself.
    CWindowReporter MakeReporter(const char* operationKey);
    class OperationScope;

    CZELMaintenanceApp& app_;
    // The second thread of the lists and the operations, for as long as the
    // window is: first made, last gone.
    win::HelperScope helpers_;
    ActiveList activeList_ = ActiveList::kNone;
    win::Font font_;
    LOGFONTA logFont_ = {};
    win::Font boldFont_;
    CFolderTreeCtrl tree_;
    CListCtrlZEL sourceList_;
    CListCtrlZEL targetList_;
    win::AccelTable accelerators_;
    bool refreshing_ = false;
    DWORD drivesChangedMeanwhile_ = 0;         // drives that came or went during an operation
    std::vector<std::string> listingsFailed_;  // folders a fill could not read whole, not yet said
    CFrameTransfer transfer_;
    win::Icon icon_;

    MenuTracker menuTracker_;
    MainLayoutInput layoutInput_ = {};
    int sourceTitleHeight_ = 0;  // list 1's title wrapped at its width in the layout
    MainLayout layout_ = {};
    struct PaneDrag {
        PaneGap gap = PaneGap::kNone;
        int startX = 0;
        int startWidth = 0;
        int targetWidth = 0;  // list 2's, which the tree's gap leaves alone
    } paneDrag_;
    // A drop accepted and posted, run by RunPendingDrop.
    struct PendingDrop {
        ActiveList onto = ActiveList::kNone;
        ActiveList from = ActiveList::kNone;  // kNone for files from outside
        std::vector<std::string> items;       // frame names dragged between the lists
        FileDrop files;                       // files from outside
        DWORD effect = DROPEFFECT_NONE;       // the effect wanted
    };
    std::unique_ptr<PendingDrop> pendingDrop_;
    win::ComPtr<IDropTarget> sourceDropTarget_;
    win::ComPtr<IDropTarget> targetDropTarget_;
    win::Icon smallIcon_;
    int dpi_ = 96;
    ULONG shellNotifyId_ = 0;
    CMemoryCardWizard* openWizard_ = nullptr;  // while the card wizard runs
    DriveTypeFunction cardDriveType_;
    CardEjectCalls ejectCalls_ = SystemCardEjectCalls();
    bool operationRunning_ = false;
    bool operationShown_ = false;  // the buttons show the running operation
    HWND focusBeforeOperation_ = nullptr;
    DWORD progressDelayMs_;
};

// Marks an operation as running for the time of a scope.
class CZELMaintenanceDlg::OperationScope {
public:
    explicit OperationScope(CZELMaintenanceDlg& dialog) : dialog_(dialog) { dialog_.BeginOperation(); }
    ~OperationScope() { dialog_.EndOperation(); }
    OperationScope(const OperationScope&) = delete;
    OperationScope& operator=(const OperationScope&) = delete;

private:
    CZELMaintenanceDlg& dialog_;
};
