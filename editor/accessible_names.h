// Names for a screen reader of the page's controls that have no label of their own.
#pragma once

#include <windows.h>

// Names the two choosers and the pair list, without moving or relabelling them.
void NameControlsForScreenReaders(HWND page);
