// "接続診断": the library's reachability ladder (adapter, Internet connection, service) run on
// a thread of the viewer, so the UI thread keeps pumping and answers the log notifications
// that every step sends. The viewer is the library's log window in its own process, so each
// step and its outcome land in its list.
#pragma once

#include <windows.h>

#include <string>

namespace logview {

// Points the library's endpoints at the defaults, or at a service at `serviceBase`
// ("http://host:port") when one is given.
void ConfigureEndpoints(const std::string& serviceBase);

// Starts the ladder; `done` is posted to `window` when it has finished. False when the thread
// could not start.
bool StartDiagnosis(HWND window, UINT done);

}  // namespace logview
