// Loading the library does nothing but load: no file or folder appears, COM stays untouched on
// the loading thread, no named object is created, and the exports start from their initial
// values. A private copy of the DLL is loaded so that this process holds no other instance.
#include <gtest/gtest.h>

#include <objbase.h>
#include <shlwapi.h>

#include <set>
#include <string>
#include <thread>
#include <vector>

#include "pelmora.h"
#include "support/LogCapture.h"
#include "support/HostLogFile.h"
#include "support/TestSupport.h"
#include "win32/Handle.h"

namespace {

std::set<std::string> FilesIn(const std::string& directory) {
    std::set<std::string> names;
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA((directory + "\\*").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        names.insert(entry.cFileName);
    } while (FindNextFileA(search, &entry));
    FindClose(search);
    return names;
}

template <typename Function>
Function Export(HMODULE module, const char* name) {
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

TEST(LibraryLoad, DoesNothingButLoadAndStartsFromInitialValues) {
    testing_support::TempDirectory folder;
    std::string dll = folder.File("Pelmora.dll");
    ASSERT_TRUE(CopyFileA((testing_support::ExecutableDirectory() + "\\Pelmora.dll").c_str(),
                          dll.c_str(), FALSE));
    const std::set<std::string> filesBefore = FilesIn(folder.path());
    const std::string dataDirectory = testing_support::DataDirectory();
    const std::string parent = dataDirectory.substr(0, dataDirectory.rfind('\\'));
    RemoveDirectoryA(dataDirectory.c_str());  // only when empty
    RemoveDirectoryA(parent.c_str());
    const bool dataFolderBefore = PathIsDirectoryA(parent.c_str()) != FALSE;
    LOG_RECORD probe;
    ASSERT_FALSE(testing_support::ReadNamedLogBlock(probe));

    HMODULE library = LoadLibraryA(dll.c_str());
    ASSERT_NE(nullptr, library);

    // COM was not initialised on this thread by the load.
    HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    EXPECT_EQ(S_OK, com);
    if (SUCCEEDED(com)) CoUninitialize();

    EXPECT_EQ(filesBefore, FilesIn(folder.path()));
    EXPECT_EQ(dataFolderBefore, PathIsDirectoryA(parent.c_str()) != FALSE);
    EXPECT_FALSE(testing_support::ReadNamedLogBlock(probe))
        << "the host opens the block, not the load";

    auto lastError = Export<int(WINAPI*)()>(library, "PeLmLastErrorGet");
    auto lastMessage = Export<BOOL(WINAPI*)(char*, unsigned)>(library, "PeLmLastErrorMessageGet");
    auto isLogging = Export<BOOL(WINAPI*)()>(library, "PeLmIsLogging");
    auto logWindow = Export<HWND(WINAPI*)()>(library, "PeLmLogWndGet");
    auto logFile = Export<HANDLE(WINAPI*)()>(library, "PeLmLogFileGet");
    ASSERT_TRUE(lastError && lastMessage && isLogging && logWindow && logFile);
    EXPECT_EQ(0, lastError());
    char message[8] = "x";
    EXPECT_TRUE(lastMessage(message, sizeof message));
    EXPECT_STREQ("", message);
    EXPECT_TRUE(isLogging());
    EXPECT_EQ(nullptr, logWindow());
    EXPECT_EQ(nullptr, logFile());

    ASSERT_TRUE(FreeLibrary(library));
    EXPECT_EQ(filesBefore, FilesIn(folder.path()));
    EXPECT_EQ(dataFolderBefore, PathIsDirectoryA(parent.c_str()) != FALSE);
}

TEST(LibraryLoad, UnloadingAfterOtherThreadsLoggedLeavesThoseThreadsSafe) {
    // The log call keeps per-thread scratch text; a host may unload the library while threads
    // that logged through it live on, and those threads must still end cleanly afterwards.
    testing_support::TempDirectory folder;
    std::string dll = folder.File("Pelmora.dll");
    ASSERT_TRUE(CopyFileA((testing_support::ExecutableDirectory() + "\\Pelmora.dll").c_str(),
                          dll.c_str(), FALSE));
    HMODULE library = LoadLibraryA(dll.c_str());
    ASSERT_NE(nullptr, library);
    using LogFunction = void(WINAPI*)(const char*, const char*, const char*, int, const char*,
                                      const char*, int, int, int);
    auto log = Export<LogFunction>(library, "PelmLog");
    auto setFile = Export<void(WINAPI*)(HANDLE)>(library, "PeLmLogFileSet");
    ASSERT_TRUE(log && setFile);

    win32::KernelHandle logged(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    win32::KernelHandle unloaded(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    std::thread worker;
    {
        testing_support::HostLogFile file(setFile);
        worker = std::thread([&] {
            log("worker", "Worker", "DllLoadTest", 1, "", "", 1, 0, 0);
            SetEvent(logged.get());
            WaitForSingleObject(unloaded.get(), INFINITE);
        });
        WaitForSingleObject(logged.get(), INFINITE);
        log("main", "Main", "DllLoadTest", 2, "", "", 1, 0, 0);
        EXPECT_EQ((std::vector<std::string>{"worker", "main"}), file.Texts());
    }
    ASSERT_TRUE(FreeLibrary(library));
    SetEvent(unloaded.get());
    worker.join();  // the worker's thread exit runs after the library is gone
}

}  // namespace
