// The named mutex that serialises the programs' saves. One process here: tests script what
// the wait answers (another holder, an abandoned lock, a timeout) and whether the name
// holds an object of another kind; the held count shows a lock taken and not given back.
#include <deque>
#include <vector>

#include "standin.h"
#include "standin/standin_faults.h"
#include "standin/standin_reset.h"

namespace {
int g_heldMutexes = 0;
bool g_nameTaken = false;
std::deque<DWORD> g_waitAnswers;
std::vector<DWORD> g_waits;
DWORD g_lastError = 0;
}  // namespace

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
    static int mutex;
    if (g_nameTaken) {
        SetLastError(ERROR_INVALID_HANDLE);  // as Windows answers for an event or a section of that name
        return NULL;
    }
    return &mutex;
}

DWORD WINAPI WaitForSingleObject(HANDLE, DWORD milliseconds)
{
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

BOOL WINAPI CloseHandle(HANDLE)
{
    return TRUE;
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
    g_nameTaken = false;
    g_waitAnswers.clear();
    g_waits.clear();
}
