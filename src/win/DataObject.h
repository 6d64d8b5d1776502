// Data for drag and drop: an in-memory IDataObject holding blocks of bytes
// by clipboard format, readers of such blocks and of file lists, and the
// shell's formats by which a drop target tells the source what it did.
#pragma once

#include <windows.h>
#include <ole2.h>

#include <string>
#include <utility>
#include <vector>

namespace win {

// A data object offering each block as an HGLOBAL of its format; the
// caller owns the one reference it comes with. Null when out of memory.
// SetData with an HGLOBAL stores a block (replacing one of the same format),
// as a drop target's outcome arrives.
IDataObject* CreateMemoryDataObject(std::vector<std::pair<CLIPFORMAT, std::string>> blocks);

// The bytes of a CF_HDROP block naming paths (ANSI).
std::string MakeFileDropBlock(const std::vector<std::string>& paths);

// The bytes a data object gives for a format; false when it has none.
bool ReadDataBlock(IDataObject* data, CLIPFORMAT format, std::string& bytes);
bool HasDataFormat(IDataObject* data, CLIPFORMAT format);
// The paths of a CF_HDROP, in order, in the ANSI code page; empty when there
// is none. A path the code page cannot hold (Explorer gives UTF-16) has '?'
// where it lacks a character, so that it never names a look-alike.
std::vector<std::string> ReadFileDrop(IDataObject* data);

// The shell's formats for a drop's outcome: the effect the source must still
// complete (DROPEFFECT_MOVE asks it to delete its originals) and the effect
// the user sees.
inline constexpr char kPerformedDropEffectFormat[] = "Performed DropEffect";
inline constexpr char kLogicalPerformedDropEffectFormat[] = "Logical Performed DropEffect";
// Stores a DROPEFFECT in the data object under a registered format name
// (IDataObject::SetData); false when the object refuses it.
bool SetDropEffect(IDataObject* data, const char* formatName, DWORD effect);
// The DROPEFFECT stored under a registered format name; false when there is none.
bool ReadDropEffect(IDataObject* data, const char* formatName, DWORD& effect);

}  // namespace win
