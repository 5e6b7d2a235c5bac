// Which service server is in use, kept as two files in the data directory: "dead.dat" (the
// main server was found down) and "sub.dat" (requests go to the sub server). The state is the
// presence of a file; its sealed content is the moment the state began. Nothing is held in
// memory, so every process of the user sees the same state.
#pragma once

#include <string>

#include "win32/Time.h"

namespace storage {

class CServerState {
public:
    static std::wstring GetDeadFilePath();
    static std::wstring GetSubFilePath();

    // Presence only; the content is not read.
    static bool IsDead();
    static bool IsSub();

    // Stamp the file with the current moment; true when it was written. A file that cannot be
    // written is logged and left as it was. Throws CCryptException when the content cannot be
    // sealed (nothing is written). After ToSub the caller tells the user about the switch.
    static bool ToDead();
    static bool ToSub();

    // Delete the file if present.
    static void ReleaseDead();
    static void ReleaseSub();

    // The moment in the file; false when it cannot be opened (a missing file included).
    // Throws the exceptions of UnsealTime for content that fails its checks.
    static bool GetDeadTime(win32::Seconds& time);
    static bool GetSubTime(win32::Seconds& time);
};

}  // namespace storage
