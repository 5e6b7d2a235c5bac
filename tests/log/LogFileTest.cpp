// The log as a host sees it: lines in its own file, records in the named shared block.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>

#include "logline/LogLine.h"
#include "pelmora.h"
#include "support/ChildRole.h"
#include "support/HostLogFile.h"
#include "support/LogCapture.h"
#include "win32/Handle.h"
#include "win32/Strings.h"

namespace {

std::string RecordBytes(const LOG_RECORD& record) {
    return std::string(reinterpret_cast<const char*>(&record), sizeof record);
}

const char kBlockHeld[] = "pelmora-test-log-block-held";
const char kLetGo[] = "pelmora-test-log-block-let-go";

// Holds the block's mutex until told, then lets it go or ends holding it (it is then abandoned).
int HoldLogBlock() {
    win32::KernelHandle mutex(CreateMutexA(nullptr, FALSE, "SharedLogMemoryMutex"));
    if (WaitForSingleObject(mutex.get(), INFINITE) != WAIT_OBJECT_0) return 1;
    SetEvent(win32::KernelHandle(OpenEventA(EVENT_MODIFY_STATE, FALSE, kBlockHeld)).get());
    WaitForSingleObject(win32::KernelHandle(OpenEventA(SYNCHRONIZE, FALSE, kLetGo)).get(), 120000);
    if (testing_support::ChildArgument() != "die") ReleaseMutex(mutex.get());
    return 0;
}

const int kRoleDispatched = testing_support::DispatchChildRole({{"hold-log-block", HoldLogBlock}});

class LogFile : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(PelmSharedLogOpen());
        PeLmLogWndSet(capture_.window());
    }
    void TearDown() override {
        PeLmLogWndSet(nullptr);
        PeLmLoggingOn(TRUE);
        PelmSharedLogClose();
    }
    static void Log(const char* message, int kind = 1, int indent = 0) {
        PelmLog(message, "F", "S", __LINE__, __DATE__, __TIME__, kind, indent, 0);
    }

    testing_support::HostLogFile file_{PeLmLogFileSet};
    testing_support::LogCapture capture_;
};

// One line per entry: local time, kind, quoted text indented two spaces per level (0..100), line
// feeds as spaces; the record keeps text and depth as given. Texts cut to 255 bytes; null is "".
// The viewer and the tests read a line back only in the writer's own form (%d): any other kind
// text is a foreign line, and every kind the writer writes reads back as it was.
TEST(LogLine, KindIsReadBackOnlyAsTheWriterWritesIt) {
    const std::pair<const char*, bool> kinds[] = {
        {"4", true},           {"-1", true},  {"0", true},   {"2147483647", true},
        {"-2147483648", true}, {"+4", false}, {" 4", false}, {"04", false},
        {"-0", false},         {"", false},   {"-", false},  {"4x", false},
        {"2147483648", false}};
    for (const auto& [kind, read] : kinds) {
        const std::string line = std::string("2024/01/31 09:05:07\t") + kind + "\t\"  text\"";
        LOG_RECORD record{};
        EXPECT_EQ(read, logging::ParseLogLine(line.data(), line.size(), record) &&
                            std::to_string(record.kind) == kind && record.indent == 1)
            << kind;
    }
}

