// Drops onto the frame lists through the real drop targets, with data
// objects as the lists themselves and Explorer would give them, and dragged
// from another process by drag_files.exe through the system's own drag loop.
#include <windows.h>
#include <ole2.h>

#include <shlobj.h>

#include <cstdio>
#include <cstdlib>
#include <utility>

#include "OperationsFixture.h"
#include "app/LangStrings.h"
#include "app/MessageBox.h"
#include "ops/OperationReporter.h"
#include "resource.h"
#include "win/DataObject.h"
#include "win/Handles.h"
#include "win/Names.h"
#include "win/Strings.h"

using testing_support::Exists;
using testing_support::MakeDirs;
using testing_support::TempDir;
using List = CZELMaintenanceDlg::ActiveList;

namespace {

class DragDropTest : public OperationsFixture {
protected:
    // Frames as a drag from one of the window's lists carries them.
    win::ComPtr<IDataObject> FramesFrom(List from, std::initializer_list<const char*> names) {
        CListCtrlZEL& list = from == List::kSource ? dialog_->SourceList() : dialog_->TargetList();
        std::string text = std::to_string(reinterpret_cast<UINT_PTR>(dialog_->Handle())) +
                           (from == List::kSource ? "\n1\n" : "\n2\n") + list.Folder();
        for (const char* name : names) text += std::string("\n") + name;
        win::ComPtr<IDataObject> data;
        *data.Put() = win::CreateMemoryDataObject(
            {{static_cast<CLIPFORMAT>(CZELMaintenanceDlg::FramesClipboardFormat()), text}});
        return data;
    }
    static win::ComPtr<IDataObject> Files(const std::vector<std::string>& paths) {
        win::ComPtr<IDataObject> data;
        *data.Put() = win::CreateMemoryDataObject({{CF_HDROP, win::MakeFileDropBlock(paths)}});
        return data;
    }
    // A file list in UTF-16, as Explorer writes it.
    static win::ComPtr<IDataObject> WideFiles(const std::vector<std::wstring>& paths) {
        DROPFILES header = {};
        header.pFiles = sizeof header;
        header.fWide = TRUE;
        std::string bytes(reinterpret_cast<const char*>(&header), sizeof header);
        for (const std::wstring& path : paths)
            bytes.append(reinterpret_cast<const char*>(path.c_str()), (path.size() + 1) * sizeof(wchar_t));
        bytes.append(sizeof(wchar_t), '\0');
        win::ComPtr<IDataObject> data;
        *data.Put() = win::CreateMemoryDataObject({{CF_HDROP, bytes}});
        return data;
    }
    // What the drop told the data object: the performed and the logical
    // performed effect, ~0u for one it did not set.
    static std::pair<DWORD, DWORD> Outcome(IDataObject* data) {
        DWORD performed = ~0u, logical = ~0u;
        win::ReadDropEffect(data, win::kPerformedDropEffectFormat, performed);
        win::ReadDropEffect(data, win::kLogicalPerformedDropEffectFormat, logical);
        return {performed, logical};
    }
    // Enter, hover and drop with the keys held; the effect the target gave
    // at the drop, which is the one it showed or none. The posted operation
    // has run when this returns.
    DWORD Drop(List onto, IDataObject* data, DWORD keys) {
        IDropTarget* target = dialog_->DropTarget(onto);
        EXPECT_NE(target, nullptr);
        if (!target) return DROPEFFECT_NONE;
        const POINTL at = {0, 0};
        DWORD effect = DROPEFFECT_MOVE | DROPEFFECT_COPY;
        target->DragEnter(data, keys | MK_LBUTTON, at, &effect);
        effect = DROPEFFECT_MOVE | DROPEFFECT_COPY;
        target->DragOver(keys | MK_LBUTTON, at, &effect);
        const DWORD hovered = effect;
        effect = DROPEFFECT_MOVE | DROPEFFECT_COPY;
        target->Drop(data, keys, at, &effect);
        EXPECT_TRUE(effect == hovered || effect == DROPEFFECT_NONE) << effect << " after " << hovered;
        Pump();
        return effect;
    }

