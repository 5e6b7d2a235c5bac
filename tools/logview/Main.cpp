// PelmoraLogView.exe: the live log viewer (the switches: CommandLine.h, or "/?"). Hosts find its
// window by class (PELMORA_LOGVIEW_CLASS) and make it their log window.
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include "CommandLine.h"
#include "Diagnosis.h"
#include "ViewerIds.h"
#include "ViewerMenu.h"
#include "ViewerWindow.h"
#include "pelmora.h"
#include "win32/Strings.h"

namespace {

logview::CommandLine ReadCommandLine() {
    int count = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &count);
    const win32::LocalMemory owned(argv);
    std::vector<std::wstring> arguments;
    for (int i = 1; argv && i < count; ++i) arguments.push_back(argv[i]);
    return logview::ParseCommandLine(arguments);
}

int RunMessageLoop(logview::ViewerWindow& viewer) {
    const win32::AcceleratorTable accelerators = logview::CreateViewerAccelerators();
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (viewer.PreTranslate(message)) continue;
        if (TranslateAcceleratorW(viewer.window(), accelerators.get(), &message)) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return static_cast<int>(message.wParam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);
    const logview::CommandLine command = ReadCommandLine();
    if (command.showUsage || !command.error.empty()) {
        const std::wstring text = command.error.empty()
                                      ? logview::UsageText()
                                      : command.error + L"\r\n\r\n" + logview::UsageText();
        MessageBoxW(nullptr, text.c_str(), win32::FromBuiltIn("Pelmora ログ ビューア").c_str(),
                    MB_OK | (command.error.empty() ? MB_ICONINFORMATION : MB_ICONERROR));
        return command.error.empty() ? 0 : 2;
    }
    const logview::ViewerOptions& options = command.options;
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
    int result = RunMessageLoop(viewer);
    PeLmLogWndSet(nullptr);
    PelmSharedLogClose();
    return result;
}
