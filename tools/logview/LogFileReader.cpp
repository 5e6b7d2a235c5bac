#include "LogFileReader.h"

#include <cstring>
#include <memory>
#include <new>

#include "RecordText.h"
#include "logline/LogLine.h"
#include "win32/Handle.h"
#include "win32/PlatformCalls.h"

namespace logview {
namespace {
constexpr size_t kReadBytes = 1u << 20;
// Longer than any line the library or the viewer writes (a row's four text fields in UTF-8 take
// at most 3 * 4 * 255 bytes): a longer run without a line end is no log line, and is passed over
// rather than gathered.
constexpr size_t kLongestLine = 4096;

// Feeds the lines of a byte stream, however it is cut into pieces, to the store.
class LineFeeder {
public:
    explicit LineFeeder(RecordStore& store) : store_(store) {}

    bool Feed(const char* bytes, size_t length) {
        const char* end = bytes + length;
        while (bytes < end) {
            const char* lineEnd = static_cast<const char*>(std::memchr(bytes, '\n', end - bytes));
            const char* pieceEnd = lineEnd ? lineEnd : end;
            if (!overlong_) {
                const size_t piece = static_cast<size_t>(pieceEnd - bytes);
                if (partial_.size() + piece > kLongestLine) {
                    overlong_ = true;
                    partial_.clear();
                } else {
                    partial_.append(bytes, piece);
                }
            }
            if (lineEnd == nullptr) break;
            if (!overlong_ && !TakeLine()) return false;
            partial_.clear();
            overlong_ = false;
            bytes = lineEnd + 1;
        }
        return true;
    }
    bool Finish() { return overlong_ || partial_.empty() || TakeLine(); }
    bool sawLogLine() const { return sawLogLine_; }

private:
    // A library log line (Shift_JIS, ends with a double quote) or a saved or kept row (UTF-8,
    // its file begins with a byte-order mark unless an earlier viewer wrote it).
    bool TakeLine() {
        if (firstLine_ && partial_.compare(0, 3, kSavedFileMark) == 0) partial_.erase(0, 3);
        firstLine_ = false;
        if (!partial_.empty() && partial_.back() == '\r') partial_.pop_back();
        const bool logLine = !partial_.empty() && partial_.back() == '"';
        if (logLine ? !logging::ParseLogLine(partial_.data(), partial_.size(), record_)
                    : !ParseRow(partial_, record_))
            return true;
        sawLogLine_ = true;
        return store_.Add(record_);
    }

    RecordStore& store_;
    std::string partial_;
    bool overlong_ = false;
    bool firstLine_ = true;
    bool sawLogLine_ = false;
    LOG_RECORD record_;
};
}  // namespace

LogFileResult ReadLogFile(const std::wstring& path, RecordStore& store,
                          const std::function<void()>& betweenReads) {
    // The host may still be writing it, or rotate it away.
    win32::FileHandle file(win32::Platform().createFile(
        path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
        OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file) return LogFileResult::kCannotRead;
    std::unique_ptr<char[]> buffer(new (std::nothrow) char[kReadBytes]);
    if (!buffer) return LogFileResult::kOutOfMemory;
    LineFeeder feeder(store);
    try {
        for (;;) {
            DWORD read = 0;
            if (!win32::Platform().readFile(file.get(), buffer.get(), kReadBytes, &read, nullptr))
                return LogFileResult::kCannotRead;
            if (read == 0) break;
            if (!feeder.Feed(buffer.get(), read)) return LogFileResult::kOutOfMemory;
            betweenReads();
        }
        if (!feeder.Finish()) return LogFileResult::kOutOfMemory;
    } catch (const std::bad_alloc&) {
        return LogFileResult::kOutOfMemory;
    }
    return feeder.sawLogLine() ? LogFileResult::kRead : LogFileResult::kNoLogLine;
}

}  // namespace logview
