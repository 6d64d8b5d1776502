// Resource and control identifiers of QuilletTool.rc.
#pragma once

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

#define IDD_ABOUTBOX 100
#define IDD_MAIN 102
#define IDS_APP_TITLE 102
#define IDR_MAINMENU 129
#define IDD_NAME 130
#define IDI_APP 132
#define IDR_ACCELERATORS 136
#define IDI_THUMB_PLACEHOLDER 137
#define IDD_CARD_PAGE1 138
#define IDD_CARD_PAGE2 139
#define IDD_CARD_WIZARD 140

// Menu commands
#define ID_FILE_CLOSE 151
#define ID_HELP_ABOUT 152
#define ID_VIEW_REFRESH 153
#define ID_TARGET_LUMADEX 154
#define ID_TARGET_MEMCARD 155
#define ID_SORT_TITLE 156
#define ID_SORT_PAPER 157

// Keys, context menus, drag and drop (edit menu commands)
#define ID_EDIT_ADD 2000
#define ID_EDIT_MOVE_BACK 2001
#define ID_EDIT_COPY 2002
#define ID_EDIT_DELETE 2003
#define ID_EDIT_RENAME 2004
#define ID_EDIT_SELECT_ALL 2005
#define ID_EDIT_NEW_FOLDER 2006

// Memory card
#define ID_TARGET_REMOVE_CARD 2300

// Main window controls
#define IDC_FOLDER_TREE 1000
#define IDC_LIST_SOURCE 1001
#define IDC_BTN_ADD 1002
#define IDC_BTN_DELETE 1003
#define IDC_LIST_TARGET 1004
#define IDC_BTN_NEW_FOLDER 1005
#define IDC_TITLE_SOURCE 1006
#define IDC_BTN_MOVE_BACK 1007
#define IDC_BTN_RENAME 1008
#define IDC_TITLE_TARGET 1009
#define IDC_BTN_COPY 1010
#define IDC_BTN_SELECT_CARD 1018
#define IDC_TARGET_LABEL 1022

// Name dialog
#define IDC_NAME_EXPLAIN 1010
#define IDC_NAME_EDIT 1011

// About box
#define IDC_ABOUT_VERSION 1012
#define IDC_ABOUT_COPYRIGHT 1013

// Memory card wizard pages
#define IDC_PAGE_EXPLAIN 1015
#define IDC_DRIVE_LABEL 1016
#define IDC_DRIVE_LIST 1017
#define IDC_BTN_RESCAN 1020

// Release information (2100-2199)
#define IDC_ABOUT_PROGRAM_VERSION 2100
