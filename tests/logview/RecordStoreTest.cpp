// The store and the rows over it, with bounds small enough to reach, without a window.
#include <gtest/gtest.h>

#include <cstring>

#include "CommandLine.h"
#include "RecordStore.h"
#include "RecordText.h"
#include "RowView.h"

namespace {

using Texts = std::vector<std::string>;

// One record per letter of `messages`, the letter its message.
void Add(logview::RecordStore& store, const std::string& messages, int kind = 1) {
    for (char message : messages) {
        LOG_RECORD record{};
        record.message[0] = message;
        record.kind = kind;
        record.flag = kind == 4;
        std::memset(record.source, 's', sizeof record.source);  // unterminated: cut, never overrun
        ASSERT_TRUE(store.Add(record));
    }
}

Texts Messages(const logview::RecordStore& store, const logview::RowView& rows) {
    Texts texts;
    LOG_RECORD record;
    for (size_t i = 0; i < rows.size(); ++i)
        texts.push_back(store.Get(rows[i], record) ? record.message : "?");
    return texts;
}

// A full store drops and counts the oldest, the rows let them go; a new filter applies while
// frozen; a field sent without its end is cut.
TEST(RecordStore, FullStoreDropsTheOldestAndTheRowsFollow) {
    logview::RecordStore store(5);
    logview::RowView rows;
    const logview::RowFilter all, errors(L"", 4);
    Add(store, "ab", 4);
    Add(store, "cd");
    Add(store, "e", 4);
    EXPECT_TRUE(rows.Update(store, all, false));
    Add(store, "fg");
    EXPECT_TRUE(rows.Update(store, all, false));
    EXPECT_EQ(Texts({"c", "d", "e", "f", "g"}), Messages(store, rows));
    EXPECT_EQ(2u, store.dropped());
    LOG_RECORD record;
    EXPECT_FALSE(store.Get(1, record));

    EXPECT_TRUE(rows.Update(store, errors, true));
    EXPECT_EQ(Texts({"e"}), Messages(store, rows));
    Add(store, "hij");
    Add(store, "k", 4);
    EXPECT_FALSE(rows.Update(store, errors, true));
    EXPECT_TRUE(rows.Update(store, errors, false));
    EXPECT_EQ(Texts({"k"}), Messages(store, rows)) << "\"e\" left the store meanwhile";
    ASSERT_TRUE(store.Get(rows[0], record));
    EXPECT_EQ(1, record.flag);
    EXPECT_EQ(std::string(255, 's'), record.source);

    store.Clear();
    EXPECT_EQ(0u, store.dropped());
}

// A cell and a saved row show control characters as spaces; a cell is never written past,
// however narrow.
TEST(RecordText, CellsShowNoControlCharactersAndAreNeverWrittenPast) {
    LOG_RECORD record{};
    std::strcpy(record.message, "a\tb\r\nc");
    record.indent = 1;
    wchar_t cell[64];
    logview::ColumnText(record, logview::kMessageColumn, cell, 32);
    EXPECT_STREQ(L"    a b  c", cell);
    EXPECT_NE(std::wstring::npos, logview::RowText(record).find(L"\"  a b  c\""));
    std::strcpy(record.time, "2026/12/07 10:00:00");
    std::strcpy(record.message, "\x83\x8d\x83\x4f");  // "ログ" in Shift_JIS
    std::strcpy(record.function, "F");
    std::strcpy(record.source, "S");
    record.line = 12345;
    for (int column = logview::kTimeColumn; column <= logview::kLineColumn; ++column) {
        for (int room : {1, 2, 5, 19}) {  // 19: one short of the time
            std::wmemset(cell, L'#', 64);
            logview::ColumnText(record, column, cell, room);
            EXPECT_LT(std::wcslen(cell), static_cast<size_t>(room)) << column << " " << room;
            EXPECT_EQ(std::wstring(64 - room, L'#'), std::wstring(cell + room, 64 - room))
                << column << " " << room;
        }
    }
}

// Switches in either case; "/?" asks for the usage; what is wrong stops the reading there, so no
// argument of a wrong command line is taken for a file to open.
TEST(LogViewCommandLine, SwitchesInEitherCaseAndErrorsThatOpenNothing) {
    const std::pair<std::vector<std::wstring>, const wchar_t*> cases[] = {
        {{L"/MaxRecords", L"5", L"-DIAGNOSE", L"a.log", L"b.log"}, L""},
        {{L"/bogus", L"a.log"}, L"不明なスイッチです: /bogus"},
        {{L"/save"}, L"/save の値がありません"},
        {{L"/SAVE", L"/diagnose"}, L"/SAVE の値がありません"},
        {{L"/maxrecords", L"1e6"}, L"/maxrecords の値が正しくありません: 1e6"},
        {{L"/keepsplit", L"0"}, L"/keepsplit の値が正しくありません: 0"},
    };
    for (const auto& [arguments, error] : cases) {
        const logview::CommandLine parsed = logview::ParseCommandLine(arguments);
        EXPECT_EQ(error, parsed.error);
        EXPECT_EQ(*error ? 0u : 2u, parsed.options.openPaths.size()) << parsed.options.maxRecords;
    }
    EXPECT_EQ(5u, logview::ParseCommandLine(cases[0].first).options.maxRecords);
    EXPECT_TRUE(logview::ParseCommandLine({L"/?"}).showUsage);
}
}  // namespace
