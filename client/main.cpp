// pmqclient: carries one request of the library to the service and leaves the answer where the
// command line says ("pmqclient.exe" "<request file>" "<response file>"; with no arguments, the
// files beside itself). The exit code is the HTTP status; 1234 when there is none, 407 when a
// proxy wanted credentials that were not given.
#include <windows.h>
#include <shellapi.h>

#include <optional>
#include <string>

#include "HttpSender.h"
#include "NetworkDeadline.h"
#include "ProxyExchange.h"
#include "RequestFile.h"
#include "contract/ClientBounds.h"
#include "contract/ClientContract.h"
#include "win32/Files.h"
#include "win32/Handle.h"
#include "win32/ModuleFile.h"
#include "win32/Strings.h"

namespace {

constexpr int kNoStatus = static_cast<int>(contract::kExitNoStatus);

struct ExchangeFiles {
    std::wstring request, response;
};

// The two paths the library names; the files beside the program without arguments. Nothing for
// any other command line: a request is never guessed.
std::optional<ExchangeFiles> FilesFromCommandLine() {
    int count = 0;
    const win32::LocalMemory owner(CommandLineToArgvW(GetCommandLineW(), &count));
    const auto* arguments = static_cast<wchar_t* const*>(owner.get());
    if (arguments != nullptr && count == 3 && arguments[1][0] != L'\0' && arguments[2][0] != L'\0')
        return ExchangeFiles{arguments[1], arguments[2]};
    if (arguments == nullptr || count != 1) return std::nullopt;
    const std::wstring directory = win32::ModuleFolder(nullptr);
    return ExchangeFiles{directory + L"\\" + win32::ToWide(contract::kRequestFile),
                         directory + L"\\" + win32::ToWide(contract::kResponseFile)};
}

// Readable by this user only, as the request was; an answer larger than the library takes is
// not delivered at all.
bool WriteResponse(const std::wstring& path, const std::string& body) {
    if (body.size() > contract::kMaxAnswerBytes) return false;
    return win32::WriteWholeFile(path, body, false, win32::FileAccess::kOwnerOnly);
}

int Run() {
    const std::optional<ExchangeFiles> files = FilesFromCommandLine();
    if (!files) return kNoStatus;
    const auto request = client::TakeRequestFile(files->request);
    if (!request) return kNoStatus;
    client::HttpAnswer answer;
    {
        // Gone before the answer is written: an answer is never cut off halfway.
        client::NetworkDeadline deadline(
            contract::BoundFromEnvironment(contract::kClientNetworkMsSetting,
                                           contract::kClientNetworkMs),
            kNoStatus);
        client::HttpSender sender(client::Timeouts::FromEnvironment());
        if (!sender.Open(win32::ToWide(request->url), !request->query.empty())) return kNoStatus;
        client::DialogTime dialogTime{
            contract::BoundFromEnvironment(contract::kProxyDialogIdleMsSetting,
                                           contract::kProxyDialogIdleMs),
            contract::kProxyDialogTotalMs};
        answer = client::SendThroughProxy(sender, *request, client::ProxyStore::ForCurrentUser(),
                                          deadline, dialogTime);
    }
    if (answer.status == 0) return kNoStatus;
    if (answer.proxyAuthRequired()) return static_cast<int>(contract::kExitProxyAuthRequired);
    if (!WriteResponse(files->response, answer.body)) return kNoStatus;
    return static_cast<int>(answer.status);
}

LONG WINAPI EndAtOnce(EXCEPTION_POINTERS*) {
    return EXCEPTION_EXECUTE_HANDLER;  // the process ends with the exception's code
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    // A crash ends the process with its code at once: no error box that nobody may see holds
    // the host's call until the library gives up on the client.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
    SetUnhandledExceptionFilter(EndAtOnce);
    return Run();
}
