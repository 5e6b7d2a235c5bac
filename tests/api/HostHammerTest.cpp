// A careless host: many threads call the exports at once. Every line and record arrives whole and
// once, every value read is one that was set.
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
const char kAbcDigest[] = "900150983cd24fb0d6963f7d28e17f72";

void Log(const std::string& message) {
    PelmLog(message.c_str(), "HostHammer", "HostHammerTest", 1, __DATE__, __TIME__, 1, 0, 0);
}

void OnThreads(int count, const std::function<void(int)>& work) {
    std::vector<std::thread> threads;
    for (int i = 0; i < count; ++i) threads.emplace_back(work, i);
    for (std::thread& thread : threads) thread.join();
}

// What threads numbered from `first` on log: "t<thread>-<i>" for each i below `count`.
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

// How many of `times` checks on each of three threads failed while a fourth thread kept changing.
int Race(int times, const std::function<void(int)>& change, const std::function<bool()>& check) {
    std::atomic<int> checking{3}, failed{0};
    OnThreads(4, [&](int thread) {
        for (int i = 0; thread == 0 && checking > 0; ++i) change(i);
        for (int i = 0; thread > 0 && i < times; ++i) failed += check() ? 0 : 1;
        checking -= thread > 0 ? 1 : 0;
    });
    return failed;
}

// The scripted client in the library's program directory, held back once it has its request
// until Release(); then it answers "true".
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
    bool AwaitRunning() const {
        return WaitForSingleObject(running_.get(), 60000) == WAIT_OBJECT_0;
    }
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
    // The host opened its file for plain writing, not for appending.
    testing_support::HostLogFile log(PeLmLogFileSet);
    OnThreads(8, [](int t) { LogAs(t, 2000); });
    Texts lines;
    for (const auto& line : log.Lines()) lines.insert(line.wellFormed ? line.text : "torn");
    EXPECT_TRUE(lines == Entries(0, 8, 2000));  // not EXPECT_EQ: 16,000 lines would be printed
}

// Threads asking for their first digests at once all get them from the one shared context.
TEST_F(HostHammer, ThreadsAskingForDigestsAtOnceAllGetThem) {
    std::atomic<int> wrong{0};
    OnThreads(8, [&wrong](int) {
        char digest[33] = "";
        for (int i = 0; i < 200; ++i)
            wrong += PeLmMD5(digest, "abc") && digest == std::string(kAbcDigest) ? 0 : 1;
    });
    EXPECT_EQ(0, wrong);
}

// The usual host: the UI thread owns the log window, logs too, then waits in a request (the client
// sits in its proxy dialog, say); workers log meanwhile; the handler reads each record and calls
// back (logging, asking for the stored login). A hung window holds a logger for a bounded time.
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
    // Returns although the window's thread answers nothing; without a bound it never would.
    std::thread([] { Log("to a hung window"); }).join();
    window.Thaw();
}

// The UI thread waits in a request (its client held back) when another thread sends its window a
// message whose handler logs in: the nested request fails at once, as one that could not be made,
// and runs no client; the outer request gets its own answer.
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

// While a thread hands a record to the log window, the window's handler sends that thread's own
// window a message; its handler logs and asks for the server. The entry reaches the window after
// the record in flight, not over it, and the request (which could wait on a thread that waits
// for this hand-off) is refused at once.
TEST_F(HostHammer, HandlerOfTheThreadHandingOffLogsAfterTheRecordAndRequestsNothing) {
    testing_support::ScriptedClientDirectory client;
    client.Script("text=true\n");
    PeLmCurrentDirectorySet(client.path().c_str());
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
    EXPECT_EQ("", client.RequestLog());
    PeLmCurrentDirectorySet(nullptr);
}

// Getters race setters, the stored login's readers the dropping of its record, the shared block's
// writers, readers and window its opening and closing: every value read is whole and was set.
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
        {[&](int i) { PeLmSetLastError(1000, text(i)); }, whole(PeLmLastErrorMessageGet)},
        {[&](int i) { PeLmTestUrlSet(text(i)); }, whole(PeLmTestUrlGet)},
        {[](int) {
             PelmSharedLogOpen();
             PelmSharedLogClose();
         },
         [] {
             // Each thread's record carries its text in two fields: a torn copy would disagree.
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
    // Each query reads the file, so fewer rounds; none may miss the record another drops.
    ASSERT_TRUE(testing_support::WriteFileBytes(
        testing_support::DataFile("Login.dat"),
        "会社ID=C42\r\nﾊﾟｽﾜｰﾄﾞ=pw\r\n使用者名=user\r\n保存=true\r\n"));
    auto readStored = [] {
        char id[64] = "";
        return PeLmLoginID(id, sizeof id) && PeLmHasLogin() && std::string(id) == "C42";
    };
    auto dropRecord = [](int) { PeLmLoginUserDelete(); };
    EXPECT_EQ(0, Race(300, dropRecord, readStored));
    PeHmInitialize(0, 0, 0, 0);
    PeLmLoginRemove();
}

}  // namespace
