// The process-wide frame-info cache shared by both frame lists: one record
// per frame file path (exact text, case included) and its thumbnail, so a
// frame is read and decoded once however often the lists are refilled.
// Created with the first frame list and destroyed with the last one.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>

#include "frames/FrameFile.h"

// The record of a frame file, loaded on first use; null when the file does
// not exist (even when a record is cached).
FrameInfo* GetFrameInfo(const std::string& path);
// Reads a record (title, labels, thumbnail, file name) without caching it.
FrameInfo* LoadFrameInfo(const std::string& path);
// Drops a path's record and its thumbnail; later thumbnails move down by one.
void ForgetFrameInfo(const std::string& path);
// After a frame file was moved or renamed: drops both paths and loads the new
// one. Null, and nothing changed, when the old path was not cached.
FrameInfo* MoveFrameInfo(const std::string& oldPath, const std::string& newPath);
// Drops every record and every thumbnail but the placeholder (Refresh).
void ClearFrameInfo();
// The shared thumbnail image list (null while no frame list exists).
HIMAGELIST FrameThumbnailList();
