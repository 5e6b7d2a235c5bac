// The viewer's records, packed: each record takes its fields' bytes and a small header, laid
// end to end in blocks, so a day of typical entries costs a fraction of whole LOG_RECORDs.
// Records are numbered from the last clear. Two bounds hold, whichever is reached first: a
// count of records and the bytes of the blocks and their index. Past either, the oldest records
// go (counted), a whole block at a time for the byte bound. Memory comes a block at a time; when
// none is left, what is held becomes the byte bound instead of failing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>

#include "pelmora.h"

namespace logview {

class RecordStore {
public:
    static constexpr size_t kDefaultCapacity = 1000000;
    static constexpr size_t kDefaultMaxBytes = 256u << 20;
    static constexpr size_t kBlockBytes = 64u << 10;

    explicit RecordStore(size_t capacity = kDefaultCapacity, size_t maxBytes = kDefaultMaxBytes);
    RecordStore(RecordStore&&) = default;
    RecordStore& operator=(RecordStore&&) = default;

    // Keeps a copy of `record`, dropping the oldest ones when a bound is reached. False, with
    // nothing dropped, when no memory can be had for it at all.
    bool Add(const LOG_RECORD& record);

    // Fills `record` with the record numbered `number` (its text fields terminated within their
    // sizes); false when it was dropped or never came.
    bool Get(uint64_t number, LOG_RECORD& record) const;

    uint64_t first() const { return first_; }
    uint64_t end() const { return end_; }
    uint64_t size() const { return end_ - first_; }
    uint64_t dropped() const { return dropped_; }
    size_t capacity() const { return capacity_; }
    size_t maxBytes() const { return maxBytes_; }
    // The memory the records take: their blocks and the index into them.
    size_t bytes() const;

    void Clear();

private:
    bool MakeRoomFor(size_t recordBytes);
    void DropOldestRecord();
    void DropOldestBlock();
    void ReleaseBlocksBeforeFirst();
    uint64_t BlocksEnd() const { return (firstBlock_ + blocks_.size()) * kBlockBytes; }

    size_t capacity_;
    size_t maxBytes_;
    std::deque<std::unique_ptr<char[]>> blocks_;
    std::unique_ptr<char[]> spare_;  // a released block kept for the next one
    std::deque<uint64_t> index_;     // where each held record starts, in bytes since the clear
    uint64_t firstBlock_ = 0;
    uint64_t writeAt_ = 0;
    uint64_t first_ = 0;
    uint64_t end_ = 0;
    uint64_t dropped_ = 0;
};

}  // namespace logview