    // What drag_files.exe heard; ~0u for a format the target did not set.
    struct Heard {
        DWORD result = 0, effect = ~0u, performed = ~0u, logical = ~0u;
        int deleted = -1;
    };
    // Drags files from drag_files.exe, a process of its own, onto the middle
    // of a list with a key held ("none", "shift"); that source deletes the
    // files it offered when it hears a move it must complete. This thread
    // answers the drop meanwhile, and the posted operation has run when this
    // returns.
    Heard DragFromOtherProcess(List onto, const std::vector<std::string>& paths, const char* key) {
        CListCtrlZEL& list = onto == List::kSource ? dialog_->SourceList() : dialog_->TargetList();
        RECT r;
        ::GetWindowRect(list.Handle(), &r);
        const std::string out = results_ / "heard.txt";
        ::DeleteFileA(out.c_str());
        std::string commandLine = "\"" + testing_support::ModuleFolder() + "drag_files.exe\" \"" + out +
                                  "\" " + std::to_string((r.left + r.right) / 2) + " " +
                                  std::to_string((r.top + r.bottom) / 2) + " copy+move " + key +
                                  " delete-on-move";
        for (const std::string& path : paths) commandLine += " \"" + path + "\"";
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION info = {};
        Heard heard;
        if (!::CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                              &startup, &info)) {
            ADD_FAILURE() << "drag_files.exe did not start: " << ::GetLastError();
            return heard;
        }
        ::CloseHandle(info.hThread);
        win::KernelObject process(info.hProcess);
        const DWORD start = ::GetTickCount();
        while (::MsgWaitForMultipleObjects(1, &info.hProcess, FALSE, 1000, QS_ALLINPUT) != WAIT_OBJECT_0) {
            Pump();
            if (::GetTickCount() - start > 60000) {
                ::TerminateProcess(info.hProcess, 1);
                ADD_FAILURE() << "drag_files.exe did not finish";
                return heard;
            }
        }
        Pump();
        const std::string line = testing_support::ReadFile(out);
        char performed[16] = "", logical[16] = "";
        unsigned long result = 0, effect = 0;
        if (std::sscanf(line.c_str(), "result=%lx effect=%lu performed=%15s logical=%15s deleted=%d", &result,
                        &effect, performed, logical, &heard.deleted) != 5) {
            ADD_FAILURE() << "drag_files.exe wrote: " << line;
            return heard;
        }
        heard.result = static_cast<DWORD>(result);
        heard.effect = static_cast<DWORD>(effect);
        if (performed[0] != '-') heard.performed = static_cast<DWORD>(std::strtoul(performed, nullptr, 10));
        if (logical[0] != '-') heard.logical = static_cast<DWORD>(std::strtoul(logical, nullptr, 10));
        return heard;
    }

    // Wine 8 marshals no IDataObject::SetData (its proxy is a stub that
    // answers E_NOTIMPL), so a source in another process hears the effect
    // alone there; what the drop sets is checked on drops in this process.
    static void ExpectHeard(const Heard& heard, DWORD effect, DWORD performed, DWORD logical) {
        static const bool underWine =
            ::GetProcAddress(::GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr;
        EXPECT_EQ(heard.result, static_cast<DWORD>(DRAGDROP_S_DROP));
        EXPECT_EQ(heard.effect, effect);
        EXPECT_EQ(heard.performed, underWine ? ~0u : performed);
        EXPECT_EQ(heard.logical, underWine ? ~0u : logical);
        EXPECT_EQ(heard.deleted, 0);
    }

    testing_support::TempDir results_;
};

}  // namespace

