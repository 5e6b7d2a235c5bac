// Many host threads call the exports at once: every line and record arrives whole and once.
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <set>
#include <string>
#include <thread>
#include <tuple>
#include <utility>
#include <vector>

#include "fakeclient/ScriptedClient.h"
#include "pelmora.h"
#include "support/HostLogFile.h"
#include "support/LogCapture.h"
#include "win32/Handle.h"

namespace {

using testing_support::LogCapture;
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

class HostHammer : public ::testing::Test {
protected:
    void TearDown() override {
        PeLmLogWndSet(nullptr);
        PeLmLogFileSet(nullptr);
        PelmSharedLogClose();
    }
};

// Threads log while the host switches its file again and again, closing each former handle as
// soon as the switch returned: every line lands whole and once, in one of the files.
TEST_F(HostHammer, ThreadsLoggingWhileTheFileIsSwitchedWriteEveryLineWholeAndOnce) {
    constexpr int kSwitches = 300;
    testing_support::TempDirectory folder;
    auto file = [&folder](int n) { return folder.File(std::to_string(n) + ".log"); };
    auto open = [&file](int n) {
        return CreateFileA(file(n).c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, CREATE_NEW,
                           0, nullptr);
    };
    PeLmLogFileSet(open(0));
    OnThreads(5, [&](int t) {
        for (int n = 1; t == 0 && n <= kSwitches; ++n) {
            HANDLE former = PeLmLogFileGet();
            PeLmLogFileSet(open(n));
            CloseHandle(former);
        }
        if (t > 0) LogAs(t, 3000);
    });
    HANDLE last = PeLmLogFileGet();
    PeLmLogFileSet(nullptr);
    CloseHandle(last);
    Texts lines;
    for (int n = 0; n <= kSwitches; ++n) {
        for (const std::string& line : win32::SplitLines(testing_support::ReadFileBytes(file(n)))) {
            LOG_RECORD read{};
            lines.insert(logging::ParseLogLine(line.data(), line.size(), read) ? read.message : "");
        }
    }
    // Not EXPECT_EQ: 12,000 lines would be printed.
    EXPECT_TRUE(lines == Entries(1, 4, 3000)) << lines.size() << " lines";
}

// The UI thread owns the log window, logs and waits in a request while workers log; its handler
// calls back. Entries its handler logs before taking its own thread's record follow that record;
// requests from a handler of a thread handing off or inside a request fail at once, running no
// client. A hung window holds a logger for a bounded time.
TEST_F(HostHammer, LogWindowGetsEveryRecordOnceWhileItsThreadLogsWaitsAndCallsBack) {
    // Held back once it has its request, until released; then it answers "true".
    testing_support::ScriptedClientDirectory client(PeLmCurrentDirectorySet);
    client.Script("signal=pelmora-hammer-running\nwait=pelmora-hammer-release\ntext=true\n");
    win32::KernelHandle running(CreateEventA(nullptr, TRUE, FALSE, "pelmora-hammer-running"));
    win32::KernelHandle release(CreateEventA(nullptr, TRUE, FALSE, "pelmora-hammer-release"));
    Texts received;  // touched on the window's thread only
    BOOL outer = FALSE, nested = TRUE, nestedAlive = TRUE;
    bool handingOff = false;  // on the window's thread only
    int nestedCode = 0;
    std::string nestedMessage;
    auto event = [] { return win32::KernelHandle(CreateEventA(nullptr, TRUE, FALSE, nullptr)); };
    win32::KernelHandle start = event(), ownDone = event(), hungUntil = event();
    LogCapture window(
        [&] {
            if (std::exchange(handingOff, false)) {
                Log("nested");
                nestedAlive = PeLmIsServerAlive();
            }
            LOG_RECORD record;
            if (!PelmSharedLogRead(&record) || record.function != std::string("HostHammer")) return;
            received.insert(record.message);
            if (record.message[0] != 't') return;  // a callback's own entry calls back no further
            Log("callback");
            PeLmHasLogin();
            if (record.message != std::string("t4-0")) return;
            nested = PeLmLoginUserCreate("C42", "pw", "user");
            nestedCode = PeLmLastErrorGet();
            nestedMessage = testing_support::LastErrorMessage();
        },
        [&] {
            WaitForSingleObject(start.get(), INFINITE);
            LogAs(3, 300);
            handingOff = true;
            Log("handed off");
            outer = PeLmIsServerAlive();
            SetEvent(ownDone.get());
            WaitForSingleObject(hungUntil.get(), INFINITE);  // answers no message meanwhile
        });
    ASSERT_TRUE(PelmSharedLogOpen());
    PeLmLogWndSet(window.window());
    SetEvent(start.get());
    OnThreads(3, [](int t) { LogAs(t, 300); });
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(running.get(), 60000));
    std::thread([] { LogAs(4, 1); }).join();  // taken while the window's thread waits
    SetEvent(release.get());
    WaitForSingleObject(ownDone.get(), INFINITE);
    Texts expected = Entries(0, 4, 300);
    expected.insert({"t4-0", "handed off", "nested"});
    for (int i = 0; i < 1201; ++i) expected.insert("callback");
    EXPECT_TRUE(received == expected);
    EXPECT_EQ(std::make_tuple(TRUE, FALSE, FALSE, 1006),
              std::make_tuple(outer, nestedAlive, nested, nestedCode));
    EXPECT_EQ("(0)", nestedMessage.substr(nestedMessage.size() - 3)) << nestedMessage;
    EXPECT_EQ(1u, testing_support::RequestFields(client.RequestLog(), "url").size());
    Log("to a hung window");
    SetEvent(hungUntil.get());
}

TEST_F(HostHammer, ValuesReadWhileOthersChangeThemAreWholeValuesThatWereSet) {
    LogCapture window([] {
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
