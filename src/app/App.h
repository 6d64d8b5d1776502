// The application object: start-up (single instance, companion check, OLE,
// settings), the settings themselves, where the target folders are, and the
// exit step that writes the settings back.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>

#include "app/PaneShares.h"
#include "win/Handles.h"

// How Run() ended; the process exit code.
enum class StartResult : int {
    kMainWindowClosed = 0,
    kOtherInstanceRunning = 1,
    kLumadexRefused = 2,
    kOleFailed = 3,
    kLanguageFileUnusable = 4,
};

// Target kinds, the values of LayoutAdditionTo: which folder list 2 shows.
enum TargetKind : int {
    kTargetLumadexFolder = 0,  // the companion's frame folder
    kTargetMemoryCard = 1,     // the frame folder of the chosen memory card
};

class CZELMaintenanceApp {
public:
    // Runs the main window modally; returns when it has closed.
    using MainWindowRunner = std::function<void(CZELMaintenanceApp& app)>;

    CZELMaintenanceApp();
    ~CZELMaintenanceApp();
    CZELMaintenanceApp(const CZELMaintenanceApp&) = delete;
    CZELMaintenanceApp& operator=(const CZELMaintenanceApp&) = delete;

    // Start-up, main window, exit step. The settings are written at the end
    // only when they were loaded, so an early end leaves the stored ones alone.
    int Run(const MainWindowRunner& runMainWindow);
    StartResult LastResult() const { return result_; }

    void LoadSettings();
    void SaveSettings();
    bool SettingsLoaded() const { return settingsLoaded_; }

    // The lists' order: SortMode's 0 (title) or 1 (paper), or 2 (date
    // modified), which is stored apart as SortByDate, SortMode keeping the
    // order chosen before it for whatever reads only SortMode.
    int GetSortMode() const { return sortByDate_ ? 2 : sortMode_; }
    void SetSortMode(int mode) {
        sortByDate_ = mode == 2;
        if (!sortByDate_) sortMode_ = mode;
    }
    // Whether the lists run from the last key to the first (SortDescending).
    bool GetSortDescending() const { return sortDescending_; }
    void SetSortDescending(bool descending) { sortDescending_ = descending; }
    // A TargetKind.
    int GetLayoutAdditionTo() const { return layoutAdditionTo_; }
    void SetLayoutAdditionTo(int kind) { layoutAdditionTo_ = kind; }
    // A drive root such as "E:\"; anything else is taken as empty.
    const std::string& GetMemoryCardDrive() const { return memoryCardDrive_; }
    void SetMemoryCardDrive(const std::string& drive);

    // The normal (not maximised) window rectangle in screen coordinates;
    // -1 in all four values means none was ever stored.
    void StoreWindowRect(int left, int top, int right, int bottom, bool zoomed);
    void GetStoredWindowRect(RECT& rect, bool& zoomed) const;
    // The main window's pane proportions, in ten-thousandths (see PaneShares.h).
    int GetTreePane() const { return treePane_; }
    int GetSourcePane() const { return sourcePane_; }
    void SetPanes(int treePane, int sourcePane) {
        treePane_ = treePane;
        sourcePane_ = sourcePane;
    }
    // The widths list 1 (0) or list 2 (1) has for columns the user sized by
    // hand, at 96 DPI; 0 for a column that follows the list.
    ListColumnWidths GetListColumns(int list) const { return listColumns_[list == 1]; }
    void SetListColumns(int list, ListColumnWidths widths) { listColumns_[list == 1] = widths; }

    // "<Windows drive>\Program Files\Common Files\ZEL"
    std::string GetLumadexTargetFolder() const;
    // MemoryCardDrive + "VOZEL"
    std::string GetMemoryCardFolder() const;
    // The folder list 2 shows for the current target kind.
    std::string GetTargetFolder() const;
    // The companion's "Config\ZEL" folder beside its program.
    std::string GetLumadexConfigFolder() const;

    // True when files may be changed: the companion is not running, or the
    // user retried until it was closed. False when the user cancelled.
    bool EnsureLumadexClosed() const;
    // The same check under its historical name, which reads the wrong way
    // round (true when the companion is NOT running); new callers use the
    // name above.
    bool IsLumadexRunning() const { return EnsureLumadexClosed(); }
    bool IsMemoryCardTargetEnabled() const;

    // The application title string (mutex name, window title, box caption).
    static std::string Title();
    // "Software\ZORVA\<title>" under HKEY_CURRENT_USER.
    static std::string SettingsKeyPath();
    // "QuilletTool.exe /uninstall", which the installer runs when the program
    // is removed: deletes what the program stored for the user who runs it
    // (the settings key, the ZORVA key when nothing else is left in it, and
    // the frame cache). Frames left parked by a stopped replace are the
    // user's, and stay. Shows nothing.
    static bool IsUninstallCommand(const char* commandLine);
    static void ForgetUserData();

    // Seams for tests. An OLE initialiser replaces the real one; a language
    // file replaces the program's own for the application's lookups.
    void SetOleInitializer(std::function<bool()> initialize) { oleInitializer_ = std::move(initialize); }
    void SetLanguageFile(std::string iniPath) { languageFile_ = std::move(iniPath); }

private:
    bool AcquireSingleInstance(const std::string& title);
    static void BringOtherInstanceForward(const std::string& title);
    bool InitializeOle();
    bool CheckLanguageFile() const;
    void CheckStoredTarget();
    std::string LangString(const char* key) const;

    int sortMode_ = 0;
    bool sortDescending_ = false;
    bool sortByDate_ = false;
    int layoutAdditionTo_ = 0;
    std::string memoryCardDrive_;
    int left_ = 0;
    int top_ = 0;
    int width_ = 0;
    int height_ = 0;
    int zoomed_ = 0;
    int treePane_ = kDefaultTreePane;
    int sourcePane_ = kDefaultSourcePane;
    ListColumnWidths listColumns_[2];
    bool settingsLoaded_ = false;
    StartResult result_ = StartResult::kMainWindowClosed;

    win::KernelObject instanceMutex_;
    std::unique_ptr<win::OleScope> ole_;
    std::function<bool()> oleInitializer_;
    std::string languageFile_;
};

// A drive root of three characters (letter, colon, backslash) as given, or
// empty for anything else.
std::string ValidDriveRootOrEmpty(const std::string& text);

// The drive and folder part of a path, ending where the last separator ends:
// "D:\Apps\Lux\lux.exe" gives "D:\Apps\Lux\", "D:lux.exe" gives "D:".
std::string DriveAndFolderOf(const std::string& path);
