#include <gtest/gtest.h>

#include <iterator>
#include <vector>

#include "ListHost.h"
#include "TestFiles.h"
#include "Thumbnails.h"
#include "app/LangStrings.h"
#include "frames/FrameInfoCache.h"
#include "frames/FrameInfoCacheLifetime.h"
#include "win/Handles.h"

using testing_support::TempDir;

namespace {

class FrameInfoCache : public ::testing::Test {
protected:
    void SetUp() override { OpenFrameInfoCache(); }
    void TearDown() override { CloseFrameInfoCache(); }
    static int ImageCount() { return ::ImageList_GetImageCount(FrameThumbnailList()); }
};

}  // namespace

TEST_F(FrameInfoCache, ReadsAFrameOnceKeepingTheNameAsOnDisk) {
    TempDir dir;
    const std::string path = WriteFrame(dir.Path(), "Flower.usd", "Rose garden", "Roll89", "42,198,42,42");
    ASSERT_EQ(ImageCount(), 1);

    FrameInfo* info = GetFrameInfo(path);
    ASSERT_NE(info, nullptr);
    EXPECT_STREQ(info->fileName, "Flower.usd");
    EXPECT_STREQ(info->path, path.c_str());
    EXPECT_STREQ(info->title, "Rose garden");
    EXPECT_STREQ(info->paperLabel, "Roll89");
    EXPECT_EQ(info->marginLabel, GetLangString("TITLE_MARGINE_NORMAL"));
    // The header alone: the thumbnail waits for a list to ask for it.
    EXPECT_EQ(info->imageIndex, -1);
    EXPECT_TRUE(IsThumbnailPending(path));
    EXPECT_EQ(ImageCount(), 1);
    EXPECT_TRUE(MakePendingThumbnail(path));
    EXPECT_EQ(info->imageIndex, 1);
    EXPECT_FALSE(MakePendingThumbnail(path)) << "made once";
    EXPECT_EQ(PendingThumbnailCount(), 0u);

    EXPECT_EQ(GetFrameInfo(path), info);
    EXPECT_EQ(ImageCount(), 2);
    EXPECT_EQ(CachedFrameInfoCount(), 1u);

    // Keys are exact text: another spelling of the path is another record.
    std::string upper = path;
    upper.replace(upper.size() - 10, 10, "FLOWER.USD");
    FrameInfo* other = GetFrameInfo(upper);
    ASSERT_NE(other, nullptr);
    EXPECT_NE(other, info);
    EXPECT_STREQ(other->fileName, "FLOWER.USD");
    EXPECT_EQ(CachedFrameInfoCount(), 2u);
}

TEST_F(FrameInfoCache, AVanishedOrUnusablePathHasNoRecord) {
    TempDir dir;
    const std::string path = WriteFrame(dir.Path(), "a.USD", "A");
    ASSERT_NE(GetFrameInfo(path), nullptr);
    ASSERT_TRUE(::DeleteFileA(path.c_str()));
    EXPECT_EQ(GetFrameInfo(path), nullptr) << "a cached record must not outlive its file";

    EXPECT_EQ(GetFrameInfo(dir / "never.USD"), nullptr);
    EXPECT_EQ(GetFrameInfo(""), nullptr);
    // A path that would not fit the record is refused, not cut.
    const std::string longPath = dir.Path() + "\\" + std::string(250, 'x') + ".USD";
    EXPECT_EQ(LoadFrameInfo(longPath), nullptr);
    EXPECT_FALSE(MakePendingThumbnail(dir / "never.USD"));
    EXPECT_EQ(ImageCount(), 1);
}

