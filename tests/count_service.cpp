// A service of the end-to-end run's own, registered under the repeater's display name: it
// counts its starts in the registry, and when told to, ignores the stop control, as a hung
// service would. Not the repeater: it only stands where the companion looks for it.
#include <windows.h>

#define COUNTER_KEY "Software\\CorvaneServiceTest"

static SERVICE_STATUS_HANDLE g_status = NULL;
static HANDLE g_stopped = NULL;

static void Report(DWORD state)
{
    SERVICE_STATUS status;
    ZeroMemory(&status, sizeof status);
    status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
    status.dwCurrentState = state;
    status.dwControlsAccepted = state == SERVICE_RUNNING ? SERVICE_ACCEPT_STOP : 0;
    SetServiceStatus(g_status, &status);
}

static DWORD ReadCounter(HKEY key, const char* name)
{
    DWORD value = 0, size = sizeof value;
    if (RegQueryValueExA(key, name, NULL, NULL, (BYTE*)&value, &size) != ERROR_SUCCESS) value = 0;
    return value;
}

static DWORD WINAPI Control(DWORD control, DWORD, void*, void*)
{
    if (control != SERVICE_CONTROL_STOP) return NO_ERROR;
    HKEY key;
    bool ignore = false;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, COUNTER_KEY, 0, KEY_READ, &key) == ERROR_SUCCESS) {
        ignore = ReadCounter(key, "IgnoreStop") != 0;
        RegCloseKey(key);
    }
    if (ignore) return NO_ERROR;
    Report(SERVICE_STOP_PENDING);
    SetEvent(g_stopped);
    return NO_ERROR;
}

static void WINAPI ServiceMain(DWORD, char**)
{
    g_status = RegisterServiceCtrlHandlerExA("CorvaneMdnsTest", Control, NULL);
    if (g_status == NULL) return;
    g_stopped = CreateEventA(NULL, TRUE, FALSE, NULL);
    HKEY key;
    if (RegCreateKeyA(HKEY_LOCAL_MACHINE, COUNTER_KEY, &key) == ERROR_SUCCESS) {
        DWORD starts = ReadCounter(key, "Starts") + 1;
        RegSetValueExA(key, "Starts", 0, REG_DWORD, (const BYTE*)&starts, sizeof starts);
        RegCloseKey(key);
    }
    Report(SERVICE_RUNNING);
    WaitForSingleObject(g_stopped, INFINITE);
    Report(SERVICE_STOPPED);
}

int main(void)
{
    char name[] = "CorvaneMdnsTest";
    SERVICE_TABLE_ENTRYA table[] = {{name, ServiceMain}, {NULL, NULL}};
    return StartServiceCtrlDispatcherA(table) ? 0 : 1;
}
