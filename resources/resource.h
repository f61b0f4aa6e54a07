/* Resource and control ids of Window Vaylo. Shared by the .rc file and the
   C++ code, so plain macros only. */
#pragma once

/* Program icon: the lowest icon id, so that it is the module's first icon
   (ExtractIcon index 0). */
#define IDI_PROGRAM 100

/* Dialogs */
#define IDD_MAIN 101
#define IDD_HIDDEN 106
#define IDD_HOTKEY_OPTIONS 107
#define IDD_KEY_BINDINGS 145
#define IDD_RULES 160

/* Icons and cursors */
#define IDI_PICKER 104
#define IDC_CROSSHAIR 105

/* Bitmaps */
#define IDB_NOTICE 1000

/* Main window controls (dialog 101) */
#define IDC_HIDE_ME 1 /* IDOK: also Enter */
#define IDC_EXIT 2    /* IDCANCEL: also Escape */
#define IDC_WINDOW_LIST 1000
#define IDC_ABOUT 1001
#define IDC_OPTIONS 1003
#define IDC_VIEW_HIDDEN 1006
#define IDC_HOTKEY_HIDE_ACTIVE 1009
#define IDC_HOTKEY_POPUP_MENU 1010
#define IDC_PICKER 1011

/* Hidden windows viewer (dialog 106; "Done" is IDOK) */
#define IDC_HIDDEN_LIST 1000

/* Rules dialog (dialog 160; "Close" is IDCANCEL) */
#define IDC_RULE_LIST 1000
#define IDC_RULE_PATH 1001
#define IDC_RULE_REMOVE 1002

/* Context menu of the main window's list entries */
#define IDM_RULE_HIDE 1020
#define IDM_RULE_WHEN_MINIMISED 1021
#define IDM_RULE_WHEN_OPENED 1022
#define IDM_RULES 1023

/* Tray menu commands */
#define IDM_SHOW_WINDOW 1002
#define IDM_EXIT 1004
#define IDM_VISIT_WEB_SITE 1012
#define IDM_FIRST_HIDDEN 4000 /* hidden-window items from here up */
#define IDM_LAST_HIDDEN 8000

/* Reminder query, close-to-tray notice and password prompt (dialogs 136,
   140, 141, 157; Yes, No, OK and Cancel use IDYES, IDNO, IDOK, IDCANCEL) */
#define IDD_REMINDER 136
#define IDD_REMINDER_TWO_TEXTS 140
#define IDD_CLOSE_TRAY 141
#define IDD_PASSWORD 157
#define IDC_PASSWORD_EDIT 1000
#define IDC_REMINDER_SECOND_TEXT 1016
#define IDC_REMINDER_TEXT 1017
#define IDC_DONT_REMIND 1018 /* also the notice's "Don't show me this message again" */

/* Hotkey options (dialog 107) */
#define IDC_CHANGE_KEYS 1006
#define IDC_USE_HOTKEYS 1007
#define IDC_USE_HELP_POPUPS 1008
#define IDC_APPLICATION_INTERFACE 1012

/* Key binding editor (dialog 145) */
#define IDC_BINDING_LIST 1000
#define IDC_ASSIGN 1001
#define IDC_CURRENT_BINDING 1003
#define IDC_COLLISION 1004
#define IDC_KEY_CAPTURE 1005

/* About box (dialogs 135 and 138, which adds the licence box; OK is IDOK) */
#define IDD_ABOUT 135
#define IDD_ABOUT_LICENCE 138
#define IDC_ABOUT_LICENCE 1000
#define IDC_ABOUT_TITLE 1002
#define IDC_ABOUT_MAIL 1003
#define IDC_ABOUT_SCIENCE 1004
#define IDC_ABOUT_COPYRIGHT 1005
#define IDC_ABOUT_TOTAL_MEMORY 1006
#define IDC_ABOUT_AVAILABLE_MEMORY 1007
#define IDC_ABOUT_PAGE_FILE 1008
#define IDC_ABOUT_RUN_TIME 1009
#define IDC_ABOUT_WEB_SITE 1010
#define IDC_ABOUT_COMPANY 1012

/* User interface options (dialog 142; OK and Cancel are IDOK and IDCANCEL) */
#define IDD_USER_INTERFACE 142
#define IDC_UI_CLOSE_TO_TRAY 1010
#define IDC_UI_MINIMIZE_TO_TRAY 1026
#define IDC_UI_USE_PASSWORD 1034
#define IDC_UI_PASSWORD 1035
#define IDC_UI_START_WITH_WINDOWS 1069
