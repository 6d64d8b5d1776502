#include <windows.h>

#include <commctrl.h>

#include "win/Handles.h"

namespace win {
void ImageListTraits::Close(HIMAGELIST h) {
    ::ImageList_Destroy(h);
}
}  // namespace win
