#include "frame/CatchLadder.h"

#include <new>

#include "frame/Exceptions.h"
#include "frame/LastError.h"
#include "log/LogWriter.h"

namespace frame {
namespace {
const char* const kSource = "PelmoraAPI";
}

void RecordCurrentException(const char* function) {
    try {
        throw;
    } catch (const CNetworkAdapterException&) {
        // The check has logged its finding already.
        SetLastError(kErrorNetwork, "ネットワークにつながる環境がありません");
    } catch (const CInternetConnectionException&) {
        SetLastError(kErrorNetwork, "インターネットへの接続がありません");
    } catch (const CNetworkException& e) {
        std::string message = e.Reason();
        logging::LogError(message, function, kSource, 1);
        SetLastError(kErrorService, message);
    } catch (const CException& e) {
        std::string text = e.ErrorText(256);
        logging::LogError(text, function, kSource, 1);
        SetLastError(kErrorOther, text);
    } catch (...) {
        // Not one of ours (out of memory, a library error): still a failure the host must see.
        logging::LogError("", function, kSource, 1);
        SetLastError(kErrorOther, "");
    }
}

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
