// The file sink seen from a host: lines appended to the host's own file handle, and the same
// entry as a record in the shared block.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>

#include "log/LogLines.h"
#include "pelmora.h"
#include "support/LogCapture.h"
#include "support/TestSupport.h"

using log_tests::LogLine;
using log_tests::ParseLine;
using log_tests::SplitLines;
using testing_support::LogCapture;

namespace {

class LogFile : public ::testing::Test {
protected:
    void SetUp() override {
        path_ = directory_.File("host.log");
        file_ = CreateFileA(path_.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(INVALID_HANDLE_VALUE, file_);
        PeLmLogFileSet(file_);
    }
    void TearDown() override {
        PeLmLogFileSet(nullptr);
        PeLmLogWndSet(nullptr);
        PeLmLoggingOn(TRUE);
        PelmSharedLogClose();
        if (file_ != INVALID_HANDLE_VALUE) CloseHandle(file_);
    }

    void Log(const char* message, int kind = 0, int indent = 0, int flag = 0) {
        PelmLog(message, "CLogFileTest::Log", "LogFileTest", __LINE__, __DATE__, __TIME__, kind,
                indent, flag);
    }
    std::string Content() const { return testing_support::ReadFileBytes(path_); }
    std::vector<LogLine> Lines() const {
        std::vector<LogLine> lines;
        for (const std::string& line : SplitLines(Content())) lines.push_back(ParseLine(line));
        return lines;
    }
    // Also watch the records: a log window reading the shared block.
    void WatchRecords() {
        ASSERT_TRUE(PelmSharedLogOpen());
        PeLmLogWndSet(capture_.window());
    }

    testing_support::TempDirectory directory_;
    std::string path_;
    HANDLE file_ = INVALID_HANDLE_VALUE;
    LogCapture capture_;
};

TEST_F(LogFile, OneEntryIsTimeTabKindTabQuotedTextAndLineFeed) {
    const std::string message = "サーバーが生きているか確認";
    std::string before = log_tests::LocalNowText();
    Log(message.c_str(), 0);
    Log("ステータスコード：\t200", 2, 0);
    std::string after = log_tests::LocalNowText();

    std::string content = Content();
    EXPECT_EQ(std::string::npos, content.find('\r')) << "lines end with LF only";
    std::vector<std::string> raw = SplitLines(content);
    ASSERT_EQ(2u, raw.size());
    ASSERT_EQ('\n', content.back());
    std::string time = raw[0].substr(0, 19);
    EXPECT_TRUE(log_tests::IsTimeStamp(time)) << time;
    EXPECT_LE(before, time);
    EXPECT_GE(after, time);
    EXPECT_EQ(time + "\t0\t\"" + message + "\"", raw[0]);
    // A tab inside the message stays: only line feeds are replaced.
    EXPECT_EQ("\t2\t\"ステータスコード：\t200\"", raw[1].substr(19));
}

TEST_F(LogFile, IndentIsTwoSpacesPerLevelInsideTheQuotes) {
    WatchRecords();
    Log("zero", 1, 0);
    Log("one", 1, 1);
    Log("two", 1, 2);
    Log("five", 1, 5);
    Log("negative", 1, -3);
    std::vector<LogLine> lines = Lines();
    ASSERT_EQ(5u, lines.size());
    EXPECT_EQ("zero", lines[0].text);
    EXPECT_EQ("  one", lines[1].text);
    EXPECT_EQ("    two", lines[2].text);
    EXPECT_EQ("          five", lines[3].text);
    EXPECT_EQ("negative", lines[4].text) << "a negative depth indents nothing";
    // The record keeps the bare message and the depth as given.
    ASSERT_EQ(5u, capture_.records().size());
    EXPECT_STREQ("two", capture_.records()[2].message);
    EXPECT_EQ(2, capture_.records()[2].indent);
    EXPECT_EQ(-3, capture_.records()[4].indent);
}

TEST_F(LogFile, AbsurdIndentStillWritesOneLine) {
    // A host passing a wild depth must not lose the entry (or exhaust memory on spaces).
    Log("deep", 2, INT_MAX);
    std::vector<LogLine> lines = Lines();
    ASSERT_EQ(1u, lines.size());
    EXPECT_TRUE(lines[0].wellFormed);
    EXPECT_EQ("deep", lines[0].text.substr(lines[0].text.find_first_not_of(' ')));
}

TEST_F(LogFile, LineFeedBecomesSpaceInFileButStaysInRecord) {
    WatchRecords();
    Log("first\nsecond\n", 1, 1);
    Log("say \"hi\"\r\nend", 1, 0);

    std::vector<std::string> raw = SplitLines(Content());
    ASSERT_EQ(2u, raw.size()) << "one line per entry";
    EXPECT_EQ("  first second ", ParseLine(raw[0]).text);
    // Quotes and carriage returns are left as they are.
    EXPECT_EQ("say \"hi\"\r end", ParseLine(raw[1]).text);

    ASSERT_EQ(2u, capture_.records().size());
    EXPECT_STREQ("first\nsecond\n", capture_.records()[0].message);
    EXPECT_STREQ("say \"hi\"\r\nend", capture_.records()[1].message);
}

TEST_F(LogFile, TextsAreCutTo255BytesInRecordAndLine) {
    WatchRecords();
    std::string message(300, 'm');
    for (size_t i = 0; i < message.size(); ++i) message[i] = static_cast<char>('a' + i % 26);
    std::string function(300, 'f'), source(300, 's');
    PelmLog(message.c_str(), function.c_str(), source.c_str(), 7, __DATE__, __TIME__, 2, 0, 0);
    // A double-byte character across the limit is split: the cut counts bytes.
    std::string split = std::string(254, 'x') + "あ";
    Log(split.c_str(), 2, 0);

    std::vector<LogLine> lines = Lines();
    ASSERT_EQ(2u, lines.size());
    EXPECT_EQ(message.substr(0, 255), lines[0].text);
    EXPECT_EQ(split.substr(0, 255), lines[1].text);

    ASSERT_EQ(2u, capture_.records().size());
    const LOG_RECORD& record = capture_.records()[0];
    EXPECT_EQ(message.substr(0, 255), std::string(record.message));
    EXPECT_EQ(function.substr(0, 255), std::string(record.function));
    EXPECT_EQ(source.substr(0, 255), std::string(record.source));
    EXPECT_EQ(255u, strlen(capture_.records()[1].message));
    EXPECT_EQ('\x82', capture_.records()[1].message[254]) << "lead byte of the split character";
}

TEST_F(LogFile, EndOfCallWithEmptyMessageIsTwoQuotes) {
    std::string before = log_tests::LocalNowText();
    Log("", 99, 0);
    std::string after = log_tests::LocalNowText();
    std::string content = Content();
    ASSERT_EQ(19u + 7u, content.size()) << content;
    std::string time = content.substr(0, 19);
    EXPECT_TRUE(log_tests::IsTimeStamp(time));
    EXPECT_LE(before, time);
    EXPECT_GE(after, time);
    EXPECT_EQ("\t99\t\"\"\n", content.substr(19));
}

TEST_F(LogFile, HostTextWrittenBetweenEntriesStaysInPlace) {
    Log("entry one", 0);
    // The host writes through a handle of its own, and also moves the log handle's pointer
    // back to the start: each entry must still go after everything in the file.
    HANDLE host = CreateFileA(path_.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, host);
    DWORD written = 0;
    ASSERT_TRUE(WriteFile(host, "host text\r\n", 11, &written, nullptr));
    CloseHandle(host);
    SetFilePointer(file_, 0, nullptr, FILE_BEGIN);
    Log("entry two", 0);

    std::vector<std::string> raw = SplitLines(Content());
    ASSERT_EQ(3u, raw.size());
    EXPECT_EQ("entry one", ParseLine(raw[0]).text);
    EXPECT_EQ("host text\r", raw[1]);
    EXPECT_EQ("entry two", ParseLine(raw[2]).text);
}

TEST_F(LogFile, AppendOnlyHandleReceivesLinesOneAfterAnother) {
    PeLmLogFileSet(nullptr);
    CloseHandle(file_);
    testing_support::WriteFileBytes(path_, "existing\n");
    file_ = CreateFileA(path_.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                        FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, file_);
    PeLmLogFileSet(file_);
    for (const char* message : {"a", "b", "c"}) Log(message, 1);
    std::vector<std::string> raw = SplitLines(Content());
    ASSERT_EQ(4u, raw.size());
    EXPECT_EQ("existing", raw[0]);
    EXPECT_EQ("a", ParseLine(raw[1]).text);
    EXPECT_EQ("b", ParseLine(raw[2]).text);
    EXPECT_EQ("c", ParseLine(raw[3]).text);
}

TEST_F(LogFile, RecordCarriesEveryFieldOfTheCall) {
    WatchRecords();
    std::string before = log_tests::LocalNowText();
    PelmLog("ログインできた", "CLoginManager::Save", "PelmoraAPI", 4321, "Jan  1 2024", "01:02:03",
            4, 3, 1);
    std::string after = log_tests::LocalNowText();
    ASSERT_EQ(1u, capture_.records().size());
    const LOG_RECORD& record = capture_.records()[0];
    EXPECT_STREQ("ログインできた", record.message);
    EXPECT_STREQ("CLoginManager::Save", record.function);
    EXPECT_STREQ("PelmoraAPI", record.source);
    EXPECT_EQ(4321, record.line);
    EXPECT_EQ(4, record.kind);
    EXPECT_EQ(3, record.indent);
    EXPECT_EQ(1, record.flag);
    std::string time = record.time;
    EXPECT_TRUE(log_tests::IsTimeStamp(time)) << time;
    EXPECT_LE(before, time);
    EXPECT_GE(after, time);
    // The build date and time are taken but written nowhere.
    EXPECT_EQ(std::string::npos, Content().find("Jan  1 2024"));
    EXPECT_EQ(std::string::npos, Content().find("01:02:03"));
}

TEST_F(LogFile, SwitchedOffWritesNothingToFileWindowOrBlock) {
    WatchRecords();
    Log("before", 1);
    ASSERT_EQ(1, capture_.notifications());
    std::string contentBefore = Content();

    PeLmLoggingOn(FALSE);
    EXPECT_FALSE(PeLmIsLogging());
    Log("while off", 1);
    EXPECT_EQ(contentBefore, Content());
    EXPECT_EQ(1, capture_.notifications());
    LOG_RECORD block;
    ASSERT_TRUE(PelmSharedLogRead(&block));
    EXPECT_STREQ("before", block.message) << "the block keeps its old record";

    PeLmLoggingOn(TRUE);
    EXPECT_TRUE(PeLmIsLogging());
    Log("after", 1);
    std::vector<LogLine> lines = Lines();
    ASSERT_EQ(2u, lines.size());
    EXPECT_EQ("after", lines[1].text);
    EXPECT_EQ(2, capture_.notifications());
}

TEST_F(LogFile, SinksAreSetReadBackAndTurnedOffByNull) {
    EXPECT_EQ(file_, PeLmLogFileGet());
    PeLmLogWndSet(capture_.window());
    EXPECT_EQ(capture_.window(), PeLmLogWndGet());

    PeLmLogFileSet(nullptr);
    PeLmLogWndSet(nullptr);
    EXPECT_EQ(nullptr, PeLmLogFileGet());
    EXPECT_EQ(nullptr, PeLmLogWndGet());
    Log("nowhere", 1);  // built and dropped
    EXPECT_EQ("", Content());
    EXPECT_EQ(0, capture_.notifications());

    // A change takes effect with the next entry.
    PeLmLogFileSet(file_);
    Log("somewhere", 1);
    ASSERT_EQ(1u, Lines().size());
    EXPECT_EQ("somewhere", Lines()[0].text);
}

}  // namespace
