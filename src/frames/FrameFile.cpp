#include "frames/FrameFile.h"

#include <cstring>
#include <string.h>

#include "app/LangStrings.h"
#include "win/Strings.h"

namespace {

std::string ReadHeaderKey(const std::string& path, const char* key, DWORD bufferSize) {
    std::string buffer(bufferSize, '\0');
    const DWORD n = ::GetPrivateProfileStringA("HEADER", key, "", buffer.data(), bufferSize, path.c_str());
    buffer.resize(n);
    return buffer;
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

std::string ReadTitle(const std::string& path) {
    return ReadHeaderKey(path, "HdTitle", 1024);
}

std::string ReadPaperLabel(const std::string& path) {
    const std::string raw = ReadHeaderKey(path, "HdPhysicalPaperSize", 1024);
    if (raw.empty()) return raw;
    const std::string translated = GetLangString(raw.c_str());
    return translated.empty() ? raw : translated;
}

std::string ReadMarginLabel(const std::string& path) {
    const std::string margins = ReadHeaderKey(path, "HdMargines", 129);
    std::string label;
    for (const MarginPreset& preset : MarginPresets)
        if (_stricmp(margins.c_str(), preset.margins) == 0) label = GetLangString(preset.labelKey);
    return label;
}

std::string ResolveThumbnailPath(const std::string& path) {
    const std::string value = ReadHeaderKey(path, "HdThumbnail", MAX_PATH);
    if (value.compare(0, 2, ".\\") != 0) return value;
    const std::string resolved = ReplaceAll(value, ".\\", win::FolderOf(path));
    return resolved.size() < MAX_PATH ? resolved : std::string();
}
