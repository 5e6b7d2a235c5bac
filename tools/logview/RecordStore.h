// The viewer's records: a ring of whole LOG_RECORDs, so the log notification can read the
// shared block straight into its slot. Records are numbered from the last clear; once the ring
// is full each new record replaces the oldest, which is counted. Memory is taken a chunk at a
// time as the ring first fills, never per record.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "pelmora.h"

namespace logview {

class RecordStore {
public:
    static constexpr size_t kDefaultCapacity = 1000000;
    static constexpr size_t kDefaultChunkRecords = 4096;

    explicit RecordStore(size_t capacity = kDefaultCapacity,
                         size_t chunkRecords = kDefaultChunkRecords);

    // The slot the next record goes into (the oldest record is dropped first when the ring is
    // full); nullptr when no memory is left for it. Commit() keeps what was written there.
    LOG_RECORD* Reserve();
    void Commit() { ++end_; }

    // The record numbered `number`, nullptr when it was dropped or never came.
    const LOG_RECORD* At(uint64_t number) const;
    uint64_t first() const { return first_; }
    uint64_t end() const { return end_; }
    uint64_t dropped() const { return dropped_; }
    size_t capacity() const { return capacity_; }

    void Clear();

private:
    LOG_RECORD* ChunkFor(size_t slot);

    size_t capacity_;
    size_t chunkRecords_;
    std::vector<std::unique_ptr<LOG_RECORD[]>> chunks_;
    uint64_t first_ = 0;
    uint64_t end_ = 0;
    uint64_t dropped_ = 0;
};

}  // namespace logview
