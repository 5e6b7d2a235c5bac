// Identifiers of the library's resources. Shared by the resource script and the code, so this
// header holds only preprocessor definitions the resource compiler understands.
#pragma once

#define IDD_LOGIN 15001

// Controls of the login dialog, in the order the user tabs through them.
#define IDC_LOGIN_COMPANY_ID 15000
#define IDC_LOGIN_PASSWORD 15002
#define IDC_LOGIN_USER_NAME 15004
// Carries the save flag; never shown, so the user cannot change it.
#define IDC_LOGIN_SAVE_FLAG 15006
// The labels in front of the three edits.
#define IDC_LOGIN_COMPANY_ID_LABEL 15010
#define IDC_LOGIN_PASSWORD_LABEL 15011
#define IDC_LOGIN_USER_NAME_LABEL 15012
