// The store's ring and the rows over it, small enough to turn over: what the viewer does at
// its million-record bound, without a window.
#include <gtest/gtest.h>

#include "RecordStore.h"
#include "RowView.h"

namespace {

using Texts = std::vector<std::string>;

// One record per letter of `messages`, each letter its message.
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

// Capacity 5 in chunks of 2: the ring turns over inside a chunk and across chunk ends.
TEST(RecordStore, FullRingDropsTheOldestAndCountsThem) {
    logview::RecordStore store(5, 2);
    Add(store, "1234567");
    EXPECT_EQ(Texts({"3", "4", "5", "6", "7"}), Messages(store));
    EXPECT_EQ(2u, store.dropped());
    EXPECT_EQ(nullptr, store.At(1));
    store.Clear();
    Add(store, "8");
    EXPECT_EQ(Texts({"8"}), Messages(store));
    EXPECT_EQ(0u, store.dropped());
}

TEST(RowView, FollowsTheRingAndTheFilter) {
    logview::RecordStore store(4, 2);
    logview::RowView rows;
    const logview::RowFilter errors(L"", 4), all;
    Add(store, "a");
    Add(store, "b", 4);
    Add(store, "c");
    EXPECT_TRUE(rows.Update(store, all, false));
    EXPECT_EQ(Texts({"a", "b", "c"}), Messages(store, &rows));
    Add(store, "de");  // "a" leaves the ring
    EXPECT_TRUE(rows.Update(store, all, false));
    EXPECT_EQ(Texts({"b", "c", "d", "e"}), Messages(store, &rows));

    EXPECT_TRUE(rows.Update(store, errors, true));  // a new filter applies while frozen
    EXPECT_EQ(Texts({"b"}), Messages(store, &rows));
    Add(store, "f", 4);
    EXPECT_FALSE(rows.Update(store, errors, true));
    EXPECT_TRUE(rows.Update(store, errors, false));
    EXPECT_EQ(Texts({"f"}), Messages(store, &rows));  // "b" left the ring meanwhile
    EXPECT_FALSE(rows.Update(store, errors, false));
}

}  // namespace
