// One exchange in a process of its own, for the tests of exchanges that run side by side:
//   exchange_worker.exe PROGRAM_DIRECTORY ID
// sends the parameter id=ID and exits 0 when the answer is its own query ("id=ID&"), 1 when
// the answer is anything else, 2 when the exchange failed.
#include <windows.h>

#include <cstdio>
#include <string>

#include "frame/Directories.h"
#include "transport/HttpRequestUtil.h"

int main(int argc, char** argv) {
    if (argc != 3) return 3;
    frame::SetProgramDirectoryOverride(argv[1]);
    HttpUtility::CHttpRequestUtil request("https://127.0.0.1/worker");
    request.SetParameter("id", argv[2]);
    if (!request.Execute()) return 2;
    std::printf("%s\n", request.GetResponse().c_str());
    return request.GetResponse() == std::string("id=") + argv[2] + "&" ? 0 : 1;
}
