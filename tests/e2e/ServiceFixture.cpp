#include "ServiceFixture.h"
#include "frame/ClientContract.h"

#include <windows.h>
#include <wincrypt.h>
#include <winhttp.h>

#include <cstdlib>
#include <vector>

#include "ProxyDialogIds.h"
#include "frame/Directories.h"
#include "support/DialogDriver.h"
#include "support/TestSupport.h"

namespace e2e {
namespace {

const wchar_t kConnections[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\Connections";

std::string ServiceDirectory() {
    const char* dir = std::getenv("PELMORA_E2E_SERVICE_DIR");
    return dir ? dir : "";
}

std::string HttpPostLoopback(int port, const std::wstring& path, const std::string& body) {
    HINTERNET session =
        WinHttpOpen(L"e2e-tests", WINHTTP_ACCESS_TYPE_NO_PROXY, nullptr, nullptr, 0);
    HINTERNET connection = session ? WinHttpConnect(session, L"127.0.0.1", port, 0) : nullptr;
    HINTERNET request = connection ? WinHttpOpenRequest(connection, L"POST", path.c_str(), nullptr,
                                                        nullptr, nullptr, 0)
                                   : nullptr;
    std::string answer;
    const wchar_t header[] = L"Content-Type: application/x-www-form-urlencoded\r\n";
    if (request &&
        WinHttpSendRequest(request, header, static_cast<DWORD>(-1L), const_cast<char*>(body.data()),
                           static_cast<DWORD>(body.size()), static_cast<DWORD>(body.size()), 0) &&
        WinHttpReceiveResponse(request, nullptr)) {
        char chunk[4096];
        DWORD read = 0;
        while (WinHttpReadData(request, chunk, sizeof chunk, &read) && read > 0)
            answer.append(chunk, read);
    }
    for (HINTERNET h : {request, connection, session})
        if (h) WinHttpCloseHandle(h);
    return answer;
}

// The HTTPS listener's certificate (DER), "" when there is none.
std::string CertificateDer() {
    return testing_support::ReadFileBytes(ServiceDirectory() + "/cert.der");
}

HWND FindProxyDialog() {
    return FindWindowW(L"#32770", L"プロキシ認証");
}

}  // namespace

int Port(const char* listener) {
    return std::atoi(
        testing_support::ReadFileBytes(ServiceDirectory() + "/" + listener + ".port").c_str());
}

std::string ServiceUrl(const std::string& path) {
    return "http://127.0.0.1:" + std::to_string(Port("http")) + path;
}

std::string Control(const std::string& form) {
    return HttpPostLoopback(Port("http"), L"/_control", form);
}

std::string ProxyOffers(const std::string& listener) {
    const std::string record = Control("");
    const std::string mark = "\"listener\": \"" + listener + "\", \"refused\": ";
    const std::string user = "\"proxy_user\": \"";
    std::string seen;
    for (size_t at = record.find(mark); at != std::string::npos; at = record.find(mark, at + 1)) {
        const size_t refused = at + mark.size();
        const size_t name = refused + (record.compare(refused, 4, "true") == 0 ? 4 : 5) + 2;
        if (record.compare(name, user.size(), user) != 0) continue;
        if (!seen.empty()) seen += ", ";
        const size_t start = name + user.size();
        seen += record.substr(start, record.find('"', start) - start);
        seen += record.compare(refused, 4, "true") == 0 ? " refused" : " accepted";
    }
    return seen;
}

// The settings blob WinHTTP reads for the current user: version, counter, flags (direct and
// named proxy), then the proxy, the bypass list and the configuration script URL, each with
// its length.
SystemProxy::SystemProxy(int port) {
    const std::string proxy = "127.0.0.1:" + std::to_string(port);
    std::vector<BYTE> blob;
    auto put = [&blob](DWORD value) {
        blob.insert(blob.end(), reinterpret_cast<BYTE*>(&value),
                    reinterpret_cast<BYTE*>(&value) + 4);
    };
    put(0x46);
    put(0);
    put(3);
    put(static_cast<DWORD>(proxy.size()));
    blob.insert(blob.end(), proxy.begin(), proxy.end());
    put(0);
    put(0);
    blob.resize(blob.size() + 32, 0);
    RegSetKeyValueW(HKEY_CURRENT_USER, kConnections, L"DefaultConnectionSettings", REG_BINARY,
                    blob.data(), static_cast<DWORD>(blob.size()));
}

SystemProxy::~SystemProxy() {
    RegDeleteKeyValueW(HKEY_CURRENT_USER, kConnections, L"DefaultConnectionSettings");
}

TrustedCertificate::TrustedCertificate() {
    const std::string der = CertificateDer();
    HCERTSTORE store =
        CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_LOCAL_MACHINE, L"Root");
    if (!store || der.empty()) return;
    added_ = CertAddEncodedCertificateToStore(
                 store, X509_ASN_ENCODING, reinterpret_cast<const BYTE*>(der.data()),
                 static_cast<DWORD>(der.size()), CERT_STORE_ADD_REPLACE_EXISTING, nullptr) != FALSE;
    CertCloseStore(store, 0);
}

TrustedCertificate::~TrustedCertificate() {
    const std::string der = CertificateDer();
    HCERTSTORE store =
        CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_LOCAL_MACHINE, L"Root");
    if (!store) return;
    PCCERT_CONTEXT cert =
        CertCreateCertificateContext(X509_ASN_ENCODING, reinterpret_cast<const BYTE*>(der.data()),
                                     static_cast<DWORD>(der.size()));
    PCCERT_CONTEXT found = cert ? CertFindCertificateInStore(store, X509_ASN_ENCODING, 0,
                                                             CERT_FIND_EXISTING, cert, nullptr)
                                : nullptr;
    if (found) CertDeleteCertificateFromStore(found);
    if (cert) CertFreeCertificateContext(cert);
    CertCloseStore(store, 0);
}

bool AnswerProxyDialog(const std::wstring& user, const std::wstring& password, bool ok,
                       std::wstring* shownMessage) {
    HWND dialog = nullptr;
    // Visible only once its texts are set.
    if (!testing_support::WaitUntil([&dialog] {
            return (dialog = FindProxyDialog()) != nullptr && IsWindowVisible(dialog);
        }))
        return false;
    if (shownMessage) {
        wchar_t text[512] = L"";
        SendMessageW(GetDlgItem(dialog, IDC_PROXY_MESSAGE), WM_GETTEXT, 512,
                     reinterpret_cast<LPARAM>(text));
        *shownMessage = text;
    }
    testing_support::DialogDriver::Type(dialog, IDC_PROXY_USER, user);
    testing_support::DialogDriver::Type(dialog, IDC_PROXY_PASSWORD, password);
    PostMessageW(dialog, WM_COMMAND, ok ? IDOK : IDCANCEL, 0);
    return testing_support::WaitUntil([dialog] { return !IsWindow(dialog); });
}

std::string ProxyUserFile() {
    return frame::GetDataDirectory() + "\\" + contract::kProxyUserFile;
}

}  // namespace e2e
