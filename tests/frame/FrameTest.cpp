// The frame of every export: the catch ladder, the program and data directories.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <stdexcept>
#include <tuple>

#include "frame/errors/CatchLadder.h"
#include "frame/host/Directories.h"
#include "errors/Exceptions.h"
#include "frame/errors/LastError.h"
#include "frame/host/Module.h"
#include "log/LogWriter.h"
#include "log/SharedLog.h"
#include "support/LogCapture.h"
#include "support/TestSupport.h"

namespace {

// Each failure is logged as the flow's error unless its check logged it already; only the
// service's text reaches the host whole. An export's entry gives the log's text.
TEST(CatchLadder, EachFailureBecomesItsCodeMessageAndLogEntries) {
    const std::string platformText = win32::HResultError(E_ACCESSDENIED).Report().hostText;
    EXPECT_NE("", platformText);
    const std::string longText(400, 'e');
    const std::string crypt = "暗号化に失敗しました";
    // Written as bytes so that a wrong execution character set shows.
    const std::string proxy =
        "\x83\x76\x83\x8d\x83\x4c\x83\x56\x94\x46\x8f\xd8\x82\xaa\x95\x4b\x97\x76\x82\xc5\x82\xb7";
    // The thrower, the code and message recorded, whether the ladder logs it, the log's text.
    const std::tuple<std::function<void()>, int, std::string, bool, std::string> cases[] = {
        {[] { throw frame::CNetworkAdapterException(); }, 1001,
         "ネットワークにつながる環境がありません", false, ""},
        {[] { throw frame::CInternetConnectionException(); }, 1001,
         "インターネットへの接続がありません", false, ""},
        {[&] { throw frame::CNetworkException(longText); }, 1006, longText, true, longText},
        {[&] { throw frame::CException(longText); }, 1000, longText.substr(0, 255), true, longText},
        {[] { throw frame::CProxyLoginCancelException(); }, 1000, proxy, true, proxy},
        {[] { throw win32::HResultError(E_ACCESSDENIED); }, 1000, platformText, true, platformText},
        {[&] { throw frame::CCryptException(crypt); }, 1000, "", true, crypt},
        {[] { throw frame::CFalsificationException(); }, 1000, "", true, ""},
        {[] { throw std::runtime_error("broken"); }, 1000, "", true, "broken"},
        {[] { throw 7; }, 1000, "", true, ""},
    };
    testing_support::LogCapture capture;
    ASSERT_TRUE(logging::SharedLog::Instance().Open());
    logging::SetLogWindow(capture.window());
    int row = 0;
    for (const auto& [thrower, code, message, logged, logText] : cases) {
        SCOPED_TRACE(row++);
        try {
            thrower();
        } catch (...) {
            EXPECT_EQ(logText, win32::DescribeCurrentException().logText);
        }
        frame::RecordLastError(0, "before");
        capture.Clear();
        EXPECT_FALSE(frame::RunWithCatchLadder("PeLmLoginUserCreate", thrower));
        EXPECT_EQ(code, frame::GetLastErrorCode());
        EXPECT_EQ(message, frame::GetLastErrorMessage());
        const std::string entry = "4|1|1|PeLmLoginUserCreate|PelmoraAPI|" + message.substr(0, 255);
        EXPECT_EQ(logged ? std::vector<std::string>{entry} : std::vector<std::string>(),
                  capture.Entries());
    }
    logging::SetLogWindow(nullptr);
    logging::SharedLog::Instance().Close();
}

// The library's folder (none when its name cannot be had) or the override exactly as given, until
// a null or empty one. (The data folder's first use: tests/deploy.)
TEST(Directories, AreTheLibrarysFolderOrTheOverride) {
    const HMODULE library = GetModuleHandleA("kernel32.dll");  // not in the test program's folder
    wchar_t file[MAX_PATH] = L"";
    ASSERT_NE(0u, GetModuleFileNameW(library, file, MAX_PATH));
    const std::wstring folder(file, std::wcsrchr(file, L'\\'));
    auto libraryFolder = [&] { return folder == frame::GetProgramDirectory(); };
    frame::SetLibraryModule(library);
    EXPECT_TRUE(libraryFolder());
    for (const char* empty : {"", static_cast<const char*>(nullptr)}) {
        const char* path = empty ? "D:\\Work\\" : " relative\\フォルダ\\\\ ";
        frame::SetProgramDirectoryOverride(path);
        EXPECT_EQ(win32::ToWide(path), frame::GetProgramDirectory());
        frame::SetProgramDirectoryOverride(empty);
        EXPECT_TRUE(libraryFolder());
    }
    frame::SetLibraryModule(reinterpret_cast<HMODULE>(static_cast<uintptr_t>(0x10000)));
    EXPECT_EQ(L"", frame::GetProgramDirectory());
    EXPECT_THROW(frame::RequireProgramDirectory(), frame::CException);
    frame::SetLibraryModule(nullptr);
}

}  // namespace
