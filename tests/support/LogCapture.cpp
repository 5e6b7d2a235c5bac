#include "support/LogCapture.h"

#include <algorithm>
#include <cstring>

#include "win32/Handle.h"

namespace testing_support {
namespace {
const char kClassName[] = "PelmoraTestLogCapture";

LRESULT CALLBACK CaptureProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* capture = reinterpret_cast<LogCapture*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (message != PELMORA_WM_LOG || capture == nullptr)
        return DefWindowProcA(window, message, wParam, lParam);
    capture->OnLogNotification();
    return 0;
}
}  // namespace

LogCapture::LogCapture() {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = CaptureProcedure;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = kClassName;
    RegisterClassA(&windowClass);  // fails harmlessly when an earlier capture registered it
    window_ = CreateWindowExA(0, kClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                              windowClass.hInstance, nullptr);
    SetWindowLongPtrA(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

LogCapture::~LogCapture() {
    DestroyWindow(window_);
}

void LogCapture::Clear() {
    records_.clear();
    notifications_ = 0;
}

const LOG_RECORD* LogCapture::Find(const std::string& message) const {
    auto found = std::find_if(records_.begin(), records_.end(),
                              [&](const LOG_RECORD& record) { return message == record.message; });
    return found == records_.end() ? nullptr : &*found;
}

bool LogCapture::Mentions(const std::string& text) const {
    return std::any_of(records_.begin(), records_.end(), [&](const LOG_RECORD& record) {
        return std::string(record.message).find(text) != std::string::npos;
    });
}

// The library creates the named objects only when the host opens the block, which tests do
// after creating the capture: they are looked up on each notification.
void LogCapture::OnLogNotification() {
    ++notifications_;
    LOG_RECORD record;
    if (ReadNamedLogBlock(record)) records_.push_back(record);
}

LOG_RECORD PatternRecord(unsigned char seed) {
    LOG_RECORD record;
    auto* bytes = reinterpret_cast<unsigned char*>(&record);
    for (size_t i = 0; i < sizeof record; ++i) bytes[i] = static_cast<unsigned char>(seed + i * 7);
    return record;
}

bool SameBytes(const LOG_RECORD& a, const LOG_RECORD& b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

bool ReadNamedLogBlock(LOG_RECORD& record) {
    win32::KernelHandle mapping(OpenFileMappingA(FILE_MAP_READ, FALSE, "SharedLogMemory"));
    win32::KernelHandle mutex(
        OpenMutexA(SYNCHRONIZE | MUTEX_MODIFY_STATE, FALSE, "SharedLogMemoryMutex"));
    if (!mapping.valid() || !mutex.valid()) return false;
    win32::MappedView view(MapViewOfFile(mapping.get(), FILE_MAP_READ, 0, 0, sizeof record));
    if (!view.valid()) return false;
    const DWORD wait = WaitForSingleObject(mutex.get(), INFINITE);
    if (wait != WAIT_OBJECT_0 && wait != WAIT_ABANDONED) return false;
    std::memcpy(&record, view.get(), sizeof record);
    ReleaseMutex(mutex.get());
    return true;
}

}  // namespace testing_support