TEST_F(LogFile, EachEntryIsOneLineAndOneRecord) {
    std::string alphabet;
    while (alphabet.size() < 300) alphabet += "abcdefghijklmnopqrstuvwxyz";
    const std::string split = std::string(254, 'x') + "あ", long255 = alphabet.substr(0, 255);
    struct Case {
        std::string message;
        int kind, depth;
        std::string line;  // after its time stamp
    };
    const Case cases[] = {
        {"ステータスコード：\t200", 2, 2, "\t2\t\"    ステータスコード：\t200\""},
        {"", 99, 0, "\t99\t\"\""},
        {"entry", -4, -3, "\t-4\t\"entry\""},
        {"entry", 1, INT_MAX, "\t1\t\"" + std::string(200, ' ') + "entry\""},
        {"say \"hi\"\r\nend\n", 1, 1, "\t1\t\"  say \"hi\"\r end \""},
        {alphabet, 1, 0, "\t1\t\"" + long255 + "\""},
        {split, 1, 0, "\t1\t\"" + split.substr(0, 255) + "\""},
    };
    const std::string before = win32::LocalTimeText(win32::Now());
    std::vector<std::string> expectedLines, expectedEntries;
    for (const Case& c : cases) {
        Log(c.message.c_str(), c.kind, c.depth);
        expectedLines.push_back(c.line);
        expectedEntries.push_back(win32::Format("%d|%d|0|F|S|", c.kind, c.depth) +
                                  c.message.substr(0, 255));
    }
    PelmLog(nullptr, nullptr, nullptr, 5, nullptr, nullptr, 1, 1, 0);
    PelmLog("names", alphabet.c_str(), alphabet.c_str(), 0x01020304, __DATE__, __TIME__, 3, 2, 1);
    const std::string after = win32::LocalTimeText(win32::Now());
    auto duringTheCalls = [&](const std::string& time) {
        return testing_support::IsLogTimeStamp(time) && before <= time && time <= after;
    };
    expectedLines.insert(expectedLines.end(), {"\t1\t\"  \"", "\t3\t\"    names\""});
    expectedEntries.insert(expectedEntries.end(),
                           {"1|1|0|||", "3|2|1|" + long255 + "|" + long255 + "|names"});
    std::vector<std::string> lines = win32::SplitLines(file_.Raw());
    for (std::string& line : lines) {
        EXPECT_TRUE(duringTheCalls(line.substr(0, 19))) << line;
        line.erase(0, 19);
    }
    EXPECT_EQ(expectedLines, lines);
    EXPECT_EQ(expectedEntries, capture_.Entries());

    // Zero-padded texts and the numbers as given (the layout is the header's static_asserts).
    const LOG_RECORD& record = capture_.records().back();
    EXPECT_TRUE(duringTheCalls(record.time)) << record.time;
    LOG_RECORD expected{"names", {}, {}, 0x01020304, {}, 2, 3, 1};
    long255.copy(expected.function, 255), long255.copy(expected.source, 255);
    std::memcpy(expected.time, record.time, 19);
    EXPECT_EQ(RecordBytes(expected), RecordBytes(record));
}

// Entries go after the host's text wherever it moved the pointer, and nowhere while logging is off.
TEST_F(LogFile, EntriesGoAfterTheHostsTextAndOnlyToTheSinksSetAtTheirCall) {
    EXPECT_EQ(file_.handle(), PeLmLogFileGet());
    Log("entry one");
    win32::FileHandle host(CreateFileA(file_.path().c_str(), FILE_APPEND_DATA,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                       0, nullptr));
    DWORD written = 0;
    ASSERT_TRUE(WriteFile(host.get(), "host text\r\n", 11, &written, nullptr));
    SetFilePointer(file_.handle(), 0, nullptr, FILE_BEGIN);
    Log("entry two");
    PeLmLogFileSet(host.get());  // a handle opened for appending only
    Log("entry three");
    PeLmLoggingOn(FALSE);
    EXPECT_FALSE(PeLmIsLogging());
    Log("while off");
    LOG_RECORD block;
    ASSERT_TRUE(PelmSharedLogRead(&block));
    EXPECT_STREQ("entry three", block.message);
    PeLmLoggingOn(TRUE);
    EXPECT_TRUE(PeLmIsLogging());
    PeLmLogFileSet(file_.handle());
    Log("after");
    EXPECT_EQ((std::vector<std::string>{"entry one", "", "entry two", "entry three", "after"}),
              file_.Texts());
    EXPECT_NE(std::string::npos, file_.Raw().find("\"\nhost text\r\n")) << file_.Raw();
    EXPECT_EQ(4, capture_.notifications());
}

