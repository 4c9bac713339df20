// Resource identifiers of Dusklamp; the numbers are fixed, other instances and tools rely on them.
#pragma once

// Dialog templates
#define IDD_ABOUTBOX            100
#define IDD_DUSKLAMP_DIALOG     102
#define IDD_SCHEDULE            135
#define IDD_NETWORK             137
#define IDD_ADDCOMPUTER         138
#define IDD_ALLOWEDSENDERS      139

// Strings
#define IDS_ABOUTBOX            101
#define IDS_APP_TITLE           57344

// Icons
#define IDI_DUSKLAMP            128

// Menus
#define IDR_MAINMENU            129
#define IDR_TRAYMENU            133

// Controls of the main window
#define IDC_HOTKEY              1000
#define IDC_CHANGE              1001
#define IDC_CLEAR               1003
#define IDC_SYSTRAY             1004
#define IDC_STATIC              -1

// Shown in the main window and the network settings dialog only where a policy sets a value
#define IDC_MANAGED             1030

// Controls of the schedule dialog
#define IDC_ACTION              1005
#define IDC_DURATION            1007
#define IDC_DIMNOW              1008
#define IDC_LASTSCHEDULE        1010
#define IDC_CURRENT             1011

// Controls of the network settings dialog
#define IDC_ACCEPT              1012
#define IDC_PORT                1013
#define IDC_SENDALLOWED         1015
#define IDC_ADDCOMPUTER         1016
#define IDC_COMPUTERS           1021
#define IDC_SEND                1023
#define IDC_REMOVECOMPUTER      1025
#define IDC_LOCALADDRESS        1026
#define IDC_COMMAND             1027
#define IDC_ALLOWEDSENDERS      1028

// Controls of the allowed-senders dialog
#define IDC_SENDERLIST          1029

// Controls of the add-computer dialog
#define IDC_IPADDRESS           1018
#define IDC_NEWPORT             1019

// System menu item appended to the main window
#define IDM_ABOUTBOX            0x0010

// Main window menu
#define ID_HELP_WEBSITE         32772
#define ID_HELP_SUPPORT         32773
#define ID_FILE_CLOSE           57602

// Tray menu
#define ID_TRAY_DISPLAYOFF      32775
#define ID_TRAY_EXIT            32776
#define ID_TRAY_HOTKEY          32777
#define ID_TRAY_SCHEDULE        32778
#define ID_TRAY_LOCKDISPLAYOFF  32779
#define ID_TRAY_NETWORK         32784
#define ID_TRAY_COMMANDSLOG     32785
#define ID_TRAY_REMOTESHUTDOWN  32786
#define ID_TRAY_KEEPDARK        32787
#define ID_TRAY_RECEIVEDLOG     32788
#define ID_TRAY_STARTWITHWINDOWS 32789
