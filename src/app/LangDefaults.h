// English texts of the language keys added after the first release. A
// language file made for an earlier release lacks them; such a key falls back
// to its English text here, and only that key. The first release's keys have
// no entry: a file without one of them shows an empty text, as it always did.
#pragma once

struct LangDefault {
    const char* key;
    const char* text;
};

// The program's table, ended by an entry whose key is null.
extern const LangDefault kPostReleaseLangDefaults[];

// The English text of key in table, or null when the table has none. Keys
// match without regard to case, as the language file's own keys do.
const char* FindLangDefault(const char* key, const LangDefault* table = kPostReleaseLangDefaults);