// Another process holds the block's mutex, frozen or ending without letting go: the entries of
// a thread with a log window reach the file, and the first one's wait is the only one; once the
// block is free again (abandoned: at once), the window gets the next record and the count it
// missed.
TEST_F(LogFile, BlockHeldByAnotherProcessCostsOneWaitAndTheWindowLearnsWhatItMissed) {
    const std::string drops = "共有ログが使えず、ログウィンドウに渡せなかったレコード：100件";
    std::vector<std::string> lines;
    for (const char* end : {"let go", "die"}) {
        SCOPED_TRACE(end);
        win32::KernelHandle held(CreateEventA(nullptr, TRUE, FALSE, kBlockHeld));
        win32::KernelHandle letGo(CreateEventA(nullptr, TRUE, FALSE, kLetGo));
        win32::KernelHandle holder(testing_support::StartChild("hold-log-block", end));
        ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(held.get(), 60000));
        const ULONGLONG start = GetTickCount64();
        for (int i = 0; i < 100; ++i) Log("held");
        EXPECT_LT(GetTickCount64() - start, 20000u) << "a wait per entry";
        LOG_RECORD record{};
        EXPECT_FALSE(PelmSharedLogWrite(&record) || PelmSharedLogRead(&record));
        SetEvent(letGo.get());
        ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(holder.get(), 60000));
        capture_.Clear();
        Log("after");
        EXPECT_EQ((std::vector<std::string>{"1|0|0|F|S|after",
                                            "4|0|1|NotifyLogWindow|LogWriter|" + drops}),
                  capture_.Entries());
        lines.insert(lines.end(), 100, "held");
        lines.insert(lines.end(), {"after", drops});
    }
    EXPECT_EQ(lines, file_.Texts());
}

// Closed, the block copies nothing; open, it starts zeroed and keeps whole records for every
// reader, each text ended within its field whoever wrote it; once its last holder closed it, its
// content is gone.
TEST_F(LogFile, SharedBlockKeepsWholeRecordsWhileItIsHeld) {
    PelmSharedLogClose();
    LOG_RECORD buffer;
    ASSERT_FALSE(testing_support::ReadNamedLogBlock(buffer)) << "no other process may hold it";
    Log("no block");
    EXPECT_EQ(1, capture_.notifications());
    LOG_RECORD pattern, untouched;
    std::memset(&pattern, 3, sizeof pattern);  // a copy that drops any byte shows
    std::memset(&untouched, 9, sizeof untouched);
    LOG_RECORD ended = pattern;
    ended.message[255] = ended.function[255] = ended.source[255] = ended.time[255] = '\0';
    for (int open = 0; open < 2; ++open) {
        buffer = untouched;
        EXPECT_FALSE(PelmSharedLogWrite(&pattern) || PelmSharedLogRead(&buffer));
        EXPECT_EQ(RecordBytes(untouched), RecordBytes(buffer));
        ASSERT_TRUE(PelmSharedLogOpen());
        EXPECT_FALSE(PelmSharedLogWrite(nullptr) || PelmSharedLogRead(nullptr));
        ASSERT_TRUE(PelmSharedLogRead(&buffer));
        EXPECT_EQ(RecordBytes(LOG_RECORD{}), RecordBytes(buffer)) << "new, or held by nobody";
        ASSERT_TRUE(PelmSharedLogWrite(&pattern));
        ASSERT_TRUE(testing_support::ReadNamedLogBlock(buffer));
        EXPECT_EQ(RecordBytes(ended), RecordBytes(buffer)) << "as written";
        win32::KernelHandle mapping(OpenFileMappingA(FILE_MAP_WRITE, FALSE, "SharedLogMemory"));
        win32::MappedView view(MapViewOfFile(mapping.get(), FILE_MAP_WRITE, 0, 0, sizeof pattern));
        std::memcpy(view.get(), &pattern, sizeof pattern);  // as another process may leave it
        ASSERT_TRUE(PelmSharedLogOpen());
        for (int read = 0; read < 2; ++read) {
            buffer = untouched;
            EXPECT_TRUE(PelmSharedLogRead(&buffer));
            EXPECT_EQ(RecordBytes(ended), RecordBytes(buffer));
        }
        PelmSharedLogClose();
        PelmSharedLogClose();
    }
}

}  // namespace
