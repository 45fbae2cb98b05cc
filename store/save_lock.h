// The save lock our two programs share. Private to the store.
#pragma once

#include "store/store.h"

// Takes the lock, saying through the request's callbacks what keeps it; false when it is not
// held (the save goes on, guarded by its compare). `*mutex` is the caller's to close.
bool TakeLock(HANDLE* mutex, const SaveRequest* request);
