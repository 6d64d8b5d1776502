#include "app/LangDefaults.h"

#include <string.h>

// Keep each text equal to its line in lang/QuilletTool.INI (a test compares
// them). Add new keys above the end marker.
const LangDefault kPostReleaseLangDefaults[] = {
    {nullptr, nullptr},  // end of the table
};

const char* FindLangDefault(const char* key, const LangDefault* table) {
    if (!key || !table) return nullptr;
    for (const LangDefault* entry = table; entry->key; ++entry)
        if (_stricmp(entry->key, key) == 0) return entry->text;
    return nullptr;
}
