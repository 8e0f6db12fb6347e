// Dialog and control ids of the online-update dialog, shared by update_dialog.rc and the code.
#pragma once

#define IDD_UPDATE_DIALOG 168
#define IDC_UPDATE_LOG 1006
#define IDC_UPDATE_CHECK 40004
#define IDC_UPDATE_AMOUNT 1043
