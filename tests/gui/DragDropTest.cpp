// Drops onto the frame lists through the real drop targets, with data
// objects as the lists themselves and Explorer would give them.
#include <windows.h>
#include <ole2.h>

#include "OperationsFixture.h"
#include "app/LangStrings.h"
#include "app/MessageBox.h"
#include "resource.h"
#include "win/DataObject.h"
#include "win/Handles.h"

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
    // Enter, hover and drop with the keys held; the effect the target gave
    // at the drop. The posted operation has run when this returns.
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
        EXPECT_EQ(effect, hovered);
        Pump();
        return effect;
    }
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
    EXPECT_EQ(
        Drop(List::kTarget, Files({outside / "FERN.USD", outside / "notes.txt", other / "IVY.USD"}).Get(), 0),
        DROPEFFECT_COPY);
    ASSERT_EQ(boxes_.size(), 1u);
    EXPECT_EQ(boxes_[0].text, GetLangString("ERR_DROP_NOT_FRAME") + "\nnotes.txt");
    EXPECT_EQ(boxes_[0].flags, static_cast<UINT>(MB_OK | MB_ICONHAND));
    EXPECT_EQ(ListNames(dialog_->TargetList()), (std::vector<std::string>{"FERN.USD", "IVY.USD"}));
    EXPECT_TRUE(Exists(std::string(kCardFolder) + "\\FERN\\parts\\piece.bin"));
    EXPECT_TRUE(Exists(outside / "FERN.USD"));

    // Shift moves, onto the source list's folder.
    boxes_.clear();
    EXPECT_EQ(Drop(List::kSource, Files({outside / "MOSS.USD"}).Get(), MK_SHIFT), DROPEFFECT_MOVE);
    EXPECT_TRUE(boxes_.empty()) << BoxText(0);
    EXPECT_TRUE(Exists(dir_ / "MOSS\\layout.jpg"));
    EXPECT_FALSE(Exists(outside / "MOSS.USD"));
    EXPECT_FALSE(Exists(outside / "MOSS"));
    EXPECT_EQ(ListNames(dialog_->SourceList()), (std::vector<std::string>{"ALPHA.USD", "MOSS.USD"}));

    // A frame dropped on the folder it is in stays as it is.
    Drop(List::kSource, Files({dir_ / "ALPHA.USD"}).Get(), 0);
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

    Drop(List::kTarget, Files({outside / "FERN.USD", outside / "MOSS.USD"}).Get(), 0);
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
