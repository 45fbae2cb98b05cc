// Fuzz target: a hostile store built from the input (names, value types and sizes, nesting,
// links, and one failing registry call), then load, save and load again over the stand-in.
// It stops on a save that changes anything outside the Networks key, and on a save that
// reports success but does not load back as the list it was given.
#include <setjmp.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

#include "standin.h"
#include "tests/standin_snapshot.h"
#include "store/store.h"
#include "store/store_names.h"

namespace {

#define OUTSIDE_PATH "Software\\Corvane Software\\Outside"

jmp_buf g_fatal;

// The input, read a byte at a time; zeros once it is used up.
struct Input {
    const uint8_t* data;
    size_t size;
    size_t used;
    uint8_t Next(void) { return used < size ? data[used++] : 0; }
    bool Done(void) const { return used >= size; }
};

const char* const kCalls[] = {"RegOpenKeyExA",    "RegCreateKeyA",  "RegCreateKeyExA", "RegCloseKey",
                              "NtDeleteKey",      "RegQueryInfoKeyA", "RegEnumKeyExA",  "RegQueryValueExA",
                              "RegSetValueExA",   "RegEnumValueA",  "RegDeleteValueA", "RegEnumKeyExW",
                              "RegEnumValueW",    "RegRenameKey",   "RegNotifyChangeKeyValue"};
const size_t kCallCount = sizeof kCalls / sizeof kCalls[0];
const LONG kStatuses[] = {ERROR_ACCESS_DENIED, ERROR_FILE_NOT_FOUND, ERROR_MORE_DATA, ERROR_NO_MORE_ITEMS};
const char* const kValueNames[] = {"IPsource", "IPdestination", "Direction", "Enabled", "SymbolicLinkValue", ""};
const char* const kLinkTargets[] = {OUTSIDE_PATH, OUTSIDE_PATH "\\child", "Software\\Corvane Software\\mDNS",
                                    NETWORKS_KEY_PATH, "Software\\Nowhere", "Software"};

std::string NameFrom(Input* input)
{
    static const char kAlphabet[] = "0123456789ab.Z -";
    size_t length = input->Next() % 40 + 1;
    if (input->Next() % 16 == 0) length = 200 + input->Next() % 60;  // near the name limit
    std::string name;
    for (size_t i = 0; i < length; ++i) name += kAlphabet[input->Next() % (sizeof kAlphabet - 1)];
    return name;
}

void PlantLink(HKEY parent, const std::string& name, const char* target)
{
    HKEY link;
    if (RegCreateKeyExA(parent, name.c_str(), 0, NULL, REG_OPTION_CREATE_LINK, KEY_ALL_ACCESS, NULL, &link,
                        NULL) != ERROR_SUCCESS)
        return;
    std::string wide;
    for (char c : std::string("\\Registry\\Machine\\") + target) wide += std::string{c, '\0'};
    RegSetValueExA(link, "SymbolicLinkValue", 0, REG_LINK, (const BYTE*)wide.data(), (DWORD)wide.size());
    RegCloseKey(link);
}

// The keys around the store: sometimes a link above Networks to a copy of the product key
// elsewhere, and always a key outside the store that nothing may change.
void BuildAroundTheStore(Input* input)
{
    HKEY outside, key;
    // A level above Networks, sometimes a link to a copy of the product key elsewhere: the
    // load reads through it, the save must not write through it.
    uint8_t above = input->Next() % 16;
    if (above < 2) {
        RegCreateKeyA(HKEY_LOCAL_MACHINE, "Software\\Elsewhere\\Corvane\\mDNS\\Networks\\0", &key);
        RegSetValueExA(key, "IPsource", 0, REG_SZ, (const BYTE*)"8.8.8.8", 7);
        RegCloseKey(key);
        HKEY parent;
        RegCreateKeyA(HKEY_LOCAL_MACHINE, above == 0 ? "Software\\Corvane Software" : "Software", &parent);
        if (above == 0) PlantLink(parent, "mDNS", "Software\\Elsewhere\\Corvane\\mDNS");
        // Corvane Software itself: its Outside key then lies below the link's target.
        if (above == 1) PlantLink(parent, "Corvane Software", "Software\\Elsewhere\\Corvane");
        RegCloseKey(parent);
    }

    RegCreateKeyA(HKEY_LOCAL_MACHINE, OUTSIDE_PATH "\\child", &key);
    RegSetValueExA(key, "Keep", 0, REG_SZ, (const BYTE*)"me", 2);
    RegCloseKey(key);
    RegCreateKeyA(HKEY_LOCAL_MACHINE, OUTSIDE_PATH, &outside);
    RegSetValueExA(outside, "IPsource", 0, REG_SZ, (const BYTE*)"9.9.9.9", 7);
    RegCloseKey(outside);
}

// Keys, values, links and the one failing call, as the input asks, below the keys open.
void GrowTheStore(Input* input, std::vector<HKEY>* keys, std::string* failingCall, int* failingIndex,
                  LONG* failingStatus)
{
    HKEY key;
    while (!input->Done() && !keys->empty()) {
        uint8_t operation = input->Next();
        HKEY parent = (*keys)[input->Next() % keys->size()];
        switch (operation % 5) {
        case 0:
        case 1:
            if (RegCreateKeyA(parent, NameFrom(input).c_str(), &key) == ERROR_SUCCESS && keys->size() < 64)
                keys->push_back(key);
            break;
        case 2: {
            const char* name = kValueNames[input->Next() % 6];
            DWORD type = input->Next() % 8;
            size_t length = input->Next();
            if (input->Next() % 8 == 0) length = length * 8;
            std::string data;
            for (size_t i = 0; i < length; ++i) data += (char)input->Next();
            RegSetValueExA(parent, name, 0, type, (const BYTE*)data.c_str(), (DWORD)data.size());
            break;
        }
        case 3: PlantLink(parent, NameFrom(input), kLinkTargets[input->Next() % 6]); break;
        default:
            *failingCall = kCalls[input->Next() % kCallCount];
            *failingIndex = input->Next() % 32;
            *failingStatus = kStatuses[input->Next() % 4];
            break;
        }
    }
}

// Builds the store and returns the call that is to fail during the save ("" for none).
void BuildStore(Input* input, std::string* failingCall, int* failingIndex, LONG* failingStatus)
{
    BuildAroundTheStore(input);
    HKEY key;
    // The Networks key itself, sometimes a link.
    std::vector<HKEY> keys;
    if (input->Next() % 8 == 0) {
        HKEY product;
        RegCreateKeyA(HKEY_LOCAL_MACHINE, PRODUCT_KEY_PATH, &product);
        PlantLink(product, "Networks", kLinkTargets[input->Next() % 2]);
        RegCloseKey(product);
    }
    if (RegCreateKeyA(HKEY_LOCAL_MACHINE, NETWORKS_KEY_PATH, &key) == ERROR_SUCCESS) keys.push_back(key);
    GrowTheStore(input, &keys, failingCall, failingIndex, failingStatus);
    for (HKEY open : keys) RegCloseKey(open);
}

bool LoadOrFail(void)
{
    if (setjmp(g_fatal) != 0) return false;
    StoreReading reading;
    LoadPairTable(&reading);
    FreeStoreReading(&reading);
    return true;
}

// The save over anything, its old list retired at once, ending as the configurator's does.
bool SaveOverAnything(const std::vector<PairRowText>& rows)
{
    const SaveRequest request = {NULL, NULL, NULL, NULL, NULL, 0, NULL};
    SaveResult result = SavePairListOver(rows.data(), (int)rows.size(), &request);
    char left[ASIDE_NAME_SIZE];
    RetireOldList(&result.held, 60000, left, left, NULL);
    bool done = result.outcome == SAVE_DONE, usable = result.productKeyUsable;
    FreeSaveResult(&result);
    if (!usable) FatalSettingsError();
    return done;
}

}  // namespace

