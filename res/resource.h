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

// The six pages of the parameter sheet, in the order the sheet shows them.
#define IDD_PAGE_BREAK 101
#define IDD_PAGE_BLUNT 104
#define IDD_PAGE_MISSING 105
#define IDD_PAGE_TIMERS 106
#define IDD_PAGE_MEASUREMENT 107
#define IDD_PAGE_MISC 109
// Their edit fields and drop-down lists. Two pairs share a number on different pages: Missing
// Count and Ts, Ta on Blunt and the kW-Range field.
#define IDC_BREAK_LIMIT 1000
#define IDC_BREAK_DELAY 1001
#define IDC_BLUNT_LIMIT 1002
#define IDC_BLUNT_DELAY 1003
#define IDC_BLUNT_COUNT 1004
#define IDC_BLUNT_MODE 1011
#define IDC_BLUNT_ALARM_MODE 1012
#define IDC_MISSING_LIMIT 1013
#define IDC_MISSING_DELAY 1015
#define IDC_TW 1016
#define IDC_MISSING_COUNT 1017
#define IDC_TS 1017
#define IDC_TA 1018
#define IDC_P1MAX 1019
#define IDC_P1MIN 1020
#define IDC_AVERAGE 1021
#define IDC_PO_SAMPLES 1022
#define IDC_WORK_DIVISOR 1023
#define IDC_CYCLES 1025
#define IDC_UNIT_ID 1027
#define IDC_DEBOUNCE 1028
#define IDC_TA_ON_BLUNT 1029
#define IDC_KW_RANGE 1029
// Labels whose text comes from the language table when a page is created.
#define IDC_LABEL_LIMIT 1032
#define IDC_LABEL_MODE 1033
#define IDC_LABEL_DELAY 1034
#define IDC_LABEL_ALARM_MODE 1035
#define IDC_LABEL_COUNT 1036
#define IDC_LABEL_WORK_DIVISOR 1037
#define IDC_LABEL_COMMON 1038
#define IDC_LABEL_AVERAGE 1039
#define IDC_LABEL_AVERAGE_UNIT 1041
#define IDC_LABEL_PO_UNIT 1042
#define IDC_LABEL_CYCLES 1045
#define IDC_LABEL_DEBOUNCE 1046
#define IDC_LABEL_UNIT_ID 1047
#define IDC_LABEL_RANGE 1048
#define IDC_LABEL_TA_ON_BLUNT 1051

// The plant link dialog (Communication / Plant link...): each field with its label (field + 20).
#define IDD_PLANT_LINK 140
#define IDC_PLANT_ON 1060
#define IDC_PLANT_HOST 1061
#define IDC_PLANT_PORT 1062
#define IDC_PLANT_TLS 1063
#define IDC_PLANT_CAFILE 1064
#define IDC_PLANT_MACHINE 1065
#define IDC_PLANT_USER 1066
#define IDC_PLANT_PASSWORD 1067
#define IDC_PLANT_PREFIX 1068
#define IDC_PLANT_BROWSE 1069
#define IDC_PLANT_TEST 1070
#define IDC_PLANT_RESULT 1071  // what the Test found, or why a typed value is refused
#define IDC_PLANT_LABEL_HOST 1081
#define IDC_PLANT_LABEL_PORT 1082
#define IDC_PLANT_LABEL_CAFILE 1084
#define IDC_PLANT_LABEL_MACHINE 1085
#define IDC_PLANT_LABEL_USER 1086
#define IDC_PLANT_LABEL_PASSWORD 1087
#define IDC_PLANT_LABEL_PREFIX 1088

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
#define IDM_SHOW_FORECAST 32880     // the fourth display of the lower panel
#define IDM_PLANT_LINK 32881        // Communication / Plant link...: the plant link dialog
#define IDM_LANGUAGE_ENGLISH 34000  // the language items are 34000 + languageBase
#define IDM_LANGUAGE_GERMAN 34200
#define IDM_LANGUAGE_DANISH 34400
