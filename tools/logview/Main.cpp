// PelmoraLogView.exe [/server BASE_URL] [/diagnose] [/save PATH] [/open PATH] [/keep PATH]
//                    [/maxrecords N] [/maxbytes N] [/keepsplit N] [LOG_FILE]
// The live log viewer. Hosts find its window by class (PELMORA_LOGVIEW_CLASS) and make it
// their log window. /server points "接続診断" at a service other than the default endpoints;
// /diagnose runs it at start; /save, /open and /keep make the save, open and keep-saving
// commands use PATH without asking; /maxrecords and /maxbytes bound the store, /keepsplit the
// size of a kept file; LOG_FILE is opened at start.
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <cwchar>

#include "Diagnosis.h"
#include "ViewerIds.h"
#include "ViewerMenu.h"
#include "ViewerWindow.h"
#include "pelmora.h"
#include "win32/Strings.h"

namespace {

logview::ViewerOptions ParseCommandLine() {
    logview::ViewerOptions options;
    int count = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &count);
    const win32::LocalMemory owned(argv);
    for (int i = 1; argv && i < count; ++i) {
        std::wstring argument = argv[i];
        bool hasValue = i + 1 < count;
        if (argument == L"/server" && hasValue) {
            options.serviceBase = win32::ToNarrow(argv[++i]);
        } else if (argument == L"/diagnose") {
            options.diagnoseAtStart = true;
        } else if (argument == L"/save" && hasValue) {
            options.savePath = argv[++i];
        } else if (argument == L"/open" && hasValue) {
            options.openCommandPath = argv[++i];
        } else if (argument == L"/keep" && hasValue) {
            options.keepSavingPath = argv[++i];
        } else if (argument == L"/maxrecords" && hasValue) {
            options.maxRecords = static_cast<size_t>(std::wcstoull(argv[++i], nullptr, 10));
        } else if (argument == L"/maxbytes" && hasValue) {
            options.maxBytes = static_cast<size_t>(std::wcstoull(argv[++i], nullptr, 10));
        } else if (argument == L"/keepsplit" && hasValue) {
            options.keepSavingSplitBytes = std::wcstoull(argv[++i], nullptr, 10);
        } else {
            options.openPath = argument;
        }
    }
    return options;
}

int RunMessageLoop(HWND window) {
    const win32::AcceleratorTable accelerators = logview::CreateViewerAccelerators();
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (TranslateAcceleratorW(window, accelerators.get(), &message)) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return static_cast<int>(message.wParam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);
    logview::ViewerOptions options = ParseCommandLine();
    // The block must be open before any host can find the window, or the first
    // notifications would find nothing to read.
    PelmSharedLogOpen();
    logview::ConfigureEndpoints(options.serviceBase);
    logview::ViewerWindow viewer(options);
    if (!viewer.Create(instance, show)) return 1;
    // The diagnosis logs through this process's library: its entries come here too.
    PeLmLogWndSet(viewer.window());
    if (options.diagnoseAtStart)
        PostMessageW(viewer.window(), WM_COMMAND, logview::kDiagnoseCommand, 0);
    int result = RunMessageLoop(viewer.window());
    PeLmLogWndSet(nullptr);
    PelmSharedLogClose();
    return result;
}
