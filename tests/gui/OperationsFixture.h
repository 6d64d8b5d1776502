// The main window with frames on disk for the operation buttons: a source
// folder opened in the tree, the memory card drive M: of the test prefix,
// the companion's folder and the recycle bin, each put back after a test.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "MainWindowFixture.h"
#include "ModalDriver.h"
#include "TestFiles.h"
#include "win/Handles.h"

inline constexpr char kCardFolder[] = "M:\\VOZEL";

class OperationsFixture : public MainWindowFixture {
protected:
    void SetUp() override;
    void TearDown() override;

    // Next Open() shows the memory card M: as the target.
    void UseMemoryCard();
    // In the Japanese code page (932) the windows show the Japanese language
    // file until the test ends; returns the language they show.
    std::string UseLanguageOfCodePage();
    // Opens the window with folder selected in the tree and loaded (expanded).
    void OpenOn(const std::string& folder);
    // The tree item of path, expanded so that its children are loaded.
    HTREEITEM LoadNode(const std::string& path);
    // Folder names of the children the tree holds now, without loading more.
    std::vector<std::string> LoadedChildren(HTREEITEM item) const;

    void SelectNames(CListCtrlZEL& list, std::initializer_list<const char*> names);
    static std::vector<std::string> ListNames(const CListCtrlZEL& list);
    // Names of the entries of a folder (files and folders), sorted.
    static std::vector<std::string> Entries(const std::string& folder);
    // count frames PREFIXnnn.USD, each with an empty companion folder.
    static void WriteBareFrames(const std::string& folder, const std::string& prefix, int count);

    // The companion looks running until the test ends: its caption names a
    // semaphore this test holds.
    void MakeLumadexLookRunning();
    // The Windows path of the recycle bin's files folder (Wine's XDG trash).
    static std::string TrashFiles();

    // A name dialog action: remember the field, type text, press OK.
    static testing_support::ModalDriver::Action TypeAndOk(const std::string& text,
                                                          std::vector<std::string>* seen);
    // A replace dialog action: remember the question and both frames'
    // texts, tick "the same for the rest" when asked, press the button.
    struct ReplaceSeen {
        std::string question, existing, incoming, forAll;  // forAll empty when hidden
    };
    static testing_support::ModalDriver::Action AnswerReplace(int button, bool forAll = false,
                                                              std::vector<ReplaceSeen>* seen = nullptr);
    // The progress window over the main window, or null.
    HWND FindProgressWindow() const;
    // Runs check from a timer while an operation pumps messages (every 10 ms
    // until the returned object goes).
    class WhileRunning {
    public:
        explicit WhileRunning(std::function<void()> check);
        ~WhileRunning();
        WhileRunning(const WhileRunning&) = delete;
        WhileRunning& operator=(const WhileRunning&) = delete;

    private:
        static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD);
        UINT_PTR timer_;
    };
    // A frame with a companion folder holding one file of the given size.
    static void WriteSizedFrame(const std::string& folder, const std::string& base, DWORD bytes);

    std::string BoxText(size_t i) const { return i < boxes_.size() ? boxes_[i].text : std::string("<none>"); }

    testing_support::TempDir dir_;

private:
    std::vector<std::string> lumadexBefore_;
    std::vector<std::string> trashBefore_;
    std::vector<std::string> trashInfoBefore_;
    win::KernelObject lumadexSemaphore_;
};