// The store's fatal error ends the process; here it ends only this input.
void FatalSettingsError(void)
{
    longjmp(g_fatal, 1);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    StandinReset();
    Input input = {data, size, 0};
    std::string failingCall;
    int failingIndex = 0;
    LONG failingStatus = 0;
    BuildStore(&input, &failingCall, &failingIndex, &failingStatus);
    std::string outsideBefore = OutsideTheStore();

    if (!LoadOrFail()) return 0;
    if (OutsideTheStore() != outsideBefore) abort();

    // The rows the page would show: every record, in table order.
    std::vector<PairRowText> rows(PairTableCount);
    for (DWORD i = 0; i < PairTableCount; ++i) {
        memcpy(rows[i].source, PairTable[i].sourceAddress, ADDRESS_TEXT_SIZE);
        memcpy(rows[i].destination, PairTable[i].destinationAddress, ADDRESS_TEXT_SIZE);
    }
    if (!failingCall.empty()) StandinFailCall(failingCall.c_str(), failingIndex, failingStatus);
    bool saved = false;
    if (setjmp(g_fatal) == 0) saved = SaveOverAnything(rows);
    if (OutsideTheStore() != outsideBefore) {
        fprintf(stderr, "the save changed the registry outside the store:\n%s\nbecame\n%s", outsideBefore.c_str(),
                OutsideTheStore().c_str());
        abort();
    }
    if (!saved) return 0;

    // What was saved loads back as the same list, under the names "0", "1", ...
    StandinDropFaults();
    if (!LoadOrFail() || PairTableCount != rows.size()) {
        fprintf(stderr, "a save reported as done does not load back as the list\n");
        abort();
    }
    std::vector<bool> seen(rows.size(), false);
    for (DWORD i = 0; i < PairTableCount; ++i) {
        const NetworkPair& pair = PairTable[i];
        char* end = NULL;
        unsigned long number = strtoul(pair.subkeyName, &end, 10);
        bool same = *end == 0 && number < rows.size() && !seen[number] &&
                    strcmp(rows[number].source, pair.sourceAddress) == 0 &&
                    strcmp(rows[number].destination, pair.destinationAddress) == 0 &&
                    pair.direction == 2 && pair.enabled == 1;
        if (!same) {
            fprintf(stderr, "record %u (\"%s\") is not the row it was saved from\n", (unsigned)i, pair.subkeyName);
            abort();
        }
        seen[number] = true;
    }
    return 0;
}
