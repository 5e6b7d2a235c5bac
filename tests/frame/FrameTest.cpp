// The frame of every export: the catch ladder, the program and data directories.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <stdexcept>
#include <tuple>
#include <vector>

#include "frame/errors/CatchLadder.h"
#include "frame/host/Directories.h"
#include "errors/Exceptions.h"
#include "frame/errors/LastError.h"
#include "frame/host/Module.h"
#include "log/LogWriter.h"
#include "log/SharedLog.h"
#include "support/LogCapture.h"
#include "win32/WindowText.h"

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

// A library entry carries its caller's line (a call over two lines: its first); an error its flag.
TEST(LogEntry, CarriesItsCallersLineAndAnErrorItsFlag) {
    testing_support::LogCapture capture;
    ASSERT_TRUE(logging::SharedLog::Instance().Open());
    logging::SetLogWindow(capture.window());
    const int first = __LINE__ + 1;
    logging::Write("error", {"F", "S", logging::Kind::kError, 2});
    logging::Write("a step whose call is laid out over two lines by the formatter",
                   {"F", "S", logging::Kind::kStep, 1});
    logging::SetLogWindow(nullptr);
    logging::SharedLog::Instance().Close();
    std::vector<std::string> seen;  // kind|flag|line after the first call's
    for (const LOG_RECORD& r : capture.records())
        seen.push_back(win32::Format("%d|%d|%d", r.kind, r.flag, r.line - first));
    EXPECT_EQ((std::vector<std::string>{"4|1|0", "0|0|1"}), seen);
}

// A window's text is read whole, however long (the dialogs' fields, the viewer's boxes).
TEST(WindowText, IsReadWhole) {
    for (const std::wstring& text :
         {std::wstring(), std::wstring(L"ログ"), std::wstring(70000, L'x')}) {
        HWND window = CreateWindowExW(0, L"STATIC", text.c_str(), 0, 0, 0, 10, 10, HWND_MESSAGE,
                                      nullptr, nullptr, nullptr);
        ASSERT_NE(nullptr, window);
        EXPECT_EQ(text, win32::WindowText(window)) << text.size();
        DestroyWindow(window);
    }
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
