// The store and the rows over it, with bounds small enough to reach, without a window.
#include <gtest/gtest.h>

#include <cstring>
#include <tuple>

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
// frozen.
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

    store.Clear();
    Add(store, "n");
    EXPECT_TRUE(rows.Update(store, all, false));
    EXPECT_EQ(Texts({"n"}), Messages(store, rows));
    EXPECT_EQ(0u, store.dropped());
}

// Under the byte bound the newest records stay and read back whole; an unterminated field is cut.
TEST(RecordStore, ByteBoundKeepsTheNewestRecordsWhole) {
    const size_t bound = 4 * logview::RecordStore::kBlockBytes;
    logview::RecordStore store(1000000, bound);
    auto recordNumber = [](int i) {
        LOG_RECORD record{};
        std::tie(record.line, record.indent, record.kind, record.flag) =
            std::make_tuple(i, i % 5, i % 7, i % 2);
        std::memset(record.source, 's', sizeof record.source);  // no terminator
        std::memset(record.function, 'f', static_cast<size_t>(i) % sizeof record.function);
        std::snprintf(record.message, sizeof record.message, "%d", i);
        std::strcpy(record.time, "2026/12/07 10:00:00");
        return record;
    };
    const int added = 3000;
    for (int i = 0; i < added; ++i) ASSERT_TRUE(store.Add(recordNumber(i)));
    EXPECT_LE(store.bytes(), bound);
    ASSERT_GT(store.size(), 100u);
    ASSERT_LT(store.size(), static_cast<uint64_t>(added));
    EXPECT_EQ(static_cast<uint64_t>(added), store.end());
    EXPECT_EQ(store.first(), store.dropped());
    for (uint64_t n = store.first(); n < store.end(); ++n) {
        LOG_RECORD held, sent = recordNumber(static_cast<int>(n));
        ASSERT_TRUE(store.Get(n, held));
        sent.source[255] = '\0';
        EXPECT_EQ(std::make_tuple(sent.line, sent.indent, sent.kind, sent.flag),
                  std::make_tuple(held.line, held.indent, held.kind, held.flag));
        for (auto field :
             {&LOG_RECORD::message, &LOG_RECORD::function, &LOG_RECORD::source, &LOG_RECORD::time})
            ASSERT_STREQ(sent.*field, held.*field) << n;
    }
}

// A cell shows control characters as spaces (the saved row keeps tab and CR as the log file does)
// and is never written past, however narrow.
TEST(RecordText, CellsShowNoControlCharactersAndAreNeverWrittenPast) {
    LOG_RECORD record{};
    std::strcpy(record.message, "a\tb\r\nc");
    record.indent = 1;
    wchar_t cell[64];
    logview::ColumnText(record, logview::kMessageColumn, cell, 32);
    EXPECT_STREQ(L"    a b  c", cell);
    EXPECT_NE(std::wstring::npos, logview::RowText(record).find(L"\"  a\tb\r c\""));
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

}  // namespace
