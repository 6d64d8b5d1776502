// The [STRING] section of one language file, kept in memory. Each lookup
// checks the file's size and last-write time and reads it again only when
// they changed, so an edit still shows at the next lookup. Lookups answer
// exactly what GetPrivateProfileStringA with a 1024-byte buffer would; in a
// process whose code page is UTF-8 the file is read here, in the system's
// legacy code page, and the limit counts bytes of that code page.
#pragma once

#include <windows.h>

#include <map>
#include <string>

enum class LangFileState {
    kReady,
    kMissing,     // no such file
    kUnreadable,  // a folder, locked by another program, or a read error
    kNoSection,   // no [STRING] section, or one without a single key=value line
};

class CLangFile {
public:
    explicit CLangFile(std::string path) : path_(std::move(path)) {}

    // The value of key as the profile API gives it (quotes taken off, 1023
    // bytes at most); false when the file, the section or the key is
    // missing. A line with the key but no '=' counts as missing, as there.
    bool Find(const char* key, std::string& value);
    LangFileState State();
    const std::string& Path() const { return path_; }

private:
    struct Stamp {
        bool exists = false;
        DWORD attributes = 0;
        ULONGLONG size = 0;
        FILETIME written = {};
        bool operator==(const Stamp& other) const;
    };
    // The file is read here, not by the profile API (see SectionLines).
    bool readOurselves_ = false;
    struct Entry {
        bool hasValue;
        std::string value;  // as the file holds it, quotes included
    };

    void Refresh();
    static Stamp StampOf(const std::string& path);
    void Load();

    std::string path_;
    bool loaded_ = false;
    Stamp stamp_;
    LangFileState state_ = LangFileState::kMissing;
    std::map<std::wstring, Entry> entries_;  // by upper-case name; the first line of a name wins
};

// The value the profile API hands back for a raw value of the file: one pair
// of matching outer quotes removed, cut to fit a 1024-byte buffer.
std::string ProfileValueForBuffer(const std::string& raw);
