// Failures that no real run makes on demand, made through the platform table: a disk that fills
// on the second write, a refused rename or flush, a process start refused, the adapter query
// failing, no cryptographic provider, the shared block refused. Each must give the documented
// result and error, leave the former file intact and no temporary file, and hold no file open.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "PlatformOverride.h"
#include "connectivity/CheckConnectivity.h"
#include "connectivity/NetworkChecks.h"
#include "fakeclient/ScriptedClient.h"
#include "frame/CatchLadder.h"
#include "frame/Exceptions.h"
#include "frame/LastError.h"
#include "log/LogWriter.h"
#include "log/SharedLog.h"
#include "login/LoginManager.h"
#include "state/StateFiles.h"
#include "support/HostLogFile.h"
#include "transport/HttpRequestUtil.h"

using login::CLoginManager;
using platform_tests::PlatformOverride;
using storage::CServerState;
using testing_support::FileExists;
using testing_support::ReadFileBytes;

namespace {

// The write override lets this many writes through, then fails each with a full disk.
int g_writesLeft = 0;
BOOL WINAPI WriteUntilDiskFull(HANDLE file, LPCVOID data, DWORD size, LPDWORD written,
                               LPOVERLAPPED overlapped) {
    if (g_writesLeft-- > 0) return WriteFile(file, data, size, written, overlapped);
    if (written != nullptr) *written = 0;
    SetLastError(ERROR_DISK_FULL);
    return FALSE;
}

BOOL WINAPI RefuseFlush(HANDLE) {
    SetLastError(ERROR_IO_DEVICE);
    return FALSE;
}

BOOL WINAPI RefuseRename(LPCWSTR, LPCWSTR, DWORD) {
    SetLastError(ERROR_WRITE_PROTECT);
    return FALSE;
}

struct StoredFile {
    const char* name;
    std::function<std::string()> path;
    std::function<bool()> save;  // the library's own write of the file
};

const StoredFile kStoredFiles[] = {
    {"Login.dat", CLoginManager::GetFilePath, CLoginManager::Save},
    {"dead.dat", CServerState::GetDeadFilePath, CServerState::ToDead},
    {"sub.dat", CServerState::GetSubFilePath, CServerState::ToSub},
};

class PlatformFaults : public ::testing::Test {
protected:
    void SetUp() override {
        CLoginManager::SetLoginInfo(
            std::make_shared<login::LOGIN_INFO>(login::LOGIN_INFO{"C9", "pw", "user", true}));
    }
    void TearDown() override {
        CLoginManager::ClearLoginInfo();
        for (const StoredFile& file : kStoredFiles) DeleteFileA(file.path().c_str());
    }
};

// Every stored file, every way its replacement can fail half way: the former content stays.
TEST_F(PlatformFaults, StoredFileKeepsItsFormerContentWhenItsReplacementFails) {
    for (const StoredFile& file : kStoredFiles) {
        SCOPED_TRACE(file.name);
        std::string former;
        {
            g_writesLeft = 1;  // the first save goes through, the second meets a full disk
            PlatformOverride disk(&win32::PlatformCalls::writeFile, &WriteUntilDiskFull);
            ASSERT_TRUE(file.save());
            former = ReadFileBytes(file.path());
            EXPECT_FALSE(file.save());
        }
        EXPECT_EQ(former, ReadFileBytes(file.path())) << "disk full";
        ASSERT_TRUE(testing_support::WriteFileBytes(file.path(), "former"));
        {
            PlatformOverride flush(&win32::PlatformCalls::flushFileBuffers, &RefuseFlush);
            EXPECT_FALSE(file.save());
        }
        EXPECT_EQ("former", ReadFileBytes(file.path())) << "flush refused";
        {
            PlatformOverride rename(&win32::PlatformCalls::moveFileEx, &RefuseRename);
            EXPECT_FALSE(file.save());
        }
        EXPECT_EQ("former", ReadFileBytes(file.path())) << "rename refused";
        EXPECT_EQ(0, state_tests::StrayFiles());
        EXPECT_TRUE(state_tests::HoldOpen(file.path())) << "a handle was left open";
        // With the platform whole again the same call replaces it.
        EXPECT_TRUE(file.save());
        EXPECT_NE("former", ReadFileBytes(file.path()));
    }
}

TEST_F(PlatformFaults, RefusedSaveIsLogged) {
    testing_support::HostLogFile log(logging::SetLogFile);
    PlatformOverride rename(&win32::PlatformCalls::moveFileEx, &RefuseRename);
    EXPECT_FALSE(CLoginManager::Save());
    CServerState::ToDead();
    EXPECT_FALSE(CServerState::ToSub());
    EXPECT_TRUE(log.Contains("ファイルの保存失敗！"));
    EXPECT_TRUE(log.Contains(CServerState::GetDeadFilePath() + "のオープンに失敗"));
    EXPECT_TRUE(log.Contains(CServerState::GetSubFilePath() + "の作成に失敗"));
}

// The exchange under each fault: the documented error code, no status, and the request (which
// holds the password) deleted, and so not held open either.
void ExpectExchangeFailsWithoutLeavingTheRequest(
    const testing_support::ScriptedClientDirectory& client, int errorCode) {
    HttpUtility::CHttpRequestUtil request("https://127.0.0.1/Pelmora/Pelmora/Login");
    request.SetParameter("パスワード", "secret");
    EXPECT_FALSE(request.Execute());
    EXPECT_EQ(errorCode, request.GetErrorCode());
    EXPECT_EQ(0u, request.GetStatusCode());
    EXPECT_FALSE(FileExists(client.File("pmqrequest.dat"))) << "the password stays on disk";
}

TEST(ExchangeFaults, RequestThatCannotBeWrittenOrSentLeavesNoFileAndTheDocumentedError) {
    testing_support::ScriptedClientDirectory client;
    client.AnswerNothing(200);
    {
        SCOPED_TRACE("disk full");
        g_writesLeft = 0;
        PlatformOverride disk(&win32::PlatformCalls::writeFile, &WriteUntilDiskFull);
        ExpectExchangeFailsWithoutLeavingTheRequest(client, 0);
    }
    {
        SCOPED_TRACE("start refused");
        PlatformOverride start(
            &win32::PlatformCalls::createProcess,
            [](LPCWSTR, LPWSTR, LPSECURITY_ATTRIBUTES, LPSECURITY_ATTRIBUTES, BOOL, DWORD, LPVOID,
               LPCWSTR, LPSTARTUPINFOW, LPPROCESS_INFORMATION) -> BOOL {
                SetLastError(ERROR_ACCESS_DENIED);
                return FALSE;
            });
        ExpectExchangeFailsWithoutLeavingTheRequest(client, 7);
    }
    {
        SCOPED_TRACE("no cryptographic provider");
        PlatformOverride provider(&win32::PlatformCalls::cryptAcquireContext,
                                  [](HCRYPTPROV*, LPCSTR, LPCSTR, DWORD, DWORD) -> BOOL {
                                      SetLastError(NTE_KEYSET_NOT_DEF);
                                      return FALSE;
                                  });
        ExpectExchangeFailsWithoutLeavingTheRequest(client, 0);
    }
}

TEST(PlatformQueries, FailedQueriesReadAsAbsentNeverAsPresent) {
    {
        PlatformOverride adapters(&win32::PlatformCalls::getAdaptersAddresses,
                                  [](ULONG, ULONG, PVOID, _IP_ADAPTER_ADDRESSES_LH*,
                                     PULONG) -> ULONG { return ERROR_NOT_SUPPORTED; });
        EXPECT_FALSE(connectivity::IsNetworkAvailable());
        frame::RunWithCatchLadder("PeLmLoginUserCreate",
                                  [] { connectivity::CheckConnectivity("PeLmLoginUserCreate"); });
        EXPECT_EQ(1001, frame::GetLastErrorCode());
        EXPECT_EQ("ネットワークにつながる環境がありません", frame::GetLastErrorMessage());
    }
    {
        PlatformOverride internet(&win32::PlatformCalls::internetGetConnectedState,
                                  [](LPDWORD, DWORD) -> BOOL { return FALSE; });
        frame::RunWithCatchLadder("PeLmLoginUserCreate",
                                  [] { connectivity::CheckConnectivity("PeLmLoginUserCreate"); });
        EXPECT_EQ(1001, frame::GetLastErrorCode());
        EXPECT_EQ("インターネットへの接続がありません", frame::GetLastErrorMessage());
    }
    {
        PlatformOverride folder(&win32::PlatformCalls::shGetFolderPath,
                                [](HWND, int, HANDLE, DWORD, LPSTR) -> HRESULT { return E_FAIL; });
        EXPECT_THROW(CLoginManager::Load(), frame::CDirectoryException);
        EXPECT_THROW(CServerState::IsSub(), frame::CDirectoryException);
    }
    {
        PlatformOverride provider(
            &win32::PlatformCalls::cryptAcquireContext,
            [](HCRYPTPROV*, LPCSTR, LPCSTR, DWORD, DWORD) -> BOOL { return FALSE; });
        EXPECT_THROW(storage::EncryptCurrentTime(), frame::CCryptException);
    }
}

TEST(PlatformQueries, SharedBlockRefusedHoldsNothingAndCopiesNothing) {
    auto& block = logging::SharedLog::Instance();
    LOG_RECORD record{};
    {
        PlatformOverride mapping(&win32::PlatformCalls::createFileMapping,
                                 [](HANDLE, LPSECURITY_ATTRIBUTES, DWORD, DWORD, DWORD,
                                    LPCSTR) -> HANDLE { return nullptr; });
        EXPECT_FALSE(block.Open());
    }
    EXPECT_FALSE(block.Write(record));
    EXPECT_FALSE(block.Read(record));
    {
        PlatformOverride mutex(
            &win32::PlatformCalls::createMutex,
            [](LPSECURITY_ATTRIBUTES, BOOL, LPCSTR) -> HANDLE { return nullptr; });
        EXPECT_FALSE(block.Open());
    }
    EXPECT_FALSE(block.Write(record));
    ASSERT_TRUE(block.Open());
    EXPECT_TRUE(block.Write(record));
    block.Close();
}

}  // namespace
