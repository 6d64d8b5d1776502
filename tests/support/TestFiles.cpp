#include "TestFiles.h"

#include <fstream>
#include <sstream>
#include <stdexcept>

namespace testing_support {

TempDir::TempDir() {
    char temp[MAX_PATH] = {};
    ::GetTempPathA(MAX_PATH, temp);
    static unsigned counter = 0;
    for (;;) {
        path_ = std::string(temp) + "qt" + std::to_string(::GetCurrentProcessId()) + "_" +
                std::to_string(++counter);
        if (::CreateDirectoryA(path_.c_str(), nullptr)) return;
        if (::GetLastError() != ERROR_ALREADY_EXISTS) throw std::runtime_error("cannot create " + path_);
    }
}

TempDir::~TempDir() {
    RemoveTree(path_);
}

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + path);
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

bool Exists(const std::string& path) {
    return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool IsDirectory(const std::string& path) {
    const DWORD a = ::GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

void MakeDirs(const std::string& path) {
    for (size_t at = path.find('\\', 3); at != std::string::npos; at = path.find('\\', at + 1))
        ::CreateDirectoryA(path.substr(0, at).c_str(), nullptr);
    ::CreateDirectoryA(path.c_str(), nullptr);
}

namespace {

using UnixFileName = char*(CDECL*)(const wchar_t*);

std::string UnixPath(const std::string& path) {
    const auto unixFileName = reinterpret_cast<UnixFileName>(reinterpret_cast<void*>(
        ::GetProcAddress(::GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
    if (!unixFileName) return {};
    std::wstring wide(path.size() + 1, L'\0');
    wide.resize(static_cast<size_t>(
        ::MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide.data(), static_cast<int>(wide.size()))));
    char* unix = unixFileName(wide.c_str());
    if (!unix) return {};
    std::string result = unix;
    ::HeapFree(::GetProcessHeap(), 0, unix);
    return result;
}

// Runs a Linux program (Wine starts native programs too). Wine cannot wait
// for one: callers poll for its effect with WaitFor.
bool RunUnix(const std::string& program, const std::string& arguments) {
    std::string commandLine = program + " " + arguments;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    std::string image = "Z:" + program;
    for (char& c : image)
        if (c == '/') c = '\\';
    if (!::CreateProcessA(image.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                          &startup, &process))
        return false;
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
    return true;
}

template <typename Done>
bool WaitFor(Done done) {
    for (int i = 0; i < 500 && !done(); ++i) ::Sleep(10);
    return done();
}

// UTF-8 (a Linux path) as UTF-16.
std::wstring ToWideText(const std::string& utf8) {
    std::wstring wide(utf8.size() + 1, L'\0');
    wide.resize(static_cast<size_t>(
        ::MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, wide.data(), static_cast<int>(wide.size())) - 1));
    return wide;
}

std::string Quoted(const std::string& text) {
    return "\"" + text + "\"";
}

}  // namespace

bool MakeLink(const std::string& target, const std::string& link) {
    const std::string unixTarget = UnixPath(target), unixLink = UnixPath(link);
    if (unixTarget.empty() || unixLink.empty()) return false;
    // Wine marks a link to a folder; a link to a file looks like the file.
    const bool folder = IsDirectory(target);
    return RunUnix("/bin/ln", "-s " + Quoted(unixTarget) + " " + Quoted(unixLink)) &&
           WaitFor([&] { return folder ? IsLink(link) : Exists(link); });
}

bool WriteFileFromLinux(const std::string& folder, const std::wstring& name, const std::string& bytes) {
    // Written under a plain name first, then renamed from the Linux side,
    // which takes any name as it stands. The command line goes in UTF-16,
    // so that Wine hands the name to Linux as it is.
    const std::string staged = folder + "\\staged.tmp";
    WriteFile(staged, bytes);
    const std::wstring unixFolder = std::wstring(L"\"") + ToWideText(UnixPath(folder));
    if (unixFolder.size() <= 1) return false;
    std::wstring commandLine =
        L"/bin/mv " + unixFolder + L"/staged.tmp\" " + unixFolder + L"/" + name + L"\"";
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!::CreateProcessW(L"Z:\\bin\\mv", commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                          &startup, &process))
        return false;
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
    return WaitFor([&] { return !Exists(staged); });
}

namespace {

bool MoveCardFolder(char letter, bool pull) {
    // No quotes inside: the script passes through a Windows command line.
    const std::string link =
        "$WINEPREFIX/dosdevices/" + std::string(1, static_cast<char>(letter | 0x20)) + ":";
    const std::string script = pull ? "d=$(readlink -f " + link + ") && mv $d $d.pulled"
                                    : "d=$(readlink -f " + link + ") && mv $d.pulled $d";
    const std::string root = std::string(1, letter) + ":\\";
    auto present = [&] {
        ULARGE_INTEGER free = {};
        const UINT mode = ::SetErrorMode(SEM_FAILCRITICALERRORS);
        const bool ok = ::GetDiskFreeSpaceExA(root.c_str(), &free, nullptr, nullptr) != FALSE;
        ::SetErrorMode(mode);
        return ok;
    };
    return RunUnix("/bin/sh", "-c " + Quoted(script)) && WaitFor([&] { return present() != pull; });
}

}  // namespace

bool PullCard(char letter) {
    return MoveCardFolder(letter, true);
}

bool PutCardBack(char letter) {
    return MoveCardFolder(letter, false);
}

bool IsLink(const std::string& path) {
    const DWORD a = ::GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_REPARSE_POINT);
}

// Never enters a link: the link goes, what it points to stays.
void RemoveTree(const std::string& path) {
    if (IsLink(path)) {
        if (!::RemoveDirectoryA(path.c_str()) && !::DeleteFileA(path.c_str()))
            RunUnix("/bin/rm", "-f " + Quoted(UnixPath(path))) && WaitFor([&] { return !Exists(path); });
        return;
    }
    WIN32_FIND_DATAA data;
    HANDLE find = ::FindFirstFileA((path + "\\*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = data.cFileName;
            if (name == "." || name == "..") continue;
            const std::string child = path + "\\" + name;
            if (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
                RemoveTree(child);
                continue;
            }
            ::SetFileAttributesA(child.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(child);
            else
                ::DeleteFileA(child.c_str());
        } while (::FindNextFileA(find, &data));
        ::FindClose(find);
    }
    ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    // A link whose target went first no longer reads as a link under Wine;
    // the Linux side removes what is left (rm never follows a link).
    if (!::RemoveDirectoryA(path.c_str()) && Exists(path))
        RunUnix("/bin/rm", "-rf " + Quoted(UnixPath(path))) && WaitFor([&] { return !Exists(path); });
}

std::string ModuleFolder() {
    char module[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, module, MAX_PATH);
    std::string path = module;
    return path.substr(0, path.rfind('\\') + 1);
}

namespace {
// Length and FNV-1a hash: short enough to read in a failed comparison.
std::string Fingerprint(const std::string& bytes) {
    unsigned long long hash = 14695981039346656037ULL;
    for (unsigned char c : bytes) hash = (hash ^ c) * 1099511628211ULL;
    return std::to_string(bytes.size()) + " bytes #" + std::to_string(hash);
}

void SnapshotInto(const std::string& folder, const std::string& prefix,
                  std::map<std::string, std::string>& out) {
    WIN32_FIND_DATAA entry;
    HANDLE find = ::FindFirstFileA((folder + "\\*").c_str(), &entry);
    if (find == INVALID_HANDLE_VALUE) return;
    do {
        const std::string name = entry.cFileName;
        if (name == "." || name == "..") continue;
        const std::string path = folder + "\\" + name;
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
            out[prefix + name] = "<link>";
        } else if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            out[prefix + name] = "<dir>";
            SnapshotInto(path, prefix + name + "\\", out);
        } else {
            const DWORD kept = entry.dwFileAttributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
            out[prefix + name] = Fingerprint(ReadFile(path)) + " attributes " + std::to_string(kept);
        }
    } while (::FindNextFileA(find, &entry));
    ::FindClose(find);
}
}  // namespace

