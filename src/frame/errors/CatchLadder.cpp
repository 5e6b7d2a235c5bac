#include "frame/errors/CatchLadder.h"

#include <string>

#include "frame/errors/Exceptions.h"
#include "frame/errors/LastError.h"
#include "log/LogWriter.h"

namespace frame {
namespace {
const char* const kSource = "PelmoraAPI";

// The flow's error entry and the host's last error carry the same text.
void RecordFailure(const char* function, int code, const std::string& text) {
    logging::Write(text, {function, kSource, logging::Kind::kError, 1});
    RecordLastError(code, text);
}

// Maps the exception being handled; call only from inside a catch block.
void RecordCurrentException(const char* function) {
    try {
        throw;
    } catch (const CNetworkAdapterException&) {
        // The check has logged its finding already.
        RecordLastError(kErrorNetwork, "ネットワークにつながる環境がありません");
    } catch (const CInternetConnectionException&) {
        RecordLastError(kErrorNetwork, "インターネットへの接続がありません");
    } catch (const CNetworkException& e) {
        RecordFailure(function, kErrorService, e.Reason());
    } catch (const CException& e) {
        // Cut where the 256-byte buffer it was always read through cut it.
        RecordFailure(function, kErrorOther, e.GetErrorMessage().substr(0, 255));
    } catch (...) {
        // Not one of ours (out of memory, a library error): still a failure the host must see.
        RecordFailure(function, kErrorOther, "");
    }
}
}  // namespace

bool RunWithCatchLadder(const char* function, const std::function<void()>& work) {
    try {
        work();
        return true;
    } catch (...) {
        RecordCurrentException(function);
        return false;
    }
}

}  // namespace frame
