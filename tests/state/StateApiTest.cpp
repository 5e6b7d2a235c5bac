// The exports of the server state, endpoints, login store, proxy and start/end families,
// called through the DLL as a host calls them.
#include <gtest/gtest.h>
#include <shlobj.h>

#include <atomic>
#include <thread>

#include "pelmora.h"
#include "storage/TimeSeal.h"
#include "support/TestSupport.h"

using testing_support::GuardedBuffer;

namespace {

std::string DataDirectory() {
    char folder[MAX_PATH] = "";
    SHGetFolderPathA(nullptr, CSIDL_LOCAL_APPDATA, nullptr, 0, folder);
    return std::string(folder) + "\\Torva Inc\\Pelmora";
}
std::string DataFile(const char* name) {
    return DataDirectory() + "\\" + name;
}

void CleanDataFiles() {
    for (const char* name : {"dead.dat", "sub.dat", "Login.dat", "ProxyUser.dat"})
        DeleteFileA(DataFile(name).c_str());
    PeLmLoginUserDelete();
}

class Exports : public ::testing::Test {
protected:
    void SetUp() override { CleanDataFiles(); }
    void TearDown() override { CleanDataFiles(); }
};

// --- Server state ------------------------------------------------------------------------------

TEST_F(Exports, StateMovesAndTimesAreReadBack) {
    EXPECT_FALSE(PeLmIsServerDead());
    EXPECT_FALSE(PeLmIsServerSub());
    GuardedBuffer buffer(32);
    EXPECT_FALSE(PeLmServerDeadTimeGet(buffer.data(), 32));
    EXPECT_FALSE(PeLmServerSubTimeGet(buffer.data(), 32));
    EXPECT_EQ('\x5A', buffer.data()[0]) << "untouched when there is no time";

    char before[32], after[32];
    time_t t0 = time(nullptr);
    PeLmServerToDead();
    time_t t1 = time(nullptr);
    strftime(before, sizeof before, "%Y/%m/%d %H:%M:%S", localtime(&t0));
    strftime(after, sizeof after, "%Y/%m/%d %H:%M:%S", localtime(&t1));
    EXPECT_TRUE(PeLmIsServerDead());
    ASSERT_TRUE(PeLmServerDeadTimeGet(buffer.data(), 20));  // exactly the 19 characters and NUL
    EXPECT_TRUE(buffer.Text() == before || buffer.Text() == after) << buffer.Text();
    EXPECT_TRUE(buffer.GuardsIntact());

    PeLmServerDeadRelease();
    EXPECT_FALSE(PeLmIsServerDead());
    PeLmSubServerRelease();  // absent: nothing happens
    EXPECT_FALSE(PeLmIsServerSub());
}

TEST_F(Exports, TimeGettersNeverWritePastTheBuffer) {
    testing_support::WriteFileBytes(DataFile("dead.dat"), storage::SealTime(1706659507));
    EXPECT_FALSE(PeLmServerDeadTimeGet(nullptr, 64));
    for (unsigned size : {0u, 1u, 19u}) {
        GuardedBuffer buffer(size);
        EXPECT_FALSE(PeLmServerDeadTimeGet(buffer.data(), size)) << size;
        EXPECT_TRUE(buffer.GuardsIntact()) << size;
        if (size > 0) {
            EXPECT_EQ("", buffer.Text());
        }
    }
}

TEST_F(Exports, TamperedTimeAnswersFalseWithoutEscaping) {
    std::string bytes = storage::SealTime(1706659507);
    bytes[3] ^= 0x20;
    testing_support::WriteFileBytes(DataFile("sub.dat"), bytes);
    GuardedBuffer buffer(32);
    EXPECT_FALSE(PeLmServerSubTimeGet(buffer.data(), 32));
    EXPECT_EQ('\x5A', buffer.data()[0]);
    EXPECT_TRUE(PeLmIsServerSub());
    testing_support::WriteFileBytes(DataFile("dead.dat"), "");
    EXPECT_FALSE(PeLmServerDeadTimeGet(buffer.data(), 32));
}

// Watches for message boxes of this process from a helper thread, checks their text and closes
// them with OK, as a user would.
class MessageBoxCloser {
public:
    MessageBoxCloser() : thread_([this] { Run(); }) {}
    ~MessageBoxCloser() {
        stop_ = true;
        thread_.join();
    }
    int closed() const { return closed_; }
    const std::wstring& caption() const { return caption_; }
    const std::wstring& text() const { return text_; }

private:
    static HWND FindOwnBox() {
        struct Search {
            HWND found = nullptr;
        } search;
        EnumWindows(
            [](HWND window, LPARAM param) -> BOOL {
                DWORD pid = 0;
                GetWindowThreadProcessId(window, &pid);
                wchar_t cls[16] = L"";
                GetClassNameW(window, cls, 16);
                if (pid != GetCurrentProcessId() || wcscmp(cls, L"#32770") != 0 ||
                    !IsWindowVisible(window))
                    return TRUE;
                reinterpret_cast<Search*>(param)->found = window;
                return FALSE;
            },
            reinterpret_cast<LPARAM>(&search));
        return search.found;
    }

