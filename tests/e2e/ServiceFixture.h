// The local service, this prefix's proxy settings and the client's proxy dialog.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <string>

#include "HttpSender.h"
#include "ProxyDialogIds.h"
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

// The service's JSON record after posting `form` to its control endpoint ("" on failure).
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
    return testing_support::DataFile("ProxyUser.dat");
}

// Answers the client's proxy dialog (keeping its message); false unless it appeared and closed.
inline bool AnswerProxyDialog(const std::wstring& user, const std::wstring& password,
                              bool ok = true, std::wstring* shownMessage = nullptr) {
    HWND dialog = nullptr;  // visible only once its texts are set
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

// This user's system proxies ("host:port;...") and bypass list while it lives, direct after.
struct SystemProxy {
    explicit SystemProxy(const std::string& proxies, const std::string& bypass = "") {
        Set(3, proxies, bypass);
    }
    ~SystemProxy() { Direct(); }
    static void Direct() { Set(1, "", ""); }

    // The blob WinHTTP reads: version, counter, flags, then proxies, bypass and script URL (each
    // after its length), reserved bytes.
    static void Set(DWORD flags, const std::string& proxies, const std::string& bypass) {
        auto field = [](const std::string& text) {
            const DWORD size = static_cast<DWORD>(text.size());
            return std::string(reinterpret_cast<const char*>(&size), sizeof size) + text;
        };
        const DWORD head[] = {0x46, 0, flags};
        const std::string blob = std::string(reinterpret_cast<const char*>(head), sizeof head) +
                                 field(proxies) + field(bypass) + field("") + std::string(32, '\0');
        RegSetKeyValueW(
            HKEY_CURRENT_USER,
            L"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\Connections",
            L"DefaultConnectionSettings", REG_BINARY, blob.data(), static_cast<DWORD>(blob.size()));
    }
};

// A copy of the client in a fresh folder; service and saved proxy user reset around each test.
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
