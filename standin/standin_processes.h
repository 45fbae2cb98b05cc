// The services' processes, as the rest of the stand-in sees them.
#pragma once

#include "windows.h"

// Whether `handle` is one OpenProcess gave for a service's process.
bool StandinIsProcessHandle(HANDLE handle);