    static std::wstring TextOf(HWND window) {
        wchar_t text[1024] = L"";
        GetWindowTextW(window, text, 1024);
        return text;
    }

    void Run() {
        while (!stop_) {
            HWND box = nullptr;
            testing_support::WaitUntil([&] { return stop_ || (box = FindOwnBox()) != nullptr; });
            if (box == nullptr) continue;
            caption_ = TextOf(box);
            text_ = TextOf(GetDlgItem(box, 0xFFFF));  // the message box's static text control
            PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                         reinterpret_cast<LPARAM>(GetDlgItem(box, IDOK)));
            testing_support::WaitUntil([&] { return !IsWindow(box); });
            ++closed_;
        }
    }

    std::atomic<bool> stop_{false};
    std::atomic<int> closed_{0};
    std::wstring caption_, text_;
    std::thread thread_;
};

TEST_F(Exports, SwitchToSubShowsTheMessageEveryTime) {
    // The expected text in UTF-16, from this file's own UTF-8; the library holds Shift_JIS bytes.
    const std::wstring expected =
        L"ペルモラのメインサーバーがダウンした為、一時的にサブサーバーに切り替えて稼動しています。"
        L"\n"
        L"翌日にはメインサーバーの通常稼動に戻る見込みです。";
    MessageBoxCloser closer;
    PeLmServerToSub();
    // The call returned, so the box is gone; the watcher notes it a moment later.
    ASSERT_TRUE(testing_support::WaitUntil([&] { return closer.closed() == 1; }));
    EXPECT_EQ(expected, closer.text());
    EXPECT_EQ(L"確認", closer.caption());
    EXPECT_TRUE(PeLmIsServerSub());
    const std::string first = testing_support::ReadFileBytes(DataFile("sub.dat"));
    EXPECT_EQ(52u, first.size());

    PeLmServerToSub();  // already in the sub state: shown again, file restamped
    EXPECT_TRUE(testing_support::WaitUntil([&] { return closer.closed() == 2; }));
    EXPECT_EQ(52u, testing_support::ReadFileBytes(DataFile("sub.dat")).size());
}

// --- Endpoints ---------------------------------------------------------------------------------

struct UrlEntry {
    BOOL(WINAPI* set)(const char*);
    BOOL(WINAPI* get)(char*, UINT);
    const char* path;
    bool sub;
};
const UrlEntry kEntries[] = {
    {PeLmConnectUrlSet, PeLmConnectUrlGet, "/", false},
    {PeLmTestUrlSet, PeLmTestUrlGet, "/Pelmora/Pelmora/CheckSqlServerRunning", false},
    {PeLmLoginUrlSet, PeLmLoginUrlGet, "/Pelmora/Pelmora/Login", false},
    {PeLmConnectSubUrlSet, PeLmConnectSubUrlGet, "/", true},
    {PeLmTestSubUrlSet, PeLmTestSubUrlGet, "/Pelmora/Pelmora/CheckSqlServerRunning", true},
    {PeLmLoginSubUrlSet, PeLmLoginSubUrlGet, "/Pelmora/Pelmora/Login", true},
};

std::string Get(const UrlEntry& entry) {
    char buffer[512];
    return entry.get(buffer, sizeof buffer) ? buffer : "<FALSE>";
}

TEST(Endpoints, EmptyBeforeInitialiseAndDefaultsAfter) {
    for (const UrlEntry& entry : kEntries) EXPECT_EQ("", Get(entry));
    PeLmTestUrlSet("https://set.before/init");
    EXPECT_EQ(1, PeHmInitialize(0, 0, 0, 0));

    std::string mainHost, subHost;
    for (const UrlEntry& entry : kEntries) {
        const std::string url = Get(entry);
        ASSERT_EQ(0u, url.rfind("https://", 0)) << url;
        const size_t hostEnd = url.find('/', 8);
        EXPECT_EQ(entry.path, url.substr(hostEnd));
        (entry.sub ? subHost : mainHost) = url.substr(8, hostEnd - 8);
    }
    EXPECT_FALSE(mainHost.empty());
    EXPECT_FALSE(subHost.empty());
    EXPECT_NE(mainHost, subHost);
    EXPECT_TRUE(PeHmTerminate(0, 0));
    EXPECT_TRUE(PeHmTerminate(-1, 7));
}

