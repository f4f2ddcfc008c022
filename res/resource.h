// Identifiers of the program's resources and menu commands. Plain #defines: read by the resource
// compiler as well as by C++.
#pragma once

// Menus: one per language, numbered languageBase + 200.
#define IDR_MENU_ENGLISH 200
#define IDR_MENU_GERMAN 400
#define IDR_MENU_DANISH 600

#define IDR_ACCELERATORS 106  // "?" and "/" both give IDM_ABOUT
#define IDI_ZAVIZE 107        // program icon (16x16 and 32x32)

// Dialogs.
#define IDD_ABOUT 103
#define IDD_UPLOAD_PROGRESS 135
// Controls of the upload progress dialog.
#define IDC_UPLOAD_BAR 1030
#define IDC_UPLOAD_TEXT 1049
#define IDC_UPLOAD_WAIT 1050

// String table: the window caption (also the caption of the yes/no questions) and the main
// window's class name, each up to 100 characters.
#define IDS_CAPTION 103
#define IDS_CLASSNAME 106

// Commands. A range holds one item per cut (1..16) or per COM port (1..16); the item of cut n
// (or port n) is FIRST + n - 1.
#define IDM_ABOUT 104
#define IDM_EXIT 105
#define IDM_CYCLE_END 30000  // sent by the message interpreter, not in a menu
#define IDM_DEBUG 32777
#define IDM_PARAMETERS_FIRST 32778
#define IDM_PARAMETERS_LAST 32793
#define IDM_LOAD_PARAMETERSET 32794
#define IDM_SAVE_PARAMETERSET 32795
#define IDM_SHOW_POWER 32796  // the view items are IDM_SHOW_POWER + DisplayMode
#define IDM_SHOW_WORK 32797
#define IDM_SHOW_PARAMETERS 32798
#define IDM_SAVE_STATISTICS 32799
#define IDM_LOAD_STATISTICS 32800
#define IDM_RESET_FIRST 32802
#define IDM_RESET_LAST 32817
#define IDM_RESET_ALL 32818
#define IDM_PRINT_ACTIVE_CUT 32819
#define IDM_PRINT_POWER 32820
#define IDM_PRINT_WORK 32821
#define IDM_PRINT_PARAMETERS 32822
#define IDM_EXPORT_POWER_FIRST 32825
#define IDM_EXPORT_POWER_LAST 32840
#define IDM_EXPORT_WORK_FIRST 32841
#define IDM_EXPORT_WORK_LAST 32856
#define IDM_REFRESH 32857
#define IDM_LEGEND 32858
#define IDM_COM_FIRST 32862  // COM n is 32861 + n
#define IDM_COM_LAST 32877
#define IDM_AUTO_CONNECT 32878
#define IDM_SCREEN_DUMP 32879
#define IDM_LANGUAGE_ENGLISH 34000  // the language items are 34000 + languageBase
#define IDM_LANGUAGE_GERMAN 34200
#define IDM_LANGUAGE_DANISH 34400
