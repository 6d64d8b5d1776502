#include "frames/FrameFile.h"

#include <cstring>
#include <string.h>

#include "app/LangStrings.h"
#include "frames/FrameFileProfile.h"
#include "win/Handles.h"
#include "win/Strings.h"

namespace {

// The whole file in one read, or nothing.
bool ReadWholeFile(const std::string& path, std::string& bytes) {
    win::FileHandle file(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                       nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER size;
    if (!file || !::GetFileSizeEx(file.Get(), &size) || size.QuadPart > kMaxFrameFileBytes) return false;
    bytes.resize(static_cast<size_t>(size.QuadPart));
    DWORD got = 0;
    if (bytes.empty()) return true;
    return ::ReadFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr) &&
           got == bytes.size();
}

std::string ReplaceAll(const std::string& text, const std::string& what, const std::string& with) {
    std::string out;
    size_t from = 0;
    for (size_t at; (at = text.find(what, from)) != std::string::npos; from = at + what.size())
        out.append(text, from, at - from).append(with);
    return out.append(text, from, std::string::npos);
}

}  // namespace

void CopyFieldBytes(char* field, size_t size, const std::string& text) {
    const std::string cut = win::TruncateAtCharBoundary(text, size - 1);
    std::memcpy(field, cut.c_str(), cut.size() + 1);
}

FrameHeader ReadFrameHeader(const std::string& path) {
    FrameHeader header;
    std::string bytes;
    if (!ReadWholeFile(path, bytes)) return header;
    const std::vector<std::string> values = ReadProfileKeys(
        bytes, "HEADER",
        {{"HdTitle", 1024}, {"HdPhysicalPaperSize", 1024}, {"HdThumbnail", MAX_PATH}, {"HdMargines", 129}});
    header.title = values[0];
    header.paperSize = values[1];
    header.thumbnail = values[2];
    header.margins = values[3];
    return header;
}

std::string PaperLabel(const FrameHeader& header) {
    const std::string& raw = header.paperSize;
    if (raw.empty()) return raw;
    const std::string translated = GetLangString(raw.c_str());
    return translated.empty() ? raw : translated;
}

std::string MarginLabel(const FrameHeader& header) {
    std::string label;
    for (const MarginPreset& preset : MarginPresets)
        if (_stricmp(header.margins.c_str(), preset.margins) == 0) label = GetLangString(preset.labelKey);
    return label;
}

std::string ResolveThumbnailPath(const std::string& path, const FrameHeader& header) {
    const std::string& value = header.thumbnail;
    // '?' or '*' names no file: a legacy frame file holds '?' for what its
    // code page lacks, and Wine would take the name for a pattern.
    if (value.find_first_of("?*") != std::string::npos) return std::string();
    if (value.compare(0, 2, ".\\") != 0) return value;
    const std::string resolved = ReplaceAll(value, ".\\", win::FolderOf(path));
    return resolved.size() < MAX_PATH ? resolved : std::string();
}

std::string ReadTitle(const std::string& path) {
    return ReadFrameHeader(path).title;
}

std::string ReadPaperLabel(const std::string& path) {
    return PaperLabel(ReadFrameHeader(path));
}

std::string ReadMarginLabel(const std::string& path) {
    return MarginLabel(ReadFrameHeader(path));
}

std::string ResolveThumbnailPath(const std::string& path) {
    return ResolveThumbnailPath(path, ReadFrameHeader(path));
}
