#include "RecordStore.h"

#include <new>

namespace logview {

RecordStore::RecordStore(size_t capacity, size_t chunkRecords)
    : capacity_(capacity),
      chunkRecords_(chunkRecords),
      chunks_((capacity + chunkRecords - 1) / chunkRecords) {}

LOG_RECORD* RecordStore::ChunkFor(size_t slot) {
    auto& chunk = chunks_[slot / chunkRecords_];
    if (!chunk) chunk.reset(new (std::nothrow) LOG_RECORD[chunkRecords_]);
    return chunk.get();
}

LOG_RECORD* RecordStore::Reserve() {
    if (end_ - first_ == capacity_) {
        ++first_;
        ++dropped_;
    }
    size_t slot = static_cast<size_t>(end_ % capacity_);
    LOG_RECORD* chunk = ChunkFor(slot);
    if (chunk == nullptr) {
        // Out of memory while the ring first fills (a 32-bit viewer): what is held so far
        // becomes the bound, and the ring turns over from here.
        if (slot == 0 || end_ != slot) return nullptr;
        capacity_ = slot;
        return Reserve();
    }
    return &chunk[slot % chunkRecords_];
}

const LOG_RECORD* RecordStore::At(uint64_t number) const {
    if (number < first_ || number >= end_) return nullptr;
    size_t slot = static_cast<size_t>(number % capacity_);
    return &chunks_[slot / chunkRecords_][slot % chunkRecords_];
}

void RecordStore::Clear() {
    first_ = end_ = dropped_ = 0;
}

}  // namespace logview
