#include "cipher/TimeSeal.h"

#include <cstdlib>
#include <vector>

#include "cipher/Crypt.h"
#include "win32/Strings.h"

namespace storage {
namespace {

constexpr const char* kSealFormat = "%Y/%m/%d/%H/%M/%S";

// A failed step of the seal: its entry, then its exception.
struct Step {
    SealFailureLog log;
    const char* function;

    void WriteEntry(const char* entry) const {
        if (log != nullptr) log(function, entry);
    }
    [[noreturn]] void FailCrypt(const char* entry, const char* reason) const {
        WriteEntry(entry);
        throw frame::CCryptException(reason);
    }
    [[noreturn]] void FailFalsified(const char* entry) const {
        WriteEntry(entry);
        throw frame::CFalsificationException();
    }
};

// Pieces of `text` between runs of `separator`; leading and trailing runs give no empty piece.
std::vector<std::string> SplitRuns(const std::string& text, char separator) {
    std::vector<std::string> pieces;
    size_t start = 0;
    while (start < text.size()) {
        if (text[start] == separator) {
            ++start;
            continue;
        }
        size_t end = text.find(separator, start);
        if (end == std::string::npos) end = text.size();
        pieces.push_back(text.substr(start, end - start));
        start = end;
    }
    return pieces;
}

std::string DigestOf(const std::string& text, const Step& step) {
    std::string digest = CCrypt().MD5(text);
    if (digest.empty()) step.FailCrypt("ハッシュ値の生成に失敗", "ハッシュ値の生成に失敗しました");
    return digest;
}

int FieldValue(const std::vector<std::string>& fields, size_t index) {
    if (index >= fields.size()) return 0;
    // A field too large for an int reads as a value out of range, never as a wrapped one.
    long long value = std::strtoll(fields[index].c_str(), nullptr, 10);
    if (value > 100000 || value < -100000) return -1;
    return static_cast<int>(value);
}

bool InRange(const win32::LocalDate& d) {
    return d.year >= 1900 && d.month >= 1 && d.month <= 12 && d.day >= 1 && d.day <= 31 &&
           d.hour >= 0 && d.hour <= 23 && d.minute >= 0 && d.minute <= 59 && d.second >= 0 &&
           d.second <= 59;
}

}  // namespace

win32::Seconds CheckedLocalTime(const win32::LocalDate& date) {
    if (!InRange(date)) throw win32::HResultError(E_FAIL);
    win32::Seconds t = 0;
    if (!win32::FromLocalDate(date, t)) throw win32::HResultError(E_INVALIDARG);
    return t;
}

std::string SealTime(win32::Seconds t, SealFailureLog log) {
    const Step step{log, "EncryptCurrentTime"};
    const std::string timeText = win32::FormatLocalTime(t, kSealFormat);
    if (timeText.empty()) throw win32::HResultError(E_INVALIDARG);
    const std::string plain =
        win32::Format("%s %s", timeText.c_str(), DigestOf(timeText, step).c_str());
    std::string cipher;
    if (!CCrypt().Generate(cipher, plain, true))
        step.FailCrypt("暗号化に失敗", "暗号化に失敗しました");
    return cipher;
}

win32::Seconds UnsealTime(const std::string& data, SealFailureLog log) {
    const Step step{log, "DecryptTime"};
    std::string plain;
    // Nothing to decrypt in an empty file: it reads as content without pieces.
    if (!data.empty() && !CCrypt().Generate(plain, data, false))
        step.FailCrypt("復号化に失敗", "復号化に失敗しました");

    const std::vector<std::string> pieces = SplitRuns(plain, ' ');
    if (pieces.size() != 2) step.FailFalsified("保存されている情報が正しくありません");
    // The entry names "dead.dat" for both files; log readers search for this exact text.
    if (pieces[1] != DigestOf(pieces[0], step))
        step.FailFalsified("dead.datが改ざんされた可能性あり");

    const std::vector<std::string> fields = SplitRuns(pieces[0], '/');
    const win32::LocalDate date{FieldValue(fields, 0), FieldValue(fields, 1),
                                FieldValue(fields, 2), FieldValue(fields, 3),
                                FieldValue(fields, 4), FieldValue(fields, 5)};
    return CheckedLocalTime(date);
}

}  // namespace storage
