// Registry helpers for the store tests; they speak the same calls as the program.
#include "tests/registry_helpers.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "store/registry_links.h"
#include "store/store.h"
#ifndef _WIN32
#include "standin.h"
#endif

#ifdef _WIN32
// Under the real platform a wait takes its time, and these suites save hundreds of times with
// no reader of their own: the old lists' grace is only what their size asks.
const DWORD kTestReaderGrace = 0;
#else
const DWORD kTestReaderGrace = READER_GRACE_MIN_MS;
#endif
const DWORD kTestRetireWait = 60000;

// The key removal's diagnostics, where the configurator writes them.
static void PrintNotes(const RemovalNotes& notes)
{
    for (int i = 0; i < notes.keysNotFound; ++i) printf("Key not found.\n");
    for (int i = 0; i < notes.keysNotOpened; ++i) printf("Error opening key.\n");
}

// What the last SavePairList did.
static bool g_lastTouched = false;
static char g_lastAside[ASIDE_NAME_SIZE] = "";

bool SavePairList(const PairRowText* rows, int rowCount)
{
    SaveSession session;
    BeginSession(&session, false);
    SaveOutcome outcome = SaveInSession(&session, rows, rowCount);
    PrintNotes(session.notes);
    g_lastTouched = session.last.storeTouched;
    snprintf(g_lastAside, sizeof g_lastAside, "%s", session.last.leftAside);
    EndSession(&session);
    return outcome == SAVE_DONE;
}

bool LastSaveTouchedStore(void)
{
    return g_lastTouched;
}

const char* LastSaveLeftAside(void)
{
    return g_lastAside[0] != 0 ? g_lastAside : nullptr;
}


void BeginSession(SaveSession* session, bool read)
{
    memset(session, 0, sizeof *session);
    session->last.next.state = STAMPS_NEVER_READ;
    if (!read) return;
    StoreReading reading;
    LoadPairTable(&reading);
    session->base = reading.stamps;
    memset(&reading.stamps, 0, sizeof reading.stamps);
    FreeStoreReading(&reading);
}

SaveOutcome SaveInSession(SaveSession* session, const PairRowText* rows, int rowCount, SaveRequest* request,
                          bool retireLater)
{
    SaveRequest plain = {NULL, NULL, NULL, NULL, NULL, kTestReaderGrace, NULL};
    if (request == NULL) request = &plain;
    char left[ASIDE_NAME_SIZE], changed[ASIDE_NAME_SIZE];
    RetireOldList(&session->held, 0, left, changed, &session->notes);
    request->base = session->base.state == STAMPS_NEVER_READ ? NULL : &session->base;
    FreeSaveResult(&session->last);
    session->last = SavePairListOver(rows, rowCount, request);
    session->notes.keysNotFound += session->last.notes.keysNotFound;
    session->notes.keysNotOpened += session->last.notes.keysNotOpened;
    // As the configurator's save ends.
    if (!session->last.productKeyUsable) FatalSettingsError();
    session->held = session->last.held;
    memset(&session->last.held, 0, sizeof session->last.held);
    if (session->last.outcome == SAVE_DONE) {
        FreeStamps(&session->base);
        session->base = session->last.next;
        memset(&session->last.next, 0, sizeof session->last.next);
    }
    if (!retireLater && session->last.outcome == SAVE_DONE && !RetireSession(session) && session->last.leftAside[0] == 0)
        snprintf(session->last.leftAside, sizeof session->last.leftAside, "%s", session->retiredAside);
    return session->last.outcome;
}

SaveOutcome SaveOverSeen(SaveSession* session, const PairRowText* rows, int rowCount)
{
    FreeStamps(&session->base);
    session->base = session->last.next;
    memset(&session->last.next, 0, sizeof session->last.next);
    if (session->base.state == STAMPS_UNKNOWN) FreeStamps(&session->base);
    return SaveInSession(session, rows, rowCount);
}

bool RetireSession(SaveSession* session)
{
    session->retiredAside[0] = 0;
    // As long as any grace lasts: natively a wait costs nothing.
    return RetireOldList(&session->held, kTestRetireWait, session->retiredAside, session->retiredChanged,
                         &session->notes);
}

void EndSession(SaveSession* session)
{
    char left[ASIDE_NAME_SIZE], changed[ASIDE_NAME_SIZE];
    RetireOldList(&session->held, kTestRetireWait, left, changed, NULL);
    FreeSaveResult(&session->last);
    FreeStamps(&session->base);
}

const char* LeftAside(const SaveSession& session)
{
    return session.last.leftAside[0] != 0 ? session.last.leftAside : nullptr;
}

bool StoreHoldsExactly(const PairRowText* rows, int rowCount)
{
    StoreReading reading;
    bool exact = ReadStore(READ_TO_SHOW, &reading) && reading.differenceCount == 0 &&
                 reading.pairCount == (DWORD)rowCount;
    for (int i = 0; exact && i < rowCount; ++i)
        exact = strcmp(reading.rows[i].source, rows[i].source) == 0 &&
                strcmp(reading.rows[i].destination, rows[i].destination) == 0;
    FreeStoreReading(&reading);
    return exact;
}

