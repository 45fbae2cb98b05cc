// Test helpers over the registry: a clean product key for every test, and short ways to
// write and read keys and values below HKEY_LOCAL_MACHINE.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "editor/save_answers.h"
#include "store/store.h"
#include "tests/wine_check.h"

// Removes "Software\Corvane Software" with everything below it.
void ClearCorvaneKey(void);
void CreateKey(const std::string& path);
bool KeyExists(const std::string& path);
void DeleteKey(const std::string& path);
// Stores `data` as it is, with the byte count given (the whole string by default).
void SetValue(const std::string& path, const char* name, DWORD type, const std::string& data);
void SetValue(const std::string& path, const char* name, DWORD type, const std::string& data, DWORD byteCount);
// The stored bytes of a value; `found` false when it does not exist.
std::string GetValue(const std::string& path, const char* name, DWORD* type = nullptr, bool* found = nullptr);
std::vector<std::string> SubkeyNames(const std::string& path);
// A registry link at `path` naming the key `target` (both below HKEY_LOCAL_MACHINE).
void CreateLink(const std::string& path, const std::string& target);
// Every key and value physically below `path` (links described, not followed), in a fixed
// order; empty when the key does not exist. Two equal descriptions mean equal trees.
std::string DescribeTree(const std::string& path);
// A pair key below Networks with the two addresses as the configurator writes them.
void StorePair(const std::string& subkeyName, const char* source, const char* destination);

// The start-up load into the pair table; the rest of its reading is freed.
void LoadTable(void);
// The start-up load, and the configurator's session begun from it.
void BeginTestSheetSession(SheetSession* session);

// The least grace of an old list's readers the tests' saves give: none under Wine, where a
// wait takes its time and these suites have no reader of their own.
extern const DWORD kTestReaderGrace;
// How long the tests' retirements wait for an old list's grace: as long as it lasts.
extern const DWORD kTestRetireWait;

// A program's saves, one after another: each compared with what the program last read (the
// start-up load, when `read`) or wrote, the old list retired at once unless asked to wait.
struct SaveSession {
    StampSet base;
    HeldOldList held;
    SaveResult last;
    char retiredAside[ASIDE_NAME_SIZE];  // what the last retirement left aside
    char retiredChanged[ASIDE_NAME_SIZE];  // an old list the last retirement kept for a writer's change
    RemovalNotes notes;                  // what the key removals met, all saves and retirements
};
void BeginSession(SaveSession* session, bool read);
// `request` gives the lock's callbacks (its base is the session's), or NULL.
SaveOutcome SaveInSession(SaveSession* session, const PairRowText* rows, int rowCount, SaveRequest* request = nullptr,
                          bool retireLater = false);
// The same over what the last save found when it answered "changed" or "unchecked", as a save
// the administrator confirmed: one that could not be read is not compared.
SaveOutcome SaveOverSeen(SaveSession* session, const PairRowText* rows, int rowCount);
// Retires the old list held; false when part of it stays (in `retiredAside`).
bool RetireSession(SaveSession* session);
void EndSession(SaveSession* session);
// Where the last save left an old list aside, or NULL.
const char* LeftAside(const SaveSession& session);

// The save over anything, retired at once, its diagnostics on standard output and a product key
// that does not open with full access afterwards fatal, as the configurator's. True when the
// store holds the rows.
bool SavePairList(const PairRowText* rows, int rowCount);
// Whether the last SavePairList changed what Networks is, and where it left an old list aside.
bool LastSaveTouchedStore(void);
const char* LastSaveLeftAside(void);
// True when the store is exactly what a save of `rows` leaves.
bool StoreHoldsExactly(const PairRowText* rows, int rowCount);

// Every test starts with an empty Networks key and leaves no Corvane key behind.
class StoreTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
};

#define NETWORKS "Software\\Corvane Software\\mDNS\\Networks"
// A key outside the store, which the tests' links name and nothing may change; the tests'
// clean-up removes it with the rest of the Corvane key.
#define OUTSIDE "Software\\Corvane Software\\Outside"
