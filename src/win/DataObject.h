// Data for drag and drop: an in-memory IDataObject holding blocks of bytes
// by clipboard format, and readers of such blocks and of file lists.
#pragma once

#include <windows.h>
#include <ole2.h>

#include <string>
#include <utility>
#include <vector>

namespace win {

// A data object offering each block as an HGLOBAL of its format; the
// caller owns the one reference it comes with. Null when out of memory.
IDataObject* CreateMemoryDataObject(std::vector<std::pair<CLIPFORMAT, std::string>> blocks);

// The bytes of a CF_HDROP block naming paths (ANSI).
std::string MakeFileDropBlock(const std::vector<std::string>& paths);

// The bytes a data object gives for a format; false when it has none.
bool ReadDataBlock(IDataObject* data, CLIPFORMAT format, std::string& bytes);
bool HasDataFormat(IDataObject* data, CLIPFORMAT format);
// The paths of a CF_HDROP, in order; empty when there is none.
std::vector<std::string> ReadFileDrop(IDataObject* data);

}  // namespace win
