#include <gtest/gtest.h>

#include "TestFiles.h"
#include "app/LangStrings.h"
#include "frames/TextEncoding.h"
#include "win/Strings.h"
#include "win/Handles.h"

using testing_support::TempDir;
using testing_support::WriteFile;

TEST(LangFilePath, FollowsTheLastDotOfTheModulePath) {
    EXPECT_EQ(LangFilePathFor("C:\\Tools\\Tool.exe"), "C:\\Tools\\Tool.INI");
    EXPECT_EQ(LangFilePathFor("C:\\Tools\\Tool"), "");
    // The only dot is in a folder name: the file name is cut there.
    EXPECT_EQ(LangFilePathFor("C:\\v1.2\\Tool"), "C:\\v1.INI");
    EXPECT_EQ(LangFilePathFor("C:\\a.b\\Tool.x.exe"), "C:\\a.b\\Tool.x.INI");
}

TEST(LangStrings, MissingFileSectionOrKeyGiveEmptyText) {
    TempDir dir;
    const std::string ini = dir / "lang.INI";
    EXPECT_EQ(ReadLangString(ini, "TITLE_APP"), "");
    WriteFile(ini, "[OTHER]\nTITLE_APP=Hello\n");
    EXPECT_EQ(ReadLangString(ini, "TITLE_APP"), "");
    WriteFile(ini, "[STRING]\nOTHER_KEY=Hello\n");
    EXPECT_EQ(ReadLangString(ini, "TITLE_APP"), "");
    EXPECT_EQ(ReadLangString(ini, "OTHER_KEY"), "Hello");
}

TEST(LangStrings, BackslashNBecomesALineFeedAndNothingElseIsAnEscape) {
    TempDir dir;
    const std::string ini = dir / "lang.INI";
    WriteFile(ini, "[STRING]\nA=x\\ny\nB=x\\ty\nC=\\n\\n\nD=end\\\nE=\\\\n\n");
    EXPECT_EQ(ReadLangString(ini, "A"), "x\ny");
    EXPECT_EQ(ReadLangString(ini, "B"), "x\\ty");
    EXPECT_EQ(ReadLangString(ini, "C"), "\n\n");
    EXPECT_EQ(ReadLangString(ini, "D"), "end\\");
    EXPECT_EQ(ReadLangString(ini, "E"), "\\\n");
}

TEST(LangStrings, AKeyAddedAfterTheFirstReleaseFallsBackToEnglishOnlyWhenMissing) {
    const LangDefault table[] = {{"ERR_NEW_THING", "New\\nthing"}, {nullptr, nullptr}};
    TempDir dir;
    const std::string ini = dir / "lang.INI";
    EXPECT_EQ(ReadLangString(ini, "ERR_NEW_THING", table), "New\nthing") << "no file at all";
    WriteFile(ini, "[STRING]\nTITLE_APP=Titel\nERR_NEW_NOTHING=x\nERR_NEW_THING\n");
    EXPECT_EQ(ReadLangString(ini, "ERR_NEW_THING", table), "New\nthing") << "a line without '='";
    EXPECT_EQ(ReadLangString(ini, "err_new_thing", table), "New\nthing");
    EXPECT_EQ(ReadLangString(ini, "TITLE_APP", table), "Titel");
    EXPECT_EQ(ReadLangString(ini, "BTN_OK", table), "") << "first-release keys have no fallback";
    // Present but empty stays empty, whatever the spelling of the key.
    WriteFile(ini, "[STRING]\nerr_new_thing =\n");
    EXPECT_EQ(ReadLangString(ini, "ERR_NEW_THING", table), "");
    WriteFile(ini, "[STRING]\nERR_NEW_THING=\"\"\n");
    EXPECT_EQ(ReadLangString(ini, "ERR_NEW_THING", table), "");
    WriteFile(ini, "[STRING]\nERR_NEW_THING=Neues Ding\n");
    EXPECT_EQ(ReadLangString(ini, "ERR_NEW_THING", table), "Neues Ding");
}

