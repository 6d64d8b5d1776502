// The encodings a frame file may come in, as the profile reader decides them:
// a byte-order mark names one of the three Unicode ones, and anything else is
// text in the system's legacy ANSI code page (even while the process runs in
// UTF-8).
#pragma once

#include <string>

enum class TextEncoding { kAnsi, kUtf8, kUtf16Le, kUtf16Be };

TextEncoding EncodingOf(const std::string& bytes);

// The whole file's text as UTF-16, without its byte-order mark. An odd last
// byte of a UTF-16 file is dropped, as the profile reader drops it.
std::wstring DecodeText(const std::string& bytes);

// text in a Unicode encoding, after that encoding's byte-order mark.
std::string EncodeText(const std::wstring& text, TextEncoding encoding);
