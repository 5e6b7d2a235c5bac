// What an exchange adds to the start of the client program: the lock, the encrypted request
// file, the response file. Both sides run the same scripted client with a no-op script, in the
// same run, interleaved, so machine noise hits both alike.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "common/BenchClock.h"
#include "contract/ClientContract.h"
#include "frame/host/Directories.h"
#include "transport/HttpRequestUtil.h"
#include "win32/Files.h"
#include "win32/Handle.h"
#include "win32/Process.h"

namespace {

const int kWarmUp = 3;
const int kRounds = 40;

double NowMs() {
    return 1000.0 * NowSeconds();
}

std::string ProgramDirectory() {
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string result(path);
    return result.substr(0, result.find_last_of('\\'));
}

// The reference: start the client with a request and an answer path and wait for it, nothing
// else (the exchange's own step).
double TimeBareStart(const std::string& directory) {
    const std::wstring client = win32::WidePath(directory + "\\" + contract::kClientProgram);
    const std::wstring commandLine = L"\"" + client + L"\" \"" +
                                     win32::WidePath(directory + "\\bare-request.dat") + L"\" \"" +
                                     win32::WidePath(directory + "\\bare-response.xml") + L"\"";
    double start = NowMs();
    win32::KernelHandle process = win32::StartProcess(client, commandLine);
    DWORD exitCode = process ? win32::AwaitExitCode(process.get()) : 0;
    return exitCode == 200 ? NowMs() - start : -1;
}

double TimeExchange() {
    double start = NowMs();
    HttpUtility::CHttpRequestUtil request("https://127.0.0.1/Pelmora/Pelmora/Login");
    request.SetParameter("id", "bench");
    bool ok = request.Execute().ok();
    return ok ? NowMs() - start : -1;
}

// The exchange's own work, from a program directory without the client: lock, folder sweep,
// request text, encryption, request file written and deleted.
double TimeOwnWork(const std::string& emptyDirectory, const std::string& clientDirectory) {
    frame::SetProgramDirectoryOverride(emptyDirectory.c_str());
    double start = NowMs();
    HttpUtility::CHttpRequestUtil request("https://127.0.0.1/Pelmora/Pelmora/Login");
    request.SetParameter("id", "bench");
    const HttpUtility::ExchangeOutcome outcome = request.Execute();
    const double ms = NowMs() - start;
    frame::SetProgramDirectoryOverride(clientDirectory.c_str());
    return outcome.error == HttpUtility::kErrorClientMissing ? ms : -1;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace

int main() {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    std::string directory =
        std::string(temp) + "pelmora-bench-" + std::to_string(GetCurrentProcessId());
    CreateDirectoryA(directory.c_str(), nullptr);
    std::string client = directory + "\\" + contract::kClientProgram;
    if (!CopyFileA((ProgramDirectory() + "\\fakeclient.exe").c_str(), client.c_str(), FALSE) ||
        !win32::WriteWholeFile(directory + "\\fakeclient-script.txt", "exit=200\n")) {
        std::printf("exchange_bench: cannot prepare %s\n", directory.c_str());
        return 1;
    }
    const std::string empty = directory + "\\no-client";
    CreateDirectoryA(empty.c_str(), nullptr);
    frame::SetProgramDirectoryOverride(directory.c_str());

    std::vector<double> bare, exchange, own;
    for (int round = 0; round < kWarmUp + kRounds; ++round) {
        double exchangeMs = TimeExchange();
        double bareMs = TimeBareStart(directory);
        double ownMs = TimeOwnWork(empty, directory);
        if (exchangeMs < 0 || bareMs < 0 || ownMs < 0) {
            std::printf("exchange_bench: a run failed\n");
            return 1;
        }
        if (round < kWarmUp) continue;
        exchange.push_back(exchangeMs);
        bare.push_back(bareMs);
        own.push_back(ownMs);
    }

    double bareMedian = Median(bare), exchangeMedian = Median(exchange);
    double ratio = exchangeMedian / bareMedian;
    std::printf("exchange (Execute, no-op client)   median %8.2f ms  over %d runs\n",
                exchangeMedian, kRounds);
    std::printf("bare CreateProcess + wait, same exe median %8.2f ms  over %d runs\n", bareMedian,
                kRounds);
    std::printf("the exchange's own work, no client to start  median %8.2f ms\n", Median(own));
    std::printf("ratio %.3f: the exchange adds %.1f%% to the process start (target <= 20%%)\n",
                ratio, (ratio - 1.0) * 100.0);

    const char* leftovers[] = {contract::kClientProgram,     "fakeclient-script.txt",
                               "fakeclient-requests.log",    "fakeclient-last-request.txt",
                               "fakeclient-commandline.txt", "fakeclient-pid.txt"};
    for (const char* name : leftovers) DeleteFileA((directory + "\\" + name).c_str());
    RemoveDirectoryA(empty.c_str());
    RemoveDirectoryA(directory.c_str());
    return 0;
}
