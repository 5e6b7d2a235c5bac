#include "RowFilter.h"

#include "RecordText.h"

namespace logview {
namespace {
// Only Latin letters fold: kana and kanji have no case, and full-width letters are left as
// typed so that a search for them finds exactly them.
std::wstring FoldLatin(std::wstring text) {
    for (wchar_t& c : text) {
        if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
    }
    return text;
}
}  // namespace

RowFilter::RowFilter(const std::wstring& text, int kind) : text_(FoldLatin(text)), kind_(kind) {}

bool RowFilter::FieldMatches(const char* field, size_t size) const {
    // Searched as UTF-16: in Shift_JIS bytes a trail byte can look like a Latin letter.
    return FoldLatin(FieldText(field, size)).find(text_) != std::wstring::npos;
}

bool RowFilter::Matches(const LOG_RECORD& record) const {
    if (kind_ != kAllKinds && record.kind != kind_) return false;
    if (text_.empty()) return true;
    return FieldMatches(record.message, sizeof record.message) ||
           FieldMatches(record.function, sizeof record.function) ||
           FieldMatches(record.source, sizeof record.source);
}

}  // namespace logview
