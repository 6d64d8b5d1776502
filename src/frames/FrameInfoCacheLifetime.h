// Lifetime of the state behind the frame-info cache: the thumbnail image
// list, the private heap of the records and the map. The frame lists open it
// with the first list and close it with the last one.
#pragma once

#include <cstddef>

// Creates the image list and the heap when they do not exist yet.
void OpenFrameInfoCache();
// Drops every record, then destroys the image list and the heap.
void CloseFrameInfoCache();
// After the thumbnail cell size changed: drops every record and makes the
// image list again in the new size (the lists must take the new list).
void RecreateFrameThumbnails();
// Number of records in the cache.
size_t CachedFrameInfoCount();
