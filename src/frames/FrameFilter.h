// The quick filter of a frame list: which frames a typed text finds.
#pragma once

#include <string>

// Text folded as the filter compares it: lower case, and the full-width and
// half-width forms of a character made one (the system's own folding, as
// NORM_IGNORECASE | NORM_IGNOREWIDTH compare).
std::wstring FoldForFilter(const std::wstring& text);

// What a frame offers the filter: its title and its file name, each folded,
// apart so that a text never matches across the two.
std::wstring FilterKey(const std::wstring& title, const std::wstring& fileName);

// Whether a folded filter text finds a key; an empty one finds every key.
bool FilterFinds(const std::wstring& key, const std::wstring& folded);
