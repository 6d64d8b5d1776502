// The owner-drawn drop-down list of removable and fixed drives from which the
// user picks the drive of a memory card. Every entry is drawn from two
// bitmaps rendered once per fill (normal and highlighted), so painting an
// entry is a single image-list copy.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "win/Handles.h"

// The drive-type query used while enumerating; GetDriveTypeA unless a test
// gives another (Wine's drive types only change with a server restart).
using DriveTypeFunction = std::function<UINT(const std::string& root)>;

// Roots ("C:\" ... "Z:\") of the drives from C: to Z: whose type is
// removable or fixed, in letter order. A: and B: are never offered.
std::vector<std::string> ListCardDriveRoots(const DriveTypeFunction& driveType);

// Index of the entry to select: the last root equal to preferred (case does
// not matter), else the last "C:\", else 0 (also for an empty list).
int ChooseDriveIndex(const std::vector<std::string>& roots, const std::string& preferred);

// One entry's record, held in the entry's item data.
struct DriveItemData {
    std::string root;
    int normalImage = -1;
    int highlightedImage = -1;
};

class CDriveComboBox {
public:
    CDriveComboBox();
    ~CDriveComboBox();
    CDriveComboBox(const CDriveComboBox&) = delete;
    CDriveComboBox& operator=(const CDriveComboBox&) = delete;

    // Binds the object to the combo box window; the control then clears
    // itself when that window is destroyed.
    void Attach(HWND combo);
    HWND Handle() const { return hwnd_; }

    void SetDriveTypeFunction(DriveTypeFunction driveType);

    // Sizes the entries from the control's font and creates the image list;
    // called once before the first fill.
    void MeasureDriveItems();
    // First fill: selects "C:\" if listed, else the first entry.
    void FillDrives();
    // Fills again, keeping the selected drive when it is still listed.
    void RescanDrives();
    // Root of the drive last selected; empty if none ever was.
    const std::string& GetSelectedDrive() const { return selectedDrive_; }
    int GetCount() const;

    // Handlers for what the parent receives about this control (CBN_SELCHANGE,
    // WM_MEASUREITEM, WM_DRAWITEM). The owner-draw ones return false when the
    // request is not this control's or the control is not bound yet.
    void OnSelChange();
    bool MeasureItem(MEASUREITEMSTRUCT* measure) const;
    bool DrawItem(const DRAWITEMSTRUCT* draw) const;

    int ItemWidth() const { return itemWidth_; }
    int ItemHeight() const { return itemHeight_; }
    HIMAGELIST ImageList() const { return imageList_.Get(); }

private:
    struct DriveLook;
    static DriveLook LookUpDrive(const std::string& root);
    static LRESULT CALLBACK SubclassProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam,
                                         UINT_PTR idSubclass, DWORD_PTR refData);
    void Fill(const std::string& preferred);
    void Clear();
    void Detach();
    void AddDrive(const std::string& root);
    int RenderImage(const std::string& root, const DriveLook& look, bool highlighted);
    const DriveItemData* ItemData(int index) const;

    HWND hwnd_ = nullptr;
    win::ImageList imageList_;
    int itemWidth_ = 0;
    int itemHeight_ = 0;
    std::string selectedDrive_;
    int labelWidth_ = 0;
    int labelHeight_ = 0;
    DriveTypeFunction driveType_;
    // Owns the records whose addresses the entries hold as item data.
    std::vector<std::unique_ptr<DriveItemData>> records_;
};
