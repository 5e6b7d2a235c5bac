// The frame of every export: the catch ladder that turns each exception class into the host's
// last-error code and message, with exactly the log entries it writes, and the program and data
// directories, with real module files and real folders in the test's Wine prefix.
#include <gtest/gtest.h>

#include <shlwapi.h>

#include <functional>
#include <new>

#include "frame/CatchLadder.h"
#include "frame/Directories.h"
#include "frame/Exceptions.h"
#include "frame/LastError.h"
#include "frame/Module.h"
#include "log/LogWriter.h"
#include "log/SharedLog.h"
#include "support/LogCapture.h"
#include "support/TestSupport.h"

namespace {

// Each failure is logged as an error of the flow (kind 4, indent 1, flag 1) with the host's
// message cut to 255 bytes, except a connectivity finding, which its check logged already. The
// service's failures: the login flows suite.
TEST(CatchLadder, EachFailureBecomesItsCodeMessageAndLogEntries) {
    const std::string platformText = win32::CHResultException(E_ACCESSDENIED).ErrorText(256);
    EXPECT_NE("", platformText);
    const std::string longText(400, 'e');
    const struct {
        const char* what;
        std::function<void()> thrower;
        int code;
        std::string message;  // the host's last-error message
        bool logged;
    } cases[] = {
        {"adapter", [] { throw frame::CNetworkAdapterException(); }, 1001,
         "ネットワークにつながる環境がありません", false},
        {"internet", [] { throw frame::CInternetConnectionException(); }, 1001,
         "インターネットへの接続がありません", false},
        // A service failure is 1006 whatever its own code.
        {"exchange", [&] { throw frame::CNetworkException(7, longText); }, 1006, longText, true},
        // Shift_JIS bytes written out, so that a wrong execution character set shows.
        {"proxy", [] { throw frame::CProxyLoginCancelException(); }, 1000,
         "\x83\x76\x83\x8d\x83\x4c\x83\x56\x94\x46\x8f\xd8\x82\xaa\x95\x4b\x97\x76\x82\xc5\x82\xb7",
         true},
        {"platform", [] { throw win32::CHResultException(E_ACCESSDENIED); }, 1000, platformText,
         true},
        // The cipher's message is for the state store's own log, not the host's last error.
        {"cipher", [] { throw frame::CCryptException("暗号化に失敗しました"); }, 1000, "", true},
        {"memory", [] { throw std::bad_alloc(); }, 1000, "", true},
    };
    testing_support::LogCapture capture;
    ASSERT_TRUE(logging::SharedLog::Instance().Open());
    logging::SetLogWindow(capture.window());
    EXPECT_TRUE(frame::RunWithCatchLadder("PeLmLoginUserCreate", [] {}));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        frame::SetLastError(0, "before");
        capture.Clear();
        EXPECT_FALSE(frame::RunWithCatchLadder("PeLmLoginUserCreate", c.thrower));
        EXPECT_EQ(c.code, frame::GetLastErrorCode());
        EXPECT_EQ(c.message, frame::GetLastErrorMessage());
        const std::string entry =
            "4|1|1|PeLmLoginUserCreate|PelmoraAPI|" + c.message.substr(0, 255);
        EXPECT_EQ(c.logged ? std::vector<std::string>{entry} : std::vector<std::string>(),
                  capture.Entries());
    }
    logging::SetLogWindow(nullptr);
    logging::SharedLog::Instance().Close();
}

// The folder of the library's file without a trailing backslash (the drive for a library at
// the root of one), none when the file name cannot be had (no exchange may run "\pmqclient.exe"),
// or the host's override exactly as given, until a null or empty one.
TEST(ProgramDirectory, IsTheLibrarysFolderOrTheOverride) {
    testing_support::TempDirectory folder;
    const std::string root = "C:\\pelmora-root-" + std::to_string(GetCurrentProcessId()) + ".dll";
    const std::string original = testing_support::ExecutableDirectory() + "\\Pelmora.dll";
    for (const auto& copy : {std::make_pair(folder.File("Pelmora.dll"), folder.path()),
                             std::make_pair(root, std::string("C:"))}) {
        ASSERT_TRUE(CopyFileA(original.c_str(), copy.first.c_str(), FALSE)) << copy.first;
        {
            win32::LoadedModule library(LoadLibraryA(copy.first.c_str()));
            frame::SetLibraryModule(library.get());
            EXPECT_EQ(0, lstrcmpiA(copy.second.c_str(), frame::GetProgramDirectory().c_str()))
                << frame::GetProgramDirectory();
            frame::SetLibraryModule(nullptr);
        }
        DeleteFileA(copy.first.c_str());
    }
    const std::string own = frame::GetProgramDirectory();
    EXPECT_EQ(0, lstrcmpiA(testing_support::ExecutableDirectory().c_str(), own.c_str())) << own;
    for (const char* empty : {"", static_cast<const char*>(nullptr)}) {
        for (const char* path : {"D:\\Work\\", " relative\\フォルダ\\\\ "}) {
            frame::SetProgramDirectoryOverride(path);
            EXPECT_EQ(path, frame::GetProgramDirectory());
        }
        frame::SetProgramDirectoryOverride(empty);
        EXPECT_EQ(own, frame::GetProgramDirectory());
    }
    frame::SetLibraryModule(reinterpret_cast<HMODULE>(static_cast<uintptr_t>(0x10000)));
    EXPECT_EQ("", frame::GetProgramDirectory());
    EXPECT_THROW(frame::RequireProgramDirectory(), frame::CDirectoryException);
    frame::SetLibraryModule(nullptr);
}

TEST(DataDirectory, IsCreatedWithItsParentOnFirstUse) {
    const std::string expected = testing_support::DataDirectory();
    // Removal only succeeds for empty folders: what other suites left there stays.
    RemoveDirectoryA(expected.c_str());
    RemoveDirectoryA(expected.substr(0, expected.rfind('\\')).c_str());
    EXPECT_EQ(expected, frame::GetDataDirectory());
    EXPECT_TRUE(PathIsDirectoryA(expected.c_str()));
}

}  // namespace
