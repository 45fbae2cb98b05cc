// Controls of the platform's own windows that the page test and the driver reach by number.
#pragma once

#include <windows.h>

const int kApplyButton = 0x3021;     // the property sheet's Apply
const int kMessageBoxText = 0xFFFF;  // a message box's text

// A message box's icon: control 0x14 on Windows, 0x440 on Wine.
inline HWND MessageBoxIconControl(HWND box)
{
    HWND icon = GetDlgItem(box, 0x14);
    return icon != NULL ? icon : GetDlgItem(box, 0x440);
}
