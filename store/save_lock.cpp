// The lock our two programs take turns at saving under, and the old list's retirement, which
// waits for its readers (a little) without it and removes the list under it.
#include <string.h>

#include "store/old_list_retirement.h"
#include "store/save_lock.h"

bool TakeLock(HANDLE* mutex, const SaveRequest* request)
{
    SaveLockNote failure = SAVE_LOCK_UNAVAILABLE;
    *mutex = CreateMutexA(NULL, FALSE, STORE_MUTEX_NAME);
    if (*mutex == NULL) {
        if (GetLastError() == ERROR_INVALID_HANDLE) failure = SAVE_LOCK_NAME_TAKEN;
    } else {
        DWORD waited = WaitForSingleObject(*mutex, 0);
        if (waited == WAIT_TIMEOUT) {
            if (request->noteLock) request->noteLock(SAVE_LOCK_WAITING, request->context);
            waited = request->waitForLock ? request->waitForLock(*mutex, SAVE_LOCK_WAIT_MS, request->context)
                                          : WaitForSingleObject(*mutex, SAVE_LOCK_WAIT_MS);
        }
        // An abandoned lock is ours now; the compare shows whatever its holder left.
        if (waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED) return true;
        if (waited == WAIT_TIMEOUT) failure = SAVE_LOCK_TIMED_OUT;
    }
    if (request->noteLock) request->noteLock(failure, request->context);
    return false;
}

bool RetireOldList(HeldOldList* held, DWORD waitAtMost, char left[ASIDE_NAME_SIZE], char changed[ASIDE_NAME_SIZE],
                   RemovalNotes* notes)
{
    left[0] = changed[0] = 0;
    if (held->key == NULL) return true;
    // Its readers are waited for without the lock, or left to a later save, which the mark
    // tells when the grace ends; it is removed under the lock.
    DWORD elapsed = GetTickCount() - held->since;
    if (elapsed < held->grace) {
        if (held->grace - elapsed > waitAtMost) {
            RegCloseKey(held->key);
            memset(held, 0, sizeof *held);
            return true;
        }
        Sleep(held->grace - elapsed);
    }
    SaveRequest quiet;
    memset(&quiet, 0, sizeof quiet);
    HANDLE mutex;
    bool locked = TakeLock(&mutex, &quiet);
    bool removed = RemoveHeldOldList(held, notes, left, changed);
    if (locked) ReleaseMutex(mutex);
    if (mutex != NULL) CloseHandle(mutex);
    return removed;
}
