#include "win32/OwnerOnly.h"

#include <aclapi.h>

#include <utility>
#include <vector>

#include "win32/Handle.h"

namespace win32 {
namespace {

// The SID of the user the process runs as, inside `buffer`; nullptr when it cannot be read.
PSID CurrentUser(std::vector<BYTE>& buffer) {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return nullptr;
    KernelHandle owned(token);
    DWORD size = 0;
    GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    buffer.resize(size);
    if (size == 0 || !GetTokenInformation(token, TokenUser, buffer.data(), size, &size))
        return nullptr;
    return reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid;
}

EXPLICIT_ACCESSW FullAccessFor(PSID sid, DWORD inheritance) {
    EXPLICIT_ACCESSW access{};
    access.grfAccessPermissions = GENERIC_ALL;
    access.grfAccessMode = SET_ACCESS;
    access.grfInheritance = inheritance;
    access.Trustee.TrusteeForm = TRUSTEE_IS_SID;
    access.Trustee.ptstrName = static_cast<LPWSTR>(sid);
    return access;
}

}  // namespace

OwnerOnlyAttributes::OwnerOnlyAttributes(Inheritance inheritance) {
    std::vector<BYTE> buffer;
    const PSID user = CurrentUser(buffer);
    SID_IDENTIFIER_AUTHORITY authority = SECURITY_NT_AUTHORITY;
    PSID system = nullptr;
    if (user == nullptr || !AllocateAndInitializeSid(&authority, 1, SECURITY_LOCAL_SYSTEM_RID, 0, 0,
                                                     0, 0, 0, 0, 0, &system))
        return;
    const DWORD inherited = inheritance == Inheritance::kByContents
                                ? SUB_CONTAINERS_AND_OBJECTS_INHERIT
                                : NO_INHERITANCE;
    EXPLICIT_ACCESSW entries[] = {FullAccessFor(user, inherited), FullAccessFor(system, inherited)};
    PACL list = nullptr;
    const DWORD result = SetEntriesInAclW(2, entries, nullptr, &list);
    FreeSid(system);
    if (result != ERROR_SUCCESS) {
        SetLastError(result);
        return;
    }
    LocalMemory owned(list);
    if (!InitializeSecurityDescriptor(&descriptor_, SECURITY_DESCRIPTOR_REVISION) ||
        !SetSecurityDescriptorDacl(&descriptor_, TRUE, list, FALSE) ||
        !SetSecurityDescriptorControl(&descriptor_, SE_DACL_PROTECTED, SE_DACL_PROTECTED))
        return;
    list_ = std::move(owned);
    attributes_.nLength = sizeof attributes_;
    attributes_.lpSecurityDescriptor = &descriptor_;
}

}  // namespace win32
