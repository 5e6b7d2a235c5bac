// The log call to a file against the least a writer of the same lines must do: format the line
// and append it with SetFilePointer + WriteFile. Both run in the same process, in alternating
// rounds, so machine and Wine noise hit both alike. Then several threads logging into one file
// against one thread, and the shared block: write+read pairs.
#include <windows.h>

#include <time.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "common/BenchClock.h"
#include "pelmora.h"

namespace {

const int kRounds = 8;
const int kEntriesPerRound = 20000;
const int kSharedPairs = 20000;
const int kThreads = 4;

const char kMessage[] = "サーバーが生きているか確認";
const char kFunction[] = "CPelmoraInterface::Test";
const char kSource[] = "PelmoraInterface";
const int kKind = 0;
const int kIndent = 1;

HANDLE CreateLog(const std::string& path) {
    return CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

// The local time text. `perSecond` reuses the text within one second and reads the clock the
// cheapest way, as a careful writer would; otherwise each entry asks the runtime for the time.
const char* TimeText(bool perSecond) {
    static char text[32];
    static int64_t formattedSecond = -1;
    if (perSecond) {
        FILETIME clock;
        GetSystemTimeAsFileTime(&clock);
        int64_t second =
            (static_cast<int64_t>(clock.dwHighDateTime) << 32 | clock.dwLowDateTime) / 10000000;
        if (second == formattedSecond) return text;
        formattedSecond = second;
    }
    __time64_t now = _time64(nullptr);
    struct tm local;
    _localtime64_s(&local, &now);
    strftime(text, sizeof text, "%Y/%m/%d %H:%M:%S", &local);
    return text;
}

// The reference writer: the same line, indent and all, with one seek and one write per entry.
double BareRound(HANDLE file, bool timePerSecond) {
    char text[512];
    char line[600];
    double start = NowSeconds();
    for (int i = 0; i < kEntriesPerRound; ++i) {
        std::snprintf(text, sizeof text, "%*s%s", kIndent * 2, "", kMessage);
        int length = std::snprintf(line, sizeof line, "%s\t%d\t\"%s\"\n", TimeText(timePerSecond),
                                   kKind, text);
        SetFilePointer(file, 0, nullptr, FILE_END);
        DWORD written = 0;
        WriteFile(file, line, static_cast<DWORD>(length), &written, nullptr);
    }
    return NowSeconds() - start;
}

double LibraryRound() {
    double start = NowSeconds();
    for (int i = 0; i < kEntriesPerRound; ++i)
        PelmLog(kMessage, kFunction, kSource, __LINE__, __DATE__, __TIME__, kKind, kIndent, 0);
    return NowSeconds() - start;
}

std::string TempFile(const char* name) {
    char directory[MAX_PATH];
    GetTempPathA(MAX_PATH, directory);
    return std::string(directory) + name + std::to_string(GetCurrentProcessId()) + ".log";
}

void FileSink() {
    std::string barePath = TempFile("bench-bare-"), bareCachedPath = TempFile("bench-bare-sec-"),
                libraryPath = TempFile("bench-lib-");
    HANDLE bare = CreateLog(barePath), bareCached = CreateLog(bareCachedPath),
           library = CreateLog(libraryPath);
    PeLmLogFileSet(library);
    double bareTime = 0, bareCachedTime = 0, libraryTime = 0;
    BareRound(bare, false);  // warm-up: page cache, code, time zone data
    LibraryRound();
    for (int round = 0; round < kRounds; ++round) {
        bareTime += BareRound(bare, false);
        libraryTime += LibraryRound();
        bareCachedTime += BareRound(bareCached, true);
    }
    PeLmLogFileSet(nullptr);
    for (HANDLE file : {bare, bareCached, library}) CloseHandle(file);
    for (const std::string& path : {barePath, bareCachedPath, libraryPath})
        DeleteFileA(path.c_str());

    double entries = static_cast<double>(kRounds) * kEntriesPerRound;
    double bareRate = entries / bareTime, bareCachedRate = entries / bareCachedTime,
           libraryRate = entries / libraryTime;
    std::printf("file sink, %d entries each, %d alternating rounds\n", kRounds * kEntriesPerRound,
                kRounds);
    std::printf("  bare loop (time formatted per entry) : %10.0f entries/s\n", bareRate);
    std::printf("  bare loop (time formatted per second): %10.0f entries/s\n", bareCachedRate);
    std::printf("  PelmLog                              : %10.0f entries/s\n", libraryRate);
    std::printf("  ratio PelmLog / bare (per entry)     : %10.2f\n", libraryRate / bareRate);
    std::printf("  ratio PelmLog / bare (per second)    : %10.2f  (target >= 0.80)\n",
                libraryRate / bareCachedRate);
}

// `threads` threads log kEntriesPerRound entries in all into the library's file: seconds taken.
double ThreadedRound(int threads) {
    double start = NowSeconds();
    std::vector<std::thread> workers;
    for (int t = 0; t < threads; ++t) {
        workers.emplace_back([threads] {
            for (int i = 0; i < kEntriesPerRound / threads; ++i)
                PelmLog(kMessage, kFunction, kSource, __LINE__, __DATE__, __TIME__, kKind, kIndent,
                        0);
        });
    }
    for (std::thread& worker : workers) worker.join();
    return NowSeconds() - start;
}

void ThreadedFileSink() {
    std::string path = TempFile("bench-threads-");
    HANDLE file = CreateLog(path);
    PeLmLogFileSet(file);
    ThreadedRound(1);  // warm-up
    double oneTime = 0, manyTime = 0;
    for (int round = 0; round < kRounds; ++round) {
        oneTime += ThreadedRound(1);
        manyTime += ThreadedRound(kThreads);
    }
    PeLmLogFileSet(nullptr);
    CloseHandle(file);
    DeleteFileA(path.c_str());
    double entries = static_cast<double>(kRounds) * kEntriesPerRound;
    std::printf("file sink from threads, %d entries each side, %d alternating rounds\n",
                kRounds * kEntriesPerRound, kRounds);
    std::printf("  PelmLog, 1 thread                    : %10.0f entries/s\n", entries / oneTime);
    std::printf("  PelmLog, %d threads (total)           : %10.0f entries/s\n", kThreads,
                entries / manyTime);
    std::printf("  ratio %d threads / 1 thread           : %10.2f  (target >= 0.80)\n", kThreads,
                oneTime / manyTime);
}

void SharedBlock() {
    if (!PelmSharedLogOpen()) {
        std::printf("shared block: cannot open\n");
        return;
    }
    LOG_RECORD record{};
    std::snprintf(record.message, sizeof record.message, "%s", kMessage);
    LOG_RECORD read;
    double start = NowSeconds();
    for (int i = 0; i < kSharedPairs; ++i) {
        record.line = i;
        PelmSharedLogWrite(&record);
        PelmSharedLogRead(&read);
    }
    double elapsed = NowSeconds() - start;
    PelmSharedLogClose();
    std::printf("shared block: %10.0f write+read pairs/s (%d pairs, last line %d)\n",
                kSharedPairs / elapsed, kSharedPairs, read.line);
}

}  // namespace

int main() {
    FileSink();
    ThreadedFileSink();
    SharedBlock();
    return 0;
}
