/* Resource ids, shared by the resource script and the program. */
#ifndef DRIVORA_RESOURCE_H
#define DRIVORA_RESOURCE_H

#define IDD_MAIN            101
#define IDB_BACKGROUND      103
#define IDB_CATEGORY_ICONS  106
#define IDI_MAIN            110
#define IDR_POPUP_MENU      111
#define IDB_UNUSED_131      131
#define IDB_UNUSED_132      132

#define IDC_ENTRY_LIST      1001
#define IDC_CAPTION         1014
#define IDC_ICON_STATIC     1016
#define IDC_BUTTON1         1018
#define IDC_BUTTON2         1020

#define IDM_CLOSE           0xF060 /* the value of SC_CLOSE */
#define IDM_ABOUT           40004
#define IDM_MENU_CHI        65535

#endif
