// What the stand-in's registry holds outside the pair list: whatever the store does, this
// must read the same before and after.
#pragma once

#include <string>

// Every key and value below HKEY_LOCAL_MACHINE\Software, less what lies physically below
// the Networks key; links are described, not followed.
std::string OutsideTheStore(void);
