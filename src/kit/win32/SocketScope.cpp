#include "win32/SocketScope.h"

#include <winsock2.h>

namespace win32 {

SocketScope::SocketScope() {
    WSADATA data;
    started_ = WSAStartup(MAKEWORD(2, 2), &data) == 0;
}

SocketScope::~SocketScope() {
    if (started_) WSACleanup();
}

}  // namespace win32