TEST_F(DragDropTest, FramesDraggedBetweenTheListsAddMoveBackOrCopy) {
    WriteFrame(dir_.Path(), "ALPHA", "Alpha");
    WriteFrame(dir_.Path(), "BETA", "Beta");
    WriteFrame(dir_.Path(), "GAMMA", "Gamma");
    UseMemoryCard();
    OpenOn(dir_.Path());

    // Onto the list it came from: refused, nothing happens.
    EXPECT_EQ(Drop(List::kSource, FramesFrom(List::kSource, {"ALPHA.USD"}).Get(), 0), DROPEFFECT_NONE);

    // Source onto target: an add of exactly the frames dragged.
    Focus(dialog_->SourceList());
    SelectNames(dialog_->SourceList(), {"GAMMA.USD"});
    EXPECT_EQ(Drop(List::kTarget, FramesFrom(List::kSource, {"ALPHA.USD", "BETA.USD"}).Get(), 0),
              DROPEFFECT_MOVE);
    EXPECT_TRUE(boxes_.empty()) << BoxText(0);
    EXPECT_EQ(ListNames(dialog_->TargetList()), (std::vector<std::string>{"ALPHA.USD", "BETA.USD"}));
    EXPECT_EQ(ListNames(dialog_->SourceList()), std::vector<std::string>{"GAMMA.USD"});
    EXPECT_TRUE(Exists(std::string(kCardFolder) + "\\ALPHA\\parts\\piece.bin"));

    // Target onto source with Ctrl: a copy back; without: a move back.
    EXPECT_EQ(Drop(List::kSource, FramesFrom(List::kTarget, {"ALPHA.USD"}).Get(), MK_CONTROL),
              DROPEFFECT_COPY);
    EXPECT_TRUE(Exists(dir_ / "ALPHA.USD"));
    EXPECT_TRUE(Exists(std::string(kCardFolder) + "\\ALPHA.USD"));
    EXPECT_EQ(Drop(List::kSource, FramesFrom(List::kTarget, {"BETA.USD"}).Get(), 0), DROPEFFECT_MOVE);
    EXPECT_TRUE(Exists(dir_ / "BETA\\layout.jpg"));
    EXPECT_FALSE(Exists(std::string(kCardFolder) + "\\BETA.USD"));
    EXPECT_EQ(ListNames(dialog_->SourceList()),
              (std::vector<std::string>{"ALPHA.USD", "BETA.USD", "GAMMA.USD"}));
    EXPECT_TRUE(boxes_.empty()) << BoxText(0);

    // The replace question of the add comes up for a frame already there;
    // Skip keeps the frame on the card as it was.
    std::vector<ReplaceSeen> seen;
    {
        testing_support::ModalDriver driver({AnswerReplace(IDC_REPLACE_SKIP, false, &seen)});
        Drop(List::kTarget, FramesFrom(List::kSource, {"ALPHA.USD"}).Get(), 0);
    }
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_NE(seen[0].question.find("Alpha"), std::string::npos) << seen[0].question;
    EXPECT_TRUE(boxes_.empty()) << BoxText(0);
    EXPECT_TRUE(Exists(dir_ / "ALPHA.USD"));
}

TEST_F(DragDropTest, FilesFromExplorerAreCopiedOrMovedWithTheirFolders) {
    TempDir outside;
    WriteFrame(outside.Path(), "FERN", "Fern");
    WriteFrame(outside.Path(), "MOSS", "Moss");
    testing_support::WriteFile(outside / "notes.txt", "not a frame");
    TempDir other;
    WriteFrame(other.Path(), "IVY", "Ivy");
    WriteFrame(dir_.Path(), "ALPHA", "Alpha");
    UseMemoryCard();
    OpenOn(dir_.Path());

    // Onto the card, from two folders, with a file that is no frame: one
    // message names it, the frames arrive with their companion folders.
    win::ComPtr<IDataObject> three = Files({outside / "FERN.USD", outside / "notes.txt", other / "IVY.USD"});
    EXPECT_EQ(Drop(List::kTarget, three.Get(), 0), DROPEFFECT_COPY);
    EXPECT_EQ(Outcome(three.Get()), (std::pair<DWORD, DWORD>(DROPEFFECT_COPY, DROPEFFECT_COPY)));
    ASSERT_EQ(boxes_.size(), 1u);
    EXPECT_EQ(boxes_[0].text, GetLangString("ERR_DROP_NOT_FRAME") + "\nnotes.txt");
    EXPECT_EQ(boxes_[0].flags, static_cast<UINT>(MB_OK | MB_ICONINFORMATION));
    EXPECT_EQ(ListNames(dialog_->TargetList()), (std::vector<std::string>{"FERN.USD", "IVY.USD"}));
    EXPECT_TRUE(Exists(std::string(kCardFolder) + "\\FERN\\parts\\piece.bin"));
    EXPECT_TRUE(Exists(outside / "FERN.USD"));

    // Shift moves, onto the source list's folder; the source hears that
    // there is nothing left for it to delete.
    boxes_.clear();
    win::ComPtr<IDataObject> moss = Files({outside / "MOSS.USD"});
    EXPECT_EQ(Drop(List::kSource, moss.Get(), MK_SHIFT), DROPEFFECT_NONE);
    EXPECT_EQ(Outcome(moss.Get()), (std::pair<DWORD, DWORD>(DROPEFFECT_NONE, DROPEFFECT_MOVE)));
    EXPECT_TRUE(boxes_.empty()) << BoxText(0);
    EXPECT_TRUE(Exists(dir_ / "MOSS\\layout.jpg"));
    EXPECT_FALSE(Exists(outside / "MOSS.USD"));
    EXPECT_FALSE(Exists(outside / "MOSS"));
    EXPECT_EQ(ListNames(dialog_->SourceList()), (std::vector<std::string>{"ALPHA.USD", "MOSS.USD"}));

    // A frame dropped on the folder it is in stays as it is.
    EXPECT_EQ(Drop(List::kSource, Files({dir_ / "ALPHA.USD"}).Get(), 0), DROPEFFECT_NONE);
    EXPECT_TRUE(boxes_.empty()) << BoxText(0);
    EXPECT_TRUE(Exists(dir_ / "ALPHA\\layout.jpg"));
}

