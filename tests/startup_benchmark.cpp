// Times the configurator from launch to a sheet that answers messages, at 0, 1,000 and
// 10,000 stored pairs, beside two anchors launched the same way in the same run: the
// registry tool listing the same store ("reg query /s") and the minimal one-page sheet
// that reads and shows the same rows. Also the peak working set against the minimal sheet's.
// Prints the ratios of each run, as min, median and max; tests nothing.
//
// Usage: startup_benchmark CONFIGURATOR.exe MINIMAL_SHEET.exe [PAIRS...]   (under Wine only)
#include <windows.h>
#include <psapi.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <string>
#include <vector>

#include "store/store.h"
#include "tests/wine_check.h"

namespace {

struct Launch {
    double milliseconds;
    SIZE_T peakWorkingSet;
};

double Now(void)
{
    LARGE_INTEGER counter, frequency;
    QueryPerformanceCounter(&counter);
    QueryPerformanceFrequency(&frequency);
    return 1000.0 * (double)counter.QuadPart / (double)frequency.QuadPart;
}

PROCESS_INFORMATION Start(const std::string& commandLine)
{
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, NULL, TRUE};
    HANDLE nul = CreateFileA("NUL", GENERIC_WRITE, FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0, NULL);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = nul;
    startup.hStdError = nul;
    PROCESS_INFORMATION process = {};
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back(0);
    if (!CreateProcessA(NULL, line.data(), NULL, NULL, TRUE, 0, NULL, NULL, &startup, &process)) {
        printf("cannot start %s\n", commandLine.c_str());
        exit(1);
    }
    CloseHandle(nul);
    return process;
}

void End(PROCESS_INFORMATION* process)
{
    TerminateProcess(process->hProcess, 0);
    WaitForSingleObject(process->hProcess, 10000);
    CloseHandle(process->hProcess);
    CloseHandle(process->hThread);
}

// From launch to a visible window of that caption that answers a message.
Launch TimeToSheet(const std::string& commandLine, const char* caption)
{
    double start = Now();
    PROCESS_INFORMATION process = Start(commandLine);
    Launch result = {-1, 0};
    while (Now() - start < 60000) {
        HWND sheet = FindWindowA(NULL, caption);
        DWORD_PTR answer;
        if (sheet != NULL && IsWindowVisible(sheet) &&
            SendMessageTimeoutA(sheet, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 10000, &answer)) {
            result.milliseconds = Now() - start;
            break;
        }
        Sleep(1);
    }
    PROCESS_MEMORY_COUNTERS memory = {};
    memory.cb = sizeof memory;
    if (GetProcessMemoryInfo(process.hProcess, &memory, sizeof memory)) result.peakWorkingSet = memory.PeakWorkingSetSize;
    End(&process);
    return result;
}

double TimeToEnd(const std::string& commandLine)
{
    double start = Now();
    PROCESS_INFORMATION process = Start(commandLine);
    WaitForSingleObject(process.hProcess, 120000);
    double elapsed = Now() - start;
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    return elapsed;
}

void PrintRatios(const char* what, std::vector<double> ratios, double target)
{
    std::sort(ratios.begin(), ratios.end());
    printf("  %-34s %6.2f %6.2f %6.2f   target %.2f: %s\n", what, ratios.front(), ratios[ratios.size() / 2],
           ratios.back(), target, ratios[ratios.size() / 2] <= target ? "met" : "NOT MET");
}

// The store holds exactly `rows`, saved over whatever was there.
bool SeedStore(const PairRowText* rows, int count)
{
    const SaveRequest request = {NULL, NULL, NULL, NULL, NULL, 0, NULL};
    SaveResult result = SavePairListOver(rows, count, &request);
    char left[ASIDE_NAME_SIZE];
    RetireOldList(&result.held, 60000, left, left, NULL);
    FreeSaveResult(&result);
    return result.outcome == SAVE_DONE;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 3 || !RunningOnWine()) {
        printf("usage, under Wine: startup_benchmark CONFIGURATOR.exe MINIMAL_SHEET.exe [PAIRS...]\n");
        return 1;
    }
    std::vector<int> counts = {0, 1000, 10000};
    if (argc > 3) counts.clear();
    for (int i = 3; i < argc; ++i) counts.push_back(atoi(argv[i]));
    const std::string configurator = std::string("\"") + argv[1] + "\"";
    const std::string minimal = std::string("\"") + argv[2] + "\"";
    const int runs = 5;
    printf("Ratios per run, min / median / max of %d runs; times are medians.\n", runs);
    for (int count : counts) {
        std::vector<PairRowText> rows(count);
        for (int i = 0; i < count; ++i) {
            snprintf(rows[i].source, sizeof rows[i].source, "10.%d.%d.1", (i / 256) % 256, i % 256);
            snprintf(rows[i].destination, sizeof rows[i].destination, "192.168.0.1");
        }
        if (!SeedStore(rows.data(), count)) printf("the store could not be seeded\n");

        std::vector<double> ours, sheets, queries, toQuery, toSheet, memory;
        for (int run = 0; run < runs; ++run) {
            Launch configured = TimeToSheet(configurator, "Corvane Software - mDNS Configurator");
            Launch anchor = TimeToSheet(minimal, "Minimal Sheet");
            double query = TimeToEnd("reg.exe query \"HKLM\\Software\\Corvane Software\\mDNS\\Networks\" /s");
            ours.push_back(configured.milliseconds);
            sheets.push_back(anchor.milliseconds);
            queries.push_back(query);
            toQuery.push_back(configured.milliseconds / query);
            toSheet.push_back(configured.milliseconds / anchor.milliseconds);
            memory.push_back((double)configured.peakWorkingSet / (double)anchor.peakWorkingSet);
        }
        std::sort(ours.begin(), ours.end());
        std::sort(sheets.begin(), sheets.end());
        std::sort(queries.begin(), queries.end());
        printf("%d pairs: configurator %.0f ms, minimal sheet %.0f ms, reg query /s %.0f ms\n", count,
               ours[runs / 2], sheets[runs / 2], queries[runs / 2]);
        PrintRatios("configurator / reg query /s", toQuery, count == 10000 ? 0.4 : 1e9);
        PrintRatios("configurator / minimal sheet", toSheet, count == 10000 ? 1.3 : count == 0 ? 1.15 : 1e9);
        PrintRatios("peak working set / minimal sheet", memory, 1e9);
    }
    SeedStore(NULL, 0);
    return 0;
}
