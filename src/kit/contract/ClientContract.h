// What the library and its client program pmqclient.exe agree on, in one place: the program and
// the files they exchange, the lines of the request, the exit codes that are not HTTP statuses,
// and the client's own file in the data directory. The library, the client, the tests and the
// benchmarks that play either side all take them from here.
#pragma once

namespace contract {

// In the program directory, which the library only reads.
constexpr const char kClientProgram[] = "pmqclient.exe";

// The library names both files on the client's command line, each quoted, after the program's
// own quoted path: `"<client>" "<request>" "<response>"`. They lie in the exchange folder below
// the data directory, the user's and the system's alone, and carry the host's process id, the
// thread's id and a count of the process's exchanges, so no two exchanges share a file; the
// process id tells the next exchange whether a file's writer is gone.
constexpr const wchar_t kExchangeFolder[] = L"exchange";
constexpr const wchar_t kRequestFileFormat[] = L"pmqrequest-%lu-%lu-%lu.dat";
constexpr const wchar_t kResponseFileFormat[] = L"pmqresponse-%lu-%lu-%lu.xml";

// A client started without arguments (by hand, or by a host of an earlier release) takes the
// request from, and leaves the answer in, these files beside itself.
constexpr const char kRequestFile[] = "pmqrequest.dat";    // encrypted request text
constexpr const char kResponseFile[] = "pmqresponse.xml";  // the answer's body as it came

// The request text: three lines, each "key" + value + LF.
constexpr const char kUrlKey[] = "url:";
constexpr const char kQueryKey[] = "query:";
constexpr const char kShowProxyDialogKey[] = "showproxydlg:";

// An answer larger than this is unusable: the client does not write it, the library does not
// read it.
constexpr unsigned long kMaxAnswerBytes = 16ul << 20;

// Exit codes besides the HTTP status.
constexpr unsigned long kExitNoStatus = 1234;          // no answer to deliver at all
constexpr unsigned long kExitProxyAuthRequired = 407;  // a proxy wanted credentials, got none

// The per-user data directory, below the local application data folder, and the client's
// saved proxy user in it.
constexpr const wchar_t kDataFolder[] = L"Torva Inc\\Pelmora";
constexpr const wchar_t kProxyUserFile[] = L"ProxyUser.dat";

}  // namespace contract