std::map<std::string, std::string> Snapshot(const std::string& folder) {
    std::map<std::string, std::string> out;
    SnapshotInto(folder, "", out);
    return out;
}

std::vector<std::pair<std::string, std::string>> AwkwardFrameFiles() {
    using namespace std::string_literals;
    const std::string longTitle(5000, 't');
    const std::string quoted1023 = "\"" + std::string(1022, 'q') + "\"";
    const std::string quoted1024 = "\"" + std::string(1023, 'q') + "\"";
    const std::string quoted1025 = "\"" + std::string(1024, 'q') + "\"";
    return {
        {"blanks",
         "  [HEADER]  \r\n  HdTitle \t=  Rose garden  \r\nHdPhysicalPaperSize=\t A4\t\r\n"
         "HdMargines =42,198,42,42 \r\n HdThumbnail= .\\x\\t.jpg\r\n"},
        {"quotes",
         "[HEADER]\r\nHdTitle=\"Rose\"\r\nHdPhysicalPaperSize='A4'\r\nHdThumbnail=\"unbalanced\r\n"
         "HdMargines=\"\"\r\n"},
        {"quotes2",
         "[HEADER]\r\nHdTitle=\"\r\nHdPhysicalPaperSize=\"a\"b\"\r\nHdThumbnail='x\"\r\n"
         "HdMargines=\" 42 \"\r\n"},
        {"comments",
         "; HdTitle=commented\r\n[HEADER]\r\n;HdTitle=commented too\r\nHdTitle=Rose ; not a comment\r\n"
         "#HdMargines=1\r\nHdMargines=2\r\n"},
        {"dupsections",
         "[HEADER]\r\nHdTitle=first\r\n[BODY]\r\nHdTitle=body\r\n[HEADER]\r\nHdTitle=second\r\n"
         "HdMargines=later\r\n"},
        {"dupkeys",
         "[HEADER]\r\nHdTitle=one\r\nHDTITLE=two\r\nHdThumbnail\r\nHdThumbnail=after a bare name\r\n"},
        {"case",
         "[header]\r\nhdtitle=lower\r\nHDPHYSICALPAPERSIZE=upper\r\n[Header]\r\nHdMargines=second\r\n"},
        {"nonewline", "[HEADER]\r\nHdTitle=end of file"},
        {"cronly", "[HEADER]\rHdTitle=cr\rHdMargines=42,42,42,42\r"},
        {"lfonly", "[HEADER]\nHdTitle=lf\nHdMargines=42,42,42,42\n\n\n"},
        {"mixed", "[HEADER]\r\r\nHdTitle=mixed\n\rHdPhysicalPaperSize=L\r\n\r\n"},
        {"bom", "\xEF\xBB\xBF[HEADER]\r\nHdTitle=Caf\xC3\xA9 \xE6\x97\xA5\r\nHdT\xC4\xB0tle=x\r\n"},
        {"bomlate", "[HEADER]\r\n\xEF\xBB\xBFHdTitle=x\r\nHdMargines=\xEF\xBB\xBF\r\n"},
        {"tabs",
         "\t[HEADER]\t\r\n\tHdTitle\t=\tRose\t\r\n\x0BHdMargines\x0C=\x1A"
         "42\x1A\r\n"},
        {"nbsp", "[HEADER]\r\nHdTitle=\xA0Rose\xA0\r\n\xA0HdMargines=1\r\n"},
        {"long", "[HEADER]\r\nHdTitle=" + longTitle + "\r\nHdThumbnail=C:\\" + std::string(400, 'p') +
                     "\r\nHdMargines=" + std::string(300, '4') + "\r\nHdPhysicalPaperSize=" + quoted1024 +
                     "\r\n"},
        {"longquotes", "[HEADER]\r\nHdTitle=" + quoted1023 + "\r\nHdPhysicalPaperSize=" + quoted1025 +
                           "\r\nHdMargines=\"" + std::string(127, 'm') + "\"\r\n"},
        {"nuls", "[HEADER]\r\nHdTitle=ab\0cd\r\nHd\0Thumbnail=x\r\nHdMargines=42 \0 \r\n"s},
        {"nulsection", "[HEA\0DER]\r\nHdTitle=no\r\n[HEADER]\r\nHdTitle=yes\r\n"s},
        {"sections", "[ HEADER ]\r\nHdTitle=spaced\r\n"},
        {"sections2", "[HEADER] trailing\r\nHdTitle=trailing\r\n"},
        {"sections3", "[HEADER\r\nHdTitle=unclosed\r\n[[HEADER]]\r\nHdTitle=double\r\n"},
        {"sections4", "[HEADER]]\r\nHdTitle=two closing\r\n[HEADER]\r\nHdTitle=plain\r\n"},
        {"sections5", "[HEADER] x ]\r\nHdTitle=last bracket\r\n"},
        {"before", "HdTitle=no section\r\n[HEADER]\r\nHdMargines=1\r\n"},
        {"empty", ""},
        {"blank", "\r\n \t\r\n"},
        {"equals", "[HEADER]\r\nHdTitle==x=y\r\n=orphan\r\nHdMargines = = \r\n"},
        {"utf16", "\xFF\xFE[\0H\0E\0A\0D\0E\0R\0]\0\r\0\n\0H\0d\0T\0i\0t\0l\0e\0=\0w\0i\0d\0e\0\r\0\n\0"s},
    };
}

}  // namespace testing_support
