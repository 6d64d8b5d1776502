#include "ops/FrameRewrite.h"

#include <windows.h>

#include <mbstring.h>

#include <vector>

#include "ops/CardWrites.h"
#include "win/Handles.h"
#include "win/Strings.h"

namespace {

std::string Upper(std::string text) {
    if (!text.empty()) _mbsupr(reinterpret_cast<unsigned char*>(text.data()));
    return text;
}

std::wstring Upper(std::wstring text) {
    if (!text.empty()) ::CharUpperBuffW(text.data(), static_cast<DWORD>(text.size()));
    return text;
}

bool ReadWhole(HANDLE file, std::string& out) {
    LARGE_INTEGER size;
    if (!::GetFileSizeEx(file, &size) || size.QuadPart > 64 * 1024 * 1024) return false;
    out.resize(static_cast<size_t>(size.QuadPart));
    DWORD read = 0;
    return out.empty() || (::ReadFile(file, out.data(), static_cast<DWORD>(out.size()), &read, nullptr) &&
                           read == out.size());
}

// The encodings a frame file may come in: a byte-order mark names the three
// Unicode ones (as for the profile reader), anything else is the ANSI code page.
enum class Encoding { kAnsi, kUtf8, kUtf16Le, kUtf16Be };

Encoding EncodingOf(const std::string& bytes) {
    const auto byte = [&](size_t i) { return i < bytes.size() ? static_cast<unsigned char>(bytes[i]) : 0; };
    if (byte(0) == 0xFF && byte(1) == 0xFE) return Encoding::kUtf16Le;
    if (byte(0) == 0xFE && byte(1) == 0xFF) return Encoding::kUtf16Be;
    if (byte(0) == 0xEF && byte(1) == 0xBB && byte(2) == 0xBF) return Encoding::kUtf8;
    return Encoding::kAnsi;
}

// The text after the byte-order mark, as UTF-16. An odd last byte of a
// UTF-16 file is dropped, as the profile reader drops it.
std::wstring Decode(const std::string& bytes, Encoding encoding) {
    std::wstring text;
    if (encoding == Encoding::kUtf8) {
        const int count = static_cast<int>(bytes.size() - 3);
        const int wide =
            count > 0 ? ::MultiByteToWideChar(CP_UTF8, 0, bytes.data() + 3, count, nullptr, 0) : 0;
        text.resize(static_cast<size_t>(wide));
        if (wide > 0) ::MultiByteToWideChar(CP_UTF8, 0, bytes.data() + 3, count, text.data(), wide);
        return text;
    }
    const bool bigEndian = encoding == Encoding::kUtf16Be;
    for (size_t i = 2; i + 1 < bytes.size(); i += 2) {
        const auto first = static_cast<unsigned char>(bytes[i]),
                   second = static_cast<unsigned char>(bytes[i + 1]);
        text += static_cast<wchar_t>(bigEndian ? first << 8 | second : first | second << 8);
    }
    return text;
}

// The text in encoding, after its byte-order mark.
std::string Encode(const std::wstring& text, Encoding encoding) {
    if (encoding == Encoding::kUtf8) {
        const int count = static_cast<int>(text.size());
        const int bytes =
            count > 0 ? ::WideCharToMultiByte(CP_UTF8, 0, text.data(), count, nullptr, 0, nullptr, nullptr)
                      : 0;
        std::string out = "\xEF\xBB\xBF" + std::string(static_cast<size_t>(bytes), '\0');
        if (bytes > 0)
            ::WideCharToMultiByte(CP_UTF8, 0, text.data(), count, out.data() + 3, bytes, nullptr, nullptr);
        return out;
    }
    const bool bigEndian = encoding == Encoding::kUtf16Be;
    std::string out = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    out.reserve(2 + text.size() * 2);
    for (const wchar_t c : text) {
        const char low = static_cast<char>(c & 0xFF), high = static_cast<char>((c >> 8) & 0xFF);
        out += bigEndian ? high : low;
        out += bigEndian ? low : high;
    }
    return out;
}

template <typename Text>
Text ReplaceFirst(const Text& line, const Text& oldRef, const Text& newRef) {
    const size_t at = oldRef.empty() ? Text::npos : Upper(line).find(Upper(oldRef));
    return at == Text::npos ? line : line.substr(0, at) + newRef + line.substr(at + oldRef.size());
}

// Every line with its first reference replaced, each ending in CR LF.
template <typename Text>
Text RewriteLines(const Text& text, const Text& oldRef, const Text& newRef) {
    using Char = typename Text::value_type;
    Text out;
    out.reserve(text.size() + text.size() / 16 + 2);
    for (size_t start = 0; start < text.size();) {
        size_t end = text.find(Char('\n'), start);
        const size_t next = end == Text::npos ? text.size() : end + 1;
        if (end == Text::npos) end = text.size();
        Text line = text.substr(start, end - start);
        if (!line.empty() && line.back() == Char('\r')) line.pop_back();  // text-mode line end
        out += ReplaceFirst(line, oldRef, newRef);
        out += Char('\r');
        out += Char('\n');
        start = next;
    }
    return out;
}

}  // namespace

std::string ReplaceFirstReference(const std::string& line, const std::string& oldRef,
                                  const std::string& newRef) {
    return ReplaceFirst(line, oldRef, newRef);
}

bool RewriteFrameFile(const std::string& oldPath, const std::string& newPath, const std::string& oldRef,
                      const std::string& newRef) {
    win::FileHandle in(::CreateFileA(oldPath.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                     FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!in) return false;
    std::string text;
    if (!ReadWhole(in.Get(), text)) return false;

    // A Unicode frame file stays in its encoding, with its byte-order mark.
    const Encoding encoding = EncodingOf(text);
    const std::string out =
        encoding == Encoding::kAnsi
            ? RewriteLines(text, oldRef, newRef)
            : Encode(RewriteLines(Decode(text, encoding), win::ToWide(oldRef), win::ToWide(newRef)),
                     encoding);

    // CREATE_NEW: a rename never writes over a file that is already there.
    win::FileHandle file(::CreateFileA(newPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    DWORD written = 0;
    const bool ok = out.empty() ||
                    (::WriteFile(file.Get(), out.data(), static_cast<DWORD>(out.size()), &written, nullptr) &&
                     written == out.size());
    const bool onCard = IsOnRemovableDrive(newPath);
    const bool closed = onCard && ok ? FlushAndClose(file.Release()) : ::CloseHandle(file.Release()) != FALSE;
    if (ok && closed) {
        if (onCard) NoteCardFileWritten(newPath);
        return true;
    }
    // A half-written frame file must never be listed.
    ::DeleteFileA(newPath.c_str());
    return false;
}
