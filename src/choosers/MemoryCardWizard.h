// The two-page wizard in which the user picks the drive of a memory card:
// an explanation, then the drive list with a rescan button. Its result is a
// drive root; the card's frame folder is that root followed by "VOZEL".
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "choosers/DriveComboBox.h"
#include "win/Dialog.h"
#include "win/Handles.h"

// Page 1: the explanation.
class CMemoryCardSheet1 : public win::Dialog {
public:
    // The page window is made with Create(parent), as a child of the wizard.
    CMemoryCardSheet1();

protected:
    BOOL OnInitDialog() override;
    void OnOK() override {}
    void OnCancel() override {}
    void OnDestroy() override { font_.Reset(); }

private:
    win::Font font_;
};

// Page 2: the drive list and the rescan button. The list and the wizard's
// OK button are enabled exactly when the list has entries.
class CMemoryCardSheet2 : public win::Dialog {
public:
    CMemoryCardSheet2();

    CDriveComboBox& DriveList() { return driveList_; }
    const CDriveComboBox& DriveList() const { return driveList_; }
    void Rescan();

protected:
    INT_PTR HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
    BOOL OnInitDialog() override;
    bool OnCommand(WORD id, WORD code, HWND control) override;
    void OnOK() override {}
    void OnCancel() override {}
    void OnDestroy() override { font_.Reset(); }

private:
    void ApplyEnableRule();

    CDriveComboBox driveList_;
    win::Font font_;
};

class CMemoryCardWizard : public win::Dialog {
public:
    explicit CMemoryCardWizard(HWND parent);
    ~CMemoryCardWizard() override;

    // Runs the wizard over the parent; sourceFolder is the folder the tree
    // shows, which may not become the target. IDOK when a drive was accepted.
    virtual INT_PTR DoModal(const std::string& sourceFolder);
    // Without a source folder there is nothing to check against: shows
    // nothing and answers IDABORT.
    virtual INT_PTR DoModal() { return IDABORT; }

    // After IDOK: the root of the chosen drive ("E:\").
    std::string GetChosenDrive() const;

    // Tests replace the drive-type query of page 2's list.
    void SetDriveTypeFunction(DriveTypeFunction driveType);

    CMemoryCardSheet1& Page1() { return *page1_; }
    CMemoryCardSheet2& Page2() { return *page2_; }
    int PageFlag() const { return pageFlag_; }
    void SetSourceFolder(const std::string& folder) { sourceFolder_ = folder; }

protected:
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnDestroy() override { font_.Reset(); }

private:
    void ShowPage(int page);
    void PlacePage(HWND page) const;

    HWND parent_;
    std::unique_ptr<CMemoryCardSheet1> page1_;
    std::unique_ptr<CMemoryCardSheet2> page2_;
    int pageFlag_ = 0;
    std::string sourceFolder_;
    win::Font font_;
};
