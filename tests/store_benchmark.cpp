// Times the save and the start-up load of 10 to 10,000 pairs, and natively also 100,000,
// where the stand-in's cost is O(1) a call and the figures are the store's own. Not a
// test: it prints figures.
#include <windows.h>

#include <stdio.h>
#include <string.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include "store/store.h"
#include "store/store_names.h"
#include "tests/wine_check.h"

static double MillisecondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

std::vector<PairRowText> ManyRows(int count)
{
    std::vector<PairRowText> rows(count);
    for (int i = 0; i < count; ++i) {
        snprintf(rows[i].source, sizeof rows[i].source, "10.%d.%d.%d", (i / 65536) % 256, (i / 256) % 256, i % 256);
        snprintf(rows[i].destination, sizeof rows[i].destination, "192.168.0.1");
    }
    return rows;
}

#ifdef _WIN32
// The anchor: the registry tool importing the same list, its delete section included, as
// an administrator would replace the list by hand. Timed from its start to its end.
static double RegImportMilliseconds(const char* file)
{
    char command[MAX_PATH + 32];
    snprintf(command, sizeof command, "reg.exe import \"%s\"", file);
    STARTUPINFOA startup;
    ZeroMemory(&startup, sizeof startup);
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process;
    auto start = std::chrono::steady_clock::now();
    if (!CreateProcessA(NULL, command, NULL, NULL, FALSE, CREATE_NO_WINDOW, NULL, NULL, &startup, &process)) return -1;
    WaitForSingleObject(process.hProcess, INFINITE);
    double elapsed = MillisecondsSince(start);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return elapsed;
}

static void CompareWithRegImport(void)
{
    const int count = 10000, runs = 5;
    std::vector<PairRowText> rows = ManyRows(count);
    char file[MAX_PATH];
    GetTempPathA(MAX_PATH, file);
    strncat(file, "corvane-benchmark.reg", MAX_PATH - strlen(file) - 1);
    FILE* reg = fopen(file, "wb");
    if (reg == NULL) return;
    const char* key = "HKEY_LOCAL_MACHINE\\" NETWORKS_KEY_PATH;
    fprintf(reg, "REGEDIT4\r\n\r\n[-%s]\r\n\r\n[%s]\r\n\r\n", key, key);
    for (int i = 0; i < count; ++i)
        fprintf(reg, "[%s\\%d]\r\n\"IPsource\"=\"%s\"\r\n\"IPdestination\"=\"%s\"\r\n\"Direction\"=\"2\"\r\n"
                     "\"Enabled\"=\"1\"\r\n\r\n",
                key, i, rows[i].source, rows[i].destination);
    fclose(reg);
    std::vector<double> ratios;
    for (int run = 0; run < runs; ++run) {
        double importMs = RegImportMilliseconds(file);
        // The save as OK and Apply run it: the compare, the writes, the read-back and the
        // swap, replacing a full list as the import's delete section does. The old list is
        // removed when the sheet closes, after its readers' grace: not timed.
        StoreReading reading;
        LoadPairTable(&reading);
        const SaveRequest request = {&reading.stamps, NULL, NULL, NULL, NULL, 0, NULL};  // no readers here: the old list goes at once
        auto start = std::chrono::steady_clock::now();
        SaveResult result = SavePairListOver(rows.data(), count, &request);
        double saveMs = MillisecondsSince(start);
        char left[ASIDE_NAME_SIZE];
        RetireOldList(&result.held, 60000, left, left, NULL);
        FreeSaveResult(&result);
        FreeStoreReading(&reading);
        if (importMs > 0) ratios.push_back(saveMs / importMs);
        printf("10000 pairs: save %.0f ms, reg import %.0f ms\n", saveMs, importMs);
    }
    DeleteFileA(file);
    std::sort(ratios.begin(), ratios.end());
    if (!ratios.empty())
        printf("save / reg import at 10000 pairs: min %.2f, median %.2f, max %.2f (target at most 1.0)\n",
               ratios.front(), ratios[ratios.size() / 2], ratios.back());
}
#endif

int main()
{
    if (!RegistryIsDisposable()) {
        printf("The benchmark rewrites the product's registry key: it runs only under Wine or natively.\n");
        return 1;
    }
    HKEY networksKey;
    if (RegCreateKeyA(HKEY_LOCAL_MACHINE, NETWORKS_KEY_PATH, &networksKey) != ERROR_SUCCESS) {
        printf("cannot create the Networks key\n");
        return 1;
    }
    RegCloseKey(networksKey);
    printf("%8s %12s %12s %14s %14s\n", "pairs", "save ms", "load ms", "save us/pair", "load us/pair");
#ifdef _WIN32
    const int counts[] = {10, 1000, 10000};
#else
    const int counts[] = {10, 1000, 10000, 100000};
#endif
    for (int count : counts) {
        std::vector<PairRowText> rows = ManyRows(count);
        // The save as Apply runs it; the old list's removal after its readers' grace is not timed.
        const SaveRequest apply = {NULL, NULL, NULL, NULL, NULL, 0, NULL};  // no readers here: the old list goes at once
        auto start = std::chrono::steady_clock::now();
        SaveResult result = SavePairListOver(rows.data(), count, &apply);
        double saveMs = MillisecondsSince(start);
        char left[ASIDE_NAME_SIZE];
        RetireOldList(&result.held, 60000, left, left, NULL);
        FreeSaveResult(&result);
        start = std::chrono::steady_clock::now();
        StoreReading reading;
        LoadPairTable(&reading);
        double loadMs = MillisecondsSince(start);
        FreeStoreReading(&reading);
        if (PairTableCount != (DWORD)count) printf("loaded %lu pairs, expected %d\n", (unsigned long)PairTableCount, count);
        printf("%8d %12.1f %12.1f %14.1f %14.1f\n", count, saveMs, loadMs, 1000 * saveMs / count, 1000 * loadMs / count);
    }
#ifdef _WIN32
    CompareWithRegImport();
#endif
    // Leave the store as it was found: an empty list.
    const SaveRequest empty = {NULL, NULL, NULL, NULL, NULL, 0, NULL};
    SaveResult result = SavePairListOver(NULL, 0, &empty);
    char left[ASIDE_NAME_SIZE];
    RetireOldList(&result.held, 60000, left, left, NULL);
    FreeSaveResult(&result);
    return 0;
}