// Deletes `name` below `parent` with all below it, each key through its own handle and
// relative to its parent, so that no depth is too deep and no link is followed: whatever a
// failed test left, the next one starts clean. Names go in UTF-16, as the registry keeps
// them, so that one the code page cannot hold is deleted too.
static bool DeleteTreeBelow(HKEY parent, const WCHAR* name)
{
    HKEY key;
    LONG status = RegOpenKeyExW(parent, name, REG_OPTION_OPEN_LINK, KEY_READ | DELETE, &key);
    if (status == ERROR_FILE_NOT_FOUND) return true;
    if (status != ERROR_SUCCESS) return false;
    bool removed = DeleteOpenKey(key);
    while (!removed) {
        WCHAR subkey[MAX_PATH];
        DWORD length = MAX_PATH;
        if (RegEnumKeyExW(key, 0, subkey, &length, NULL, NULL, NULL, NULL) != ERROR_SUCCESS) break;
        if (!DeleteTreeBelow(key, subkey)) break;
        removed = DeleteOpenKey(key);
        // A subkey that is reported gone but stays would be handed to us forever.
        WCHAR again[MAX_PATH];
        DWORD againLength = MAX_PATH;
        if (!removed && RegEnumKeyExW(key, 0, again, &againLength, NULL, NULL, NULL, NULL) == ERROR_SUCCESS &&
            againLength == length && memcmp(again, subkey, length * sizeof(WCHAR)) == 0)
            break;
    }
    RegCloseKey(key);
    return removed;
}

void ClearCorvaneKey(void)
{
    HKEY software;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software", 0, KEY_READ, &software));
    WCHAR company[MAX_PATH];
    ASSERT_LT(0, MultiByteToWideChar(CP_ACP, 0, "Corvane Software", -1, company, MAX_PATH));
    bool removed = DeleteTreeBelow(software, company);
    RegCloseKey(software);
    ASSERT_TRUE(removed) << "the Corvane key could not be cleared";
}

