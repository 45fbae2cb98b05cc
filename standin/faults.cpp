// Makes a chosen call of a stand-in function fail with a chosen status, and counts calls,
// so that tests can drive every failure path of the code above the stand-in.
#include <string.h>

#include <map>
#include <string>
#include <vector>

#include "standin.h"
#include "standin/standin_faults.h"
#include "standin/standin_reset.h"

namespace {

struct Fault {
    std::string function;
    std::string pathPart;
    int callsToSkip;
    LONG status;
    StandinWhen when = STANDIN_ANY_TIME;
    bool sawSave = false;  // the save's lock was held since the fault was armed
};

// Another process's action, run before the call a fault point names.
struct NamedAction {
    std::string function;
    std::string pathPart;
    StandinWhen when;
    std::function<void()> action;
    bool sawSave;
};

// Whether a point armed `when` is met now: `sawSave` keeps whether the save's lock was held
// since it was armed.
bool TimeMatches(StandinWhen when, bool* sawSave)
{
    bool saving = StandinHeldMutexCount() > 0;
    if (saving) *sawSave = true;
    if (when == STANDIN_WHILE_SAVING) return saving;
    if (when == STANDIN_AFTER_SAVING) return !saving && *sawSave;
    return true;
}

std::vector<NamedAction> g_namedActions;

std::vector<Fault> g_faults;
std::function<void()> g_action;
int g_actionAt = 0;
std::string g_actionCall;
int g_failAt = 0;
LONG g_failStatus = 0;
int g_registryCalls = 0;
bool g_inAction = false;
std::map<std::string, int> g_callCounts;

// The path is the part itself or ends in a backslash and the part.
bool PathMatches(LPCSTR path, const std::string& part)
{
    if (path == nullptr) return false;
    size_t length = strlen(path);
    if (length < part.size()) return false;
    if (strcmp(path + length - part.size(), part.c_str()) != 0) return false;
    return length == part.size() || path[length - part.size() - 1] == '\\';
}

// Runs `action` as another process's, its calls neither counted nor failed.
void RunAsOtherProcess(const char* function, const std::function<void()>& action)
{
    g_actionCall = function;
    g_inAction = true;
    action();
    g_inAction = false;
}

bool FunctionMatches(const std::string& wanted, const char* function)
{
    return wanted == "*" ? strncmp(function, "Reg", 3) == 0 || strncmp(function, "Nt", 2) == 0 : wanted == function;
}

}  // namespace

void StandinFailAt(const char* function, const char* where, LONG status, StandinWhen when)
{
    Fault fault = {function, where ? where : "", 0, status};
    fault.when = when;
    g_faults.push_back(fault);
}

void StandinBeforeAt(const char* function, const char* where, const std::function<void()>& action, StandinWhen when)
{
    g_namedActions.push_back(NamedAction{function, where ? where : "", when, action, false});
}

void StandinFailCall(const char* function, int skipCalls, LONG status, const char* pathPart)
{
    g_faults.push_back(Fault{function, pathPart ? pathPart : "", skipCalls, status});
}

int StandinCallCount(const char* function)
{
    auto found = g_callCounts.find(function);
    return found == g_callCounts.end() ? 0 : found->second;
}

bool StandinTakeFault(const char* function, LPCSTR path, LONG* status)
{
    // Another process's calls, run inside a call of ours: neither counted nor failed.
    if (g_inAction) return false;
    ++g_callCounts[function];
    if (strncmp(function, "Reg", 3) == 0 || strncmp(function, "Nt", 2) == 0) {
        ++g_registryCalls;
        if (g_failAt != 0 && g_registryCalls == g_failAt) {
            g_failAt = 0;
            *status = g_failStatus;
            return true;
        }
        if (g_action && g_registryCalls == g_actionAt) {
            std::function<void()> action = g_action;
            g_action = nullptr;
            RunAsOtherProcess(function, action);
        }
    }
    for (size_t i = 0; i < g_namedActions.size(); ++i) {
        NamedAction& named = g_namedActions[i];
        if (!TimeMatches(named.when, &named.sawSave) || !FunctionMatches(named.function, function)) continue;
        if (!named.pathPart.empty() && !PathMatches(path, named.pathPart)) continue;
        std::function<void()> action = named.action;
        g_namedActions.erase(g_namedActions.begin() + (long)i);
        RunAsOtherProcess(function, action);
        break;
    }
    for (size_t i = 0; i < g_faults.size(); ++i) {
        Fault& fault = g_faults[i];
        if (!TimeMatches(fault.when, &fault.sawSave) || fault.function != function) continue;
        if (!fault.pathPart.empty() && !PathMatches(path, fault.pathPart)) continue;
        if (fault.callsToSkip > 0) {
            --fault.callsToSkip;
            continue;
        }
        *status = fault.status;
        g_faults.erase(g_faults.begin() + (long)i);
        return true;
    }
    return false;
}

bool StandinInOtherProcess(void)
{
    return g_inAction;
}

void StandinBeforeCall(int callNumber, const std::function<void()>& action)
{
    g_action = action;
    g_actionAt = g_registryCalls + callNumber + 1;
}

int StandinRegistryCallCount(void)
{
    return g_registryCalls;
}

const char* StandinActionCall(void)
{
    return g_actionCall.c_str();
}

void StandinFailRegistryCall(int callNumber, LONG status)
{
    g_failAt = g_registryCalls + callNumber + 1;
    g_failStatus = status;
}

void StandinDropFaults(void)
{
    g_faults.clear();
    g_namedActions.clear();
    g_failAt = 0;
    g_action = nullptr;
}

void StandinResetFaults(void)
{
    g_faults.clear();
    g_namedActions.clear();
    g_failAt = 0;
    g_actionCall.clear();
    g_callCounts.clear();
    g_action = nullptr;
    g_registryCalls = 0;
}

