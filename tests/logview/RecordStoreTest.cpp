// The store's ring and the rows over it, small enough to turn over: what the viewer does at
// its million-record bound, without a window.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "RecordStore.h"
#include "RowView.h"

namespace {

void Add(logview::RecordStore& store, const std::string& message, int kind = 1) {
    LOG_RECORD* slot = store.Reserve();
    ASSERT_NE(nullptr, slot);
    *slot = LOG_RECORD{};
    message.copy(slot->message, sizeof slot->message - 1);
    slot->kind = kind;
    store.Commit();
}

std::vector<std::string> Held(const logview::RecordStore& store) {
    std::vector<std::string> messages;
    for (uint64_t n = store.first(); n < store.end(); ++n) messages.push_back(store.At(n)->message);
    return messages;
}

std::vector<std::string> Shown(const logview::RecordStore& store, const logview::RowView& rows) {
    std::vector<std::string> messages;
    for (size_t i = 0; i < rows.size(); ++i) messages.push_back(store.At(rows[i])->message);
    return messages;
}

using Texts = std::vector<std::string>;

// Capacity 5 in chunks of 2: the ring turns over inside a chunk and across chunk ends.
TEST(RecordStore, FullRingDropsTheOldestAndCountsThem) {
    logview::RecordStore store(5, 2);
    for (const char* message : {"1", "2", "3", "4", "5", "6", "7"}) Add(store, message);
    EXPECT_EQ(Texts({"3", "4", "5", "6", "7"}), Held(store));
    EXPECT_EQ(2u, store.dropped());
    EXPECT_EQ(nullptr, store.At(1));
    store.Clear();
    EXPECT_EQ(Texts(), Held(store));
    EXPECT_EQ(0u, store.dropped());
    Add(store, "8");
    EXPECT_EQ(Texts({"8"}), Held(store));
}

TEST(RowView, FollowsTheRingAndTheFilter) {
    logview::RecordStore store(4, 2);
    logview::RowView rows;
    const logview::RowFilter errors(L"", 4), all;
    for (const char* message : {"a", "b", "c"}) Add(store, message, message[0] == 'b' ? 4 : 1);
    EXPECT_TRUE(rows.Update(store, all, false));
    EXPECT_EQ(Texts({"a", "b", "c"}), Shown(store, rows));

    Add(store, "d");
    Add(store, "e");  // "a" leaves the ring
    EXPECT_TRUE(rows.Update(store, all, false));
    EXPECT_EQ(Texts({"b", "c", "d", "e"}), Shown(store, rows));

    EXPECT_TRUE(rows.Update(store, errors, true));  // a new filter applies while frozen
    EXPECT_EQ(Texts({"b"}), Shown(store, rows));
    Add(store, "f", 4);
    EXPECT_FALSE(rows.Update(store, errors, true));
    EXPECT_TRUE(rows.Update(store, errors, false));
    EXPECT_EQ(Texts({"f"}), Shown(store, rows));  // "b" left the ring meanwhile
    EXPECT_FALSE(rows.Update(store, errors, false));
}

}  // namespace
