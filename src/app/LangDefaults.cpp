#include "app/LangDefaults.h"

#include <string.h>

// Keep each text equal to its line in lang/QuilletTool.INI (a test compares
// them). Add new keys above the end marker.
const LangDefault kPostReleaseLangDefaults[] = {
    {"ERR_FRAME_LINK",
     "This frame is a link, or holds a link, to another place:\\n%s\\nA frame holding a link is not moved, "
     "copied, renamed or deleted, so that nothing outside the frame is touched."},
    {"ERR_FOLDER_CREATE", "The folder could not be created."},
    {"ERR_DELETE_LEFT", "This could not be deleted, and the delete stopped there:\\n%s"},
    {"ERR_SOURCE_CHANGED",
     "This file changed while the frame was being moved:\\n%s\\nThe frame stays where it was, whole, and its "
     "copy was removed."},
    {"LIST_NAME_UNUSABLE", "Not usable"},
    {"LIST_NAME_NOT_IN_CODE_PAGE",
     "This name holds characters that this system's code page for non-Unicode programs lacks, so the program "
     "cannot reach the file by its name. Rename it in Explorer to use it here."},
    {"LIST_NAME_RESERVED",
     "Windows reserves this name for a device, so the program cannot reach the file by its name. Rename it "
     "to use it here."},
    {"ERR_NAME_UNUSABLE", "This frame is left alone:\\n%s\\n%s"},
    {"ERR_FILE_IN_USE", "This file is in use by another program:\\n%s\\nClose that program and try again."},
    {"ERR_ACCESS_DENIED",
     "Windows refused access to this file or folder:\\n%s\\nIt may be read-only, locked, or a memory card "
     "whose lock switch is on."},
    {"ERR_PATH_TOO_LONG", "This path is too long for Windows:\\n%s\\nUse a shorter folder or frame name."},
    {"ERR_DRIVE_NO_MORE_FILES",
     "The drive allows no more files here:\\n%s\\nRemove some files or frames from it first."},
    {"ERR_OPERATION_FAILED", "The frame could not be copied, moved, renamed or deleted:\\n%s\\n%s"},
    {"ERR_CARD_VERIFY",
     "The memory card did not give back what was written to it:\\n%s\\nThe frame was not added; its source "
     "is unchanged. The card may be failing."},
    {"ERR_PARKED_LEFT", "The frame this replaced could not be put back at\\n%s\\nIt is kept, whole, in\\n%s"},
    {"ERR_LISTING_FAILED",
     "This folder could not be read to its end:\\n%s\\nNothing was changed, so that no frame is reported "
     "done that was not."},
    {"LIST_LISTING_FAILED",
     "This folder could not be read to its end, so the list may lack some of its frames:\\n%s\\nPress F5 to "
     "read it again."},
    {"MENU_EDIT", "&Edit"},
    {"MENU_EDIT_ADD", "&Add to target"},
    {"MENU_EDIT_MOVE_BACK", "&Move back"},
    {"MENU_EDIT_COPY", "&Copy to the other list"},
    {"MENU_EDIT_DELETE", "&Delete"},
    {"MENU_EDIT_RENAME", "&Rename..."},
    {"MENU_EDIT_SELECT_ALL", "Select a&ll"},
    {"MENU_EDIT_NEW_FOLDER", "&New folder..."},
    {"ERR_DROP_NOT_FRAME", "These are not frames and were left alone:"},
    {"TITLE_ABOUT_PROGRAM_VERSION", "Version"},
    {"MENU_REMOVE_CARD", "Remove card &safely"},
    {"TITLE_CARD_CAPACITY", "%s of %s frames, %s free"},
    {"TITLE_CARD_CAPACITY_SHORT", "%s of %s, %s free"},
    {"TITLE_CARD_CAPACITY_SHORTEST", "%s of %s, %s"},
    {"MENU_SORT_ASCENDING", "&Ascending"},
    {"MENU_SORT_DESCENDING", "&Descending"},
    {"MENU_SORT_DATE", "By date &modified"},
    {"LIST_ZEL_DATE", "Date modified"},
    {"TITLE_CARD_NOT_PRESENT", "(card not present)"},
    {"TITLE_TARGET_FRAMES", "(%s frames)"},
    {"ERR_CARD_NOT_PRESENT", "The memory card is not present.\\nInsert the card and try again."},
    {"MSG_DELETE_PERMANENT",
     "This drive has no recycle bin: the selected frames will be deleted permanently.\\nDelete them?"},
    {"MSG_CARD_REMOVABLE", "The memory card can now be removed."},
    {"ERR_CARD_VETOED",
     "The memory card cannot be stopped now; it is in use by:\\n%s\\nClose it and try again. Nothing was "
     "changed."},
    {"ERR_CARD_EJECT_FAILED",
     "The memory card could not be stopped. Nothing was changed.\\nClose any program that uses the card and "
     "try again."},
    {"ERR_CARD_FLUSH_FAILED",
     "Not everything could be written to the memory card. Do not remove the card; try again."},
    {"TITLE_PROGRESS_ADD", "Adding frames to the target"},
    {"TITLE_PROGRESS_COPY", "Copying frames"},
    {"TITLE_PROGRESS_MOVE_BACK", "Moving frames back"},
    {"TITLE_PROGRESS_DELETE", "Deleting frames to the recycle bin"},
    {"MSG_PROGRESS_COUNT", "Frame %s of %s"},
    {"MSG_PROGRESS_STOPPING", "Stopping after the current frame..."},
    {"TITLE_REPLACE", "Replace frame"},
    {"LIST_REPLACE_EXISTING", "Frame already there:"},
    {"LIST_REPLACE_INCOMING", "Frame coming in:"},
    {"LIST_REPLACE_PAPER", "Paper: %s"},
    {"LIST_REPLACE_SIZE", "Size: %s"},
    {"LIST_REPLACE_TIME", "Modified: %s"},
    {"BTN_REPLACE", "&Replace"},
    {"BTN_SKIP", "&Skip"},
    {"BTN_REPLACE_FOR_ALL", "&Do the same for the remaining %s conflicts"},
    {"BTN_REPLACE_FOR_ALL_ONE", "&Do the same for the remaining conflict"},
    {"TITLE_TARGET_FRAMES_ONE", "(1 frame)"},
    {"TITLE_PROGRESS_DELETE_PERMANENT", "Deleting frames permanently"},
    {"MENU_CONTEXT_REFRESH", "&Refresh"},
    {"MENU_EDIT_FILTER", "&Filter frames"},
    {"ERR_RENAME_NOT_IN_CODE_PAGE",
     "The frame file is written in this system's code page for non-Unicode programs, which lacks characters "
     "of the new name, so it could not name its pictures' folder. Nothing was renamed. Choose a name without "
     "those characters."},
    {"TITLE_FILTER_CUE", "Filter by title or file name"},
    {"TITLE_FILTERED_FRAMES", "(%s of %s frames shown)"},
    {"BTN_ABOUT_LICENCES", "&Licences..."},
    {"TITLE_LICENCES", "Licences"},
    {nullptr, nullptr},  // end of the table
};

const char* FindLangDefault(const char* key, const LangDefault* table) {
    if (!key || !table) return nullptr;
    for (const LangDefault* entry = table; entry->key; ++entry)
        if (_stricmp(entry->key, key) == 0) return entry->text;
    return nullptr;
}
