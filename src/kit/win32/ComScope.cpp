#include "win32/ComScope.h"

#include <objbase.h>

namespace win32 {

ComScope::ComScope()
    : result_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)),
      initialised_(SUCCEEDED(result_)) {}

ComScope::~ComScope() {
    // S_OK and S_FALSE both count one more initialisation that must be undone; a thread that
    // was already in another apartment (RPC_E_CHANGED_MODE) was not touched.
    if (initialised_) CoUninitialize();
}

}  // namespace win32
