// Times the save and the start-up load of 10 to 10,000 pairs, and natively also 100,000,
// where the stand-in's cost is O(1) a call and the figures are the store's own. Not a
// test: it prints figures.
#include <windows.h>

#include <stdio.h>
#include <string.h>

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
        std::vector<PairRowText> rows(count);
        for (int i = 0; i < count; ++i) {
            snprintf(rows[i].source, sizeof rows[i].source, "10.%d.%d.%d", (i / 65536) % 256, (i / 256) % 256, i % 256);
            snprintf(rows[i].destination, sizeof rows[i].destination, "192.168.0.1");
        }
        auto start = std::chrono::steady_clock::now();
        SavePairList(rows.data(), count);
        double saveMs = MillisecondsSince(start);
        start = std::chrono::steady_clock::now();
        LoadPairTable();
        double loadMs = MillisecondsSince(start);
        if (PairTableCount != (DWORD)count) printf("loaded %lu pairs, expected %d\n", (unsigned long)PairTableCount, count);
        printf("%8d %12.1f %12.1f %14.1f %14.1f\n", count, saveMs, loadMs, 1000 * saveMs / count, 1000 * loadMs / count);
    }
    // Leave the store as it was found: an empty list.
    SavePairList(NULL, 0);
    return 0;
}