namespace {
std::string ThroughTheProfileApi(const std::string& ini, const char* key) {
    std::string file = ini;
    if (win::ProcessIsUtf8()) {
        // The API would read a file without a byte-order mark as UTF-8: it is
        // asked of the same text in UTF-16 instead.
        const std::string bytes = testing_support::ReadFile(ini);
        if (EncodingOf(bytes) == TextEncoding::kAnsi) {
            file = ini + ".utf16";
            if (!testing_support::Exists(file))
                WriteFile(file, EncodeText(DecodeText(bytes), TextEncoding::kUtf16Le));
        }
    }
    char buffer[1024] = {};
    ::GetPrivateProfileStringA("STRING", key, "", buffer, sizeof buffer, file.c_str());
    return ExpandLineBreaks(buffer);
}
}  // namespace

TEST(LangStrings, TheKeptSectionAnswersAsTheProfileApiDoes) {
    const std::string kilo(1022, 'k');
    const std::string bytes[] = {
        // Blanks around names, '=' and values; tabs; ^Z and no-break spaces.
        "[STRING]\n  KEY1  =  value one  \n\tKEY2\t=\tx\t\nKEY3=\x1a"
        "z\x1a\nKEY4=\xA0nb\xA0\n",
        // Quotes: balanced, single, unbalanced, lone, inner, blank inside.
        "[STRING]\nQ1=\"quoted\"\nQ2='single'\nQ3=\"open\nQ4=\"\nQ5=\"a\"b\"\nQ6=\" \"\nQ7=\"x'\nQ8=''\n",
        // Comments, a line without '=', '=' inside a value, an empty name.
        "[STRING]\n;C1=hidden\nC2=value ; not a comment\nC3\nC4==v=w\n=nameless\n# C5=hash\n",
        // Duplicate sections and keys, section and key case, odd headers.
        "[string]\nD1=first\nd1=second\n[OTHER]\nD2=other\n[STRING]\nD3=later\n",
        "[ STRING ]\nH1=spaced\n[STRING\nH2=open\n[STRING] tail\nH3=tail\n[STR]ING]\nH4=inner\n",
        "K0=before any section\n[STRING]\nK1=after\n",
        // Line ends: none at the end, CR only, LF only, CR LF, blank lines.
        "[STRING]\r\nE1=crlf\r\n\r\nE2=last",
        "[STRING]\rR1=cr only\rR2=two\r",
        "[STRING]\n\n\nL1=lf\n\n",
        // Encodings: a UTF-8 byte order mark with a non-ASCII value, UTF-16.
        "\xEF\xBB\xBF[STRING]\nU1=caf\xC3\xA9\nU2=\\n\n",
        std::string("\xFF\xFE[\0S\0T\0R\0I\0N\0G\0]\0\n\0W\0=\0w\0i\0d\0e\0\n\0", 40),
        // NUL bytes cut names and values.
        std::string("[STRING]\nN1=before\0after\nN2\0x=hidden\n", 38),
        // Long values, with the quote quirk at the buffer's end.
        "[STRING]\nLONG=" + std::string(3000, 'w') + "\nQ1023=\"" + kilo + "y\"\nQ1022=\"" + kilo +
            "\"\nQ1024=\"" + kilo + "yz\"\n",
        "",
        "[STRING]\n",
        "\xEF\xBB\xBF",
    };
    const char* keys[] = {"KEY1", "key1", " KEY2 ", "KEY3",  "KEY4",  "Q1",     "Q2",      "Q3", "Q4", "Q5",
                          "Q6",   "Q7",   "Q8",     ";C1",   "C1",    "C2",     "C3",      "C4", "",   " ",
                          "# C5", "D1",   "D2",     "D3",    "H1",    "H2",     "[STRING", "H3", "H4", "K0",
                          "K1",   "E1",   "E2",     "R1",    "R2",    "L1",     "U1",      "U2", "W",  "N1",
                          "N2",   "LONG", "Q1023",  "Q1022", "Q1024", "MISSING"};
    TempDir dir;
    int n = 0;
    for (const std::string& content : bytes) {
        // A fresh name each time: the profile API caches recent files too.
        const std::string ini = dir / ("lang" + std::to_string(n++) + ".INI");
        WriteFile(ini, content);
        for (const char* key : keys) {
            // The API trims the no-break spaces it reads from a legacy file,
            // not those of the UTF-16 copy asked in UTF-8: the program keeps
            // the legacy reading.
            const std::string want = win::ProcessIsUtf8() && n == 1 && std::string(key) == "KEY4"
                                         ? std::string("nb")
                                         : ThroughTheProfileApi(ini, key);
            EXPECT_EQ(ReadLangString(ini, key, nullptr), want) << "file " << n - 1 << ", key '" << key << "'";
        }
    }

    // A section of thousands of keys is read whole.
    std::string big = "[STRING]\n";
    for (int i = 0; i < 5000; ++i)
        big += "BIG" + std::to_string(i) + "=" + std::string(40, 'a' + i % 26) + "\n";
    const std::string ini = dir / "big.INI";
    WriteFile(ini, big);
    for (const char* key : {"BIG0", "BIG2500", "BIG4999"})
        EXPECT_EQ(ReadLangString(ini, key, nullptr), ThroughTheProfileApi(ini, key)) << key;
}

