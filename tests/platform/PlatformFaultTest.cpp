// Failures no real run makes on demand, made through the platform table.
#include <winsock2.h>
#include <iphlpapi.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <cstring>
#include <string>
#include <tuple>
#include <type_traits>
#include <vector>

#include "connectivity/CheckConnectivity.h"
#include "connectivity/NetworkChecks.h"
#include "fakeclient/ScriptedClient.h"
#include "frame/errors/CatchLadder.h"
#include "frame/host/CorePlatformCalls.h"
#include "frame/host/Directories.h"
#include "errors/Exceptions.h"
#include "frame/errors/LastError.h"
#include "frame/host/Module.h"
#include "log/LogWriter.h"
#include "log/SharedLog.h"
#include "login/LoginFlows.h"
#include "login/LoginManager.h"
#include "state/StateFiles.h"
#include "cipher/Crypt.h"
#include "storage/ServerState.h"
#include "support/HostLogFile.h"
#include "transport/HttpRequestUtil.h"
#include "win32/Files.h"
#include "win32/PlatformCalls.h"

using frame::CorePlatformCalls;
using login::CLoginManager;
using storage::CServerState;
using testing_support::ReadFileBytes;
using win32::PlatformCalls;

namespace {

// Whatever a test replaced, every entry is the real function again on the way out.
struct PlatformReset {
    ~PlatformReset() { win32::ResetPlatform(); }
};

// `call` with one entry of either table replaced (common_type: the entry alone names the type).
template <typename Table, typename Function, typename Call>
auto With(Function Table::*entry, std::common_type_t<Function> replacement, Call call) {
    const PlatformReset reset;
    ReplacePlatformCall(entry, replacement);  // the table's own, by argument-dependent lookup
    return call();
}

template <auto error, typename Result, typename... Args>
Result WINAPI Fail(Args...) {
    SetLastError(static_cast<DWORD>(error));
    return Result{};
}
template <auto result, typename Result, typename... Args>
Result WINAPI Return(Args...) {
    return static_cast<Result>(result);
}

// Writes the first half of what it is given; a torn write then reports a full disk.
template <bool torn>
BOOL WINAPI WriteHalf(HANDLE file, LPCVOID data, DWORD size, LPDWORD written, LPOVERLAPPED) {
    WriteFile(file, data, (size + 1) / 2, written, nullptr);
    SetLastError(torn ? ERROR_DISK_FULL : ERROR_SUCCESS);
    return !torn;
}

struct StoredFile {
    const char* name;
    std::function<std::wstring()> path;
    std::function<bool()> save;  // the library's own write of the file
    const char* failureEntry;
};

const StoredFile kStoredFiles[] = {
    {"Login.dat", CLoginManager::GetFilePath, CLoginManager::Save, "ファイルの保存失敗！\""},
    {"dead.dat", CServerState::GetDeadFilePath, CServerState::ToDead, "dead.datのオープンに失敗"},
    // The client's replace: it logs nothing.
    {"ProxyUser.dat", [] { return frame::GetDataDirectory() + L"\\ProxyUser.dat"; },
     [] { return win32::ReplaceWholeFile(frame::GetDataDirectory() + L"\\ProxyUser.dat", "new"); },
     nullptr},
};

// A full disk, a refused flush, a refused rename: the former content stays, and it is logged.
TEST(PlatformFaults, StoredFileKeepsItsFormerContentWhenItsReplacementFails) {
    CLoginManager::SetLoginInfo(
        std::make_shared<login::LOGIN_INFO>(login::LOGIN_INFO{"C9", "pw", "user", true}));
    testing_support::HostLogFile log(logging::SetLogFile);
    for (const StoredFile& file : kStoredFiles) {
        SCOPED_TRACE(file.name);
        ASSERT_TRUE(win32::WriteWholeFile(file.path(), "former"));
        EXPECT_FALSE(With(&PlatformCalls::writeFile, Fail<ERROR_DISK_FULL>, file.save));
        EXPECT_FALSE(With(&PlatformCalls::flushFileBuffers, Fail<ERROR_IO_DEVICE>, file.save));
        EXPECT_FALSE(With(&PlatformCalls::moveFileEx, Fail<ERROR_WRITE_PROTECT>, file.save));
        EXPECT_EQ("former", ReadFileBytes(win32::ToNarrow(file.path())));
        EXPECT_TRUE(!file.failureEntry || log.Raw().find(file.failureEntry) != std::string::npos);
        EXPECT_EQ(0, state_tests::StrayFiles());
        EXPECT_TRUE(state_tests::HoldOpen(file.path())) << "a handle was left open";
        EXPECT_TRUE(file.save());
        EXPECT_NE("former", ReadFileBytes(win32::ToNarrow(file.path())));
        DeleteFileW(file.path().c_str());
    }
    CLoginManager::ClearLoginInfo();
}

// A write that fails or stops midway costs the lines of that write at most: the next is whole.
TEST(PlatformFaults, LogLineAfterAFailedWriteIsWhole) {
    const struct {
        const char* fault;
        decltype(&::WriteFile) write;
        std::vector<std::string> entries;  // a torn line reads "-1|0|"
    } kFaults[] = {
        {"disk full", Fail<ERROR_DISK_FULL>, {"0|0|second"}},
        {"short write", WriteHalf<false>, {"0|0|first", "0|0|second"}},
        {"torn write", WriteHalf<true>, {"-1|0|", "0|0|second"}},
    };
    for (const auto& fault : kFaults) {
        SCOPED_TRACE(fault.fault);
        testing_support::HostLogFile log(logging::SetLogFile);
        const logging::Entry entry{"F", "S", logging::Kind::kStep, 0};
        With(&PlatformCalls::writeFile, fault.write, [&] { logging::Write("first", entry); });
        logging::Write("second", entry);
        EXPECT_EQ(fault.entries, log.Entries());
    }
}

// The request, which holds the password, is deleted (and so not held open either).
TEST(ExchangeFaults, RequestThatCannotBeWrittenOrSentLeavesNoFileAndTheDocumentedError) {
    testing_support::ScriptedClientDirectory client(frame::SetProgramDirectoryOverride);
    client.AnswerNothing(200);
    auto expectFailure = [&](const char* fault) {
        return [&client, fault] {
            SCOPED_TRACE(fault);
            HttpUtility::CHttpRequestUtil request("https://127.0.0.1/Pelmora/Pelmora/Login");
            request.SetParameter("パスワード", "secret");
            const HttpUtility::ExchangeOutcome outcome = request.Execute();
            EXPECT_EQ(HttpUtility::kErrorNotMade, outcome.error);
            EXPECT_EQ(0u, outcome.status);
            EXPECT_TRUE(std::filesystem::is_empty(frame::GetExchangeDirectory()));
        };
    };
    With(&PlatformCalls::writeFile, Fail<ERROR_DISK_FULL>, expectFailure("disk full"));
    With(&PlatformCalls::cryptAcquireContext, Fail<NTE_KEYSET_NOT_DEF>,
         expectFailure("no cryptographic provider"));
}

// The adapters the next listing reports (type, status), after `g_overflows` answers that the
// buffer is too small.
std::vector<std::pair<IFTYPE, IF_OPER_STATUS>> g_adapters;
int g_overflows = 0;

ULONG WINAPI ListAdapters(ULONG, ULONG, PVOID, PIP_ADAPTER_ADDRESSES list, PULONG size) {
    const ULONG needed = static_cast<ULONG>(g_adapters.size() * sizeof *list);
    if (g_overflows-- > 0 || *size < needed) return *size = needed + 4096, ERROR_BUFFER_OVERFLOW;
    std::memset(list, 0, needed);
    for (size_t i = 0; i < g_adapters.size(); ++i) {
        std::tie(list[i].IfType, list[i].OperStatus) = g_adapters[i];
        list[i].Next = i + 1 < g_adapters.size() ? &list[i + 1] : nullptr;
    }
    return NO_ERROR;
}

// Only an adapter that is up and neither the loopback nor a tunnel counts, wherever it stands in
// the list; a list that does not fit is asked for again, three times in all.
TEST(PlatformQueries, OnlyAnAdapterThatIsUpAndNeitherLoopbackNorTunnelCounts) {
    const auto up = IfOperStatusUp, down = IfOperStatusDown;
    const IFTYPE loopback = IF_TYPE_SOFTWARE_LOOPBACK, tunnel = IF_TYPE_TUNNEL,
                 ethernet = IF_TYPE_ETHERNET_CSMACD;
    const struct {
        decltype(g_adapters) adapters;
        int overflows;
        bool available;
    } kListings[] = {
        {{{loopback, up}}, 0, false},
        {{{tunnel, up}}, 0, false},
        {{{ethernet, down}}, 0, false},
        {{{loopback, up}, {tunnel, up}, {ethernet, IfOperStatusDormant}}, 0, false},
        {{{loopback, up}, {ethernet, up}}, 0, true},
        {{{tunnel, up}, {ethernet, down}, {IF_TYPE_IEEE80211, up}}, 0, true},
        {std::vector(300, std::make_pair(tunnel, up)), 0, false},
        {{{ethernet, up}}, 2, true},
        {{{ethernet, up}}, 3, false},
    };
    for (const auto& listing : kListings) {
        g_adapters = listing.adapters;
        g_overflows = listing.overflows;
        SCOPED_TRACE(testing::Message() << g_adapters.size() << " adapters, " << g_overflows);
        EXPECT_EQ(listing.available, With(&CorePlatformCalls::getAdaptersAddresses, ListAdapters,
                                          connectivity::IsNetworkAvailable));
    }
}

// A shared block refused holds nothing and copies nothing.
TEST(PlatformQueries, FailedQueriesReadAsAbsentNeverAsPresent) {
    auto connectivityFinding = [] {
        frame::RunWithCatchLadder("PeLmLoginUserCreate",
                                  [] { connectivity::CheckConnectivity("PeLmLoginUserCreate"); });
        return std::to_string(frame::GetLastErrorCode()) + " " + frame::GetLastErrorMessage();
    };
    EXPECT_EQ("1001 ネットワークにつながる環境がありません",
              With(&CorePlatformCalls::getAdaptersAddresses, Return<ERROR_NOT_SUPPORTED>,
                   connectivityFinding));
    EXPECT_EQ("1001 インターネットへの接続がありません",
              With(&CorePlatformCalls::internetGetConnectedState, Fail<0>, connectivityFinding));
    // A data folder that cannot be found, or not made: never the root of the drive.
    const std::function<void()> kFolderFaults[] = {
        [] { ReplacePlatformCall(&PlatformCalls::shGetFolderPath, Return<E_FAIL>); },
        [] {
            ReplacePlatformCall(&PlatformCalls::getFileAttributes, Return<INVALID_FILE_ATTRIBUTES>);
            ReplacePlatformCall(&PlatformCalls::shCreateDirectory, Return<ERROR_ACCESS_DENIED>);
        },
    };
    for (const auto& fault : kFolderFaults) {
        const PlatformReset reset;
        fault();
        EXPECT_THROW(CLoginManager::Load(), frame::CException);
        EXPECT_THROW(CServerState::IsSub(), frame::CException);
        frame::RecordLastError(0, "old");
        EXPECT_FALSE(login::LoginInCallScope());
        EXPECT_EQ("1000 データの保存先フォルダーを特定できませんでした",
                  std::to_string(frame::GetLastErrorCode()) + " " + frame::GetLastErrorMessage());
    }
    // The provider's context, once held, neither hides a refused acquisition nor keeps it.
    EXPECT_NO_THROW(storage::EncryptCurrentTime());
    With(&PlatformCalls::cryptAcquireContext, Fail<NTE_BAD_KEYSET>, [] {
        EXPECT_THROW(storage::EncryptCurrentTime(), frame::CCryptException);
        EXPECT_EQ("", storage::CCrypt().MD5("abc"));
    });
    EXPECT_NO_THROW(storage::EncryptCurrentTime());
    EXPECT_EQ("900150983cd24fb0d6963f7d28e17f72", storage::CCrypt().MD5("abc"));

    auto& block = logging::SharedLog::Instance();
    auto open = [&block] { return block.Open(); };
    LOG_RECORD record{};
    EXPECT_FALSE(With(&PlatformCalls::createFileMapping, Fail<ERROR_ACCESS_DENIED>, open));
    EXPECT_FALSE(block.Write(record) || block.Read(record));
    EXPECT_FALSE(With(&PlatformCalls::createMutex, Fail<ERROR_ACCESS_DENIED>, open));
    EXPECT_FALSE(block.Write(record));
    ASSERT_TRUE(block.Open());
    EXPECT_TRUE(block.Write(record));
    block.Close();
}

// A module without the dialog's template stands in for a missing desktop: no window the user
// could have cancelled, so an error, never a cancel.
TEST(PlatformFaults, LoginDialogThatCannotShowIsAnError) {
    frame::SetLibraryModule(GetModuleHandleA("kernel32.dll"));
    EXPECT_FALSE(frame::RunWithCatchLadder("PeLmLogin", [] { login::Login(); }));
    frame::SetLibraryModule(nullptr);
    EXPECT_EQ("1000 ログイン画面を表示できませんでした",
              std::to_string(frame::GetLastErrorCode()) + " " + frame::GetLastErrorMessage());
}

}  // namespace