TEST_F(DragDropTest, ADropObeysTheCardLimitAndIsRefusedWhileATransferRuns) {
    WriteBareFrames(kCardFolder, "C", 99);
    TempDir outside;
    WriteFrame(outside.Path(), "FERN", "Fern");
    WriteFrame(outside.Path(), "MOSS", "Moss");
    WriteFrame(dir_.Path(), "ROSE", "Rose");
    WriteFrame(dir_.Path(), "TULIP", "Tulip");
    UseMemoryCard();
    OpenOn(dir_.Path());
    const auto cardBefore = Entries(kCardFolder);

    win::ComPtr<IDataObject> two = Files({outside / "FERN.USD", outside / "MOSS.USD"});
    EXPECT_EQ(Drop(List::kTarget, two.Get(), 0), DROPEFFECT_NONE);
    EXPECT_EQ(Outcome(two.Get()), (std::pair<DWORD, DWORD>(DROPEFFECT_NONE, DROPEFFECT_NONE)));
    Drop(List::kTarget, FramesFrom(List::kSource, {"ROSE.USD", "TULIP.USD"}).Get(), 0);
    ASSERT_EQ(boxes_.size(), 2u);
    for (const ShownBox& box : boxes_) EXPECT_EQ(box.text, GetLangString("ERR_ZELLIT2_OVER_MAX_NUM"));
    EXPECT_EQ(Entries(kCardFolder), cardBefore);
    EXPECT_TRUE(Exists(outside / "FERN.USD"));
    EXPECT_EQ(dialog_->SourceList().GetItemCount(), 2);

    // While the add of ROSE asks to replace, a drop is refused outright.
    WriteFrame(kCardFolder, "C000", "Old");
    testing_support::WriteFile(dir_ / "C000.USD", "[HEADER]\r\nHdTitle=New\r\n");
    MakeDirs(dir_ / "C000");
    dialog_->SourceList().Refill();
    boxes_.clear();
    DWORD during = DROPEFFECT_COPY;
    {
        testing_support::ModalDriver driver({[&](HWND replace) {
            during = Drop(List::kTarget, Files({outside / "FERN.USD"}).Get(), 0);
            testing_support::ClickButton(replace, IDC_REPLACE_SKIP);
        }});
        Drop(List::kTarget, FramesFrom(List::kSource, {"C000.USD"}).Get(), 0);
        EXPECT_EQ(driver.ActionsRun(), 1);
    }
    EXPECT_EQ(during, DROPEFFECT_NONE);
    EXPECT_TRUE(boxes_.empty()) << BoxText(0);
    EXPECT_FALSE(Exists(std::string(kCardFolder) + "\\FERN.USD"));
}

