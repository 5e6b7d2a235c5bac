// Run by run-customer-machine.sh: the program folder read-only, as Program Files is for a standard
// user, and Local AppData outside the code page. The service test, the logins, the login store,
// the state files and the client's saved proxy user work, land in the profile's own folder and
// leave nothing in the program folder or the exchange folder.
#include <gtest/gtest.h>
#include <windows.h>
#include <shlobj.h>
#include <winhttp.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>

#include "ProxyStore.h"
#include "pelmora.h"
#include "resource.h"  // the login dialog's control ids
#include "support/DialogDriver.h"

namespace customer_machine {

namespace fs = std::filesystem;
using testing_support::DialogDriver;

const std::wstring kLocalAppData = L"C:\\users\\Zo\u00EB\\AppData\\Local";

std::string ServiceUrl(const char* path) {
    const char* dir = std::getenv("PELMORA_E2E_SERVICE_DIR");
    const std::string port = testing_support::ReadFileBytes(std::string(dir) + "/http.port");
    return "http://127.0.0.1:" + std::to_string(std::atoi(port.c_str())) + path;
}

std::vector<fs::path> Listing(const fs::path& folder) {
    std::vector<fs::path> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path());
    std::sort(names.begin(), names.end());
    return names;
}

TEST(CustomerMachine, EveryFileLandsInTheProfilesOwnFolderAndNoneInTheProgramFolder) {
    wchar_t local[MAX_PATH] = L"", self[MAX_PATH] = L"";
    SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA | CSIDL_FLAG_CREATE, nullptr, 0, local);
    ASSERT_TRUE(kLocalAppData == local && GetACP() == 932) << "not set up as a customer's";
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    const fs::path program = fs::path(self).parent_path(),
                   data = kLocalAppData + L"\\Torva Inc\\Pelmora";
    const std::vector<fs::path> shipped = Listing(program);
    ASSERT_FALSE(win32::FileHandle(CreateFileW((program / L"x").c_str(), GENERIC_WRITE, 0, nullptr,
                                               CREATE_NEW, FILE_FLAG_DELETE_ON_CLOSE, nullptr)));

    // The library's log, shown when a step fails: the only account of what the flows saw.
    wchar_t temp[MAX_PATH] = L"";
    GetTempPathW(MAX_PATH, temp);
    const std::wstring logPath = std::wstring(temp) + L"customer-machine.log";
    const win32::FileHandle log(CreateFileW(logPath.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ,
                                            nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                            nullptr));
    PeLmLogFileSet(log.get());
    PeLmTestUrlSet(ServiceUrl("/Pelmora/Pelmora/CheckSqlServerRunning").c_str());
    PeLmLoginUrlSet(ServiceUrl("/Pelmora/Pelmora/Login").c_str());
    EXPECT_TRUE(PeLmIsServerAlive());
    // The dialog's login saves the login store; a fresh load reads it back.
    EXPECT_TRUE(testing_support::RunDriven(
        [] { return PeLmLogin(); },
        [](DialogDriver& driver) {
            const HWND dialog = driver.WaitForWindow(testing_support::kDialogCaption);
            DialogDriver::Type(dialog, IDC_LOGIN_COMPANY_ID, L"テスト商会");
            DialogDriver::Type(dialog, IDC_LOGIN_PASSWORD, L"パス 1234&=");
            DialogDriver::Type(dialog, IDC_LOGIN_USER_NAME, L"demo");
            // The command itself rather than a click: the dialog is the first window of a new
            // display, whose activation can still take away the capture a posted click needs.
            PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                         reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
        }));
    char id[64] = "";
    EXPECT_TRUE(fs::exists(data / L"Login.dat") && PeLmLoginID(id, sizeof id));
    EXPECT_STREQ("テスト商会", id);
    EXPECT_TRUE(PeLmLoginRemove() && !fs::exists(data / L"Login.dat"));
    PeLmServerToDead();
    EXPECT_TRUE(fs::exists(data / L"dead.dat") && PeLmIsServerDead());
    PeLmServerDeadRelease();
    // The client's store resolves the folder as the library does.
    EXPECT_TRUE(client::ProxyStore::ForCurrentUser().Save(L"proxy:8080", {L"u", L"p"},
                                                          WINHTTP_AUTH_SCHEME_BASIC));
    EXPECT_TRUE(fs::exists(data / L"ProxyUser.dat") && PeLmProxyUserDelete());

    EXPECT_EQ(std::vector<fs::path>(), Listing(data / L"exchange"));
    EXPECT_EQ(shipped, Listing(program));
    EXPECT_EQ(std::vector<fs::path>{data / L"exchange"}, Listing(data));
    PeLmLogFileSet(nullptr);
    if (HasFailure()) std::cout << std::ifstream(fs::path(logPath)).rdbuf();
}

}  // namespace customer_machine
