// What the library and its client program pmqclient.exe agree on, in one place: the files they
// exchange in the program directory, the lines of the request, the exit codes that are not
// HTTP statuses, and the client's own file in the data directory. The library, the client, the
// tests and the benchmarks that play either side all take them from here.
#pragma once

namespace contract {

// In the program directory.
constexpr const char kClientProgram[] = "pmqclient.exe";
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
constexpr const char kDataFolder[] = "Torva Inc\\Pelmora";
constexpr const char kProxyUserFile[] = "ProxyUser.dat";

}  // namespace contract
