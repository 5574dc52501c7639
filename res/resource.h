// Resource ids shared by RemoveApps.rc and the program's code.
#ifndef REMOVEAPPS_RESOURCE_H
#define REMOVEAPPS_RESOURCE_H

// Dialogs (IDD_)
#define IDD_MAIN 101

// Icons (IDI_)
#define IDI_APP 102

// Menu and soft-key menu bar (IDR_): the menu and the bar's RCDATA share one id
#define IDR_MENUBAR 103

// Controls (IDC_)
#define IDC_APPLIST 1001

// Commands (IDM_)
#define IDM_SELECT 40001
#define IDM_MENU 41006
#define IDM_DETAILS 41008
#define IDM_DONE 41009
#define IDM_ABOUT 41010
#define IDM_HIDE 41011
#define IDM_ERASE 41012
#define IDM_REFRESH 41013

// Strings (IDS_)
#define IDS_DONE 40004
#define IDS_TITLE 40005
#define IDS_NO_REGISTRY 40006
#define IDS_MENU 40007
#define IDS_NO_DETAILS 40008
#define IDS_DETAILS 40009
#define IDS_ABOUT 40010
#define IDS_CONFIRM_REMOVE 40011
#define IDS_REMOVED 40012
#define IDS_CONFIRM_HIDE 40013
#define IDS_CONFIRM_ERASE 40014
#define IDS_NOT_REMOVED 40015
#define IDS_CANNOT_HIDE 40016
#define IDS_NOT_SAVED 40017
#define IDS_NO_MEMORY_TO_HIDE 40018
#define IDS_PARTLY_SAVED 40019

// Soft-key bar entries: a button without a pop-up menu carries NOMENU
#ifndef NOMENU
#define NOMENU 0xFFFF
#endif

#endif
