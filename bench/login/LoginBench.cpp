// One silent login through the library against the least work the same login needs: its two
// requests made with WinHTTP in this process, plus two bare starts of the client program (the
// library starts it once per request). Both run against the local service in the same run,
// interleaved, so machine and Wine noise hit both alike.
//   login_bench [BASE_URL]    BASE_URL defaults to the PELMORA_BENCH_SERVICE variable.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <numeric>
#include <string>
#include <vector>

#include "common/BenchClock.h"
#include "DirectExchange.h"
#include "contract/ClientContract.h"
#include "pelmora.h"
#include "win32/Files.h"
#include "win32/Process.h"

namespace {

const int kWarmUp = 3;
const int kRounds = 30;
const double kTarget = 1.25;

const char kCompanyId[] = "DEMO001";
const char kPassword[] = "pelmora-demo";
const char kUserName[] = "demo";
// The body the library posts for the demo account: UTF-8 names percent-encoded, in its order.
const char kLoginForm[] =
    "%E4%BC%9A%E7%A4%BEID=DEMO001&%E3%83%91%E3%82%B9%E3%83%AF%E3%83%BC%E3%83%89=pelmora-demo&";
const char kTestPath[] = "/Pelmora/Pelmora/CheckSqlServerRunning";
const char kLoginPath[] = "/Pelmora/Pelmora/Login";
// What the client program answers when it finds no request beside itself.
const DWORD kClientNoRequestExit = contract::kExitNoStatus;

double NowMs() {
    return 1000.0 * NowSeconds();
}

std::string ProgramDirectory() {
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string result(path, length);
    return result.substr(0, result.find_last_of('\\'));
}

// Starts the program and waits for it; false unless it ran and gave the expected exit code.
bool StartAndWait(const std::string& program) {
    const std::wstring path = win32::WidePath(program);
    win32::KernelHandle process = win32::StartProcess(path, L"\"" + path + L"\"");
    return process && win32::AwaitExitCode(process.get()) == kClientNoRequestExit;
}

struct DirectTimes {
    double requestsMs = 0;
    double startsMs = 0;
    double total() const { return requestsMs + startsMs; }
};

// The reference side; false when an answer was not the accepted login the library gets.
bool TimeDirect(const std::string& base, const std::string& bareClient, DirectTimes& times) {
    double start = NowMs();
    bench::DirectExchange exchange;
    bench::DirectAnswer test = exchange.Send(base + kTestPath, "");
    bench::DirectAnswer login = exchange.Send(base + kLoginPath, kLoginForm);
    double requestsDone = NowMs();
    bool started = StartAndWait(bareClient) && StartAndWait(bareClient);
    times.requestsMs = requestsDone - start;
    times.startsMs = NowMs() - requestsDone;
    return started && test.status == 200 && test.body == "true" && login.status == 200 &&
           login.body.find("<Success>true</Success>") != std::string::npos;
}

// Work of (a) that (b) does not do, timed apart: the library's two local checks before the
// service test, and the proxy discovery the client runs for each of its two requests.
struct ExtraTimes {
    double checksMs = 0;
    double proxyDiscoveryMs = 0;
};

ExtraTimes TimeLibraryExtras(const std::string& base) {
    ExtraTimes times;
    double start = NowMs();
    PeLmGetIsNetworkAvailable();
    PeLmIsInternetConnected();
    double checksDone = NowMs();
    bench::DirectExchange exchange;
    exchange.DiscoverProxy(base + kTestPath);
    exchange.DiscoverProxy(base + kLoginPath);
    times.checksMs = checksDone - start;
    times.proxyDiscoveryMs = NowMs() - checksDone;
    return times;
}

bool TimeLibraryLogin(double& elapsedMs) {
    double start = NowMs();
    BOOL accepted = PeLmLoginUserCreate(kCompanyId, kPassword, kUserName);
    elapsedMs = NowMs() - start;
    return accepted != FALSE;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

double Mean(const std::vector<double>& values) {
    return std::accumulate(values.begin(), values.end(), 0.0) / static_cast<double>(values.size());
}

void PrintRow(const char* label, const std::vector<double>& values) {
    std::printf("  %-44s %8.2f ms %8.2f ms\n", label, Median(values), Mean(values));
}

void ReportLastError() {
    char message[512] = "";
    PeLmLastErrorMessageGet(message, sizeof message);
    std::printf("login_bench: the library refused the login: %d %s\n", PeLmLastErrorGet(), message);
}

// A copy of the client in a directory of its own: a bare start there finds no request file and
// can never take one meant for a real exchange beside the library.
struct BareClient {
    std::string directory, path;
    bool Prepare() {
        char temp[MAX_PATH];
        GetTempPathA(MAX_PATH, temp);
        directory =
            std::string(temp) + "pelmora-login-bench-" + std::to_string(GetCurrentProcessId());
        path = directory + "\\" + contract::kClientProgram;
        CreateDirectoryA(directory.c_str(), nullptr);
        return CopyFileA((ProgramDirectory() + "\\" + contract::kClientProgram).c_str(),
                         path.c_str(), FALSE) != FALSE;
    }
    ~BareClient() {
        DeleteFileA(path.c_str());
        RemoveDirectoryA(directory.c_str());
    }
};

}  // namespace

int main(int argc, char** argv) {
    const char* given = argc > 1 ? argv[1] : std::getenv("PELMORA_BENCH_SERVICE");
    if (given == nullptr || *given == '\0') {
        std::printf("login_bench: no service address (run it through scripts/run-bench.sh)\n");
        return 1;
    }
    const std::string base = given;
    BareClient bare;
    if (!bare.Prepare()) {
        std::printf("login_bench: cannot copy pmqclient.exe to %s\n", bare.directory.c_str());
        return 1;
    }
    PeHmInitialize(0, 0, 0, 0);
    PeLmTestUrlSet((base + kTestPath).c_str());
    PeLmLoginUrlSet((base + kLoginPath).c_str());

    std::vector<double> library, direct, requests, starts, checks, discovery, paired;
    for (int round = 0; round < kWarmUp + kRounds; ++round) {
        double libraryMs = 0;
        DirectTimes directTimes;
        if (!TimeLibraryLogin(libraryMs)) {
            ReportLastError();
            return 1;
        }
        if (!TimeDirect(base, bare.path, directTimes)) {
            std::printf("login_bench: the direct requests or a bare start failed\n");
            return 1;
        }
        ExtraTimes extras = TimeLibraryExtras(base);
        if (round < kWarmUp) continue;
        paired.push_back(libraryMs / directTimes.total());
        checks.push_back(extras.checksMs);
        discovery.push_back(extras.proxyDiscoveryMs);
        library.push_back(libraryMs);
        direct.push_back(directTimes.total());
        requests.push_back(directTimes.requestsMs);
        starts.push_back(directTimes.startsMs);
    }
    PeHmTerminate(0, 0);

    std::printf("login of %s against %s, %d rounds after %d warm-up rounds\n", kCompanyId,
                base.c_str(), kRounds, kWarmUp);
    std::printf("  %-44s %11s %11s\n", "per login", "median", "mean");
    PrintRow("(a) PeLmLoginUserCreate", library);
    PrintRow("(b) WinHTTP GET + POST, 2 bare client starts", direct);
    PrintRow("    of which the two requests", requests);
    PrintRow("    of which the two process starts", starts);
    std::printf("  parts of (a) that (b) leaves out, timed apart:\n");
    PrintRow("    adapter and connection checks", checks);
    PrintRow("    the client's proxy discovery, twice", discovery);
    const double ratio = Median(library) / Median(direct);
    std::printf(
        "ratio (a)/(b): %.3f by median, %.3f by mean, %.3f median of the rounds' own ratios\n",
        ratio, Mean(library) / Mean(direct), Median(paired));
    std::printf("target <= %.2f (by median): %s\n", kTarget, ratio <= kTarget ? "met" : "missed");
    return 0;
}
