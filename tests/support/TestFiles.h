// Real files in fresh folders for tests.
#pragma once

#include <windows.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

namespace testing_support {

// A new empty folder under the temporary folder, removed with all it holds
// when the object goes. Path() ends without a backslash.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& Path() const { return path_; }
    // Path() + "\" + relative
    std::string operator/(const std::string& relative) const { return path_ + "\\" + relative; }

private:
    std::string path_;
};

void WriteFile(const std::string& path, const std::string& bytes);
std::string ReadFile(const std::string& path);
bool Exists(const std::string& path);
bool IsDirectory(const std::string& path);
void MakeDirs(const std::string& path);
// Deletes a folder tree, clearing read-only attributes first.
void RemoveTree(const std::string& path);
// Makes link a symbolic link to the folder or file target from the Linux
// side, as a user would with ln -s (Wine cannot make one itself:
// CreateSymbolicLinkA is a stub there). False where that is not possible.
bool MakeLink(const std::string& target, const std::string& link);
// Writes a file named name into folder from the
// Linux side, as another system or a network share would: a name Windows
// reserves (CON.USD) or one the code page lacks characters for.
bool WriteFileFromLinux(const std::string& folder, const std::wstring& name, const std::string& bytes);
// Takes the medium out of the removable drive letter ("M") as a user pulls a
// card: the folder behind the drive is moved aside from the Linux side, so
// the drive stays and answers "not there". PutCardBack undoes it. Wine
// announces neither: tests send the notifications themselves.
bool PullCard(char letter);
bool PutCardBack(char letter);
// Whether path is a link (a reparse point).
bool IsLink(const std::string& path);
// Every file and folder under folder, by relative path: the length and hash
// of a file's bytes with its read-only and hidden attributes, "<dir>" for a
// folder, "<link>" for a link (never entered).
std::map<std::string, std::string> Snapshot(const std::string& folder);
// Frame files whose text a reader could get wrong, by name (without the
// extension): blanks, quotes, comments, repeated sections and keys, any line
// end, byte-order marks, NULs, values past the read buffers, no header.
std::vector<std::pair<std::string, std::string>> AwkwardFrameFiles();
// Folder of the running test executable, with a trailing backslash.
std::string ModuleFolder();

}  // namespace testing_support
