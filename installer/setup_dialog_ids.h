#pragma once
// Resource numbers of the installer's dialogs, icons and controls (shared by the resource script).
#define IDI_STAVEL_INSTALL 101
#define IDI_STAVEL_REPAIR 102
#define IDI_STAVEL_UNINSTALL 103

#define IDD_STAVEL_WIZARD 129
#define IDD_STAVEL_AGREEMENT 135
#define IDD_STAVEL_REPAIR 140
#define IDD_STAVEL_UNINSTALL 141
#define IDD_STAVEL_EXTRACT 142

#define IDC_STAVEL_ACCEPT 1001
// The unpacking dialog's line shares its number with the wizard's agreement link.
#define IDC_STAVEL_EXTRACT_LINE 1002
#define IDC_STAVEL_AGREEMENT_LINK 1002
#define IDC_STAVEL_REJECT 1003
#define IDC_STAVEL_FOLDER_GROUP 1004
#define IDC_STAVEL_BROWSE 1005
#define IDC_STAVEL_LOG 1006
#define IDC_STAVEL_PROGRESS 1008
#define IDC_STAVEL_BROWSER 1014
#define IDC_STAVEL_FOLDER 1022
#define IDC_STAVEL_BANNER 1032
