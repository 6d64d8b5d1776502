// Prints the version resource of a Windows program, for scripts:
//   file_version <exe>      "<FileVersion> <ProductVersion>", exit 1 without one
#include <windows.h>

#include <cstdio>
#include <vector>

namespace {
// A string of the 0409/04b0 (US English, Unicode) block; empty when absent.
const char* VersionString(const std::vector<char>& data, const char* name) {
    char query[64];
    std::snprintf(query, sizeof query, "\\StringFileInfo\\040904b0\\%s", name);
    void* value = nullptr;
    UINT size = 0;
    if (!::VerQueryValueA(data.data(), query, &value, &size) || !value || size == 0) return "";
    return static_cast<const char*>(value);
}
}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: file_version <exe>\n");
        return 2;
    }
    DWORD ignored = 0;
    const DWORD size = ::GetFileVersionInfoSizeA(argv[1], &ignored);
    if (size == 0) return 1;
    std::vector<char> data(size);
    if (!::GetFileVersionInfoA(argv[1], 0, size, data.data())) return 1;
    std::printf("%s %s\n", VersionString(data, "FileVersion"), VersionString(data, "ProductVersion"));
    return 0;
}
