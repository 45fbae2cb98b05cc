// The user-interface calls that window-less code makes. A message box is recorded and
// written to standard error instead of waiting for a click.
#include <stdio.h>
#include <string.h>

#include "standin.h"
#include "standin/standin_faults.h"
#include "standin/standin_reset.h"

namespace {
std::vector<StandinMessageBox> g_messageBoxes;
}

int WINAPI MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type)
{
    g_messageBoxes.push_back(StandinMessageBox{owner, text ? text : "", caption ? caption : "", type});
    fprintf(stderr, "[message box \"%s\" type 0x%x] %s\n", caption ? caption : "", type, text ? text : "");
    return IDOK;
}

int WINAPI lstrlenA(LPCSTR text)
{
    return text ? (int)strlen(text) : 0;
}

const std::vector<StandinMessageBox>& StandinMessageBoxes(void)
{
    return g_messageBoxes;
}

void StandinResetUser(void)
{
    g_messageBoxes.clear();
}
