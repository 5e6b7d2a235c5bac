// Which records the list shows: a text found in the message, function or source (Latin
// letters in either case), and one kind or all.
#pragma once

#include <string>

#include "pelmora.h"

namespace logview {

class RowFilter {
public:
    static constexpr int kAllKinds = -1;

    RowFilter() = default;
    RowFilter(const std::wstring& text, int kind);

    bool Matches(const LOG_RECORD& record) const;
    bool ShowsAll() const { return text_.empty() && kind_ == kAllKinds; }
    int kind() const { return kind_; }

    bool operator==(const RowFilter& other) const {
        return text_ == other.text_ && kind_ == other.kind_;
    }
    bool operator!=(const RowFilter& other) const { return !(*this == other); }

private:
    bool FieldMatches(const char* field, size_t size) const;

    std::wstring text_;  // folded to lower-case Latin letters
    int kind_ = kAllKinds;
};

}  // namespace logview
