// Loading the library does nothing but load: no file or folder appears, COM stays untouched on
// the loading thread, no named object is created, and the exports start from their initial
// values. A private copy of the DLL is loaded so that this process holds no other instance.
#include <gtest/gtest.h>

#include <objbase.h>
#include <shlwapi.h>

#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "pelmora.h"
#include "support/HostLogFile.h"
#include "support/LogCapture.h"
#include "win32/Handle.h"

namespace {

using testing_support::ReadNamedLogBlock;

#define EXPORT(name) \
    reinterpret_cast<decltype(&name)>(reinterpret_cast<void*>(GetProcAddress(library, #name)))

// The loaded copy's folder holds only the copy, and the data folder is as it was.
void ExpectNothingWritten(const testing_support::TempDirectory& folder, bool dataFolder) {
    const std::filesystem::directory_iterator files(folder.path());
    EXPECT_EQ(1, std::distance(begin(files), end(files)));
    const std::string data = testing_support::DataDirectory();
    EXPECT_EQ(dataFolder, PathIsDirectoryA(data.substr(0, data.rfind('\\')).c_str()) != FALSE);
}

// The log call keeps per-thread scratch text: a host may unload the library while threads that
// logged through it live on, and those threads must still end cleanly afterwards.
TEST(LibraryLoad, DoesNothingButLoadStartsFromInitialValuesAndUnloadsUnderLiveThreads) {
    testing_support::TempDirectory folder;
    const std::string dll = folder.File("Pelmora.dll");
    ASSERT_TRUE(CopyFileA((testing_support::ExecutableDirectory() + "\\Pelmora.dll").c_str(),
                          dll.c_str(), FALSE));
    const std::string data = testing_support::DataDirectory();
    RemoveDirectoryA(data.c_str());  // only when empty
    RemoveDirectoryA(data.substr(0, data.rfind('\\')).c_str());
    const bool dataFolder = PathIsDirectoryA(data.substr(0, data.rfind('\\')).c_str()) != FALSE;
    LOG_RECORD probe;
    ASSERT_FALSE(ReadNamedLogBlock(probe));

    HMODULE library = LoadLibraryA(dll.c_str());
    ASSERT_NE(nullptr, library);
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    EXPECT_EQ(S_OK, com) << "COM initialised on this thread by the load";
    if (SUCCEEDED(com)) CoUninitialize();
    ExpectNothingWritten(folder, dataFolder);
    EXPECT_FALSE(ReadNamedLogBlock(probe)) << "the host opens the block, not the load";
    EXPECT_EQ(0, EXPORT(PeLmLastErrorGet)());
    char message[8] = "x";
    EXPECT_TRUE(EXPORT(PeLmLastErrorMessageGet)(message, sizeof message));
    EXPECT_STREQ("", message);
    EXPECT_TRUE(EXPORT(PeLmIsLogging)());
    EXPECT_EQ(nullptr, EXPORT(PeLmLogWndGet)());
    EXPECT_EQ(nullptr, EXPORT(PeLmLogFileGet)());

    const auto log = EXPORT(PelmLog);
    win32::KernelHandle logged(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    win32::KernelHandle unloaded(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    std::thread worker;
    {
        testing_support::HostLogFile file(EXPORT(PeLmLogFileSet));
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
    ExpectNothingWritten(folder, dataFolder);
    SetEvent(unloaded.get());
    worker.join();  // the worker's thread exit runs after the library is gone
}

}  // namespace
