#include "support/LogCapture.h"

#include <cstring>

namespace testing_support {
namespace {
const char kClassName[] = "PelmoraTestLogCapture";
const char kBlockName[] = "SharedLogMemory";
const char kMutexName[] = "SharedLogMemoryMutex";

void RegisterClassOnce(WNDPROC procedure) {
    static bool registered = false;
    if (registered) return;
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = kClassName;
    RegisterClassA(&windowClass);
    registered = true;
}

// Copies the block under its mutex; the handles are opened by the caller.
bool CopyBlock(HANDLE mapping, HANDLE mutex, LOG_RECORD& record) {
    void* view = MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, sizeof record);
    if (view == nullptr) return false;
    DWORD wait = WaitForSingleObject(mutex, INFINITE);
    bool locked = wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED;
    if (locked) {
        std::memcpy(&record, view, sizeof record);
        ReleaseMutex(mutex);
    }
    UnmapViewOfFile(view);
    return locked;
}
}  // namespace

LogCapture::LogCapture() {
    RegisterClassOnce(&LogCapture::WindowProc);
    window_ = CreateWindowExA(0, kClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                              GetModuleHandleA(nullptr), nullptr);
    SetWindowLongPtrA(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

LogCapture::~LogCapture() {
    if (window_ != nullptr) DestroyWindow(window_);
    if (mapping_ != nullptr) CloseHandle(mapping_);
    if (mutex_ != nullptr) CloseHandle(mutex_);
}

void LogCapture::Clear() {
    records_.clear();
    notifications_ = 0;
}

const LOG_RECORD* LogCapture::Find(const std::string& message) const {
    for (const LOG_RECORD& record : records_) {
        if (message == record.message) return &record;
    }
    return nullptr;
}

bool LogCapture::Mentions(const std::string& text) const {
    for (const LOG_RECORD& record : records_) {
        if (std::string(record.message).find(text) != std::string::npos) return true;
    }
    return false;
}

LRESULT CALLBACK LogCapture::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == PELMORA_WM_LOG) {
        auto* self = reinterpret_cast<LogCapture*>(GetWindowLongPtrA(window, GWLP_USERDATA));
        if (self != nullptr) self->OnLogNotification();
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

void LogCapture::OnLogNotification() {
    ++notifications_;
    // Opened on first use: the library creates the named objects only when the host opens the
    // block, which tests do after creating the capture.
    if (mapping_ == nullptr) mapping_ = OpenFileMappingA(FILE_MAP_READ, FALSE, kBlockName);
    if (mutex_ == nullptr) mutex_ = OpenMutexA(MUTEX_ALL_ACCESS, FALSE, kMutexName);
    if (mapping_ == nullptr || mutex_ == nullptr) return;
    LOG_RECORD record;
    if (CopyBlock(mapping_, mutex_, record)) records_.push_back(record);
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
    HANDLE mapping = OpenFileMappingA(FILE_MAP_READ, FALSE, kBlockName);
    HANDLE mutex = OpenMutexA(MUTEX_ALL_ACCESS, FALSE, kMutexName);
    bool copied = mapping != nullptr && mutex != nullptr && CopyBlock(mapping, mutex, record);
    if (mapping != nullptr) CloseHandle(mapping);
    if (mutex != nullptr) CloseHandle(mutex);
    return copied;
}

}  // namespace testing_support
