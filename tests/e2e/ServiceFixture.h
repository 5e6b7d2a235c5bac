// The local service the end-to-end tests talk to, this prefix's proxy settings, and the client's
// proxy dialog.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <string>

#include "HttpSender.h"
#include "ProxyDialogIds.h"
#include "frame/Directories.h"
#include "support/DialogDriver.h"
#include "support/TestSupport.h"
#include "win32/Strings.h"

namespace e2e {

inline std::string ServiceFile(const std::string& name) {
    const char* dir = std::getenv("PELMORA_E2E_SERVICE_DIR");
    return testing_support::ReadFileBytes(std::string(dir ? dir : "") + "/" + name);
}

// "http", "proxy", "proxy2" (another network's proxy wanting the same user) or "https".
inline int Port(const char* listener) {
    return std::atoi(ServiceFile(std::string(listener) + ".port").c_str());
}

inline std::string ServiceUrl(const std::string& path) {
    return "http://127.0.0.1:" + std::to_string(Port("http")) + path;
}

// Posts `form` to the control endpoint through the client's own sender (never while a system
// proxy is set): the service's JSON record of its switches and requests ("" on failure).
inline std::string Control(const std::string& form) {
    client::HttpSender sender(client::Timeouts{});
    return sender.Open(win32::ToWide(ServiceUrl("/_control")), true)
               ? sender.Send(form, nullptr).body
               : std::string();
}

// How many named users the proxies refused since the last reset.
inline int RefusedOffers() {
    const std::string record = Control(""), mark = "\"refused\": true, \"proxy_user\": \"";
    int count = 0;
    for (size_t at = record.find(mark); at != std::string::npos; at = record.find(mark, at + 1))
        ++count;
    return count;
}

inline std::string ProxyUserFile() {
    return frame::GetDataDirectory() + "\\ProxyUser.dat";
}

// Waits for the client's proxy dialog, keeps its message in `shownMessage` (when given), types
// into it and presses OK (or Cancel); false unless it appeared and then closed.
inline bool AnswerProxyDialog(const std::wstring& user, const std::wstring& password,
                              bool ok = true, std::wstring* shownMessage = nullptr) {
    HWND dialog = nullptr;
    // Visible only once its texts are set.
    if (!testing_support::WaitUntil([&dialog] {
            dialog = FindWindowW(L"#32770", L"プロキシ認証");
            return dialog != nullptr && IsWindowVisible(dialog);
        }))
        return false;
    if (shownMessage)
        *shownMessage = testing_support::DialogDriver::Text(GetDlgItem(dialog, IDC_PROXY_MESSAGE));
    testing_support::DialogDriver::Type(dialog, IDC_PROXY_USER, user);
    testing_support::DialogDriver::Type(dialog, IDC_PROXY_PASSWORD, password);
    PostMessageW(dialog, WM_COMMAND, ok ? IDOK : IDCANCEL, 0);
    return testing_support::WaitUntil([dialog] { return !IsWindow(dialog); });
}

// Points this user's system proxy settings at a list of proxies ("host:port" separated by ";")
// with a bypass list while it lives, and at none (a direct connection, no automatic detection)
// after it.
struct SystemProxy {
    explicit SystemProxy(const std::string& proxies, const std::string& bypass = "") {
        Set(3, proxies, bypass);
    }
    explicit SystemProxy(int port) : SystemProxy("127.0.0.1:" + std::to_string(port)) {}
    ~SystemProxy() { Direct(); }
    // Where every test starts, whatever an earlier run cut short left behind.
    static void Direct() { Set(1, "", ""); }

    // The blob WinHTTP reads: version, counter, flags (1 direct, 2 named proxy), the proxy list,
    // the bypass list and the configuration script URL (each after its length), reserved bytes.
    static void Set(DWORD flags, const std::string& proxies, const std::string& bypass) {
        const DWORD head[] = {0x46, 0, flags};
        const std::string blob = std::string(reinterpret_cast<const char*>(head), sizeof head) +
                                 Field(proxies) + Field(bypass) + Field("") + std::string(32, '\0');
        RegSetKeyValueW(
            HKEY_CURRENT_USER,
            L"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\Connections",
            L"DefaultConnectionSettings", REG_BINARY, blob.data(), static_cast<DWORD>(blob.size()));
    }
    static std::string Field(const std::string& text) {
        const DWORD size = static_cast<DWORD>(text.size());
        return std::string(reinterpret_cast<const char*>(&size), sizeof size) + text;
    }
};

// A copy of the client in a fresh folder; the service's switches and record, and the saved
// proxy user, cleared before and after each test.
class ClientFolderTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(Port("http"), 0) << "the service fixture is not running";
        SystemProxy::Direct();
        ASSERT_TRUE(CopyFileA((testing_support::ExecutableDirectory() + "\\pmqclient.exe").c_str(),
                              File("pmqclient.exe").c_str(), FALSE));
        TearDown();
    }
    void TearDown() override {
        Control("reset=1");
        DeleteFileA(ProxyUserFile().c_str());
    }
    std::string File(const char* name) const { return folder_.File(name); }

    testing_support::TempDirectory folder_;
};

}  // namespace e2e
