#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <mbstring.h>
#include <functional>
#include <random>

#include "ListHost.h"
#include "TestFiles.h"
#include "frames/FrameFilter.h"
#include "frames/FrameInfoCache.h"
#include "frames/FrameInfoCacheLifetime.h"
#include "frames/FrameStore.h"
#include "win/Handles.h"
#include "win/TwoThreads.h"

using testing_support::TempDir;

namespace {
int ImageCount() {
    return ::ImageList_GetImageCount(FrameThumbnailList());
}

// f00.USD to f39.USD, each titled with its file name: more than a screen.
void WriteFortyFrames(const std::string& folder) {
    for (int i = 0; i < 40; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "f%02d.USD", i);
        WriteFrame(folder, name, name);
    }
}

// What a run of the program shows of a folder once every picture is drawn,
// row by row in order: file name, title, paper and margin labels, and a hash
// of the thumbnail's pixels. storeFile is the frame store it uses; empty for
// none, so that everything comes from the files.
std::vector<std::string> ShownRows(const std::string& folder, const std::string& storeFile) {
    UseFrameStoreFile(storeFile);
    // The window's second thread, which lists the folder while its first
    // entries are made into records.
    win::HelperScope helpers;
    ListHost host;
    CListCtrlZEL& list = host.Open(0);
    list.SetFolder(folder);
    EXPECT_TRUE(PumpUntilThumbnails(list));
    std::vector<std::string> rows;
    for (int i = 0; i < list.GetItemCount(); ++i) {
        const FrameInfo* info = FindFrameInfo(list.GetItemPath(i));
        if (!info) {
            rows.push_back(list.GetItemPath(i) + ": no record");
            continue;
        }
        rows.push_back(std::string(info->fileName) + " | " + info->title + " | " + info->paperLabel + " | " +
                       info->marginLabel + " | picture " +
                       std::to_string(std::hash<std::string>()(ThumbnailPixels(info->imageIndex))));
    }
    return rows;
}

// Sets a file's last-write time to a fixed point, hours after now.
void MarkWrittenLater(const std::string& path, int hours) {
    win::FileHandle file(::CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr,
                                       OPEN_EXISTING, 0, nullptr));
    FILETIME now;
    ::GetSystemTimeAsFileTime(&now);
    ULARGE_INTEGER later = {{now.dwLowDateTime, now.dwHighDateTime}};
    later.QuadPart += static_cast<ULONGLONG>(hours) * 36000000000ULL;
    const FILETIME written = {later.LowPart, later.HighPart};
    ASSERT_TRUE(file && ::SetFileTime(file.Get(), nullptr, nullptr, &written));
}

struct DefaultStoreBack {
    ~DefaultStoreBack() { UseFrameStoreFile(DefaultFrameStoreFile()); }
};
}  // namespace

TEST(FrameList, SortsByTitleOrPaperWithFileNamesBreakingTies) {
    TempDir dir;
    WriteFrame(dir.Path(), "b.USD", "Same", "p1");
    WriteFrame(dir.Path(), "A.USD", "Same", "P2");
    WriteFrame(dir.Path(), "c.USD", "apple", "");
    WriteFrame(dir.Path(), "d.USD", "Zebra", "p0");
    ListHost host;
    CListCtrlZEL& list = host.Open(0);
    list.SetFolder(dir.Path());
    EXPECT_EQ(ItemNames(list), "c.USD A.USD b.USD d.USD");
    // Selected: A and d, focus on d. The selection and focus follow their
    // frames to their new rows.
    LVITEMA state{};
    state.stateMask = state.state = LVIS_SELECTED;
    ::SendMessageA(list.Handle(), LVM_SETITEMSTATE, 1, reinterpret_cast<LPARAM>(&state));
    state.stateMask = state.state = LVIS_SELECTED | LVIS_FOCUSED;
    ::SendMessageA(list.Handle(), LVM_SETITEMSTATE, 3, reinterpret_cast<LPARAM>(&state));

    host.sortMode = CListCtrlZEL::kSortByPaper;
    list.Sort();
    EXPECT_EQ(ItemNames(list), "c.USD d.USD b.USD A.USD") << "an empty paper label comes first";
    EXPECT_EQ(list.GetSelectedItems(), (std::vector<int>{1, 3}));
    EXPECT_EQ(::SendMessageA(list.Handle(), LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED), 1);

    // Any other mode finds all frames equal: the order stays. The buttons
    // hear of a sort once, not once per item.
    host.sortMode = 7;
    host.itemChanges = 0;
    list.Sort();
    EXPECT_EQ(ItemNames(list), "c.USD d.USD b.USD A.USD");
    EXPECT_EQ(host.itemChanges, 1);
    list.Refill();
    host.sortMode = CListCtrlZEL::kSortByTitle;
    list.Sort();
    EXPECT_EQ(ItemNames(list), "c.USD A.USD b.USD d.USD");
}

