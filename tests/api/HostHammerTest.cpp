// Many host threads call the exports at once: every line and record arrives whole and once.
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <set>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "fakeclient/ScriptedClient.h"
#include "pelmora.h"
#include "support/HostLogFile.h"
#include "support/LogCapture.h"
#include "support/LogWindowThread.h"
#include "win32/Handle.h"

namespace {

using Texts = std::multiset<std::string>;

void Log(const std::string& message) {
    PelmLog(message.c_str(), "HostHammer", "HostHammerTest", 1, __DATE__, __TIME__, 1, 0, 0);
}

void OnThreads(int count, const std::function<void(int)>& work) {
    std::vector<std::thread> threads;
    for (int i = 0; i < count; ++i) threads.emplace_back(work, i);
    for (std::thread& thread : threads) thread.join();
}

Texts Entries(int first, int threads, int count) {
    Texts texts;
    for (int t = first; t < first + threads; ++t)
        for (int i = 0; i < count; ++i)
            texts.insert("t" + std::to_string(t) + "-" + std::to_string(i));
    return texts;
}

void LogAs(int thread, int count) {
    for (const std::string& text : Entries(thread, 1, count)) Log(text);
}

// Failed checks of three threads while a fourth keeps changing.
int Race(int times, const std::function<void(int)>& change, const std::function<bool()>& check) {
    std::atomic<int> checking{3}, failed{0};
    OnThreads(4, [&](int thread) {
        for (int i = 0; thread == 0 && checking > 0; ++i) change(i);
        for (int i = 0; thread > 0 && i < times; ++i) failed += check() ? 0 : 1;
        checking -= thread > 0 ? 1 : 0;
    });
    return failed;
}

// A scripted client held back once it has its request, until Release(); then it answers "true".
class HeldClient {
public:
    HeldClient() {
        client.Script("signal=pelmora-hammer-running\nwait=pelmora-hammer-release\ntext=true\n");
        PeLmCurrentDirectorySet(client.path().c_str());
    }
    ~HeldClient() {
        Release();
        PeLmCurrentDirectorySet(nullptr);
    }
    bool AwaitRunning() const { return WaitForSingleObject(running_.get(), 60000) == 0; }
    void Release() const { SetEvent(release_.get()); }

