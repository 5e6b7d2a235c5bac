// A host that is not careful: many threads calling the exports at once, a log window whose own
// thread logs and whose handler calls back, a shared block opened and closed under the loggers'
// feet. Each case runs a bounded count; what it checks is that the process survives, every
// line and record arrives whole and once, and every value read is one that was set.
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "fakeclient/ScriptedClient.h"
#include "pelmora.h"
#include "support/HostLogFile.h"
#include "support/LogWindowThread.h"
#include "support/TestSupport.h"
#include "win32/Handle.h"

namespace {

void Log(const std::string& message, int kind = 1) {
    PelmLog(message.c_str(), "HostHammer", "HostHammerTest", 1, __DATE__, __TIME__, kind, 0, 0);
}

// Runs `work(index)` on `count` threads at once and waits for all of them.
template <typename Work>
void OnThreads(int count, Work work) {
    std::vector<std::thread> threads;
    for (int i = 0; i < count; ++i) threads.emplace_back(work, i);
    for (std::thread& thread : threads) thread.join();
}

std::string Entry(int thread, int i) {
    return "t" + std::to_string(thread) + "-" + std::to_string(i);
}

// Runs `change(i)` `times` times on one thread while three threads run `check` until it is done:
// how many checks failed.
int Race(int times, const std::function<void(int)>& change, const std::function<bool()>& check) {
    std::atomic<bool> done{false};
    std::atomic<int> failed{0};
    std::thread changer([&] {
        for (int i = 0; i < times; ++i) change(i);
        done = true;
    });
    OnThreads(3, [&](int) {
        while (!done) failed += check() ? 0 : 1;
    });
    changer.join();
    return failed;
}

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
    constexpr int kThreads = 8, kEntries = 2000;
    OnThreads(kThreads, [](int t) {
        for (int i = 0; i < kEntries; ++i) Log(Entry(t, i));
    });
    std::multiset<std::string> texts;
    for (const auto& line : log.Lines()) {
        ASSERT_TRUE(line.wellFormed) << line.text;
        texts.insert(line.text);
    }
    ASSERT_EQ(static_cast<size_t>(kThreads * kEntries), texts.size());
    for (int t = 0; t < kThreads; ++t)
        for (int i = 0; i < kEntries; ++i) ASSERT_EQ(1u, texts.count(Entry(t, i))) << Entry(t, i);
}