TEST(FrameList, AFilterShowsTheFramesItFindsThroughSortsPatchesAndFills) {
    // Case and width do not count, as the system folds them.
    EXPECT_EQ(FoldForFilter(L"\xFF33\xFF35\xFF2E Sun"), FoldForFilter(L"sun SUN"));  // full-width SUN
    EXPECT_EQ(FoldForFilter(L"\x30B5\x30F3"), FoldForFilter(L"\xFF7B\xFF9D"));       // katakana, both widths
    EXPECT_NE(FoldForFilter(L"sun"), FoldForFilter(L"son"));

    TempDir dir;
    WriteFrame(dir.Path(), "a.USD", "Sunny beach");
    WriteFrame(dir.Path(), "b.USD", "Snowy hill");
    WriteFrame(dir.Path(), "SUNDAY.USD", "Other");  // found by its file name
    WriteFrame(dir.Path(), "d.USD", "Sunset");
    ListHost host;
    CListCtrlZEL& list = host.Open(0);
    list.SetFolder(dir.Path());
    // Selected: b and d. A filter keeps the selection of the frames it shows.
    LVITEMA state{};
    state.stateMask = state.state = LVIS_SELECTED;
    for (int row : {1, 3})
        ::SendMessageA(list.Handle(), LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&state));
    host.itemChanges = 0;
    list.SetFilter("sUn");
    EXPECT_EQ(ItemNames(list), "SUNDAY.USD a.USD d.USD");
    EXPECT_EQ(list.GetSelectedItems(), (std::vector<int>{2}));
    EXPECT_EQ(host.itemChanges, 1);
    EXPECT_EQ(list.FrameCount(), 4u);
    EXPECT_EQ(list.FrameFileNames().size(), 4u);

    // A sort orders what is shown, and what is not when it comes back.
    host.sortDescending = true;
    list.Sort();
    EXPECT_EQ(ItemNames(list), "d.USD a.USD SUNDAY.USD");
    EXPECT_EQ(list.GetSelectedItems(), (std::vector<int>{0}));
    // Frames that come and go pass the filter on their way in.
    WriteFrame(dir.Path(), "e.USD", "Sundial");
    WriteFrame(dir.Path(), "f.USD", "Moon");
    ASSERT_TRUE(::DeleteFileA((dir / "a.USD").c_str()));
    list.Patch({dir / "a.USD"}, {dir / "e.USD", dir / "f.USD"});
    EXPECT_EQ(ItemNames(list), "d.USD e.USD SUNDAY.USD");
    // A fill keeps it, and F5 finds a new title.
    WriteFrame(dir.Path(), "f.USD", "Moon and sun");
    BeginFrameInfoRefresh();
    list.Refill();
    EndFrameInfoRefresh();
    EXPECT_EQ(ItemNames(list), "d.USD e.USD SUNDAY.USD f.USD");
    list.SetFilter("");
    EXPECT_EQ(ItemNames(list), "d.USD e.USD b.USD SUNDAY.USD f.USD");
    list.SetFilter("nothing like it");
    EXPECT_EQ(list.GetItemCount(), 0);
}

