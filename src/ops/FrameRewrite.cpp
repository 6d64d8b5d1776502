#include "ops/FrameRewrite.h"

#include <windows.h>

#include <mbstring.h>

#include <vector>

#include "frames/TextEncoding.h"
#include "ops/CardWrites.h"
#include "win/Handles.h"
#include "win/Strings.h"

namespace {

// A legacy frame file's bytes with their letters in capitals, byte for byte
// as long as they were.
std::string Upper(std::string text) {
    if (text.empty()) return text;
    const UINT codePage = win::LegacyCodePage();
    if (codePage == ::GetACP()) {
        _mbsupr(reinterpret_cast<unsigned char*>(text.data()));
        return text;
    }
    // The CRT works in the process's UTF-8 here: the legacy code page is
    // walked by hand, its double-byte characters left as they are.
    CPINFO info{};
    const bool doubleByte = ::GetCPInfo(codePage, &info) && info.MaxCharSize > 1;
    for (size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<BYTE>(text[i]);
        if (doubleByte && ::IsDBCSLeadByteEx(codePage, byte)) {
            ++i;
        } else if (byte >= 'a' && byte <= 'z') {
            text[i] = static_cast<char>(byte - 'a' + 'A');
        } else if (byte >= 0x80 && !doubleByte) {
            wchar_t c = 0;
            char upper = 0;
            if (::MultiByteToWideChar(codePage, 0, &text[i], 1, &c, 1) == 1) {
                ::CharUpperBuffW(&c, 1);
                if (::WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, &c, 1, &upper, 1, nullptr,
                                          nullptr) == 1)
                    text[i] = upper;
            }
        }
    }
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
    const TextEncoding encoding = EncodingOf(text);
    std::string out;
    if (encoding == TextEncoding::kAnsi) {
        // A legacy file is rewritten byte for byte, its references in its
        // own code page: a name that has no place there cannot be written.
        std::string oldBytes, newBytes;
        if (!win::ToLegacy(newRef, newBytes)) {
            ::SetLastError(ERROR_NO_UNICODE_TRANSLATION);
            return false;
        }
        win::ToLegacy(oldRef, oldBytes);
        out = RewriteLines(text, oldBytes, newBytes);
    } else {
        out = EncodeText(RewriteLines(DecodeText(text), win::ToWide(oldRef), win::ToWide(newRef)), encoding);
    }

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
