// The exports at their edges: NULL pointers, guarded caller buffers, and the library's load.
#include <gtest/gtest.h>

#include <objbase.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <string>

#include "pelmora.h"
#include "support/LogCapture.h"
#include "support/TestSupport.h"
#include "win32/Handle.h"

namespace {

using namespace testing_support;

// Each text getter: the text only when it fits whole, else "" if a byte fits, never past the size.
TEST(TextExports, CopyOnlyWhatFitsWholeAndNeverPastTheBuffer) {
    const std::string loginFile = DataFile("Login.dat");
    const std::pair<BOOL(WINAPI*)(char*, unsigned int), std::function<void()>> exports[] = {
        {PeLmLastErrorMessageGet,
         [] { PeLmSetLastError(1006, "サーバーにアクセスできませんでした"); }},
        {PeLmLastErrorMessageGet,
         [] {
             PeLmSetLastError(1000, "old");
             PeLmSetLastError(1002, nullptr);  // stored as empty
             EXPECT_EQ(1002, PeLmLastErrorGet());
         }},
        {PeLmServerDeadTimeGet, [] { PeLmServerToDead(); }},
        {PeLmLoginSubUrlGet, [] { PeHmInitialize(0, 0, 0, 0); }},
        {PeLmLoginID, [&] { WriteFileBytes(loginFile, "会社ID=ABCDEF\r\nﾊﾟｽﾜｰﾄﾞ=pw!\r\n"); }},
        {PeLmLoginPassword, [] {}},
    };
    for (const auto& text : exports) {
        SCOPED_TRACE(&text - exports);
        text.second();
        char full[512];
        ASSERT_TRUE(text.first(full, sizeof full));
        const size_t needed = std::strlen(full) + 1;
        EXPECT_FALSE(text.first(nullptr, sizeof full));
        for (size_t size : {size_t{0}, size_t{1}, size_t{2}, needed - 1, needed, needed + 20}) {
            GuardedBuffer buffer(size);
            EXPECT_EQ(size >= needed, text.first(buffer.data(), static_cast<unsigned>(size)) != 0);
            EXPECT_TRUE(buffer.GuardsIntact()) << size;
            EXPECT_EQ(size >= needed ? full : "", size > 0 ? buffer.Text() : "") << size;
        }
    }
    PeLmServerDeadRelease();
    DeleteFileA(loginFile.c_str());
}

TEST(DigestExport, WritesExactly33BytesAndNothingOnNullArguments) {
    EXPECT_FALSE(PeLmMD5(nullptr, "abc"));
    GuardedBuffer digest(33);
    std::strcpy(digest.data(), "unchanged");
    EXPECT_FALSE(PeLmMD5(digest.data(), nullptr));
    EXPECT_EQ("unchanged", digest.Text());
    // The plain digest, whatever the library's own key is.
    ASSERT_TRUE(PeLmMD5(digest.data(), "abc"));
    EXPECT_EQ("900150983cd24fb0d6963f7d28e17f72", digest.Text());
    EXPECT_TRUE(digest.GuardsIntact());
}

// Loading a copy makes no file, COM or named object, the last error starts at 0; the host can
// free it after a digest and a log entry to its file (provider context and writer let go).
TEST(LibraryLoad, DoesNothingButLoad) {
    TempDirectory folder;
    const std::string original = ExecutableDirectory() + "\\Pelmora.dll";
    ASSERT_TRUE(CopyFileA(original.c_str(), folder.File("Pelmora.dll").c_str(), FALSE));
    HMODULE library = LoadLibraryA(folder.File("Pelmora.dll").c_str());
    ASSERT_NE(nullptr, library);
    ASSERT_NE(GetModuleHandleA(original.c_str()), library) << "the copy is an instance of its own";
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    EXPECT_EQ(S_OK, com) << "COM initialised on this thread by the load";
    if (SUCCEEDED(com)) CoUninitialize();
    LOG_RECORD probe;
    EXPECT_FALSE(ReadNamedLogBlock(probe)) << "the host opens it, not the load";
    auto get = [library](const char* name) {
        return reinterpret_cast<void*>(GetProcAddress(library, name));
    };
    EXPECT_EQ(0, reinterpret_cast<decltype(&PeLmLastErrorGet)>(get("PeLmLastErrorGet"))());
    char digest[33] = "";
    EXPECT_TRUE(reinterpret_cast<decltype(&PeLmMD5)>(get("PeLmMD5"))(digest, "abc"));
    const TempDirectory hostFolder;
    win32::FileHandle file(CreateFileA(hostFolder.File("host.log").c_str(), GENERIC_WRITE, 0,
                                       nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    const auto setFile = reinterpret_cast<decltype(&PeLmLogFileSet)>(get("PeLmLogFileSet"));
    setFile(file.get());
    reinterpret_cast<decltype(&PelmLog)>(get("PelmLog"))("entry", "F", "S", 1, "", "", 1, 0, 0);
    setFile(nullptr);
    ASSERT_TRUE(FreeLibrary(library));
    EXPECT_EQ(nullptr, GetModuleHandleA(folder.File("Pelmora.dll").c_str()));
    const std::filesystem::directory_iterator files(folder.path());
    EXPECT_EQ(1, std::distance(begin(files), end(files))) << "only the copy in its folder";
}

}  // namespace