TEST(Endpoints, SettersStoreCopiesAndNullEmpties) {
    PeHmInitialize(0, 0, 0, 0);
    for (const UrlEntry& entry : kEntries) {
        std::string url = "http://127.0.0.1:8080/any thing?x=1";
        EXPECT_TRUE(entry.set(url.c_str()));
        url[0] = 'X';  // the table holds its own copy
        EXPECT_EQ("http://127.0.0.1:8080/any thing?x=1", Get(entry));
        EXPECT_TRUE(entry.set(nullptr));
        EXPECT_EQ("", Get(entry));
    }
    PeHmInitialize(1, 2, 3, 4);  // again: every entry back to its default
    EXPECT_NE("", Get(kEntries[0]));
}

TEST(Endpoints, GettersNeverWritePastTheBuffer) {
    PeHmInitialize(0, 0, 0, 0);
    char full[512];
    ASSERT_TRUE(PeLmLoginSubUrlGet(full, sizeof full));
    const size_t needed = strlen(full) + 1;
    EXPECT_FALSE(PeLmLoginSubUrlGet(nullptr, 512));
    for (size_t size : {size_t{0}, size_t{1}, needed - 1}) {
        GuardedBuffer buffer(size);
        EXPECT_FALSE(PeLmLoginSubUrlGet(buffer.data(), static_cast<UINT>(size))) << size;
        EXPECT_TRUE(buffer.GuardsIntact()) << size;
        if (size > 0) {
            EXPECT_EQ("", buffer.Text());
        }
    }
    GuardedBuffer exact(needed);
    EXPECT_TRUE(PeLmLoginSubUrlGet(exact.data(), static_cast<UINT>(needed)));
    EXPECT_EQ(full, exact.Text());
    EXPECT_TRUE(exact.GuardsIntact());
}

// --- Stored login and proxy user ----------------------------------------------------------------

TEST_F(Exports, LoginQueriesAnswerFromTheFile) {
    GuardedBuffer id(64);
    EXPECT_FALSE(PeLmHasLogin());
    EXPECT_FALSE(PeLmLoginID(id.data(), 64));
    EXPECT_EQ("", id.Text());

    testing_support::WriteFileBytes(DataFile("Login.dat"),
                                    "\x89\xef\x8e\xd0"
                                    "ID=C42\r\n\xca\xdf\xbd\xdc\xb0\xc4\xde=pw!\r\n");
    EXPECT_TRUE(PeLmHasLogin());
    EXPECT_TRUE(PeLmLoginID(id.data(), 64));
    EXPECT_EQ("C42", id.Text());
    GuardedBuffer password(64);
    EXPECT_TRUE(PeLmLoginPassword(password.data(), 64));
    EXPECT_EQ("pw!", password.Text());

    PeLmLoginUserDelete();  // drops only the record in memory
    EXPECT_TRUE(PeLmHasLogin());

    EXPECT_TRUE(PeLmLoginRemove());
    EXPECT_FALSE(PeLmHasLogin());
    EXPECT_TRUE(PeLmLoginRemove());
}

TEST_F(Exports, LoginGettersNeverWritePastTheBuffer) {
    testing_support::WriteFileBytes(DataFile("Login.dat"),
                                    "\x89\xef\x8e\xd0"
                                    "ID=ABCDEF\r\n");
    EXPECT_FALSE(PeLmLoginID(nullptr, 16));
    GuardedBuffer small(6);
    EXPECT_FALSE(PeLmLoginID(small.data(), 6));
    EXPECT_EQ("", small.Text());
    EXPECT_TRUE(small.GuardsIntact());
    GuardedBuffer exact(7);
    EXPECT_TRUE(PeLmLoginID(exact.data(), 7));
    EXPECT_EQ("ABCDEF", exact.Text());
    GuardedBuffer password(4);
    EXPECT_TRUE(PeLmLoginPassword(password.data(), 4));  // no password line: empty
    EXPECT_EQ("", password.Text());
}

TEST_F(Exports, EmptyLoginFileIsAStoredLoginWithEmptyFields) {
    testing_support::WriteFileBytes(DataFile("Login.dat"), "");
    EXPECT_TRUE(PeLmHasLogin());
    GuardedBuffer id(8);
    EXPECT_TRUE(PeLmLoginID(id.data(), 8));
    EXPECT_EQ("", id.Text());
}

TEST_F(Exports, ProxyUserDeleteReportsWhetherThereWasOne) {
    EXPECT_TRUE(PeLmProxyUserDlgShow());
    EXPECT_FALSE(PeLmProxyUserDelete());
    ASSERT_TRUE(testing_support::WriteFileBytes(DataFile("ProxyUser.dat"), "client data"));
    EXPECT_TRUE(PeLmProxyUserDelete());
    EXPECT_FALSE(testing_support::FileExists(DataFile("ProxyUser.dat")));
}

}  // namespace
