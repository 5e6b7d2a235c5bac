#include "RecordStore.h"

#include <cstring>
#include <new>

namespace logview {
namespace {
// The numbers of a record, then the lengths of its four text fields; the texts follow.
struct PackedHeader {
    int32_t line, indent, kind, flag;
    uint8_t lengths[4];
};

struct Field {
    size_t offset;
    size_t size;
};
const Field kFields[] = {{offsetof(LOG_RECORD, time), sizeof LOG_RECORD::time},
                         {offsetof(LOG_RECORD, message), sizeof LOG_RECORD::message},
                         {offsetof(LOG_RECORD, function), sizeof LOG_RECORD::function},
                         {offsetof(LOG_RECORD, source), sizeof LOG_RECORD::source}};

// A writer of the shared block may leave a field unterminated: it is cut to one byte less than
// its size, so that it reads back terminated.
PackedHeader HeaderOf(const LOG_RECORD& record) {
    PackedHeader header{record.line, record.indent, record.kind, record.flag, {}};
    const char* base = reinterpret_cast<const char*>(&record);
    for (size_t i = 0; i < 4; ++i)
        header.lengths[i] =
            static_cast<uint8_t>(strnlen(base + kFields[i].offset, kFields[i].size - 1));
    return header;
}

size_t PackedSize(const PackedHeader& header) {
    size_t size = sizeof header;
    for (uint8_t length : header.lengths) size += length;
    return size;
}
}  // namespace

RecordStore::RecordStore(size_t capacity, size_t maxBytes)
    : capacity_(capacity < 1 ? 1 : capacity), maxBytes_(maxBytes) {}

size_t RecordStore::bytes() const {
    return blocks_.size() * kBlockBytes + index_.size() * sizeof(uint64_t);
}

bool RecordStore::Add(const LOG_RECORD& record) {
    const PackedHeader header = HeaderOf(record);
    const size_t packedSize = PackedSize(header);
    try {
        if (size() == capacity_) DropOldestRecord();
        if (!MakeRoomFor(packedSize)) return false;
        index_.push_back(writeAt_);
    } catch (const std::bad_alloc&) {
        return false;
    }
    char* at = blocks_[writeAt_ / kBlockBytes - firstBlock_].get() + writeAt_ % kBlockBytes;
    std::memcpy(at, &header, sizeof header);
    at += sizeof header;
    const char* base = reinterpret_cast<const char*>(&record);
    for (size_t i = 0; i < 4; ++i) {
        std::memcpy(at, base + kFields[i].offset, header.lengths[i]);
        at += header.lengths[i];
    }
    writeAt_ += packedSize;
    ++end_;
    return true;
}

// A record never spans two blocks: one that does not fit starts the next block.
bool RecordStore::MakeRoomFor(size_t recordBytes) {
    if (writeAt_ + recordBytes <= BlocksEnd()) return true;
    while (!blocks_.empty() && bytes() + kBlockBytes > maxBytes_) DropOldestBlock();
    std::unique_ptr<char[]> block = std::move(spare_);
    if (!block) block.reset(new (std::nothrow) char[kBlockBytes]);
    if (!block) {
        if (blocks_.empty()) return false;
        // Out of memory (a 32-bit viewer with little left): the blocks held are the bound now.
        maxBytes_ = bytes();
        DropOldestBlock();
        block = std::move(spare_);
    }
    writeAt_ = BlocksEnd();
    blocks_.push_back(std::move(block));
    return true;
}

void RecordStore::DropOldestRecord() {
    index_.pop_front();
    ++first_;
    ++dropped_;
    ReleaseBlocksBeforeFirst();
}

void RecordStore::DropOldestBlock() {
    const uint64_t blockEnd = (firstBlock_ + 1) * kBlockBytes;
    while (!index_.empty() && index_.front() < blockEnd) {
        index_.pop_front();
        ++first_;
        ++dropped_;
    }
    spare_ = std::move(blocks_.front());
    blocks_.pop_front();
    ++firstBlock_;
}

void RecordStore::ReleaseBlocksBeforeFirst() {
    while (blocks_.size() > 1 && !index_.empty() &&
           index_.front() >= (firstBlock_ + 1) * kBlockBytes) {
        spare_ = std::move(blocks_.front());
        blocks_.pop_front();
        ++firstBlock_;
    }
}

bool RecordStore::Get(uint64_t number, LOG_RECORD& record) const {
    if (number < first_ || number >= end_) return false;
    const uint64_t at = index_[static_cast<size_t>(number - first_)];
    const char* packed = blocks_[at / kBlockBytes - firstBlock_].get() + at % kBlockBytes;
    PackedHeader header;
    std::memcpy(&header, packed, sizeof header);
    packed += sizeof header;
    record.line = header.line;
    record.indent = header.indent;
    record.kind = header.kind;
    record.flag = header.flag;
    char* base = reinterpret_cast<char*>(&record);
    for (size_t i = 0; i < 4; ++i) {
        std::memcpy(base + kFields[i].offset, packed, header.lengths[i]);
        base[kFields[i].offset + header.lengths[i]] = '\0';
        packed += header.lengths[i];
    }
    return true;
}

void RecordStore::Clear() {
    blocks_.clear();
    index_.clear();
    firstBlock_ = writeAt_ = first_ = end_ = dropped_ = 0;
}

}  // namespace logview