TEST_F(FrameInfoCache, AForgottenThumbnailsSlotGoesToTheNextPicture) {
    TempDir dir;
    std::vector<std::string> paths;
    for (int i = 1; i <= 6; ++i) {
        paths.push_back(WriteFrame(dir.Path(), "f" + std::to_string(i) + ".USD", "T"));
        ASSERT_NE(GetFrameInfo(paths.back()), nullptr);
        ASSERT_TRUE(MakePendingThumbnail(paths.back()));
        ASSERT_EQ(GetFrameInfo(paths.back())->imageIndex, i);
    }
    ASSERT_EQ(ImageCount(), 7);

    // No image moves (removing one copies every image after it): the others
    // keep their indices and the next thumbnail takes the free slot.
    ForgetFrameInfo(paths[2]);
    EXPECT_EQ(ImageCount(), 7);
    EXPECT_EQ(CachedFrameInfoCount(), 5u);
    for (int i : {0, 1, 3, 4, 5}) EXPECT_EQ(GetFrameInfo(paths[i])->imageIndex, i + 1) << paths[i];
    const std::string seventh = WriteFrame(dir.Path(), "f7.USD", "T");
    ASSERT_TRUE(GetFrameInfo(seventh) && MakePendingThumbnail(seventh));
    EXPECT_EQ(GetFrameInfo(seventh)->imageIndex, 3);
    EXPECT_EQ(ImageCount(), 7);

    // A path that is not cached changes nothing.
    ForgetFrameInfo(paths[2]);
    ForgetFrameInfo(dir / "other.USD");
    EXPECT_EQ(ImageCount(), 7);
    EXPECT_EQ(CachedFrameInfoCount(), 6u);
}

TEST_F(FrameInfoCache, MovingFollowsTheFileAndIgnoresUncachedPaths) {
    TempDir dir, other, third;
    const std::string a = WriteFrame(dir.Path(), "a.USD", "A");
    testing_support::MakeDirs(dir / "a");
    WriteSolidJpeg(dir / "a\\thumb.jpg", 40, 30, RGB(255, 0, 0));
    const std::string b = other / "a.USD";
    ASSERT_NE(GetFrameInfo(a), nullptr);
    ASSERT_TRUE(MakePendingThumbnail(a));

    EXPECT_EQ(MoveFrameInfo(dir / "uncached.USD", b), nullptr);
    EXPECT_EQ(ImageCount(), 2);
    EXPECT_EQ(CachedFrameInfoCount(), 1u);

    // The frame moves with its companion folder: the record follows, and the
    // picture, being the same file, is not made again.
    ASSERT_TRUE(::MoveFileA(a.c_str(), b.c_str()));
    ASSERT_TRUE(::MoveFileA((dir / "a").c_str(), (other / "a").c_str()));
    FrameInfo* moved = MoveFrameInfo(a, b);
    ASSERT_NE(moved, nullptr);
    EXPECT_STREQ(moved->path, b.c_str());
    EXPECT_STREQ(moved->fileName, "a.USD");
    EXPECT_STREQ(moved->title, "A");
    EXPECT_FALSE(IsThumbnailPending(b));
    EXPECT_EQ(moved->imageIndex, 1);
    EXPECT_TRUE(NearColour(ThumbnailCentre(1), RGB(255, 0, 0)));
    EXPECT_EQ(ImageCount(), 2);
    EXPECT_EQ(CachedFrameInfoCount(), 1u);

    // Moved without its folder, the frame points at no picture: it is made
    // again (blank) into the same slot.
    const std::string renamed = third / "renamed.USD";
    ASSERT_TRUE(::MoveFileA(b.c_str(), renamed.c_str()));
    ASSERT_NE(MoveFrameInfo(b, renamed), nullptr);
    EXPECT_TRUE(IsThumbnailPending(renamed));
    ASSERT_TRUE(MakePendingThumbnail(renamed));
    EXPECT_EQ(GetFrameInfo(renamed)->imageIndex, 1);
    EXPECT_FALSE(NearColour(ThumbnailCentre(1), RGB(255, 0, 0)));

    // A frame moved over a cached one replaces its record and thumbnail.
    const std::string c = WriteFrame(third.Path(), "c.USD", "C");
    ASSERT_NE(GetFrameInfo(c), nullptr);
    ASSERT_TRUE(MakePendingThumbnail(c));
    ASSERT_TRUE(::MoveFileExA(renamed.c_str(), c.c_str(), MOVEFILE_REPLACE_EXISTING));
    FrameInfo* replaced = MoveFrameInfo(renamed, c);
    ASSERT_NE(replaced, nullptr);
    EXPECT_STREQ(replaced->title, "A");
    EXPECT_EQ(replaced->imageIndex, 1);
    EXPECT_EQ(ImageCount(), 3);
    EXPECT_EQ(CachedFrameInfoCount(), 1u);

    // Moved onto a path where no file arrived: no record is left.
    EXPECT_EQ(MoveFrameInfo(c, third / "nowhere.USD"), nullptr);
    EXPECT_EQ(CachedFrameInfoCount(), 0u);
}

