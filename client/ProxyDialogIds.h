// Resource identifiers of the proxy credentials dialog (also used by the tests that fill it).
#pragma once

#define IDD_PROXY_CREDENTIALS 101
#define IDC_PROXY_MESSAGE 1001
#define IDC_PROXY_USER_LABEL 1002
#define IDC_PROXY_USER 1003
#define IDC_PROXY_PASSWORD_LABEL 1004
#define IDC_PROXY_PASSWORD 1005