TEST(LangStrings, LongValuesAreCutTo1023Bytes) {
    TempDir dir;
    const std::string ini = dir / "lang.INI";
    WriteFile(ini, "[STRING]\nLONG=" + std::string(2000, 'w') + "\n");
    EXPECT_EQ(ReadLangString(ini, "LONG"), std::string(1023, 'w'));
}

TEST(LangStrings, AnEditedFileTakesEffectOnTheNextLookup) {
    TempDir dir;
    const std::string ini = dir / "lang.INI";
    WriteFile(ini, "[STRING]\nKEY=first\n");
    EXPECT_EQ(ReadLangString(ini, "KEY"), "first");
    WriteFile(ini, "[STRING]\nKEY=second\n");
    EXPECT_EQ(ReadLangString(ini, "KEY"), "second");
    WriteFile(ini, "[STRING]\n");
    EXPECT_EQ(ReadLangString(ini, "KEY"), "");
    // An edit of the same size shows through its write time alone (a quick
    // rewrite can keep the file system's coarse time stamp: move it on).
    WriteFile(ini, "[STRING]\nKEY=one\n");
    EXPECT_EQ(ReadLangString(ini, "KEY"), "one");
    WriteFile(ini, "[STRING]\nKEY=two\n");
    {
        win::FileHandle file(
            ::CreateFileA(ini.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        FILETIME written;
        ::GetSystemTimeAsFileTime(&written);
        written.dwHighDateTime += 1;  // about seven minutes on
        ASSERT_TRUE(::SetFileTime(file.Get(), nullptr, nullptr, &written));
    }
    EXPECT_EQ(ReadLangString(ini, "KEY"), "two");
    ::DeleteFileA(ini.c_str());
    EXPECT_EQ(ReadLangString(ini, "KEY"), "");
    WriteFile(ini, "[STRING]\nKEY=back\n");
    EXPECT_EQ(ReadLangString(ini, "KEY"), "back");
}

TEST(LangStrings, ABackslashTrailByteOfADoubleByteCharacterIsNoEscape) {
    // In code page 932 the character 0x95 0x5C ends in a backslash byte.
    const std::string table =
        "\x95\x5C"
        "n";
    EXPECT_EQ(ExpandLineBreaks(table, 932), table);
    EXPECT_EQ(ExpandLineBreaks("\x95\x5C\\n", 932), "\x95\x5C\n");
    // In a single-byte code page the same bytes are a backslash pair.
    EXPECT_EQ(ExpandLineBreaks(table, 1252), "\x95\n");
}

TEST(LangStrings, TheShippedLanguageFileHoldsEveryKey) {
    // The build copies lang/QuilletTool.INI beside this test as <test>.INI.
    const char* keys[] = {"TITLE_APP",
                          "MENU_FILE",
                          "MENU_DISPLAY",
                          "MENU_SORT",
                          "MENU_CHANGE_TARGET",
                          "MENU_HELP",
                          "MENU_FILE_CLOSE",
                          "MENU_DISPLAY_REFRESH",
                          "MENU_SORT_TITLE",
                          "MENU_SORT_PAPER_NAME",
                          "MENU_CHANGE_TARGET_LX",
                          "MENU_CHANGE_TARGET_MEMCARD",
                          "MENU_HELP_ABOUT",
                          "BTN_SELECT",
                          "TITLE_ZELLIT_TO",
                          "TITLE_ZELLIT1",
                          "TITLE_ZELLIT2",
                          "TITLE_ZELLIT2_LX",
                          "TITLE_ZELLIT2_MEMCART",
                          "BTN_FOLDER_MAKE",
                          "BTN_MOVE",
                          "BTN_ADD",
                          "BTN_COPY",
                          "BTN_DELETE",
                          "BTN_NAME_CHANGE",
                          "ERR_SELECT_SAME_TARGET",
                          "TITLE_ABOUT",
                          "VERSION_ABOUT",
                          "COPYRIGHT_ABOUT",
                          "BTN_OK",
                          "ERR_LX",
                          "USE_ADD_MEM_FUNC_FLAG",
                          "LIST_ZEL_NAME",
                          "LIST_ZEL_PAPER",
                          "TITLE_MARGINE_NORMAL",
                          "TITLE_MARGINE_EXTEND",
                          "TITLE_MARGINE_NO",
                          "TITLE_MARGINE_ROLLPAPER_CUTOFF",
                          "TITLE_MARGINE_ROLLPAPER_CUTON",
                          "TITLE_SELECT_MEMCARD1",
                          "TITLE_SELECT_MEMCARD2",
                          "EXPLAIN_SELECT_MEMCARD1",
                          "EXPLAIN_SELECT_MEMCARD2",
                          "TITLE_MEMCARD",
                          "BTN_RESCAN",
                          "BTN_NEXT",
                          "BTN_GO",
                          "BTN_CANCEL",
                          "TITLE_FOLDER_MAKE",
                          "EXPLAIN_FOLDER_MAKE",
                          "TITLE_CHANGE_NAME",
                          "EXPLAIN_CHANGE_NAME",
                          "ERR_NOT_USE_FOLDER",
                          "ERR_SELECT_SAME_FOLDER",
                          "ERR_ZELLIT2_OVER_MAX_NUM",
                          "ERR_COPY_FAILED",
                          "ERR_CONFIRM_REPLACE",
                          "ERR_MOVE",
                          "ERR_DISK_SIZE",
                          "MSG_DELETE",
                          "ERR_FOLDER_MAKE",
                          "ERR_NOT_FOLDER_NAME",
                          "ERR_NOT_FOLDER_NAME_DOT",
                          "ERR_FOLDR_NAME_CHAR",
                          "ERR_FILE_NAME_CHAR",
                          "ERR_NOT_FILE_NAME",
                          "ERR_FILE_NAME",
                          "ERR_FOLDER_NAME"};
    ASSERT_EQ(std::size(keys), 68u);
    for (const char* key : keys) EXPECT_FALSE(GetLangString(key).empty()) << key;
    // Later keys: the English file and the fallback table say the same, and
    // no first-release key has a fallback.
    for (const LangDefault* entry = kPostReleaseLangDefaults; entry->key; ++entry)
        EXPECT_EQ(GetLangString(entry->key), ExpandLineBreaks(entry->text)) << entry->key;
    for (const char* key : keys) EXPECT_EQ(FindLangDefault(key), nullptr) << key;

    EXPECT_EQ(GetLangString("USE_ADD_MEM_FUNC_FLAG"), "1");
    EXPECT_EQ(GetLangString("ERR_FOLDR_NAME_CHAR"), "\\/:*?\"<>|");
    const std::string allowed = GetLangString("ERR_FILE_NAME_CHAR");
    EXPECT_NE(allowed.find('_'), std::string::npos);
    EXPECT_NE(allowed.find('-'), std::string::npos);
    const std::string replace = GetLangString("ERR_CONFIRM_REPLACE");
    const size_t first = replace.find("%s");
    ASSERT_NE(first, std::string::npos);
    EXPECT_NE(replace.find("%s", first + 2), std::string::npos);
}
