// Numbers of the program's resources and of the General page's controls.
#pragma once

#define IDD_GENERAL_PAGE 129
#define IDS_APP_TITLE 103
#define IDS_WINDOW_CLASS 109
#define IDI_CONFIGURATOR 134
#define IDM_CONFIGURATOR 109

#define IDC_PAIR_LIST 1017
#define IDC_SOURCE_CHOOSER 1019
#define IDC_ADD_BUTTON 1020
#define IDC_REMOVE_BUTTON 1021
#define IDC_DESTINATION_CHOOSER 1022
#define IDC_ADDRESS_LINE 1023

#define IDM_FILE_EXIT 105
#define IDM_HELP_ABOUT 104
