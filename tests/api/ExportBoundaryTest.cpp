// The exports at their edges: NULL pointers, guarded caller buffers, and the library's load.
#include <gtest/gtest.h>

#include <objbase.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <string>

#include "pelmora.h"
#include "support/HostLogFile.h"
#include "support/LogCapture.h"
#include "support/TestSupport.h"

namespace {

using namespace testing_support;

// Getters and the digest: the text only when it fits whole, else "" if a byte fits, never past.
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
    EXPECT_TRUE(PeLmLoginRemove() && !PeLmHasLogin() && PeLmLoginRemove());
    char id[64] = "x";
    EXPECT_FALSE(PeLmLoginID(id, sizeof id));
    EXPECT_STREQ("", id) << "no stored login";
    GuardedBuffer digest(33);  // the 32 digits and the NUL exactly
    std::strcpy(digest.data(), "unchanged");
    EXPECT_FALSE(PeLmMD5(nullptr, "abc") || PeLmMD5(digest.data(), nullptr));
    EXPECT_EQ("unchanged", digest.Text());
    ASSERT_TRUE(PeLmMD5(digest.data(), "abc"));
    EXPECT_TRUE(digest.GuardsIntact());
}

// Loading a copy makes no file, COM or named object, the last error starts at 0. The library
// stays once loaded: a host that loads it, logs to its file and frees it in a loop finds the same
// instance each time and spends nothing per cycle (the static runtime took a TLS index and
// handles at every load, and the host died after about a thousand cycles).
TEST(LibraryLoad, DoesNothingButLoadAndStaysThroughAnyNumberOfCycles) {
    TempDirectory folder;  // the pinned copy cannot be deleted while this process runs
    const std::string original = ExecutableDirectory() + "\\Pelmora.dll",
                      copy = folder.File("Pelmora.dll");
    ASSERT_TRUE(CopyFileA(original.c_str(), copy.c_str(), FALSE));
    HMODULE library = LoadLibraryA(copy.c_str());
    ASSERT_TRUE(library && library != GetModuleHandleA(original.c_str())) << "its own instance";
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    EXPECT_EQ(S_OK, com) << "COM initialised on this thread by the load";
    if (SUCCEEDED(com)) CoUninitialize();
    LOG_RECORD probe;
    EXPECT_FALSE(ReadNamedLogBlock(probe)) << "the host opens it, not the load";
#define COPY_EXPORT(name) \
    reinterpret_cast<decltype(&name)>(reinterpret_cast<void*>(GetProcAddress(library, #name)))
    EXPECT_EQ(0, COPY_EXPORT(PeLmLastErrorGet)());
    char digest[33] = "";
    EXPECT_TRUE(COPY_EXPORT(PeLmMD5)(digest, "abc"));
    const std::filesystem::directory_iterator files(folder.path());
    EXPECT_EQ(1, std::distance(begin(files), end(files))) << "only the copy in its folder";
    const HostLogFile log([](HANDLE) {});
    DWORD handlesBefore = 0, handlesAfter = 0;
    GetProcessHandleCount(GetCurrentProcess(), &handlesBefore);
    const int cycles = 2000;
    for (int cycle = 0; cycle < cycles; ++cycle) {
        ASSERT_TRUE(FreeLibrary(library));
        ASSERT_EQ(library, LoadLibraryA(copy.c_str())) << cycle;
        COPY_EXPORT(PeLmLogFileSet)(log.handle());
        COPY_EXPORT(PelmLog)("entry", "F", "S", cycle, "", "", 1, 0, 0);
        COPY_EXPORT(PeLmLogFileSet)(nullptr);
    }
#undef COPY_EXPORT
    GetProcessHandleCount(GetCurrentProcess(), &handlesAfter);
    EXPECT_LE(handlesAfter, handlesBefore + 16) << "handles taken per cycle";
    EXPECT_EQ(std::vector<std::string>(cycles, "entry"), log.Texts());
    ASSERT_TRUE(FreeLibrary(library));
    EXPECT_EQ(library, GetModuleHandleA(copy.c_str())) << "pinned";
}

}  // namespace
