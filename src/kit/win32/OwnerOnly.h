// Access for the current user and the system only: files that hold one user's request or answer
// in a folder that other users may share.
#pragma once

#include <windows.h>

#include "win32/Handle.h"

namespace win32 {

// Security attributes for a new object: full access for the current user and the system,
// nothing for anyone else, nothing inherited from the folder.
class OwnerOnlyAttributes {
public:
    enum class Inheritance {
        kNone,       // a file
        kByContents  // a folder: what is made in it gets the same access
    };
    explicit OwnerOnlyAttributes(Inheritance inheritance = Inheritance::kNone);
    OwnerOnlyAttributes(const OwnerOnlyAttributes&) = delete;
    OwnerOnlyAttributes& operator=(const OwnerOnlyAttributes&) = delete;

    // nullptr when the access list could not be made (GetLastError tells why).
    SECURITY_ATTRIBUTES* get() { return list_ ? &attributes_ : nullptr; }

private:
    LocalMemory list_;
    SECURITY_DESCRIPTOR descriptor_{};
    SECURITY_ATTRIBUTES attributes_{};
};

}  // namespace win32