// Dragged from drag_files.exe, a source in a process of its own that
// deletes the files it offered when it hears a move it must complete, as
// some sources do: it hears a copy only where frames were copied, nothing
// for a refused drop, and an optimized move for a move, so that frames leave
// their folder only by this program's own move.
TEST_F(DragDropTest, ASourceInAnotherProcessHearsOnlyWhatWasDone) {
    TempDir outside;
    for (const char* base : {"FERN", "MOSS", "IVY", "ROSE", "LINKED"}) WriteFrame(outside.Path(), base, base);
    testing_support::WriteFile(outside / "notes.txt", "not a frame");
    TempDir elsewhere;
    MakeDirs(elsewhere / "pictures");
    testing_support::WriteFile(elsewhere / "pictures\\keep.jpg", "keep");
    const std::string link = outside / "LINKED\\photos";
    ASSERT_TRUE(testing_support::MakeLink(elsewhere / "pictures", link));
    OpenOn(dir_.Path());
    const DWORD none = DROPEFFECT_NONE, copy = DROPEFFECT_COPY, move = DROPEFFECT_MOVE;

    // A copy.
    ExpectHeard(DragFromOtherProcess(List::kSource, {outside / "FERN.USD"}, "none"), copy, copy, copy);
    EXPECT_TRUE(boxes_.empty()) << BoxText(0);
    EXPECT_TRUE(Exists(dir_ / "FERN\\parts\\piece.bin"));
    EXPECT_TRUE(Exists(outside / "FERN\\parts\\piece.bin"));

    // Partly refused: the frame is copied and the source hears the copy; the
    // note is named and left where it is.
    ExpectHeard(DragFromOtherProcess(List::kSource, {outside / "MOSS.USD", outside / "notes.txt"}, "none"),
                copy, copy, copy);
    ASSERT_EQ(boxes_.size(), 1u);
    EXPECT_EQ(boxes_[0].text, GetLangString("ERR_DROP_NOT_FRAME") + "\nnotes.txt");
    EXPECT_TRUE(Exists(dir_ / "MOSS\\layout.jpg"));
    EXPECT_TRUE(Exists(outside / "notes.txt"));

    // Refused: a frame holding a link refuses the whole move before anything
    // is touched, and the source hears that nothing happened.
    boxes_.clear();
    const auto outsideBefore = testing_support::Snapshot(outside.Path());
    const auto libraryBefore = testing_support::Snapshot(dir_.Path());
    ExpectHeard(DragFromOtherProcess(List::kSource, {outside / "IVY.USD", outside / "LINKED.USD"}, "shift"),
                none, none, none);
    ASSERT_EQ(boxes_.size(), 1u);
    EXPECT_NE(boxes_[0].text.find(link), std::string::npos) << boxes_[0].text;
    EXPECT_EQ(testing_support::Snapshot(outside.Path()), outsideBefore);
    EXPECT_EQ(testing_support::Snapshot(dir_.Path()), libraryBefore);

    // A move: this program moves the frames, and the source, told that
    // nothing is left for it to do, deletes nothing.
    boxes_.clear();
    ExpectHeard(DragFromOtherProcess(List::kSource, {outside / "IVY.USD", outside / "ROSE.USD"}, "shift"),
                none, none, move);
    EXPECT_TRUE(boxes_.empty()) << BoxText(0);
    EXPECT_TRUE(Exists(dir_ / "IVY\\parts\\piece.bin"));
    EXPECT_TRUE(Exists(dir_ / "ROSE\\layout.jpg"));
    EXPECT_FALSE(Exists(outside / "IVY.USD"));
    EXPECT_FALSE(Exists(outside / "ROSE"));
    EXPECT_EQ(ListNames(dialog_->SourceList()),
              (std::vector<std::string>{"FERN.USD", "IVY.USD", "MOSS.USD", "ROSE.USD"}));
}

// Explorer lists files in UTF-16. A name the code page lacks a character of
// is refused by its real name, never read as its best-fit look-alike, which
// here is another frame's name.
TEST_F(DragDropTest, AFileListInUtf16NeverNamesALookAlike) {
    if (win::LegacyCodePage() != 1252) GTEST_SKIP() << "the name is chosen for code page 1252";
    TempDir outside;
    WriteFrame(outside.Path(), "omega", "Plain omega");
    ASSERT_TRUE(testing_support::WriteFileFromLinux(outside.Path(), L"\u03a9mega.USD",
                                                    "[HEADER]\r\nHdTitle=Not this one\r\n"));
    OpenOn(dir_.Path());
    if (win::ProcessIsUtf8()) {
        // Where the program runs in UTF-8 the name is the frame's own: it comes
        // through, and its look-alike stays where it is.
        testing_support::MakeDirs(outside.Path() + "\\" + win::FromWide(L"\u03a9mega"));
        EXPECT_EQ(
            Drop(List::kSource, WideFiles({win::ToWide(outside.Path()) + L"\\\u03a9mega.USD"}).Get(), 0),
            DROPEFFECT_COPY);
        EXPECT_TRUE(boxes_.empty()) << BoxText(0);
        EXPECT_EQ(testing_support::ReadFile(dir_.Path() + "\\" + win::FromWide(L"\u03a9mega.USD")),
                  "[HEADER]\r\nHdTitle=Not this one\r\n");
        EXPECT_FALSE(Exists(dir_ / "omega.USD"));
        return;
    }

    EXPECT_EQ(Drop(List::kSource, WideFiles({win::ToWide(outside.Path()) + L"\\\u03a9mega.USD"}).Get(), 0),
              DROPEFFECT_NONE);
    ASSERT_EQ(boxes_.size(), 1u);
    EXPECT_EQ(boxes_[0].text,
              ReportText("ERR_NAME_UNUSABLE",
                         {outside / "?mega.USD", NameProblemText(win::NameProblem::kNotInCodePage)}));
    EXPECT_TRUE(Entries(dir_.Path()).empty());

    // A name the code page holds comes through as it is.
    EXPECT_EQ(Drop(List::kSource, WideFiles({win::ToWide(outside / "omega.USD")}).Get(), 0), DROPEFFECT_COPY);
    EXPECT_TRUE(Exists(dir_ / "omega\\layout.jpg"));
}
