#include "win32/ActivationScope.h"

#include "win32/ModuleFile.h"

namespace win32 {
namespace {

// The resource number a DLL's own manifest has (ISOLATIONAWARE_MANIFEST_RESOURCE_ID).
constexpr WORD kModuleManifestId = 2;

HMODULE ThisModule() {
    HMODULE module = nullptr;
    GetModuleHandleExW(
        GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
        reinterpret_cast<LPCWSTR>(&ThisModule), &module);
    return module;
}

// Made once per process, on first use, and released when the module unloads.
class ModuleContext {
public:
    ModuleContext() {
        ACTCTXW request = {};
        request.cbSize = sizeof request;
        request.dwFlags = ACTCTX_FLAG_HMODULE_VALID | ACTCTX_FLAG_RESOURCE_NAME_VALID;
        request.hModule = ThisModule();
        request.lpResourceName = MAKEINTRESOURCEW(kModuleManifestId);
        // lpSource names the module file; the context is read from its resource.
        const std::wstring path = ModuleFileName(request.hModule);
        if (request.hModule == nullptr || path.empty()) return;
        request.lpSource = path.c_str();
        context_ = CreateActCtxW(&request);
    }
    ~ModuleContext() {
        if (valid()) ReleaseActCtx(context_);
    }
    ModuleContext(const ModuleContext&) = delete;
    ModuleContext& operator=(const ModuleContext&) = delete;

    bool valid() const { return context_ != INVALID_HANDLE_VALUE; }
    HANDLE get() const { return context_; }

private:
    HANDLE context_ = INVALID_HANDLE_VALUE;
};

}  // namespace

ActivationScope::ActivationScope() {
    static const ModuleContext context;
    // Without the context the windows still work, with the host's look.
    active_ = context.valid() && ActivateActCtx(context.get(), &cookie_);
}

ActivationScope::~ActivationScope() {
    if (active_) DeactivateActCtx(0, cookie_);
}

}  // namespace win32
