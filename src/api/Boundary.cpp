#include "api/Boundary.h"

#include <string>

#include "log/LogWriter.h"

namespace api {

void LogEscapedException(const char* function) noexcept {
    try {
        std::string text;
        try {
            throw;
        } catch (const win32::CException& e) {
            text = e.Reason();
        } catch (const std::exception& e) {
            text = e.what();
        } catch (...) {
        }
        logging::Write("例外により処理を中断しました：" + text,
                       {function, "PelmoraAPI", logging::Kind::kError, 1});
    } catch (...) {
        // Logging itself failed (out of memory): the safe result is all that is left.
    }
}

}  // namespace api
