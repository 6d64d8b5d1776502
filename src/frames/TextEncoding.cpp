#include "frames/TextEncoding.h"

#include <windows.h>

#include "win/Strings.h"

TextEncoding EncodingOf(const std::string& bytes) {
    const auto byte = [&](size_t i) { return i < bytes.size() ? static_cast<unsigned char>(bytes[i]) : 0; };
    if (byte(0) == 0xFF && byte(1) == 0xFE) return TextEncoding::kUtf16Le;
    if (byte(0) == 0xFE && byte(1) == 0xFF) return TextEncoding::kUtf16Be;
    if (byte(0) == 0xEF && byte(1) == 0xBB && byte(2) == 0xBF) return TextEncoding::kUtf8;
    return TextEncoding::kAnsi;
}

std::wstring DecodeText(const std::string& bytes) {
    const TextEncoding encoding = EncodingOf(bytes);
    std::wstring text;
    if (encoding == TextEncoding::kUtf16Le || encoding == TextEncoding::kUtf16Be) {
        const bool bigEndian = encoding == TextEncoding::kUtf16Be;
        for (size_t i = 2; i + 1 < bytes.size(); i += 2) {
            const auto first = static_cast<unsigned char>(bytes[i]),
                       second = static_cast<unsigned char>(bytes[i + 1]);
            text += static_cast<wchar_t>(bigEndian ? first << 8 | second : first | second << 8);
        }
        return text;
    }
    const UINT codePage = encoding == TextEncoding::kUtf8 ? CP_UTF8 : win::LegacyCodePage();
    const size_t skip = encoding == TextEncoding::kUtf8 ? 3 : 0;
    const int count = static_cast<int>(bytes.size() - skip);
    if (count <= 0) return text;
    const int wide = ::MultiByteToWideChar(codePage, 0, bytes.data() + skip, count, nullptr, 0);
    text.resize(static_cast<size_t>(wide > 0 ? wide : 0));
    if (wide > 0) ::MultiByteToWideChar(codePage, 0, bytes.data() + skip, count, text.data(), wide);
    return text;
}

std::string EncodeText(const std::wstring& text, TextEncoding encoding) {
    if (encoding == TextEncoding::kUtf8) return "\xEF\xBB\xBF" + win::ToUtf8(text);
    const bool bigEndian = encoding == TextEncoding::kUtf16Be;
    std::string out = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    out.reserve(2 + text.size() * 2);
    for (const wchar_t c : text) {
        const char low = static_cast<char>(c & 0xFF), high = static_cast<char>((c >> 8) & 0xFF);
        out += bigEndian ? high : low;
        out += bigEndian ? low : high;
    }
    return out;
}
