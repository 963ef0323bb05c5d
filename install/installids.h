// Control ids, resource names and limits of the installer's windows, shared with its resource script.
#pragma once

// Page and run controls.
#define IDC_INSTALL_DIR 1005
#define IDC_BROWSE 1006
#define IDC_EXISTING 1007
#define IDC_SHORTCUT 1008
#define IDC_PROGRESS 1009
#define IDC_STATUS 1010
#define IDC_TITLE 1011
#define IDC_DIR_LABEL 1012

// SelectDatabase.
#define IDC_THIS_MACHINE 1016
#define IDC_OTHER_MACHINE 1017
#define IDC_SERVER_NAME 1018
#define IDC_TRUSTED 1019
#define IDC_DB_USER 1020
#define IDC_DB_PASSWORD 1021
#define IDC_DB_STATUS 1022

// Licence and readme pages.
#define IDC_LICENSE_TEXT 1023
#define IDC_ACCEPT 1024
#define IDC_DECLINE 1025
#define IDC_README_TEXT 1026

// Download progress.
#define IDC_DL_ACTION 1079
#define IDC_DL_BYTES 1080
#define IDC_DL_RESULT 1081
#define IDC_DL_PROGRESS 1082
#define IDC_DL_ANIMATION 1246

// Reboot question.
#define IDC_REBOOT_TEXT 1100

// Resources.
#define IDR_FILECOPY_AVI 300
