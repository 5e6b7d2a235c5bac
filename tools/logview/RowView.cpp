#include "RowView.h"

#include <algorithm>

namespace logview {
namespace {
bool Passes(const RecordStore& store, uint64_t number, const RowFilter& filter) {
    if (filter.ShowsAll()) return true;  // the numbers asked for are all held
    LOG_RECORD record;
    return store.Get(number, record) && filter.Matches(record);
}
}  // namespace

void RowView::Reset() {
    rows_.clear();
    seenEnd_ = 0;
}

bool RowView::Update(const RecordStore& store, const RowFilter& filter, bool frozen) {
    const size_t before = rows_.size();
    bool rebuilt = false;
    if (filter != filter_) {
        filter_ = filter;
        rows_.clear();
        if (!frozen) seenEnd_ = store.end();
        rebuilt = true;
        for (uint64_t number = store.first(); number < seenEnd_; ++number)
            if (Passes(store, number, filter_)) rows_.push_back(number);
    }
    auto kept = std::lower_bound(rows_.begin(), rows_.end(), store.first());
    const bool trimmed = kept != rows_.begin();
    if (!frozen) {
        rows_.erase(rows_.begin(), kept);
        for (uint64_t number = std::max(seenEnd_, store.first()); number < store.end(); ++number)
            if (Passes(store, number, filter_)) rows_.push_back(number);
        seenEnd_ = store.end();
    }
    return rebuilt || (trimmed && !frozen) || rows_.size() != before;
}

}  // namespace logview
