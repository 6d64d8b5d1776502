#include "app/LangFile.h"

#include <vector>

#include "frames/TextEncoding.h"
#include "win/Handles.h"
#include "win/Strings.h"

namespace {
constexpr char kSection[] = "STRING";
constexpr UINT kValueBuffer = 1024;         // what each lookup used to pass
constexpr DWORD kLargestSection = 1 << 26;  // a language file is a few KB

std::wstring Widen(const std::string& text) {
    if (text.empty()) return {};
    const int n = ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(n, L'\0');
    ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), &wide[0], n);
    return wide;
}

std::string Narrow(const std::wstring& text) {
    if (text.empty()) return {};
    const int n = ::WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                        nullptr, nullptr);
    std::string narrow(n, '\0');
    ::WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), &narrow[0], n, nullptr,
                          nullptr);
    return narrow;
}

// The profile API trims names with the Unicode notion of a blank, plus ^Z.
bool IsProfileBlank(wchar_t c) {
    WORD type = 0;
    return c == 0x1a || (::GetStringTypeW(CT_CTYPE1, &c, 1, &type) && (type & C1_SPACE));
}

std::wstring TrimmedUpper(std::wstring name) {
    size_t begin = 0, end = name.size();
    while (begin < end && IsProfileBlank(name[begin])) ++begin;
    while (end > begin && IsProfileBlank(name[end - 1])) --end;
    name = name.substr(begin, end - begin);
    if (!name.empty()) ::CharUpperBuffW(&name[0], static_cast<DWORD>(name.size()));
    return name;
}

// The first [STRING] section's lines as the profile API lists them
// ("name=value", blanks around both taken off, empty lines left out; lines
// of ';' comments are kept, as a lookup finds them), read here: in a
// process whose own code page is UTF-8, the API would read a file without a
// byte-order mark as UTF-8, where users' language files are in the system's
// legacy code page.
std::vector<std::string> SectionLines(HANDLE file) {
    std::vector<std::string> lines;
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(file, &size) || size.QuadPart > kLargestSection) return lines;
    std::string bytes(static_cast<size_t>(size.QuadPart), '\0');
    DWORD read = 0;
    if (!bytes.empty() &&
        (!::ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) ||
         read != bytes.size()))
        return lines;
    const std::wstring text = DecodeText(bytes);
    enum { kBefore, kInside, kAfter } state = kBefore;
    for (size_t next = 0; next < text.size() && state != kAfter;) {
        size_t end = text.find_first_of(L"\r\n", next);
        if (end == std::wstring::npos) end = text.size();
        size_t begin = next;
        next = text.find_first_not_of(L"\r\n", end);
        if (next == std::wstring::npos) next = text.size();
        while (begin < end && IsProfileBlank(text[begin])) ++begin;
        while (end > begin && IsProfileBlank(text[end - 1])) --end;
        const std::wstring line = text.substr(begin, end - begin);
        if (line.empty()) continue;
        // A '[' without its ']' is no section: a key line, as any other.
        const size_t close = line[0] == L'[' ? line.find(L']') : std::wstring::npos;
        if (close != std::wstring::npos) {
            const std::wstring name = TrimmedUpper(line.substr(1, close - 1));
            if (state == kInside)
                state = kAfter;
            else if (name == L"STRING")
                state = kInside;
            continue;
        }
        if (state != kInside) continue;
        // A NUL ends the name, or the value, as it ends a C string.
        const size_t equals = line.find(L'=');
        std::wstring name = line.substr(0, equals);
        name = name.substr(0, name.find(L'\0'));
        while (!name.empty() && IsProfileBlank(name.back())) name.pop_back();
        if (equals == std::wstring::npos) {
            lines.push_back(Narrow(name));
            continue;
        }
        std::wstring value = line.substr(equals + 1);
        value = value.substr(0, value.find(L'\0'));
        size_t valueBegin = 0;
        while (valueBegin < value.size() && IsProfileBlank(value[valueBegin])) ++valueBegin;
        lines.push_back(Narrow(name) + "=" + Narrow(value.substr(valueBegin)));
    }
    return lines;
}

// The profile API answered directly, for the rare key the section listing
// leaves out (names beginning with ';' are comments there).
bool FindDirectly(const std::string& path, const char* key, std::string& value) {
    char buffer[kValueBuffer] = {};
    ::GetPrivateProfileStringA(kSection, key, "", buffer, sizeof buffer, path.c_str());
    if (buffer[0] == '\0') {
        char probe[2] = {};
        ::GetPrivateProfileStringA(kSection, key, "-", probe, sizeof probe, path.c_str());
        if (probe[0] == '-') return false;
    }
    value = buffer;
    return true;
}
}  // namespace

