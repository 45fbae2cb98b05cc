// Times the save and the start-up load of 10, 1,000 and 10,000 pairs. Not a test: it
// prints figures to compare across builds and with the registry tool's import and query.
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
    for (int count : {10, 1000, 10000}) {
        std::vector<PairRowText> rows(count);
        for (int i = 0; i < count; ++i) {
            snprintf(rows[i].source, sizeof rows[i].source, "10.%d.%d.1", (i / 256) % 256, i % 256);
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
