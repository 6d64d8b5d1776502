// The Japanese language file (Shift-JIS, code page 932) that ships beside
// the English one. The build copies it to lang\ja\QuilletTool.INI beside
// this test. The JapaneseLocale tests need the ANSI code page 932: ctest runs
// them once more in a Japanese locale; elsewhere they are skipped.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "ModalDriver.h"
#include "TestFiles.h"
#include "app/LangStrings.h"
#include "app/MessageBox.h"
#include "win/Strings.h"

using testing_support::ModuleFolder;
using testing_support::TempDir;
using testing_support::WriteFile;

namespace {

constexpr UINT kJapanese = 932;

std::string JapaneseFile() {
    return ModuleFolder() + "lang\\ja\\QuilletTool.INI";
}

std::string EnglishFile() {
    char module[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, module, sizeof module);
    return LangFilePathFor(module);
}

// Every key=value of the STRING section, as raw bytes (read here: the
// profile API reads a file in the process's code page, which may be UTF-8).
std::map<std::string, std::string> ReadSection(const std::string& path) {
    const std::string bytes = testing_support::ReadFile(path);
    std::map<std::string, std::string> entries;
    bool inside = false;
    for (size_t start = 0; start < bytes.size();) {
        size_t end = bytes.find_first_of("\r\n", start);
        if (end == std::string::npos) end = bytes.size();
        const std::string line = bytes.substr(start, end - start);
        start = bytes.find_first_not_of("\r\n", end);
        if (start == std::string::npos) start = bytes.size();
        if (!line.empty() && line[0] == '[') {
            inside = line == "[STRING]";
            continue;
        }
        const size_t eq = line.find('=');
        if (inside && eq != std::string::npos && line[0] != ';')
            entries[line.substr(0, eq)] = line.substr(eq + 1);
    }
    return entries;
}

bool IsWholeText(const std::string& text, UINT codePage) {
    if (text.empty()) return true;
    return ::MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, text.data(), static_cast<int>(text.size()),
                                 nullptr, 0) > 0;
}

bool IsWholeCp932Text(const std::string& text) {
    return IsWholeText(text, kJapanese);
}

// Shift-JIS bytes from UTF-8 source text.
std::string Sjis(const char* utf8) {
    std::wstring wide(strlen(utf8), L'\0');
    wide.resize(static_cast<size_t>(::MultiByteToWideChar(CP_UTF8, 0, utf8, static_cast<int>(strlen(utf8)),
                                                          wide.data(), static_cast<int>(wide.size()))));
    const int n = ::WideCharToMultiByte(kJapanese, 0, wide.c_str(), static_cast<int>(wide.size()), nullptr, 0,
                                        nullptr, nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    ::WideCharToMultiByte(kJapanese, 0, wide.c_str(), static_cast<int>(wide.size()), out.data(), n, nullptr,
                          nullptr);
    return out;
}

// The program's text of UTF-8 source text, as it reads it from a Shift-JIS
// file: the Shift-JIS bytes, or UTF-8 where the process's code page is that.
std::string Shown(const char* utf8) {
    return win::ProcessIsUtf8() ? std::string(utf8) : win::FromLegacy(Sjis(utf8));
}

size_t CountOf(const std::string& text, const std::string& what) {
    size_t count = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + what.size()))
        ++count;
    return count;
}

}  // namespace

