// Start-up and the invisible owner window: the whole run happens while that window is
// being created, and the process ends there.
#include <windows.h>
#include <commctrl.h>
#include <winsock.h>

#include <fcntl.h>
#include <io.h>
#include <stdio.h>
#include <stdlib.h>

#include "editor/sheet_save.h"
#include "net/adapters.h"
#include "net/local_addresses.h"
#include "resources/program_texts.h"
#include "resources/resource_ids.h"
#include "shell/configuration_sheet.h"
#include "store/store.h"

// Loaded from the string resources; the owner window is never shown, so neither is seen.
#define SHELL_TEXT_SIZE 100
static char TitleText[SHELL_TEXT_SIZE];
static char ClassNameText[SHELL_TEXT_SIZE];

static LRESULT CALLBACK OwnerWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_CREATE) {
        SheetSession* session = (SheetSession*)((const CREATESTRUCTA*)lParam)->lpCreateParams;
        RunSheet(ProgramInstance, window, session);
        RetireSheetLists(window, session);
        MessageBoxA(window, TEXT_RESTART_NOTICE, CAPTION_RESTART_NOTICE, MB_ICONINFORMATION);
        exit(-1);
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

static void RegisterOwnerClass(HINSTANCE instance)
{
    WNDCLASSEXA windowClass;
    ZeroMemory(&windowClass, sizeof windowClass);
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = OwnerWindowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_CONFIGURATOR));
    windowClass.hCursor = LoadCursorA(NULL, IDC_ARROW);
    windowClass.hbrBackground = (HBRUSH)(COLOR_WINDOW + 1);
    windowClass.lpszMenuName = MAKEINTRESOURCEA(IDM_CONFIGURATOR);
    windowClass.lpszClassName = ClassNameText;
    windowClass.hIconSm = LoadIconA(instance, MAKEINTRESOURCEA(IDI_CONFIGURATOR));
    RegisterClassExA(&windowClass);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    // Diagnostic lines carry their own "\r\n"; keep the C library from adding a second CR.
    _setmode(_fileno(stdout), _O_BINARY);

    // What the saves compare the store with, and the list the audit trail starts from, come
    // from the same reading as the table.
    StoreReading reading;
    LoadPairTable(&reading);
    SheetSession session;
    BeginSheetSession(&session, &reading);
    FreeStoreReading(&reading);

    WSADATA socketsData;
    WSAStartup(MAKEWORD(2, 2), &socketsData);  // a failure only leaves the address list empty
    session.own.hostListKnown = DiscoverLocalAddresses() == 0;
    session.own.hostList = LocalAddressList;
    session.own.hostCount = LocalAddressCount;
    // Only explains addresses: a failure leaves them unexplained.
    DiscoverAdapterAddresses(&session.own);

    ProgramInstance = instance;
    LoadStringA(instance, IDS_APP_TITLE, TitleText, SHELL_TEXT_SIZE);
    LoadStringA(instance, IDS_WINDOW_CLASS, ClassNameText, SHELL_TEXT_SIZE);

    // The General page's list needs the list-view class registered.
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&controls);

    RegisterOwnerClass(instance);
    // Creating the window runs the sheet and ends the process; only a failed creation returns.
    CreateWindowExA(0, ClassNameText, TitleText, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, 0, CW_USEDEFAULT, 0, NULL, NULL,
                    instance, &session);
    return 0;
}