TEST(FrameList, ALaterRunShowsUnchangedFramesFromTheStoreAndReadsTheRest) {
    TempDir dir;
    const std::string storeFile = dir / "local\\FrameCache.db";
    UseFrameStoreFile(storeFile);
    struct Back {
        ~Back() { UseFrameStoreFile(DefaultFrameStoreFile()); }
    } back;
    const std::string library = dir / "library";
    ASSERT_TRUE(::CreateDirectoryA(library.c_str(), nullptr));
    const std::string kept = WriteFrame(library, "kept.USD", "Kept", "Roll89");
    WriteSolidJpeg(library + "\\kept\\thumb.jpg", 80, 60, RGB(220, 30, 30));
    const std::string edited = WriteFrame(library, "edited.USD", "Before");
    WriteSolidJpeg(library + "\\edited\\thumb.jpg", 80, 60, RGB(30, 200, 40));
    WriteFrame(library, "gone.USD", "Gone");
    // A run of the program: the list fills and draws every thumbnail; the
    // last list going closes the store.
    auto run = [&](const std::function<void(CListCtrlZEL&)>& check) {
        ListHost host;
        CListCtrlZEL& list = host.Open(0);
        list.SetFolder(library);
        ASSERT_TRUE(PumpUntilThumbnails(list));
        check(list);
    };
    auto centreOf = [](const std::string& path) { return ThumbnailCentre(FindFrameInfo(path)->imageIndex); };
    run([](CListCtrlZEL& list) { EXPECT_EQ(ItemNames(list), "edited.USD gone.USD kept.USD"); });

    // Between runs one frame changed, one went, and the unchanged one and
    // its picture cannot be opened at all: what its row shows comes from
    // the store, or nowhere.
    WriteFrame(library, "edited.USD", "After, longer");
    WriteSolidJpeg(library + "\\edited\\thumb.jpg", 100, 60, RGB(30, 40, 220));
    ASSERT_TRUE(::DeleteFileA((library + "\\gone.USD").c_str()));
    {
        win::FileHandle frameLocked(
            ::CreateFileA(kept.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        win::FileHandle jpegLocked(::CreateFileA((library + "\\kept\\thumb.jpg").c_str(), GENERIC_READ, 0,
                                                 nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(frameLocked && jpegLocked);
        run([&](CListCtrlZEL& list) {
            EXPECT_EQ(ItemNames(list), "edited.USD kept.USD");
            EXPECT_STREQ(FindFrameInfo(kept)->title, "Kept");
            EXPECT_STREQ(FindFrameInfo(kept)->paperLabel, "Roll89");
            EXPECT_TRUE(NearColour(centreOf(kept), RGB(220, 30, 30))) << std::hex << centreOf(kept);
            EXPECT_STREQ(FindFrameInfo(edited)->title, "After, longer");
            EXPECT_TRUE(NearColour(centreOf(edited), RGB(30, 40, 220))) << std::hex << centreOf(edited);
        });
    }
    FrameStore store;
    ASSERT_TRUE(store.Open(storeFile));
    EXPECT_EQ(store.FramesIn(library + "\\").size(), 2u) << "the gone frame is forgotten";
    store.Close();

    // A damaged store is made anew, and meanwhile the files are read.
    testing_support::WriteFile(storeFile, std::string(40000, 'x'));
    run([&](CListCtrlZEL&) {
        EXPECT_STREQ(FindFrameInfo(kept)->title, "Kept");
        EXPECT_TRUE(NearColour(centreOf(kept), RGB(220, 30, 30)));
        EXPECT_TRUE(SharedFrameStore().IsOpen());
    });
    ASSERT_TRUE(store.Open(storeFile));
    EXPECT_EQ(store.FramesIn(library + "\\").size(), 2u);
    store.Close();
    // A folder that is gone is forgotten when the store opens.
    testing_support::RemoveTree(library);
    ASSERT_TRUE(store.Open(storeFile));
    EXPECT_TRUE(store.FramesIn(library + "\\").empty());
}

TEST(FrameList, AFillFromTheStoreShowsWhatTheFilesShow) {
    TempDir dir;
    DefaultStoreBack back;
    const std::string storeFile = dir / "local\\FrameCache.db";
    const std::string library = dir / "library";
    ASSERT_TRUE(::CreateDirectoryA(library.c_str(), nullptr));
    // Frame files a reader could get wrong, and pictures: good, damaged,
    // missing, and one named by an awkward file.
    for (const auto& [name, bytes] : testing_support::AwkwardFrameFiles())
        testing_support::WriteFile(library + "\\" + name + ".USD", bytes);
    WriteSolidJpeg(library + "\\x\\t.jpg", 50, 70, RGB(200, 120, 20));
    const std::string same = WriteFrame(library, "same.USD", "Before", "Roll89", "42,42,42,42");
    WriteSolidJpeg(library + "\\same\\thumb.jpg", 80, 60, RGB(220, 30, 30));
    WriteFrame(library, "pic.USD", "Picture", "L");
    // The picture's JPEG, padded to one size whatever its colour.
    auto writePicture = [&](COLORREF colour) {
        const std::string jpeg = library + "\\pic\\thumb.jpg";
        WriteSolidJpeg(jpeg, 64, 64, colour);
        std::string bytes = testing_support::ReadFile(jpeg);
        ASSERT_LT(bytes.size(), 4000u);
        testing_support::WriteFile(jpeg, bytes + std::string(4000 - bytes.size(), '\0'));
    };
    writePicture(RGB(30, 200, 40));
    WriteFrame(library, "damaged.USD", "Damaged");
    WriteSolidJpeg(library + "\\damaged\\thumb.jpg", 90, 90, RGB(30, 40, 220));
    const std::string damaged = testing_support::ReadFile(library + "\\damaged\\thumb.jpg");
    testing_support::WriteFile(library + "\\damaged\\thumb.jpg", damaged.substr(0, damaged.size() / 2));
    WriteFrame(library, "missing.USD", "Missing");

    const std::vector<std::string> files = ShownRows(library, "");
    ASSERT_EQ(files.size(), testing_support::AwkwardFrameFiles().size() + 4)
        << ::testing::PrintToString(files);
    EXPECT_EQ(ShownRows(library, storeFile), files) << "the run that fills the store";
    EXPECT_EQ(ShownRows(library, storeFile), files) << "a later run";

    // Between runs: a frame and a picture edited outside with their sizes
    // kept and only their times telling, a frame grown, one gone, one new,
    // a missing picture found.
    testing_support::WriteFile(same, testing_support::ReadFile(same).replace(
                                         testing_support::ReadFile(same).find("Before"), 6, "Beford"));
    MarkWrittenLater(same, 1);
    writePicture(RGB(240, 240, 40));
    MarkWrittenLater(library + "\\pic\\thumb.jpg", 1);
    testing_support::WriteFile(library + "\\empty.USD", "[HEADER]\r\nHdTitle=Not empty now\r\n");
    ASSERT_TRUE(::DeleteFileA((library + "\\nonewline.USD").c_str()));
    WriteFrame(library, "new.USD", "New");
    WriteSolidJpeg(library + "\\missing\\thumb.jpg", 40, 40, RGB(120, 30, 160));

    const std::vector<std::string> edited = ShownRows(library, storeFile);
    EXPECT_EQ(edited, ShownRows(library, ""));
    auto rowOf = [](const std::vector<std::string>& rows, const std::string& name) {
        for (const std::string& row : rows)
            if (row.rfind(name + " | ", 0) == 0) return row;
        return std::string();
    };
    EXPECT_EQ(rowOf(edited, "same.USD").find("same.USD | Beford | "), 0u);
    EXPECT_NE(rowOf(edited, "pic.USD"), rowOf(files, "pic.USD")) << "the new picture";
}

TEST(FrameList, AStoreCutShortLockedOrUnwritableNeverChangesAFill) {
    TempDir dir;
    DefaultStoreBack back;
    const std::string library = dir / "library";
    ASSERT_TRUE(::CreateDirectoryA(library.c_str(), nullptr));
    for (int i = 0; i < 12; ++i) {
        const std::string name = "f" + std::to_string(i);
        WriteFrame(library, name + ".USD", "Title " + name, "L");
        WriteSolidJpeg(library + "\\" + name + "\\thumb.jpg", 60, 40 + i, RGB(20 * i, 200 - 10 * i, 90));
    }
    const std::string storeFile = dir / "local\\FrameCache.db";
    const std::vector<std::string> files = ShownRows(library, "");
    ASSERT_EQ(ShownRows(library, storeFile), files);
    const std::string whole = testing_support::ReadFile(storeFile);
    ASSERT_GT(whole.size(), 12u * 12800);
    auto storedFrames = [&](const std::string& file) {
        FrameStore store;
        return store.Open(file) ? store.FramesIn(library + "\\").size() : size_t{0};
    };

    // Cut short anywhere (as a full disk or a stopped copy leaves it): the
    // files are read, and the store is made anew.
    std::mt19937 random(20261209);
    for (size_t cut : {size_t{60}, size_t{16384 * 2 + 5000}, whole.size() - 3000, size_t{0}, size_t{0}}) {
        if (!cut) cut = std::uniform_int_distribution<size_t>(100, whole.size() - 1)(random);
        SCOPED_TRACE(cut);
        testing_support::WriteFile(storeFile, whole.substr(0, cut));
        EXPECT_EQ(ShownRows(library, storeFile), files);
        EXPECT_EQ(storedFrames(storeFile), 12u);
    }

    // Held by another run: not waited for, not touched. What that run wrote
    // and left in its log when it ended early is there for the next.
    {
        FrameStore other;
        ASSERT_TRUE(other.Open(storeFile));
        EXPECT_EQ(ShownRows(library, storeFile), files);
        StoredFrame extra;
        extra.header.title = "Extra";
        other.UpdateFolder(library + "\\", {{"extra.USD", extra}}, {});
        ASSERT_TRUE(testing_support::Exists(storeFile + "-wal"));
        for (const char* suffix : {"", "-wal"}) {
            const std::string copy = dir / "crashed.db" + suffix;
            ASSERT_TRUE(::CopyFileA((storeFile + suffix).c_str(), copy.c_str(), FALSE));
        }
    }
    EXPECT_EQ(storedFrames(storeFile), 13u);
    EXPECT_EQ(ShownRows(library, dir / "crashed.db"), files);
    EXPECT_EQ(storedFrames(dir / "crashed.db"), 12u) << "the extra frame is gone from the folder";

    // A file marked read-only, and a folder that cannot be made.
    ::SetFileAttributesA(storeFile.c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(ShownRows(library, storeFile), files);
    EXPECT_TRUE(testing_support::Exists(storeFile));
    ::SetFileAttributesA(storeFile.c_str(), FILE_ATTRIBUTE_NORMAL);
    testing_support::WriteFile(dir / "file", "not a folder");
    EXPECT_EQ(ShownRows(library, dir / "file\\FrameCache.db"), files);
}

TEST(FrameList, ALongListKeepsThePicturesNearItsViewAndGetsTheOthersBackFromTheStore) {
    TempDir dir;
    UseFrameStoreFile(dir / "local\\FrameCache.db");
    const size_t limit = CListCtrlZEL::KeptThumbnailLimit();
    CListCtrlZEL::SetKeptThumbnailLimit(40);
    struct Back {
        size_t limit;
        ~Back() {
            UseFrameStoreFile(DefaultFrameStoreFile());
            CListCtrlZEL::SetKeptThumbnailLimit(limit);
        }
    } back{limit};
    const std::string library = dir / "library";
    ASSERT_TRUE(::CreateDirectoryA(library.c_str(), nullptr));
    constexpr int kFrames = 120;
    auto colourOf = [](int i) { return RGB(30 + (i * 37) % 190, 30 + (i * 71) % 190, 30 + (i * 13) % 190); };
    for (int i = 0; i < kFrames; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "f%03d", i);
        WriteFrame(library, std::string(name) + ".USD", name);
        WriteSolidJpeg(library + "\\" + name + "\\thumb.jpg", 40, 30, colourOf(i));
    }
    ListHost host;
    CListCtrlZEL& list = host.Open(0);
    auto settle = [&] {
        const DWORD start = ::GetTickCount();
        while (list.MakingThumbnails() && ::GetTickCount() - start < 10000) {
            PumpMessages();
            ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
        }
        PumpMessages();
        return !list.MakingThumbnails();
    };
    auto centreOf = [&](int row) {
        return ThumbnailCentre(FindFrameInfo(list.GetItemPath(row))->imageIndex);
    };
    list.SetFolder(library);
    ASSERT_TRUE(settle());
    // Every picture was made once, into the store; the list keeps those
    // near its view.
    EXPECT_LE(MadeThumbnailCount(), 40u);
    EXPECT_TRUE(NearColour(centreOf(0), colourOf(0)));
    int given = 0;
    while (given < kFrames && !IsThumbnailPending(list.GetItemPath(given))) ++given;
    ASSERT_LT(given, kFrames) << "no row gave its picture up";
    const std::string path = list.GetItemPath(given);
    EXPECT_TRUE(IsThumbnailStored(path));

    // Scrolled to it, that row shows its picture again: from the store, since
    // its JPEG cannot be opened now.
    win::FileHandle locked(::CreateFileA((path.substr(0, path.size() - 4) + "\\thumb.jpg").c_str(),
                                         GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(locked);
    ::SendMessageA(list.Handle(), LVM_ENSUREVISIBLE, given, FALSE);
    ::UpdateWindow(list.Handle());
    ASSERT_TRUE(settle());
    EXPECT_FALSE(IsThumbnailPending(path));
    EXPECT_TRUE(NearColour(centreOf(given), colourOf(given))) << std::hex << centreOf(given);
    EXPECT_LE(MadeThumbnailCount(), 40u);
}

TEST(FrameList, ComparisonTreatsAMissingRecordAsEmpty) {
    FrameInfo named{};
    std::strcpy(named.title, "a");
    std::strcpy(named.fileName, "a.USD");
    EXPECT_LT(CompareFrames(nullptr, &named, CListCtrlZEL::kSortByTitle), 0);
    EXPECT_GT(CompareFrames(&named, nullptr, CListCtrlZEL::kSortByPaper), 0) << "then by file name";
    EXPECT_EQ(CompareFrames(nullptr, nullptr, CListCtrlZEL::kSortByTitle), 0);
    EXPECT_EQ(CompareFrames(&named, nullptr, -1), 0);

    // Titles compare as the system's _mbsicmp compares them, ASCII
    // punctuation between the cases and accented letters included.
    const char* titles[] = {"a",         "A",  "ab",       "aB_",       "a_b",   "a[b",    "aZb",
                            "az",        "A~", "a b",      "",          "Zebra", "zebra!", "\xC9t\xE9",
                            "\xE9t\xE9", "e",  "\x82\xA0", "x\x82\xA0", "X"};
    FrameInfo one{}, other{};
    for (const char* a : titles) {
        for (const char* b : titles) {
            std::strcpy(one.title, a);
            std::strcpy(other.title, b);
            const int want = _mbsicmp(reinterpret_cast<const unsigned char*>(a),
                                      reinterpret_cast<const unsigned char*>(b));
            const int got = CompareFrames(&one, &other, CListCtrlZEL::kSortByTitle);
            EXPECT_EQ(got < 0, want < 0) << a << " / " << b;
            EXPECT_EQ(got > 0, want > 0) << a << " / " << b;
        }
    }
}

TEST(FrameList, FolderIsKeptWithOneTrailingBackslash) {
    TempDir dir;
    WriteFrame(dir.Path(), "one.USD", "1");
    WriteFrame(dir.Path(), "two.usd", "2");
    ListHost host;
    CListCtrlZEL& list = host.Open(0);

    list.SetFolder(dir.Path());
    EXPECT_EQ(list.Folder(), dir.Path() + "\\");
    EXPECT_EQ(list.GetFolder(), dir.Path());
    const std::string items = ItemNames(list);
    EXPECT_EQ(items, "one.USD two.usd");
    list.SetFolder(dir.Path() + "\\");
    EXPECT_EQ(list.Folder(), dir.Path() + "\\");
    EXPECT_EQ(ItemNames(list), items);
    EXPECT_EQ(list.GetItemPath(0), dir / "one.USD");

    list.SetFolder("");
    EXPECT_EQ(list.Folder(), "");
    EXPECT_EQ(list.GetItemCount(), 0);

    list.SetFolder(dir / "missing");
    EXPECT_EQ(list.GetItemCount(), 0);

    // Every trailing backslash goes, even the root's.
    CListCtrlZEL detached;
    detached.SetFolder("C:\\");
    EXPECT_EQ(detached.Folder(), "C:\\");
    EXPECT_EQ(detached.GetFolder(), "C:");
}

TEST(FrameList, ListsOnlyFrameFilesThatExist) {
    TempDir dir;
    WriteFrame(dir.Path(), "keep.USD", "k");
    const std::string gone = WriteFrame(dir.Path(), "gone.USD", "g");
    testing_support::MakeDirs(dir / "folder.USD");
    testing_support::WriteFile(dir / "notes.txt", "x");
    ListHost host;
    CListCtrlZEL& list = host.Open(0);
    list.SetFolder(dir.Path());
    ASSERT_EQ(ItemNames(list), "gone.USD keep.USD");

    // A frame file deleted behind the list's back has no name until the refill drops it.
    ASSERT_TRUE(::DeleteFileA(gone.c_str()));
    EXPECT_EQ(list.GetItemFileName(0), "");
    EXPECT_EQ(list.GetItemPath(0), gone);
    list.Refill();
    EXPECT_EQ(ItemNames(list), "keep.USD");
}

TEST(FrameList, BothListsShareOneRecordPerFrame) {
    TempDir dir;
    WriteFrame(dir.Path(), "x.USD", "X");
    WriteFrame(dir.Path(), "y.USD", "Y");
    ListHost host;
    CListCtrlZEL& one = host.Open(0);
    CListCtrlZEL& two = host.Open(1);
    ClearFrameInfo();
    one.SetFolder(dir.Path());
    two.SetFolder(dir.Path());
    two.FinishThumbnails();
    EXPECT_EQ(ImageCount(), 3);
    EXPECT_EQ(CachedFrameInfoCount(), 2u);
    EXPECT_EQ(ItemNames(one), ItemNames(two));
    // Refilling and sorting never read a frame again.
    one.Refill();
    two.Sort();
    EXPECT_EQ(ImageCount(), 3);
    EXPECT_FALSE(one.HasPendingThumbnails());
}

TEST(FrameList, SharedStateLivesFromTheFirstListToTheLast) {
    ASSERT_EQ(CListCtrlZEL::InstanceCount(), 0);
    ASSERT_EQ(FrameThumbnailList(), nullptr);
    {
        ListHost host;
        CListCtrlZEL never;  // not initialised: it must not count
        host.Open(0);
        EXPECT_EQ(CListCtrlZEL::InstanceCount(), 1);
        HIMAGELIST shared = FrameThumbnailList();
        ASSERT_NE(shared, nullptr);
        host.Open(1);
        host.List(1).Initialize();  // twice counts once
        EXPECT_EQ(CListCtrlZEL::InstanceCount(), 2);
        EXPECT_EQ(FrameThumbnailList(), shared);
        EXPECT_EQ(::SendMessageA(host.List(1).Handle(), LVM_GETIMAGELIST, LVSIL_SMALL, 0),
                  reinterpret_cast<LRESULT>(shared));

        host.Close(0);
        EXPECT_EQ(CListCtrlZEL::InstanceCount(), 1);
        EXPECT_EQ(FrameThumbnailList(), shared);
        host.Close(1);
        EXPECT_EQ(CListCtrlZEL::InstanceCount(), 0);
        EXPECT_EQ(FrameThumbnailList(), nullptr);
        EXPECT_EQ(CachedFrameInfoCount(), 0u);
    }
    EXPECT_EQ(CListCtrlZEL::InstanceCount(), 0);
}

LRESULT CALLBACK CountMessages(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR seen) {
    ++*reinterpret_cast<int*>(seen);
    return ::DefSubclassProc(hwnd, msg, wParam, lParam);
}

// A list and its control part in either order. Closed first, even under a
// handler put in front of its own since, the list leaves the control
// working; a control destroyed first is forgotten.
TEST(FrameList, ListAndControlPartInEitherOrder) {
    ListHost host;
    HWND control = host.Open(0).Handle();
    int seen = 0;
    ASSERT_TRUE(::SetWindowSubclass(control, CountMessages, 1, reinterpret_cast<DWORD_PTR>(&seen)));
    host.Close(0);
    ::SendMessageA(control, LVM_SETITEMCOUNT, 3, 0);
    EXPECT_EQ(::SendMessageA(control, LVM_GETITEMCOUNT, 0, 0), 3);
    EXPECT_GE(seen, 2);
    ::RedrawWindow(control, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    EXPECT_TRUE(::RemoveWindowSubclass(control, CountMessages, 1));
    EXPECT_EQ(::SendMessageA(control, LVM_GETITEMCOUNT, 0, 0), 3);

    CListCtrlZEL& second = host.Open(1);
    ASSERT_TRUE(::DestroyWindow(second.Handle()));
    EXPECT_EQ(second.Handle(), nullptr);
    EXPECT_EQ(second.GetItemCount(), 0);
    host.Close(1);
    EXPECT_EQ(CListCtrlZEL::InstanceCount(), 0);
}

TEST(FrameList, FillsAFolderOfTwoThousandFrames) {
    TempDir dir;
    for (int i = 0; i < 2000; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "f%04d.USD", i);
        WriteFrame(dir.Path(), name, "T" + std::to_string(1999 - i));
    }
    ListHost host;
    CListCtrlZEL& list = host.Open(0);
    list.SetFolder(dir.Path());
    ASSERT_EQ(list.GetItemCount(), 2000);
    // The rows come from the headers; the thumbnails follow.
    EXPECT_EQ(ImageCount(), 1);
    EXPECT_TRUE(list.HasPendingThumbnails());
    list.FinishThumbnails();
    EXPECT_FALSE(list.HasPendingThumbnails());
    EXPECT_EQ(ImageCount(), 2001);
    // "T0" < "T1" < "T10" < "T100" ...: text order of the titles.
    EXPECT_EQ(list.GetItemFileName(0), "f1999.USD");
    EXPECT_EQ(list.GetItemFileName(1), "f1998.USD");
    EXPECT_EQ(list.GetItemFileName(2), "f1989.USD");
    EXPECT_EQ(list.GetItemFileName(1999), "f1000.USD");
}

TEST(FrameList, SelectionChangesReachTheMainWindow) {
    TempDir dir;
    WriteFrame(dir.Path(), "a.USD", "A");
    WriteFrame(dir.Path(), "b.USD", "B");
    ListHost host;
    CListCtrlZEL& list = host.Open(0);
    list.SetFolder(dir.Path());
    host.itemChanges = 0;
    list.SetAllSelected(true);
    EXPECT_EQ(list.GetSelectedItems(), (std::vector<int>{0, 1}));
    EXPECT_GT(host.itemChanges, 0);
    const int before = host.itemChanges;
    list.SetAllSelected(false);
    EXPECT_TRUE(list.GetSelectedItems().empty());
    EXPECT_GT(host.itemChanges, before);
}

// A refill (F5, the end of an operation) leaves nothing selected or focused,
// whether the number of frames changed or not; with as many, the list stays
// where it was scrolled to.
TEST(FrameList, ARefillLeavesNothingSelected) {
    TempDir dir;
    WriteFortyFrames(dir.Path());
    ListHost host;
    CListCtrlZEL& list = host.Open(0);
    list.SetFolder(dir.Path());
    HWND hwnd = list.Handle();
    auto top = [hwnd] { return static_cast<int>(::SendMessageA(hwnd, LVM_GETTOPINDEX, 0, 0)); };
    auto focused = [hwnd] {
        return static_cast<int>(::SendMessageA(hwnd, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED));
    };
    auto selectAndFocus = [hwnd](int item) {
        LVITEMA state{};
        state.stateMask = state.state = LVIS_SELECTED | LVIS_FOCUSED;
        ::SendMessageA(hwnd, LVM_SETITEMSTATE, item, reinterpret_cast<LPARAM>(&state));
    };

    // Same rows, at the top.
    selectAndFocus(3);
    host.itemChanges = 0;
    list.Refill();
    EXPECT_TRUE(list.GetSelectedItems().empty());
    EXPECT_EQ(focused(), -1);
    EXPECT_GT(host.itemChanges, 0);

    // Scrolled down, one frame renamed on disk: as many rows, the new name in.
    ::SendMessageA(hwnd, LVM_ENSUREVISIBLE, 39, FALSE);
    const int scrolled = top();
    ASSERT_GT(scrolled, 0);
    selectAndFocus(39);
    ASSERT_TRUE(::MoveFileA((dir / "f00.USD").c_str(), (dir / "g00.USD").c_str()));
    list.Refill();
    EXPECT_EQ(top(), scrolled);
    EXPECT_TRUE(list.GetSelectedItems().empty());
    EXPECT_EQ(focused(), -1);
    ASSERT_EQ(list.GetItemCount(), 40);
    EXPECT_EQ(list.GetItemFileName(0), "g00.USD");  // its title is still "f00.USD"
    EXPECT_EQ(list.GetItemFileName(1), "f01.USD");

    // A frame fewer, selected at the top: the same.
    selectAndFocus(0);
    ASSERT_TRUE(::DeleteFileA((dir / "g00.USD").c_str()));
    list.Refill();
    EXPECT_EQ(list.GetItemCount(), 39);
    EXPECT_TRUE(list.GetSelectedItems().empty());
    EXPECT_EQ(focused(), -1);
}

TEST(FrameList, ThumbnailsFollowTheFillRowsInViewFirst) {
    TempDir dir;
    WriteFortyFrames(dir.Path());
    WriteSolidJpeg(dir / "f39\\thumb.jpg", 40, 30, RGB(0, 0, 255));
    ListHost host;
    CListCtrlZEL& list = host.Open(0);
    list.SetFolder(dir.Path());
    ASSERT_EQ(list.GetItemCount(), 40);
    ASSERT_TRUE(list.HasPendingThumbnails());

    // Scrolled to the end before any picture came: the rows now in view go first.
    ::SendMessageA(list.Handle(), LVM_ENSUREVISIBLE, 39, FALSE);
    const int top = static_cast<int>(::SendMessageA(list.Handle(), LVM_GETTOPINDEX, 0, 0));
    ASSERT_GT(top, 0);
    RunOneThumbnail(list);
    EXPECT_FALSE(IsThumbnailPending(list.GetItemPath(top)));
    EXPECT_TRUE(IsThumbnailPending(list.GetItemPath(0))) << "a slice stops when a message waits";

    // The timer brings the rest; the last row shows its own picture.
    ASSERT_TRUE(PumpUntilThumbnails(list));
    EXPECT_EQ(ImageCount(), 41);
    EXPECT_TRUE(NearColour(ThumbnailCentre(GetFrameInfo(dir / "f39.USD")->imageIndex), RGB(0, 0, 255)));
}

TEST(FrameList, PendingThumbnailsNeverReachARefilledOrClosedList) {
    TempDir red, blue;
    for (const char* name : {"a", "b", "c"}) {
        WriteFrame(red.Path(), name + std::string(".USD"), name);
        WriteFrame(blue.Path(), name + std::string(".USD"), name);
        WriteSolidJpeg(red / name + "\\thumb.jpg", 40, 30, RGB(255, 0, 0));
        WriteSolidJpeg(blue / name + "\\thumb.jpg", 40, 30, RGB(0, 0, 255));
    }
    ListHost host;
    CListCtrlZEL& list = host.Open(0);
    auto shows = [&](COLORREF colour) {
        for (int i = 0; i < list.GetItemCount(); ++i) {
            const FrameInfo* info = GetFrameInfo(list.GetItemPath(i));
            if (!info || info->imageIndex < 1 || !NearColour(ThumbnailCentre(info->imageIndex), colour))
                return false;
        }
        return true;
    };

    // Another folder chosen halfway through the pictures.
    list.SetFolder(red.Path());
    RunOneThumbnail(list);
    list.SetFolder(blue.Path());
    ASSERT_TRUE(PumpUntilThumbnails(list));
    EXPECT_TRUE(shows(RGB(0, 0, 255)));

    // A refresh halfway through, after the pictures changed on disk.
    list.SetFolder(red.Path());
    RunOneThumbnail(list);
    for (const char* name : {"a", "b", "c"})
        WriteSolidJpeg(red / name + "\\thumb.jpg", 48, 30, RGB(0, 160, 0));
    BeginFrameInfoRefresh();
    list.Refill();
    EndFrameInfoRefresh();
    ASSERT_TRUE(PumpUntilThumbnails(list));
    EXPECT_TRUE(shows(RGB(0, 160, 0)));

    // Closed with pictures pending: the timer goes with the list.
    ClearFrameInfo();
    list.Refill();
    ASSERT_TRUE(list.HasPendingThumbnails());
    host.Close(0);
    ::Sleep(30);
    PumpMessages();
    EXPECT_EQ(FrameThumbnailList(), nullptr);
}