TEST(JapaneseLanguageFile, HoldsEveryEnglishKeyWithWholeCharactersAndTheSameData) {
    const auto english = ReadSection(EnglishFile());
    const auto japanese = ReadSection(JapaneseFile());
    ASSERT_GE(english.size(), 68u);
    for (const auto& [key, text] : english) EXPECT_EQ(japanese.count(key), 1u) << "missing: " << key;
    for (const auto& [key, text] : japanese) EXPECT_EQ(english.count(key), 1u) << "not in English: " << key;

    // Data, not text: the program reads these as a number and as character sets.
    for (const char* key : {"USE_ADD_MEM_FUNC_FLAG", "ERR_FOLDR_NAME_CHAR", "ERR_FILE_NAME_CHAR", "BTN_MOVE"})
        EXPECT_EQ(japanese.at(key), english.at(key)) << key;
    // The replace question is a format with two %s, in the English order.
    EXPECT_EQ(CountOf(japanese.at("ERR_CONFIRM_REPLACE"), "%s"), 2u);

    for (const auto& [key, raw] : japanese) {
        EXPECT_FALSE(raw.empty()) << key;
        EXPECT_TRUE(IsWholeCp932Text(raw)) << key;
        // Each "\n" of the file, and nothing else, becomes a line break, even
        // where a character's second byte is a backslash (as in the 0x5C of "表").
        const std::string expanded = ExpandLineBreaks(raw, kJapanese);
        EXPECT_EQ(CountOf(expanded, "\n"), CountOf(raw, "\\n")) << key;
        EXPECT_TRUE(IsWholeCp932Text(expanded)) << key;
    }
}

TEST(JapaneseLocale, AMessageBoxBreaksItsTextAtTheLineFeedWithWholeCharacters) {
    if (win::LegacyCodePage() != kJapanese)
        GTEST_SKIP() << "needs the ANSI code page 932 (ctest runs it in ja_JP)";
    const std::string text = ReadLangString(JapaneseFile(), "ERR_SELECT_SAME_TARGET");
    const char* const first = "このフォルダーは左のリストに表示中です。";
    const char* const second = "ツリーで別のフォルダーを選んでから、もう一度お試しください。";
    ASSERT_EQ(text, Shown(first) + "\n" + Shown(second));
    // 表 is 0x95 0x5C in the file: a backslash byte inside the first line.
    ASSERT_NE(Sjis(first).find('\\'), std::string::npos);

    std::string shown;
    int lines = 0;
    testing_support::ModalDriver driver({[&](HWND box) {
        HWND label = ::GetDlgItem(box, 0xFFFF);  // the message box's text
        shown = win::WindowText(label);
        RECT rect{};
        ::GetClientRect(label, &rect);
        const auto font = reinterpret_cast<HFONT>(::SendMessageA(label, WM_GETFONT, 0, 0));
        HDC dc = ::GetDC(label);
        HGDIOBJ old = ::SelectObject(dc, font);
        TEXTMETRICA metrics{};
        ::GetTextMetricsA(dc, &metrics);
        ::SelectObject(dc, old);
        ::ReleaseDC(label, dc);
        lines = metrics.tmHeight > 0 ? rect.bottom / metrics.tmHeight : 0;
        testing_support::ClickButton(box, IDOK);
    }});
    AppMessageBox(text, MB_OK | MB_ICONHAND);
    EXPECT_EQ(shown, text);
    // The box is tall enough for the two lines and no more (a missed break
    // gives one, a backslash taken for an escape gives three).
    EXPECT_EQ(lines, 2);
}

TEST(JapaneseLocale, ALongValueIsCutBetweenCharacters) {
    if (win::LegacyCodePage() != kJapanese)
        GTEST_SKIP() << "needs the ANSI code page 932 (ctest runs it in ja_JP)";
    TempDir dir;
    const std::string ini = dir / "lang.INI";
    // One single-byte character first, so that byte 1023 is a lead byte.
    const std::string value = "x" + [] {
        std::string many;
        for (int i = 0; i < 1000; ++i) many += Sjis("表");
        return many;
    }();
    WriteFile(ini, "[STRING]\r\nLONG=" + value + "\r\n");
    // The limit is of the file's bytes, whatever the program holds the text in.
    const std::string read = ReadLangString(ini, "LONG");
    std::string bytes;
    ASSERT_TRUE(win::ToLegacy(read, bytes));
    EXPECT_LE(bytes.size(), 1023u);
    EXPECT_GE(bytes.size(), 1000u);
    const std::string shown = win::FromLegacy(value);
    EXPECT_EQ(shown.compare(0, read.size(), read), 0);
    EXPECT_TRUE(IsWholeText(read, CP_ACP));
}
