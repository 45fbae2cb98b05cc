// The lock our two programs take turns at saving under, and the old list's retirement, which
// waits for its readers without it and removes the list under it.
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

bool RetireOldList(HeldOldList* held, char left[ASIDE_NAME_SIZE], RemovalNotes* notes)
{
    left[0] = 0;
    // Its readers are waited for without the lock; it is removed under the lock.
    if (!WaitForOldListReaders(held)) return true;
    SaveRequest quiet;
    memset(&quiet, 0, sizeof quiet);
    HANDLE mutex;
    bool locked = TakeLock(&mutex, &quiet);
    bool removed = RemoveHeldOldList(held, notes, left);
    if (locked) ReleaseMutex(mutex);
    if (mutex != NULL) CloseHandle(mutex);
    return removed;
}
