// The companion's version, as its version resource gives it.
#pragma once

#include <stddef.h>

// "1.2.0.0" into `text`; false when the resource cannot be read (the native build has none).
bool ReadProgramVersion(char* text, size_t size);
