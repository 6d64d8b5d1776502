#include "win/DrawString.h"

#include "win/Strings.h"

namespace win {

int DrawString(HDC dc, const std::string& text, RECT* rect, UINT format) {
    const std::wstring wide = ToWide(text);
    return ::DrawTextW(dc, wide.c_str(), static_cast<int>(wide.size()), rect, format);
}

SIZE StringExtent(HDC dc, const std::string& text) {
    const std::wstring wide = ToWide(text);
    SIZE size = {};
    ::GetTextExtentPoint32W(dc, wide.c_str(), static_cast<int>(wide.size()), &size);
    return size;
}

}  // namespace win
