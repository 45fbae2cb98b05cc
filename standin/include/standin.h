// Controls of the native stand-in that only tests use: resetting the in-memory registry,
// making a chosen call fail, scripting the host name and addresses, reading what the
// message boxes were asked to show.
//
// Where the stand-in still differs from Windows (tests/platform_conformance_test.cpp holds the
// rules it keeps as rows, run here and under Wine, each difference of Wine's marked there):
// - a DACL is its own: StandinDenyAccess denies rights (to opens, to a create below the key,
//   to a delete of it); what RegSetKeySecurity is given is kept as text and enforces nothing;
// - key names are what the code page holds: the W calls go through the A calls, so a name
//   outside it never exists (marked at RegOpenKeyExW);
// - Sleep only counts (GetTickCount tells the count), and a stop takes effect at once, with
//   no STOP_PENDING;
// - faults for the W calls are counted and injected under the A names.
// It keeps, as Windows does: 32 new levels a call and 512 in all; a refused child of a
// volatile key changes nothing and notifies nobody; service handles do what their access
// allows; a closed or made-up handle is refused; a registry key is not waited for.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "windows.h"

// Empties the registry but for HKEY_LOCAL_MACHINE\Software, clears faults and scripts.
void StandinReset(void);

// The call number `skipCalls` + 1 (counted from now) of `function`, among the calls whose
// path (as StandinFailAt names it) is `pathPart` or ends in a backslash and `pathPart` (any
// call when empty), returns `status` and does nothing else. For the sweeps, which fail every
// call in turn; a test of one fault names it with StandinFailAt.
void StandinFailCall(const char* function, int skipCalls, LONG status, const char* pathPart = "");
// When a fault point is met: at any time, while the save's lock is held, or once it was held
// and is released again (after the save).
enum StandinWhen {
    STANDIN_ANY_TIME,
    STANDIN_WHILE_SAVING,
    STANDIN_AFTER_SAVING,
};
// A fault point named by what it hits: the next call of `function` on the key or value at
// `where` (the end of its path below HKEY_LOCAL_MACHINE, whole components: "Networks (new)",
// "Networks\\0\\IPsource"; any when empty), met `when`. It returns `status` and does
// nothing else.
void StandinFailAt(const char* function, const char* where, LONG status, StandinWhen when = STANDIN_ANY_TIME);
// Another process's `action`, run just before the call such a point names ("*": any registry
// call); its own calls are neither counted nor failed.
void StandinBeforeAt(const char* function, const char* where, const std::function<void()>& action,
                     StandinWhen when = STANDIN_ANY_TIME);
// Runs `action` just before the registry call number `callNumber` + 1 (counted from now,
// every registry call of the stand-in counting one): another process's interleaving. The
// action's own calls are not counted and meet no faults.
void StandinBeforeCall(int callNumber, const std::function<void()>& action);
// The registry call that the action of StandinBeforeCall ran before ("NtDeleteKey"), once run.
const char* StandinActionCall(void);
// The registry call number `callNumber` + 1 (counted from now), whichever it is, returns
// `status` and does nothing else.
void StandinFailRegistryCall(int callNumber, LONG status);
// How many registry calls were made since the last reset.
int StandinRegistryCallCount(void);
// Mutexes the code holds (waited for and not yet released).
int StandinHeldMutexCount(void);
// Handles to the mutex that are open (made and not yet closed).
int StandinOpenMutexHandleCount(void);
// What the save's lock meets: a name held by an object of another kind, and the answers of
// the next waits in turn (WAIT_TIMEOUT: another holds it); without answers every wait succeeds.
void StandinScriptMutex(bool nameTaken, const std::vector<DWORD>& waitAnswers);
// The timeout of every wait since the last reset, in milliseconds.
const std::vector<DWORD>& StandinMutexWaits(void);
// Forgets the failures armed but not yet taken.
void StandinDropFaults(void);
// How often `function` was called since the last reset.
int StandinCallCount(const char* function);
// Number of registry handles that are open.
int StandinOpenHandleCount(void);
// The registry's clock moves once every `writes` writes (1: every write has its own time), as
// Windows' moves once per clock tick, however many writes fall into it.
void StandinSetClockTick(unsigned writes);
// From now on an open of the key now at `path` (below HKEY_LOCAL_MACHINE, as itself), under
// whatever name it gets, that asks for any of `denied` fails with ERROR_ACCESS_DENIED, as
// under a DACL that denies them.
void StandinDenyAccess(const char* path, REGSAM denied);

// Every value write that reached the registry since the last reset (but for those of an
// action of StandinBeforeCall), with the byte count
// it was given: the stored data alone cannot show whether the NUL was counted.
struct StandinValueWrite {
    std::string valueName;
    DWORD type;
    DWORD byteCount;
};
const std::vector<StandinValueWrite>& StandinValueWrites(void);

// Every RegOpenKeyExA, RegCreateKeyExA and RegCreateKeyA since the last reset, with the
// path as given (relative to its parent handle), the options and the access asked for.
struct StandinKeyOpen {
    std::string path;
    DWORD options;
    REGSAM access;
};
const std::vector<StandinKeyOpen>& StandinKeyOpens(void);

// The keys and values physically below `path` (from HKEY_LOCAL_MACHINE, links not
// followed), one line each, in a fixed order; empty when the key does not exist.
std::string StandinDescribeRegistry(const char* path);

struct StandinMessageBox {
    HWND owner;
    std::string text;
    std::string caption;
    UINT type;
};
const std::vector<StandinMessageBox>& StandinMessageBoxes(void);

// The Application log: every report, with the user the token names ("STANDIN\\tester").
struct StandinEventReport {
    std::string source;
    WORD type;
    DWORD id;
    bool withUser;  // the report carried the user's SID
    std::vector<std::string> strings;
};
const std::vector<StandinEventReport>& StandinEventReports(void);
// From now on RegisterEventSource fails with `error` (0: it works again).
void StandinFailEventLog(DWORD error);

// Host name and address answers of the socket calls. Without a script the POSIX calls answer.
void StandinScriptHostName(const char* name);        // nullptr: the call fails
void StandinScriptHostNameError(int error);
void StandinScriptHostAddresses(const std::vector<std::string>& addresses);
void StandinScriptHostLookupFailure(void);

// The adapters GetAdaptersAddresses reports: one entry per IPv4 address, entries with the
// same name being one adapter; an empty address, an adapter without one. Without a script
// there are none.
struct StandinAdapterAddress {
    std::string adapterName;
    std::string address;
    int prefixLength;
};
void StandinScriptAdapters(const std::vector<StandinAdapterAddress>& addresses);

// The service control manager's services. A service's process starts at the registry's
// clock, so that its start and the store's last write times compare.
struct StandinService {
    std::string name;
    std::string displayName;
    DWORD state;
    bool refusesStop;  // ControlService fails
    bool ignoresStop;  // ControlService succeeds and the service keeps running
    bool failsStart;   // StartService fails
    DWORD processId;
    unsigned long long startedAt;
    int starts;
    bool processHidden = false;  // OpenProcess on its process is refused
    DWORD deniedAccess = 0;      // OpenServiceA asking any of these fails, as under the service's DACL
};
// Sets the system clock `skew` ticks away from true time (negative: behind) for every time
// read from now on; 0 puts it right.
void StandinSetClockSkew(long long skew);
// Adds a service (running ones are started now), or changes how one of that name behaves.
void StandinScriptService(const StandinService& service);
