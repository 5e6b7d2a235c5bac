#include "Diagnosis.h"

#include <new>
#include <system_error>
#include <thread>

#include "pelmora.h"
#include "win32/Strings.h"

namespace logview {
namespace {
const char kFunction[] = "CLogView::Diagnose";
const char kSource[] = "PelmoraLogView";

void Log(const std::string& message, int kind, int indent) {
    PelmLog(message.c_str(), kFunction, kSource, __LINE__, PELMORA_BUILD_DATE, PELMORA_BUILD_TIME,
            kind, indent, kind == 4 ? 1 : 0);
}

struct Step {
    BOOL(WINAPI* check)();
    const char* name;
};

const Step kLadder[] = {
    {PeLmGetIsNetworkAvailable, "ネットワークアダプタ"},
    {PeLmIsInternetConnected, "インターネット接続"},
    {PeLmIsServerAlive, "サービスの応答"},
};

// The first level that fails ends the ladder: nothing above it can work either.
void RunLadder() {
    Log("接続診断を開始", 0, 0);
    char url[1024] = "";
    PeLmTestUrlGet(url, sizeof url);
    Log(std::string("接続先：\t") + url, 3, 1);
    for (const Step& step : kLadder) {
        const bool passed = step.check() != FALSE;
        Log(win32::Format("%s：\t%s", step.name, passed ? "OK" : "NG"), passed ? 1 : 4, 1);
        if (!passed) {
            Log(win32::Format("接続診断の結果：\t%sに問題があります", step.name), 4, 0);
            return;
        }
    }
    Log("接続診断の結果：\t問題は見つかりませんでした", 1, 0);
}

}  // namespace

void ConfigureEndpoints(const std::string& serviceBase) {
    PeHmInitialize(0, 0, 0, 0);
    if (serviceBase.empty()) return;
    PeLmConnectUrlSet((serviceBase + "/").c_str());
    PeLmTestUrlSet((serviceBase + "/Pelmora/Pelmora/CheckSqlServerRunning").c_str());
    PeLmLoginUrlSet((serviceBase + "/Pelmora/Pelmora/Login").c_str());
}

bool StartDiagnosis(HWND window, UINT done) {
    try {
        // Not joined: closing the viewer must not wait for a slow service.
        std::thread([window, done] {
            // Out of memory, the ladder stops where it is; the viewer goes on.
            try {
                RunLadder();
            } catch (const std::bad_alloc&) {
            }
            PostMessageW(window, done, 0, 0);
        }).detach();
        return true;
    } catch (const std::system_error&) {
        return false;
    }
}

}  // namespace logview
