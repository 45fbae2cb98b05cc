// The named mutex that serialises the programs' saves. One process here: tests script what
// the wait answers (another holder, an abandoned lock, a timeout) and whether the name
// holds an object of another kind; the held count shows a lock taken and not given back.
// And events, which the registry's change notifications set: a wait only looks, since
// nothing else runs here that could set one meanwhile.
#include <deque>
#include <map>
#include <vector>

#include "standin.h"
#include "standin/standin_faults.h"
#include "standin/standin_processes.h"
#include "standin/standin_reset.h"

namespace {
int g_heldMutexes = 0;
int g_mutexObject;
int g_openMutexHandles = 0;
bool g_nameTaken = false;
std::deque<DWORD> g_waitAnswers;
std::vector<DWORD> g_waits;
DWORD g_lastError = 0;

struct Event {
    bool manualReset;
    bool set;
};
std::map<HANDLE, Event> g_events;
char g_eventHandles[1];  // an event's handle is its own address past this, never dereferenced
size_t g_nextEvent = 0;
}  // namespace

HANDLE WINAPI CreateEventA(LPSECURITY_ATTRIBUTES, BOOL manualReset, BOOL initialState, LPCSTR)
{
    HANDLE event = (HANDLE)((ULONG_PTR)g_eventHandles + 0x100000 + 8 * ++g_nextEvent);
    g_events[event] = Event{manualReset != FALSE, initialState != FALSE};
    return event;
}

BOOL WINAPI SetEvent(HANDLE event)
{
    auto found = g_events.find(event);
    if (found == g_events.end()) return FALSE;
    found->second.set = true;
    return TRUE;
}

BOOL WINAPI ResetEvent(HANDLE event)
{
    auto found = g_events.find(event);
    if (found == g_events.end()) return FALSE;
    found->second.set = false;
    return TRUE;
}

DWORD WINAPI GetLastError(void)
{
    return g_lastError;
}

void WINAPI SetLastError(DWORD error)
{
    g_lastError = error;
}

HANDLE WINAPI CreateMutexA(LPSECURITY_ATTRIBUTES, BOOL, LPCSTR)
{
    if (g_nameTaken) {
        SetLastError(ERROR_INVALID_HANDLE);  // as Windows answers for an event or a section of that name
        return NULL;
    }
    ++g_openMutexHandles;
    return &g_mutexObject;
}

DWORD WINAPI WaitForSingleObject(HANDLE object, DWORD milliseconds)
{
    auto event = g_events.find(object);
    ULONG_PTR first = (ULONG_PTR)g_eventHandles + 0x100000;
    bool eventHandle = (ULONG_PTR)object > first && (ULONG_PTR)object <= first + 8 * g_nextEvent;
    if (eventHandle && event == g_events.end()) return WAIT_FAILED;  // closed, or gone with a reset
    if (event != g_events.end()) {
        if (!event->second.set) return WAIT_TIMEOUT;
        if (!event->second.manualReset) event->second.set = false;
        return WAIT_OBJECT_0;
    }
    // Only the save lock and the events can be waited for here; a registry key is not waitable.
    if (object != &g_mutexObject) {
        SetLastError(ERROR_INVALID_HANDLE);
        return WAIT_FAILED;
    }
    g_waits.push_back(milliseconds);
    DWORD answer = WAIT_OBJECT_0;
    if (!g_waitAnswers.empty()) {
        answer = g_waitAnswers.front();
        g_waitAnswers.pop_front();
    }
    if (answer == WAIT_OBJECT_0 || answer == WAIT_ABANDONED) ++g_heldMutexes;
    return answer;
}

BOOL WINAPI ReleaseMutex(HANDLE)
{
    if (g_heldMutexes == 0) return FALSE;
    --g_heldMutexes;
    return TRUE;
}

// Closes the mutex, an event or a process handle; a handle that is none of these is refused,
// as Windows refuses it.
BOOL WINAPI CloseHandle(HANDLE object)
{
    if (object == &g_mutexObject) {
        --g_openMutexHandles;
        return TRUE;
    }
    if (g_events.erase(object) > 0 || StandinIsProcessHandle(object)) return TRUE;
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
}

int StandinOpenMutexHandleCount(void)
{
    return g_openMutexHandles;
}

int StandinHeldMutexCount(void)
{
    return g_heldMutexes;
}

void StandinScriptMutex(bool nameTaken, const std::vector<DWORD>& waitAnswers)
{
    g_nameTaken = nameTaken;
    g_waitAnswers.assign(waitAnswers.begin(), waitAnswers.end());
}

const std::vector<DWORD>& StandinMutexWaits(void)
{
    return g_waits;
}

void StandinResetSync(void)
{
    g_heldMutexes = 0;
    g_openMutexHandles = 0;
    g_nameTaken = false;
    g_waitAnswers.clear();
    g_waits.clear();
    g_events.clear();
}
