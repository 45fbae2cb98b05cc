// Fault injection shared by the stand-in's calls.
#pragma once

#include "windows.h"

// True when the current call of `function` on `path` is to fail; `status` then holds the code.
bool StandinTakeFault(const char* function, LPCSTR path, LONG* status);
// True while an action of another process (StandinBeforeCall) runs.
bool StandinInOtherProcess(void);
