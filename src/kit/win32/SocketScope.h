// Starts the platform socket layer for the length of one operation.
#pragma once

namespace win32 {

class SocketScope {
public:
    SocketScope();
    ~SocketScope();
    SocketScope(const SocketScope&) = delete;
    SocketScope& operator=(const SocketScope&) = delete;

private:
    bool started_;
};

}  // namespace win32
