// temporary until the frame lists land; removed at merge
// Just enough of the frame-info cache for the transfer engine to link and
// run: records from the frame header, no thumbnails.
#include <map>
#include <memory>
#include <vector>

#include "frames/FrameInfoCache.h"

namespace {

std::map<std::string, std::unique_ptr<FrameInfo>>& Cache() {
    static std::map<std::string, std::unique_ptr<FrameInfo>> cache;
    return cache;
}

std::unique_ptr<FrameInfo> BuildRecord(const std::string& path) {
    auto info = std::make_unique<FrameInfo>();
    info->imageIndex = -1;
    CopyField(info->path, path);
    CopyField(info->title, ReadTitle(path));
    CopyField(info->paperLabel, ReadPaperLabel(path));
    CopyField(info->marginLabel, ReadMarginLabel(path));
    char name[_MAX_FNAME] = {}, ext[_MAX_EXT] = {};
    _splitpath(path.c_str(), nullptr, nullptr, name, ext);
    CopyField(info->fileName, std::string(name) + ext);
    return info;
}

}  // namespace

FrameInfo* LoadFrameInfo(const std::string& path) {
    static std::vector<std::unique_ptr<FrameInfo>> uncached;
    uncached.push_back(BuildRecord(path));
    return uncached.back().get();
}

FrameInfo* GetFrameInfo(const std::string& path) {
    if (::GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES) return nullptr;
    auto& slot = Cache()[path];
    if (!slot) slot = BuildRecord(path);
    return slot.get();
}

void ForgetFrameInfo(const std::string& path) {
    Cache().erase(path);
}

FrameInfo* MoveFrameInfo(const std::string& oldPath, const std::string& newPath) {
    if (!Cache().count(oldPath)) return nullptr;
    ForgetFrameInfo(oldPath);
    ForgetFrameInfo(newPath);
    return GetFrameInfo(newPath);
}

void ClearFrameInfo() {
    Cache().clear();
}

HIMAGELIST FrameThumbnailList() {
    return nullptr;
}
