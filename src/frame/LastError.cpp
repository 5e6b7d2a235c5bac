#include "frame/LastError.h"

namespace frame {
namespace {
int g_code = kNoError;
std::string g_message;
}  // namespace

int GetLastErrorCode() { return g_code; }
const std::string& GetLastErrorMessage() { return g_message; }

void SetLastError(int code, const std::string& message) {
    g_code = code;
    g_message = message;
}

void ClearLastErrorCode() { g_code = kNoError; }

}  // namespace frame
