// The rows the list shows: numbers of the store's records that pass the filter, in order.
// Brought up to date on the repaint timer, never per record.
#pragma once

#include <cstdint>
#include <vector>

#include "RecordStore.h"
#include "RowFilter.h"

namespace logview {

class RowView {
public:
    // Drops rows whose records the store let go, and takes in the records that came since the
    // last update (none while `frozen`, unless the filter changed). True when the rows changed.
    bool Update(const RecordStore& store, const RowFilter& filter, bool frozen);
    // After the store was cleared or refilled.
    void Reset();

    size_t size() const { return rows_.size(); }
    uint64_t operator[](size_t row) const { return rows_[row]; }

private:
    std::vector<uint64_t> rows_;
    RowFilter filter_;
    uint64_t seenEnd_ = 0;
};

}  // namespace logview
