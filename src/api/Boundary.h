// Every export is a boundary: no exception may reach the host, whose compiler assumes that a
// C function does not throw. Guarded runs the export's work and turns any exception into a
// log entry and the export's safe result.
#pragma once

namespace api {

// Logs an exception that reached an export (called inside a catch block; never throws).
void LogEscapedException(const char* function) noexcept;

template <typename Result, typename Work>
Result Guarded(const char* function, Result safeResult, Work&& work) noexcept {
    try {
        return work();
    } catch (...) {
        LogEscapedException(function);
        return safeResult;
    }
}

template <typename Work>
void GuardedVoid(const char* function, Work&& work) noexcept {
    try {
        work();
    } catch (...) {
        LogEscapedException(function);
    }
}

}  // namespace api