// The usual host: the UI thread owns the log window and logs too, workers log, and the handler
// reads each record and calls back into the library (logging, asking for the stored login).
TEST_F(HostHammer, LogWindowGetsEveryRecordOnceWhileItsOwnThreadLogsAndItsHandlerCallsBack) {
    constexpr int kWorkers = 3, kEntries = 300;
    std::multiset<std::string> received;  // touched on the window's thread only
    int depth = 0;
    win32::KernelHandle start(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    win32::KernelHandle ownDone(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    testing_support::LogWindowThread window(
        [&](WPARAM, LPARAM) {
            LOG_RECORD record;
            if (!PelmSharedLogRead(&record)) return;
            received.insert(record.message);
            if (depth > 0 || record.message[0] != 't') return;
            ++depth;  // the callbacks' own entries come back here; they call back no further
            Log("callback");
            PeLmHasLogin();
            --depth;
        },
        [&] {
            WaitForSingleObject(start.get(), INFINITE);
            for (int i = 0; i < kEntries; ++i) Log(Entry(kWorkers, i));
            SetEvent(ownDone.get());
        });
    ASSERT_TRUE(PelmSharedLogOpen());
    PeLmLogWndSet(window.window());
    SetEvent(start.get());
    OnThreads(kWorkers, [](int t) {
        for (int i = 0; i < kEntries; ++i) Log(Entry(t, i));
    });
    // Every call returned after its record was handled; the window's thread is done logging.
    WaitForSingleObject(ownDone.get(), INFINITE);
    PeLmLogWndSet(nullptr);
    for (int t = 0; t <= kWorkers; ++t)
        for (int i = 0; i < kEntries; ++i)
            ASSERT_EQ(1u, received.count(Entry(t, i))) << Entry(t, i) << " lost or repeated";
    EXPECT_EQ(static_cast<size_t>((kWorkers + 1) * kEntries), received.count("callback"));
}

// The UI thread that owns the log window waits in a request (the client sits in its proxy
// dialog, say) while a worker logs: the worker's record is still handled at once.
TEST_F(HostHammer, WindowThreadWaitingForARequestStillTakesRecords) {
    testing_support::ScriptedClientDirectory client;
    const std::string running = "pelmora-test-hammer-running", release = "pelmora-test-hammer-go";
    win32::KernelHandle clientRunning(CreateEventA(nullptr, TRUE, FALSE, running.c_str()));
    win32::KernelHandle clientRelease(CreateEventA(nullptr, TRUE, FALSE, release.c_str()));
    client.Script("signal=" + running + "\nwait=" + release + "\nexit=200\n");
    PeLmCurrentDirectorySet(client.path().c_str());
    std::atomic<bool> handled{false};
    testing_support::LogWindowThread window(
        [&](WPARAM, LPARAM) {
            LOG_RECORD record;
            if (PelmSharedLogRead(&record) && std::string(record.message) == "from a worker")
                handled = true;
        },
        [] { PeLmIsServerAlive(); });
    ASSERT_TRUE(PelmSharedLogOpen());
    PeLmLogWndSet(window.window());
    ASSERT_EQ(static_cast<DWORD>(WAIT_OBJECT_0), WaitForSingleObject(clientRunning.get(), 60000));
    std::thread([] { Log("from a worker"); }).join();
    EXPECT_TRUE(handled.load()) << "handled while the window's thread waits for the client";
    SetEvent(clientRelease.get());
    PeLmLogWndSet(nullptr);
    PeLmCurrentDirectorySet(nullptr);
}

TEST_F(HostHammer, HungLogWindowHoldsALoggingThreadForABoundedTimeOnly) {
    testing_support::LogWindowThread window([](WPARAM, LPARAM) {});
    PeLmLogWndSet(window.window());
    window.Freeze();
    // Returns although the window's thread answers nothing; without a bound it never would.
    std::thread([] { Log("to a hung window"); }).join();
    window.Thaw();
    SUCCEED();
}

TEST_F(HostHammer, SharedBlockOpenedAndClosedWhileOthersLogAndCopy) {
    testing_support::LogWindowThread window([](WPARAM, LPARAM) {
        LOG_RECORD record;
        PelmSharedLogRead(&record);
    });
    PeLmLogWndSet(window.window());
    auto reopen = [](int) {
        PelmSharedLogOpen();
        PelmSharedLogClose();
    };
    const int torn = Race(300, reopen, [] {
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
    });
    EXPECT_EQ(0, torn);
    LOG_RECORD record{};
    EXPECT_FALSE(PelmSharedLogWrite(&record)) << "closed at the end";
    EXPECT_FALSE(PelmSharedLogRead(&record));
}

// Setters race getters: a getter always copies one whole value that some setter set.
TEST_F(HostHammer, ValuesReadWhileOthersSetThemAreWholeValuesThatWereSet) {
    const std::string shortText = "short", longText(200, 'L');
    struct Pair {
        std::function<void(const char*)> set;
        std::function<BOOL(char*, UINT)> get;
    };
    const std::vector<Pair> pairs = {
        {[](const char* m) { PeLmSetLastError(1000, m); }, PeLmLastErrorMessageGet},
        {[](const char* u) { PeLmTestUrlSet(u); }, PeLmTestUrlGet},
        {[](const char* u) { PeLmLoginSubUrlSet(u); }, PeLmLoginSubUrlGet},
    };
    for (const Pair& pair : pairs) {
        pair.set(shortText.c_str());
        auto set = [&](int i) { pair.set((i % 2 ? longText : shortText).c_str()); };
        auto getWhole = [&] {
            char buffer[256];
            return pair.get(buffer, sizeof buffer) && (buffer == shortText || buffer == longText);
        };
        EXPECT_EQ(0, Race(3000, set, getWhole));
    }
    PeHmInitialize(0, 0, 0, 0);
}

// The stored login read by several threads while others drop the record in memory.
TEST_F(HostHammer, StoredLoginReadWhileOthersDropTheRecord) {
    ASSERT_TRUE(testing_support::WriteFileBytes(
        testing_support::DataFile("Login.dat"),
        "会社ID=C42\r\nﾊﾟｽﾜｰﾄﾞ=pw\r\n使用者名=user\r\n保存=true\r\n"));
    auto readStored = [] {
        char id[64];
        return PeLmLoginID(id, sizeof id) && std::string(id) == "C42" && PeLmHasLogin();
    };
    EXPECT_EQ(0, Race(
                     2000, [](int) { PeLmLoginUserDelete(); }, readStored));
    PeLmLoginRemove();
}

}  // namespace
