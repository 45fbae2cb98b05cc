// The named mutex that serialises the programs' saves: one process here, so it is always free.
#include "standin.h"
#include "standin/standin_faults.h"

namespace {
int g_heldMutexes = 0;
}

HANDLE WINAPI CreateMutexA(LPSECURITY_ATTRIBUTES, BOOL, LPCSTR)
{
    static int mutex;
    return &mutex;
}

DWORD WINAPI WaitForSingleObject(HANDLE, DWORD)
{
    ++g_heldMutexes;
    return WAIT_OBJECT_0;
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