TEST_F(FrameInfoCache, ACopyTakesTheSourcesRecordOnlyWhileItDescribesTheFile) {
    TempDir dir, other;
    const std::string source = WriteFrame(dir.Path(), "a.USD", "A", "Roll89");
    ASSERT_TRUE(GetFrameInfo(source) && MakePendingThumbnail(source));
    const std::string copy = other / "a.USD";
    ASSERT_TRUE(::CopyFileA(source.c_str(), copy.c_str(), TRUE));
    const FrameInfo* copied = CopyFrameInfo(source, copy);
    ASSERT_NE(copied, nullptr);
    EXPECT_STREQ(copied->path, copy.c_str());
    EXPECT_STREQ(copied->title, "A");
    EXPECT_STREQ(copied->paperLabel, "Roll89");
    EXPECT_TRUE(IsThumbnailPending(copy)) << "a picture of its own";
    EXPECT_FALSE(IsThumbnailPending(source));

    // The source changed behind the cache's back: the copy is read anew.
    WriteFrame(dir.Path(), "a.USD", "A, edited");
    ASSERT_TRUE(::CopyFileA(source.c_str(), (other / "b.USD").c_str(), TRUE));
    EXPECT_EQ(CopyFrameInfo(source, other / "b.USD"), nullptr);
    ASSERT_NE(GetFrameInfo(other / "b.USD"), nullptr);
    EXPECT_STREQ(GetFrameInfo(other / "b.USD")->title, "A, edited");
}

TEST_F(FrameInfoCache, ABatchGivesEveryFrameItsOwnPicture) {
    // Read and decoded on two threads, drawn and stored on this one: each
    // picture must land in its own frame's record.
    TempDir dir;
    const COLORREF colours[] = {RGB(220, 30, 30),  RGB(30, 200, 40),  RGB(30, 40, 220), RGB(230, 220, 30),
                                RGB(30, 210, 220), RGB(210, 40, 200), RGB(0, 0, 0)};
    std::vector<std::string> paths;
    for (size_t i = 0; i < std::size(colours); ++i) {
        const std::string name = "f" + std::to_string(i);
        paths.push_back(WriteFrame(dir.Path(), name + ".USD", name));
        // The last has no picture on disk: its cell stays blank.
        if (i + 1 < std::size(colours))
            WriteSolidJpeg(dir / (name + "\\thumb.jpg"), 80 + 20 * static_cast<int>(i), 60, colours[i]);
        ASSERT_NE(GetFrameInfo(paths.back()), nullptr);
    }
    std::vector<std::string> batch = paths;
    batch.push_back(paths[2]);           // twice in one batch
    batch.push_back(dir / "never.USD");  // not cached
    EXPECT_EQ(MakePendingThumbnails(batch), paths.size());
    EXPECT_EQ(MakePendingThumbnails(batch), 0u) << "made once";
    EXPECT_EQ(ImageCount(), static_cast<int>(paths.size()) + 1);
    for (size_t i = 0; i < paths.size(); ++i) {
        const COLORREF expected = i + 1 < paths.size() ? colours[i] : RGB(255, 255, 255);
        const COLORREF centre = ThumbnailCentre(GetFrameInfo(paths[i])->imageIndex);
        EXPECT_TRUE(NearColour(centre, expected)) << paths[i] << std::hex << " " << centre;
    }
}

