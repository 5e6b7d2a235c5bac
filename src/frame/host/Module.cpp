#include "frame/host/Module.h"

extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace frame {
namespace {
HMODULE g_module = nullptr;
}

HMODULE GetLibraryModule() {
    return g_module != nullptr ? g_module : reinterpret_cast<HMODULE>(&__ImageBase);
}

void SetLibraryModule(HMODULE module) {
    g_module = module;
}

}  // namespace frame
