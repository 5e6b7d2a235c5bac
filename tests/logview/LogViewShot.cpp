// Holds the viewer (started from here, so in this desktop) keeping saving what it receives, with
// the known rows and a filter, while scripts/desktop-screenshot.sh takes the picture:
// "logview-shot.ready" beside the program once the rows are drawn; the viewer closes once
// "logview-shot.taken" appears.
#include "ViewerProcess.h"

int main() {
    const std::string directory = testing_support::ExecutableDirectory();
    testing_support::TempDirectory kept;
    logview_tests::ViewerProcess viewer("/keep \"" + kept.File("kept-log.txt") + "\"");
    if (viewer.window() == nullptr || !PelmSharedLogOpen()) return 1;
    viewer.Command(logview::kKeepSavingCommand);
    SetWindowPos(viewer.window(), nullptr, 0, 0, 1000, 560, SWP_NOZORDER);
    PeLmLogWndSet(viewer.window());
    logview_tests::LogAll(logview_tests::KnownSequence());
    PeLmLogWndSet(nullptr);
    // Latin letters in lower case find "Login" in function names and addresses alike.
    viewer.SetFilter(L"login");
    viewer.Refresh();
    testing_support::WriteFileBytes(directory + "\\logview-shot.ready", "");
    testing_support::WaitUntil(
        [&] { return testing_support::FileExists(directory + "\\logview-shot.taken"); }, 60000);
    PelmSharedLogClose();
    return 0;
}