// The helpers walk a path one key at a time, so that they can reach keys whose full path
// is longer than the 260 characters an ANSI registry call accepts.
static std::vector<std::string> Components(const std::string& path)
{
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find('\\', start);
        if (end == std::string::npos) end = path.size();
        if (end > start) parts.push_back(path.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

static LONG WalkTo(const std::string& path, bool create, HKEY* result)
{
    HKEY current = HKEY_LOCAL_MACHINE;
    for (const std::string& part : Components(path)) {
        HKEY next;
        LONG status = create ? RegCreateKeyA(current, part.c_str(), &next)
                             : RegOpenKeyExA(current, part.c_str(), 0, KEY_READ, &next);
        if (current != HKEY_LOCAL_MACHINE) RegCloseKey(current);
        if (status != ERROR_SUCCESS) return status;
        current = next;
    }
    *result = current;
    return ERROR_SUCCESS;
}

void CreateKey(const std::string& path)
{
    HKEY key;
    LONG status = WalkTo(path, true, &key);
    ASSERT_EQ(ERROR_SUCCESS, status) << "creating " << path;
    RegCloseKey(key);
}

bool KeyExists(const std::string& path)
{
    HKEY key;
    if (WalkTo(path, false, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

void DeleteKey(const std::string& path)
{
    size_t split = path.rfind('\\');
    HKEY parent;
    ASSERT_EQ(ERROR_SUCCESS, WalkTo(path.substr(0, split), false, &parent)) << path;
    LONG status = RegDeleteKeyA(parent, path.substr(split + 1).c_str());
    RegCloseKey(parent);
    ASSERT_EQ(ERROR_SUCCESS, status) << "deleting " << path;
}

void SetValue(const std::string& path, const char* name, DWORD type, const std::string& data, DWORD byteCount)
{
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS, WalkTo(path, true, &key)) << path;
    // The string object keeps a NUL after its data, as a program's buffer usually has.
    LONG status = RegSetValueExA(key, name, 0, type, (const BYTE*)data.c_str(), byteCount);
    RegCloseKey(key);
    ASSERT_EQ(ERROR_SUCCESS, status) << "setting " << name;
}

void SetValue(const std::string& path, const char* name, DWORD type, const std::string& data)
{
    SetValue(path, name, type, data, (DWORD)data.size());
}

std::string GetValue(const std::string& path, const char* name, DWORD* type, bool* found)
{
    if (found) *found = false;
    HKEY key;
    if (WalkTo(path, false, &key) != ERROR_SUCCESS) return "";
    DWORD size = 0;
    std::string data;
    if (RegQueryValueExA(key, name, NULL, type, NULL, &size) == ERROR_SUCCESS) {
        data.assign(size, '\xbd');
        if (RegQueryValueExA(key, name, NULL, type, size ? (LPBYTE)&data[0] : (LPBYTE)NULL, &size) ==
            ERROR_SUCCESS) {
            data.resize(size);
            if (found) *found = true;
        }
    }
    RegCloseKey(key);
    return data;
}

static std::vector<std::string> SubkeyNamesOf(HKEY key)
{
    std::vector<std::string> names;
    for (DWORD index = 0;; ++index) {
        char name[MAX_PATH];
        DWORD length = MAX_PATH;
        if (RegEnumKeyExA(key, index, name, &length, NULL, NULL, NULL, NULL) != ERROR_SUCCESS) break;
        names.push_back(name);
    }
    return names;
}

std::vector<std::string> SubkeyNames(const std::string& path)
{
    HKEY key;
    if (WalkTo(path, false, &key) != ERROR_SUCCESS) return {};
    std::vector<std::string> names = SubkeyNamesOf(key);
    RegCloseKey(key);
    return names;
}

void CreateLink(const std::string& path, const std::string& target)
{
    size_t split = path.rfind('\\');
    HKEY parent, link;
    ASSERT_EQ(ERROR_SUCCESS, WalkTo(path.substr(0, split), true, &parent)) << path;
    DWORD disposition = 0;
    LONG status = RegCreateKeyExA(parent, path.substr(split + 1).c_str(), 0, NULL, REG_OPTION_CREATE_LINK,
                                  KEY_ALL_ACCESS | KEY_CREATE_LINK, NULL, &link, &disposition);
    RegCloseKey(parent);
    ASSERT_EQ(ERROR_SUCCESS, status) << "creating the link " << path;
    // The platform wants the native path in UTF-16, without a NUL.
    std::string native = "\\Registry\\Machine\\" + target;
    std::string wide;
    for (char c : native) wide += std::string{c, '\0'};
    status = RegSetValueExA(link, "SymbolicLinkValue", 0, REG_LINK, (const BYTE*)wide.data(), (DWORD)wide.size());
    RegCloseKey(link);
    ASSERT_EQ(ERROR_SUCCESS, status) << "naming the link's target " << target;
}

static void DescribeKey(HKEY key, const std::string& path, std::string* text)
{
    DWORD type = 0;
    bool link = RegQueryValueExA(key, "SymbolicLinkValue", NULL, &type, NULL, NULL) == ERROR_SUCCESS &&
                type == REG_LINK;
    *text += path + (link ? " (link)\n" : "\n");
    for (DWORD index = 0;; ++index) {
        char name[MAX_PATH];
        DWORD nameLength = MAX_PATH;
        BYTE data[4096];
        DWORD size = sizeof data;
        if (RegEnumValueA(key, index, name, &nameLength, NULL, &type, data, &size) != ERROR_SUCCESS) break;
        *text += "  " + std::string(name) + " type " + std::to_string(type) + ":";
        for (DWORD i = 0; i < size; ++i) *text += " " + std::to_string(data[i]);
        *text += "\n";
    }
    for (const std::string& name : SubkeyNamesOf(key)) {
        HKEY subkey;
        if (RegOpenKeyExA(key, name.c_str(), REG_OPTION_OPEN_LINK, KEY_READ, &subkey) != ERROR_SUCCESS) {
            *text += path + "\\" + name + " (cannot be opened)\n";
            continue;
        }
        DescribeKey(subkey, path + "\\" + name, text);
        RegCloseKey(subkey);
    }
}

std::string DescribeTree(const std::string& path)
{
    std::string text;
    size_t split = path.rfind('\\');
    HKEY parent, key;
    if (WalkTo(path.substr(0, split), false, &parent) != ERROR_SUCCESS) return text;
    if (RegOpenKeyExA(parent, path.substr(split + 1).c_str(), REG_OPTION_OPEN_LINK, KEY_READ, &key) ==
        ERROR_SUCCESS) {
        DescribeKey(key, path, &text);
        RegCloseKey(key);
    }
    RegCloseKey(parent);
    return text;
}

void StorePair(const std::string& subkeyName, const char* source, const char* destination)
{
    std::string path = std::string(NETWORKS "\\") + subkeyName;
    SetValue(path, "IPsource", REG_SZ, source);
    SetValue(path, "IPdestination", REG_SZ, destination);
    SetValue(path, "Direction", REG_SZ, "2");
    SetValue(path, "Enabled", REG_SZ, "1");
}

void LoadTable(void)
{
    StoreReading reading;
    LoadPairTable(&reading);
    FreeStoreReading(&reading);
}

void BeginTestSheetSession(SheetSession* session)
{
    StoreReading reading;
    LoadPairTable(&reading);
    BeginSheetSession(session, &reading);
    FreeStoreReading(&reading);
    session->readerGrace = kTestReaderGrace;
}

void StoreTest::SetUp()
{
    if (!RegistryIsDisposable()) GTEST_SKIP() << "the store tests run only against Wine's registry or the stand-in";
#ifndef _WIN32
    StandinReset();
#endif
    ASSERT_NO_FATAL_FAILURE(ClearCorvaneKey());
    ASSERT_NO_FATAL_FAILURE(CreateKey(NETWORKS));
}

void StoreTest::TearDown()
{
#ifdef _WIN32
    if (RegistryIsDisposable()) ClearCorvaneKey();
#else
    StandinReset();  // also drops faults a test armed but did not use
#endif
}