std::string ProfileValueForBuffer(const std::string& raw) {
    const std::wstring wide = Widen(raw);
    // One pair of outer quotes comes off, with the API's own quirk: when the
    // unquoted value fills the buffer, its last kept character goes instead.
    const bool quoted =
        wide.size() >= 2 && (wide[0] == L'"' || wide[0] == L'\'') && wide[wide.size() - 1] == wide[0];
    const std::wstring inner = quoted ? wide.substr(1) : wide;
    std::wstring kept = inner.substr(0, kValueBuffer - 1);
    if (quoted && inner.size() <= kValueBuffer && !kept.empty()) kept.pop_back();
    // The limit is of bytes in the legacy code page, as the files are.
    if (win::ProcessIsUtf8()) return Narrow(win::CutToLegacyBytes(kept, kValueBuffer - 1));
    return win::TruncateAtCharBoundary(Narrow(kept), kValueBuffer - 1);
}

bool CLangFile::Stamp::operator==(const Stamp& other) const {
    return exists == other.exists && attributes == other.attributes && size == other.size &&
           ::CompareFileTime(&written, &other.written) == 0;
}

CLangFile::Stamp CLangFile::StampOf(const std::string& path) {
    Stamp stamp;
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!::GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return stamp;
    stamp.exists = true;
    stamp.attributes = data.dwFileAttributes;
    stamp.size = (static_cast<ULONGLONG>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    stamp.written = data.ftLastWriteTime;
    return stamp;
}

void CLangFile::Refresh() {
    const Stamp now = StampOf(path_);
    if (loaded_ && now == stamp_) return;
    stamp_ = now;
    loaded_ = true;
    Load();
}

void CLangFile::Load() {
    entries_.clear();
    if (!stamp_.exists) {
        state_ = LangFileState::kMissing;
        return;
    }
    if (stamp_.attributes & FILE_ATTRIBUTE_DIRECTORY) {
        state_ = LangFileState::kUnreadable;
        return;
    }
    std::vector<std::string> lines;
    {
        // The profile API opens the file with these rights; a file another
        // program holds without sharing gives nothing but empty texts.
        win::FileHandle file(::CreateFileA(path_.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                           nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) {
            const DWORD error = ::GetLastError();
            const bool gone = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
            state_ = gone ? LangFileState::kMissing : LangFileState::kUnreadable;
            return;
        }
        readOurselves_ = win::LegacyCodePage() != ::GetACP();
        if (readOurselves_) lines = SectionLines(file.Get());
    }
    if (!readOurselves_) {
        // The section as "name=value" lines (a name alone for a line without
        // '='), read by the profile API itself so the file's encoding, blanks,
        // comments and duplicate sections are taken exactly as a lookup takes them.
        std::vector<char> section(1 << 16);
        DWORD length = 0;
        for (;;) {
            length = ::GetPrivateProfileSectionA(kSection, section.data(), static_cast<DWORD>(section.size()),
                                                 path_.c_str());
            if (length < section.size() - 2 || section.size() >= kLargestSection) break;
            section.assign(section.size() * 2, '\0');
        }
        for (const char* line = section.data(); line < section.data() + length && *line;
             line += strlen(line) + 1)
            lines.emplace_back(line);
    }
    bool anyValue = false;
    for (const std::string& text : lines) {
        const size_t equals = text.find('=');
        Entry entry{equals != std::string::npos, {}};
        if (entry.hasValue) entry.value = text.substr(equals + 1);
        anyValue = anyValue || entry.hasValue;
        entries_.emplace(TrimmedUpper(Widen(text.substr(0, equals))), std::move(entry));
    }
    state_ = anyValue ? LangFileState::kReady : LangFileState::kNoSection;
}

LangFileState CLangFile::State() {
    Refresh();
    return state_;
}

bool CLangFile::Find(const char* key, std::string& value) {
    Refresh();
    if (state_ != LangFileState::kReady) return false;
    const std::wstring name = TrimmedUpper(Widen(key ? key : ""));
    // The API's listing leaves out names beginning with ';' (comments),
    // which a lookup still finds; the file read here keeps them.
    if (!name.empty() && name[0] == L';' && !readOurselves_) return FindDirectly(path_, key, value);
    const auto found = entries_.find(name);
    if (found == entries_.end() || !found->second.hasValue) return false;
    value = ProfileValueForBuffer(found->second.value);
    return true;
}