TEST_F(FrameInfoCache, ClearingKeepsOnlyThePlaceholder) {
    TempDir dir;
    const std::vector<COLORREF> placeholder = ThumbnailOnWhite(0, ILD_NORMAL, 4);
    for (const char* name : {"a.USD", "b.USD", "c.USD"}) {
        const std::string path = WriteFrame(dir.Path(), name, name);
        ASSERT_NE(GetFrameInfo(path), nullptr);
        ASSERT_TRUE(MakePendingThumbnail(path));
    }
    ASSERT_EQ(ImageCount(), 4);
    const unsigned generation = FrameInfoGeneration();

    ClearFrameInfo();
    EXPECT_EQ(ImageCount(), 1);
    EXPECT_EQ(CachedFrameInfoCount(), 0u);
    EXPECT_EQ(ThumbnailOnWhite(0, ILD_NORMAL, 4), placeholder);
    EXPECT_NE(FrameInfoGeneration(), generation);

    // The next frame starts again at image 1.
    ASSERT_TRUE(GetFrameInfo(dir / "b.USD") && MakePendingThumbnail(dir / "b.USD"));
    EXPECT_EQ(GetFrameInfo(dir / "b.USD")->imageIndex, 1);
}

TEST_F(FrameInfoCache, ARefreshReadsAgainOnlyTheFramesThatChanged) {
    TempDir dir;
    const std::string same = WriteFrame(dir.Path(), "same.USD", "Same", "Roll89");
    const std::string edited = WriteFrame(dir.Path(), "edited.USD", "Before", "Roll89");
    const std::string gone = WriteFrame(dir.Path(), "gone.USD", "Gone");
    for (const std::string& path : {same, edited, gone})
        ASSERT_TRUE(GetFrameInfo(path) && MakePendingThumbnail(path));
    FILETIME written{};
    {
        win::FileHandle file(
            ::CreateFileA(same.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(::GetFileTime(file.Get(), nullptr, nullptr, &written));
    }
    // Rewritten to the byte count and last-write time it had: a refresh
    // takes the file for unchanged and keeps what it read before.
    testing_support::WriteFile(same, testing_support::ReadFile(same).replace(
                                         testing_support::ReadFile(same).find("Same"), 4, "SAME"));
    {
        win::FileHandle file(
            ::CreateFileA(same.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(::SetFileTime(file.Get(), nullptr, nullptr, &written));
    }
    WriteFrame(dir.Path(), "edited.USD", "After, longer", "Roll89");
    ASSERT_TRUE(::DeleteFileA(gone.c_str()));
    // The language file now names the paper: kept records show it too.
    const std::string lang = OwnLangFilePath();
    const std::string original = testing_support::ReadFile(lang);
    struct Restore {
        std::string path, bytes;
        ~Restore() { testing_support::WriteFile(path, bytes); }
    } restore{lang, original};
    std::string named = original;
    const size_t section = named.find("[STRING]");
    ASSERT_NE(section, std::string::npos);
    named.insert(named.find('\n', section) + 1, "Roll89=Roll paper 89\r\n");
    testing_support::WriteFile(lang, named);

    BeginFrameInfoRefresh();
    const FrameInfo* kept = GetFrameInfo(same);
    const FrameInfo* read = GetFrameInfo(edited);
    EXPECT_EQ(GetFrameInfo(gone), nullptr);
    EndFrameInfoRefresh();
    ASSERT_NE(kept, nullptr);
    ASSERT_NE(read, nullptr);
    EXPECT_STREQ(kept->title, "Same");
    EXPECT_STREQ(kept->paperLabel, "Roll paper 89");
    EXPECT_STREQ(read->title, "After, longer");
    EXPECT_STREQ(read->paperLabel, "Roll paper 89");
    // Both keep their pictures (the JPEGs did not change); the vanished
    // frame's slot is free for the next one.
    EXPECT_FALSE(IsThumbnailPending(same));
    EXPECT_FALSE(IsThumbnailPending(edited));
    EXPECT_EQ(CachedFrameInfoCount(), 2u);
    const std::string next = WriteFrame(dir.Path(), "next.USD", "Next");
    ASSERT_TRUE(GetFrameInfo(next) && MakePendingThumbnail(next));
    EXPECT_EQ(ImageCount(), 4);
}
