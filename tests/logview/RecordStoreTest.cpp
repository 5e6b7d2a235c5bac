// The store's ring and the rows over it, small enough to turn over: what the viewer does at
// its million-record bound, without a window.
#include <gtest/gtest.h>

#include <cstring>

#include "RecordStore.h"
#include "RecordText.h"
#include "RowView.h"

namespace {

using Texts = std::vector<std::string>;

// One record per letter of `messages`, the letter its message.
void Add(logview::RecordStore& store, const std::string& messages, int kind = 1) {
    for (char message : messages) {
        LOG_RECORD* slot = store.Reserve();
        ASSERT_NE(nullptr, slot);
        *slot = LOG_RECORD{};
        slot->message[0] = message;
        slot->kind = kind;
        store.Commit();
    }
}

// The held records' messages; with `rows`, those the rows show.
Texts Messages(const logview::RecordStore& store, const logview::RowView* rows = nullptr) {
    Texts texts;
    for (uint64_t n = store.first(); !rows && n < store.end(); ++n)
        texts.push_back(store.At(n)->message);
    for (size_t i = 0; rows && i < rows->size(); ++i)
        texts.push_back(store.At((*rows)[i])->message);
    return texts;
}

// Capacity 5 in chunks of 2: the ring turns over inside a chunk and across chunk ends, counts
// what it drops, and the rows let those records go; a new filter applies even while frozen.
TEST(RecordStore, FullRingDropsTheOldestAndTheRowsFollow) {
    logview::RecordStore store(5, 2);
    logview::RowView rows;
    const logview::RowFilter all, errors(L"", 4);
    Add(store, "ab", 4);
    Add(store, "cd");
    Add(store, "e", 4);
    EXPECT_TRUE(rows.Update(store, all, false));
    Add(store, "fg");
    EXPECT_TRUE(rows.Update(store, all, false));
    EXPECT_EQ(Texts({"c", "d", "e", "f", "g"}), Messages(store, &rows));
    EXPECT_EQ(2u, store.dropped());
    EXPECT_EQ(nullptr, store.At(1));

    EXPECT_TRUE(rows.Update(store, errors, true));
    EXPECT_EQ(Texts({"e"}), Messages(store, &rows));
    Add(store, "hij");
    Add(store, "k", 4);
    EXPECT_FALSE(rows.Update(store, errors, true));
    EXPECT_TRUE(rows.Update(store, errors, false));
    EXPECT_EQ(Texts({"k"}), Messages(store, &rows)) << "\"e\" left the ring meanwhile";

    store.Clear();
    Add(store, "n");
    EXPECT_EQ(Texts({"n"}), Messages(store));
    EXPECT_EQ(0u, store.dropped());
}

// A list cell draws control characters as boxes: the message column shows them as spaces after
// the record's indent; the saved row keeps the tab and the carriage return as the log file does.
TEST(RecordText, MessageCellShowsNoControlCharacters) {
    LOG_RECORD record{};
    std::strcpy(record.message, "a\tb\r\nc");
    record.indent = 1;
    wchar_t cell[32];
    logview::ColumnText(record, logview::kMessageColumn, cell, 32);
    EXPECT_STREQ(L"    a b  c", cell);
    EXPECT_NE(std::wstring::npos, logview::RowText(record).find(L"\"  a\tb\r c\""));
}

}  // namespace
