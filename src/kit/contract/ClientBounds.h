// How long one run of pmqclient.exe may take, agreed between the client and the library. Every
// run ends: the client gives the network a deadline and its proxy dialog a time limit of their
// own, and the library, which cannot trust a replacement client to keep them, waits longer than
// all of them together and then ends the client.
#pragma once

#include <windows.h>

#include <cstdlib>

namespace contract {

// Connect, send and receive of one run together, over every route, redirect and proxy
// challenge; the time the proxy dialog is open is not counted. Past it the client exits 1234.
constexpr DWORD kClientNetworkMs = 2 * 60 * 1000;
// The proxy dialog closes as a cancel after this long without typing...
constexpr DWORD kProxyDialogIdleMs = 3 * 60 * 1000;
// ...and the dialogs of one run are open this long at most, together.
constexpr DWORD kProxyDialogTotalMs = 10 * 60 * 1000;
// The library's wait for the client: all of the above and the client's start and end.
constexpr DWORD kClientWaitMs = 15 * 60 * 1000;
static_assert(kClientWaitMs > kClientNetworkMs + kProxyDialogTotalMs + 60 * 1000,
              "the library gives up only on a client that broke its own bounds");

// Test settings: each environment variable, in milliseconds, shortens its bound (never
// lengthens it; values below 100 are ignored). The client inherits the host's environment.
constexpr const char kClientNetworkMsSetting[] = "PMQCLIENT_DEADLINE_MS";
constexpr const char kProxyDialogIdleMsSetting[] = "PMQCLIENT_DIALOG_IDLE_MS";
constexpr const char kClientWaitMsSetting[] = "PELMORA_CLIENT_WAIT_MS";

inline DWORD BoundFromEnvironment(const char* setting, DWORD bound) {
    char text[16] = {};
    const DWORD length = GetEnvironmentVariableA(setting, text, sizeof text);
    if (length == 0 || length >= sizeof text) return bound;
    const unsigned long shorter = std::strtoul(text, nullptr, 10);
    return shorter >= 100 && shorter < bound ? static_cast<DWORD>(shorter) : bound;
}

}  // namespace contract