    testing_support::ScriptedClientDirectory client;

private:
    win32::KernelHandle running_{CreateEventA(nullptr, TRUE, FALSE, "pelmora-hammer-running")};
    win32::KernelHandle release_{CreateEventA(nullptr, TRUE, FALSE, "pelmora-hammer-release")};
};

class HostHammer : public ::testing::Test {
protected:
    void TearDown() override {
        PeLmLogWndSet(nullptr);
        PeLmLogFileSet(nullptr);
        PelmSharedLogClose();
    }
};

TEST_F(HostHammer, ThreadsLoggingIntoOneFileWriteEveryLineWholeAndOnce) {
    testing_support::HostLogFile log(PeLmLogFileSet);
    OnThreads(8, [](int t) { LogAs(t, 2000); });
    Texts lines;
    for (const auto& line : log.Lines()) lines.insert(line.wellFormed ? line.text : "torn");
    EXPECT_TRUE(lines == Entries(0, 8, 2000));  // not EXPECT_EQ: 16,000 lines would be printed
}

// The UI thread owns the log window, logs and waits in a request while workers log; its handler
// calls back. A hung window holds a logger for a bounded time.
TEST_F(HostHammer, LogWindowGetsEveryRecordOnceWhileItsThreadLogsWaitsAndCallsBack) {
    HeldClient held;
    Texts received;  // touched on the window's thread only
    win32::KernelHandle start(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    win32::KernelHandle ownDone(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    testing_support::LogWindowThread window(
        [&](WPARAM, LPARAM) {
            LOG_RECORD record;
            if (!PelmSharedLogRead(&record) || record.function != std::string("HostHammer")) return;
            received.insert(record.message);
            if (record.message[0] != 't') return;  // a callback's own entry calls back no further
            Log("callback");
            PeLmHasLogin();
        },
        [&] {
            WaitForSingleObject(start.get(), INFINITE);
            LogAs(3, 300);
            PeLmIsServerAlive();
            SetEvent(ownDone.get());
        });
    ASSERT_TRUE(PelmSharedLogOpen());
    PeLmLogWndSet(window.window());
    SetEvent(start.get());
    OnThreads(3, [](int t) { LogAs(t, 300); });
    EXPECT_TRUE(held.AwaitRunning());
    std::thread([] { LogAs(4, 1); }).join();  // taken while the window's thread waits
    held.Release();
    WaitForSingleObject(ownDone.get(), INFINITE);
    Texts expected = Entries(0, 4, 300);
    expected.insert("t4-0");
    for (int i = 0; i < 1201; ++i) expected.insert("callback");
    EXPECT_TRUE(received == expected);
    window.Freeze();
    std::thread([] { Log("to a hung window"); }).join();
    window.Thaw();
}

// A request from a handler of a thread waiting in one fails at once and runs no client.
TEST_F(HostHammer, RequestFromAHandlerOfAThreadInsideARequestFailsAtOnce) {
    HeldClient held;
    BOOL outer = FALSE, nested = TRUE;
    int nestedCode = 0;
    std::string nestedMessage;
    {
        testing_support::LogWindowThread window(
            [&](WPARAM, LPARAM) {
                nested = PeLmLoginUserCreate("C42", "pw", "user");
                nestedCode = PeLmLastErrorGet();
                nestedMessage = testing_support::LastErrorMessage();
            },
            [&] { outer = PeLmIsServerAlive(); });
        EXPECT_TRUE(held.AwaitRunning());
        SendMessageA(window.window(), PELMORA_WM_LOG, 0, 0);
        held.Release();
    }
    EXPECT_TRUE(outer);
    EXPECT_FALSE(nested);
    EXPECT_EQ(1006, nestedCode);
    EXPECT_EQ("(0)", nestedMessage.substr(nestedMessage.size() - 3)) << nestedMessage;
    EXPECT_EQ(1u, testing_support::RequestFields(held.client.RequestLog(), "url").size());
}

// The log window's handler sends the handing-off thread's window a message whose handler logs and
// asks for the server: its entry follows the record in flight; the request is refused.
TEST_F(HostHammer, HandlerOfTheThreadHandingOffLogsAfterTheRecordAndRequestsNothing) {
    HeldClient held;  // a request run by mistake would hang here
    BOOL nested = TRUE;
    std::vector<std::string> received;  // on the log window's thread
    win32::KernelHandle start(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    win32::KernelHandle done(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    testing_support::LogWindowThread sender(
        [&](WPARAM, LPARAM) {
            Log("nested");
            nested = PeLmIsServerAlive();
        },
        [&] {
            WaitForSingleObject(start.get(), INFINITE);
            Log("outer");
            SetEvent(done.get());
        });
    bool asked = false;
    testing_support::LogWindowThread window([&](WPARAM, LPARAM) {
        if (!std::exchange(asked, true)) SendMessageA(sender.window(), PELMORA_WM_LOG, 0, 0);
        LOG_RECORD record;
        if (PelmSharedLogRead(&record) && record.function == std::string("HostHammer"))
            received.push_back(record.message);
    });
    ASSERT_TRUE(PelmSharedLogOpen());
    PeLmLogWndSet(window.window());
    SetEvent(start.get());
    WaitForSingleObject(done.get(), INFINITE);
    EXPECT_EQ((std::vector<std::string>{"outer", "nested"}), received);
    EXPECT_FALSE(nested);
    EXPECT_EQ("", held.client.RequestLog());
}

TEST_F(HostHammer, ValuesReadWhileOthersChangeThemAreWholeValuesThatWereSet) {
    testing_support::LogWindowThread window([](WPARAM, LPARAM) {
        LOG_RECORD record;
        PelmSharedLogRead(&record);
    });
    PeLmLogWndSet(window.window());
    const std::string shortText = "short", longText(200, 'L');
    auto text = [&](int i) { return (i % 2 ? longText : shortText).c_str(); };
    auto whole = [&](BOOL(WINAPI * get)(char*, UINT)) {
        return [&, get] {
            char buffer[256];
            return get(buffer, sizeof buffer) && (buffer == shortText || buffer == longText);
        };
    };
    const std::pair<std::function<void(int)>, std::function<bool()>> races[] = {
        {[](int) {},  // first digests from the one shared context, asked for at once
         [] {
             char digest[33] = "";
             return PeLmMD5(digest, "abc") &&
                    digest == std::string("900150983cd24fb0d6963f7d28e17f72");
         }},
        {[&](int i) { PeLmSetLastError(1000, text(i)); }, whole(PeLmLastErrorMessageGet)},
        {[&](int i) { PeLmTestUrlSet(text(i)); }, whole(PeLmTestUrlGet)},
        {[](int) {
             PelmSharedLogOpen();
             PelmSharedLogClose();
         },
         [] {
             // The text in two fields: a torn copy would disagree.
             LOG_RECORD record{}, read;
             const std::string text = "t" + std::to_string(GetCurrentThreadId());
             text.copy(record.message, sizeof record.message - 1);
             text.copy(record.function, sizeof record.function - 1);
             PelmSharedLogWrite(&record);
             const bool whole = !PelmSharedLogRead(&read) || read.message[0] != 't' ||
                                std::string(read.message) == read.function;
             Log("logged");
             return whole;
         }},
    };
    for (const auto& race : races) {
        race.first(0);
        EXPECT_EQ(0, Race(2000, race.first, race.second));
    }
    ASSERT_TRUE(testing_support::WriteFileBytes(
        testing_support::DataFile("Login.dat"),
        "会社ID=C42\r\nﾊﾟｽﾜｰﾄﾞ=pw\r\n使用者名=user\r\n保存=true\r\n"));
    EXPECT_EQ(0, Race(
                     300, [](int) { PeLmLoginUserDelete(); },
                     [] {
                         char id[64] = "";
                         return PeLmLoginID(id, sizeof id) && PeLmHasLogin() &&
                                std::string(id) == "C42";
                     }));
    PeHmInitialize(0, 0, 0, 0);
    PeLmLoginRemove();
}

}  // namespace
