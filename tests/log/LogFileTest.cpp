// The file sink seen from a host: lines appended to the host's own file handle, and the same
// entry as a record in the shared block.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>

#include "pelmora.h"
#include "support/HostLogFile.h"
#include "support/LogCapture.h"

using testing_support::LogLine;
using testing_support::ParseLogLine;
using testing_support::SplitLogLines;

namespace {

class LogFile : public ::testing::Test {
protected:
    void TearDown() override {
        PeLmLogWndSet(nullptr);
        PeLmLoggingOn(TRUE);
        PelmSharedLogClose();
    }

    void Log(const char* message, int kind = 0, int indent = 0) {
        PelmLog(message, "CLogFileTest::Log", "LogFileTest", __LINE__, __DATE__, __TIME__, kind,
                indent, 0);
    }
    // Also watch the records: a log window reading the shared block.
    void WatchRecords() {
        ASSERT_TRUE(PelmSharedLogOpen());
        PeLmLogWndSet(capture_.window());
    }

    testing_support::HostLogFile file_{PeLmLogFileSet};
    testing_support::LogCapture capture_;
};

// Time TAB kind TAB quoted text LF, in the local time of the call; a tab inside the message
// stays; the end of a call is its empty message; null texts are logged as empty.
TEST_F(LogFile, OneEntryIsTimeTabKindTabQuotedTextAndLineFeed) {
    WatchRecords();
    const std::string message = "サーバーが生きているか確認";
    const std::string before = testing_support::LocalNowLogTime();
    Log(message.c_str(), 0);
    Log("ステータスコード：\t200", 2, 0);
    Log("", 99, 0);
    PelmLog(nullptr, nullptr, nullptr, 5, nullptr, nullptr, 1, 1, 0);
    const std::string after = testing_support::LocalNowLogTime();

    const std::string content = file_.Raw();
    EXPECT_EQ(std::string::npos, content.find('\r')) << "lines end with LF only";
    ASSERT_EQ('\n', content.back());
    std::vector<std::string> raw = SplitLogLines(content);
    ASSERT_EQ(4u, raw.size());
    const char* const rest[] = {"\t0\t\"サーバーが生きているか確認\"",
                                "\t2\t\"ステータスコード：\t200\"", "\t99\t\"\"", "\t1\t\"  \""};
    for (size_t i = 0; i < raw.size(); ++i) {
        const std::string time = raw[i].substr(0, 19);
        EXPECT_TRUE(testing_support::IsLogTimeStamp(time)) << time;
        EXPECT_LE(before, time);
        EXPECT_GE(after, time);
        EXPECT_EQ(rest[i], raw[i].substr(19));
    }
    ASSERT_EQ(4u, capture_.records().size());
    const LOG_RECORD& record = capture_.records()[3];
    EXPECT_STREQ("", record.message);
    EXPECT_STREQ("", record.function);
    EXPECT_STREQ("", record.source);
    EXPECT_EQ(5, record.line);
}

// One line per entry, whatever the text: two spaces per level of depth inside the quotes (none
// for a negative depth, which the record keeps as given), line feeds as spaces (the record keeps
// them), quotes and carriage returns as they are, texts cut to 255 bytes even inside a
// double-byte character.
TEST_F(LogFile, EachEntryIsOneLineWithItsIndentAndTextsCutTo255Bytes) {
    WatchRecords();
    std::string alphabet(300, 'm');
    for (size_t i = 0; i < alphabet.size(); ++i) alphabet[i] = static_cast<char>('a' + i % 26);
    const std::string split = std::string(254, 'x') + "あ";
    struct Case {
        std::string message;
        int depth;
        std::string line;
        int indent;  // -1: any, as long as the entry is there
        std::string record;
    };
    const Case cases[] = {
        {"entry", 0, "entry", 0, "entry"},
        {"entry", 2, "entry", 2, "entry"},
        {"entry", 5, "entry", 5, "entry"},
        {"entry", -3, "entry", 0, "entry"},
        {"entry", INT_MAX, "entry", -1, "entry"},
        {"first\nsecond\n", 1, "first second ", 1, "first\nsecond\n"},
        {"say \"hi\"\r\nend", 0, "say \"hi\"\r end", 0, "say \"hi\"\r\nend"},
        {alphabet, 0, alphabet.substr(0, 255), 0, alphabet.substr(0, 255)},
        {split, 0, split.substr(0, 255), 0, split.substr(0, 255)},
    };
    for (const Case& c : cases) Log(c.message.c_str(), 1, c.depth);
    const std::string function(300, 'f'), source(300, 's');
    PelmLog("names", function.c_str(), source.c_str(), 7, __DATE__, __TIME__, 2, 0, 0);

    const std::vector<LogLine> lines = file_.Lines();
    const size_t count = sizeof cases / sizeof cases[0];
    ASSERT_EQ(count + 1, lines.size()) << "one line per entry, none lost";
    ASSERT_EQ(count + 1, capture_.records().size());
    for (size_t i = 0; i < count; ++i) {
        EXPECT_TRUE(lines[i].wellFormed) << i;
        EXPECT_EQ(cases[i].line, lines[i].text) << i;
        EXPECT_TRUE(cases[i].indent < 0 || cases[i].indent == lines[i].indent) << i;
        EXPECT_EQ(cases[i].record, capture_.records()[i].message) << i;
        EXPECT_EQ(cases[i].depth, capture_.records()[i].indent) << i;
    }
    EXPECT_EQ(function.substr(0, 255), capture_.records().back().function);
    EXPECT_EQ(source.substr(0, 255), capture_.records().back().source);
}

TEST_F(LogFile, HostTextWrittenBetweenEntriesStaysInPlace) {
    Log("entry one", 0);
    // The host writes through a handle of its own, and also moves the log handle's pointer
    // back to the start: each entry must still go after everything in the file.
    HANDLE host =
        CreateFileA(file_.path().c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, host);
    DWORD written = 0;
    ASSERT_TRUE(WriteFile(host, "host text\r\n", 11, &written, nullptr));
    SetFilePointer(file_.handle(), 0, nullptr, FILE_BEGIN);
    Log("entry two", 0);

    // A handle opened for appending only takes the entries as well.
    PeLmLogFileSet(host);
    Log("entry three", 0);
    PeLmLogFileSet(file_.handle());
    CloseHandle(host);

    std::vector<std::string> raw = SplitLogLines(file_.Raw());
    ASSERT_EQ(4u, raw.size());
    EXPECT_EQ("entry one", ParseLogLine(raw[0]).text);
    EXPECT_EQ("host text\r", raw[1]);
    EXPECT_EQ("entry two", ParseLogLine(raw[2]).text);
    EXPECT_EQ("entry three", ParseLogLine(raw[3]).text);
}

// Switched off, nothing reaches the file, the window or the block (which keeps its record); a
// null sink turns that output off alone; each change takes effect with the next entry.
TEST_F(LogFile, SwitchedOffOrNullSinksWriteNothing) {
    WatchRecords();
    EXPECT_EQ(file_.handle(), PeLmLogFileGet());
    Log("before", 1);
    ASSERT_EQ(1, capture_.notifications());

    PeLmLoggingOn(FALSE);
    EXPECT_FALSE(PeLmIsLogging());
    Log("while off", 1);
    EXPECT_EQ(1, capture_.notifications());
    LOG_RECORD block;
    ASSERT_TRUE(PelmSharedLogRead(&block));
    EXPECT_STREQ("before", block.message);

    PeLmLoggingOn(TRUE);
    EXPECT_TRUE(PeLmIsLogging());
    PeLmLogFileSet(nullptr);
    PeLmLogWndSet(nullptr);
    EXPECT_EQ(nullptr, PeLmLogFileGet());
    Log("nowhere", 1);  // built and dropped
    EXPECT_EQ(1, capture_.notifications());

    PeLmLogFileSet(file_.handle());
    PeLmLogWndSet(capture_.window());
    Log("after", 1);
    EXPECT_EQ((std::vector<std::string>{"before", "after"}), file_.Texts());
    EXPECT_EQ(2, capture_.notifications());
}

}  // namespace
