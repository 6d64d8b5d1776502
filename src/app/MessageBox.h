// The one routine through which every message box of the program goes:
// captioned with the application title, owned by the active window.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

// Shows text with the given MB_ flags and returns the button chosen. Boxes
// with OK, OK/Cancel, Yes/No or Yes/No/Cancel and no icon of their own get
// the exclamation icon.
int AppMessageBox(const std::string& text, UINT flags);

// An error: the language text of key with OK and the stop icon.
void ShowErrorBox(const char* key);

// The flags AppMessageBox really shows with, after the default-icon rule.
UINT EffectiveMessageBoxFlags(UINT flags);

// Tests answer boxes instead of a user: the responder gets the text and the
// effective flags and returns the button. An empty responder restores the
// real boxes.
using MessageBoxResponder = std::function<int(const std::string& text, UINT flags)>;
void SetMessageBoxResponder(MessageBoxResponder responder);
