// Finding, asking and restarting the repeater service, each wait bounded.
#include <stdio.h>

#include "audit/printable_text.h"
#include "console/service_control.h"

// About half a minute each way, as the service control manager allows a service to answer.
#define STATE_WAIT_MS 30000
#define POLL_MS 250
#define SERVICE_NAME_CAPACITY 257

namespace {

std::string ErrorText(DWORD error)
{
    char text[32];
    snprintf(text, sizeof text, "error %lu", (unsigned long)error);
    return text;
}

// Opens the service by its key name, then by its display name.
SC_HANDLE OpenByEitherName(SC_HANDLE manager, const std::string& service, DWORD access, std::string* name)
{
    SC_HANDLE handle = OpenServiceA(manager, service.c_str(), access);
    if (handle != NULL) {
        *name = service;
        return handle;
    }
    char keyName[SERVICE_NAME_CAPACITY];
    DWORD size = sizeof keyName;
    if (!GetServiceKeyNameA(manager, service.c_str(), keyName, &size)) return NULL;
    *name = keyName;
    return OpenServiceA(manager, keyName, access);
}

bool QueryStatus(SC_HANDLE handle, SERVICE_STATUS_PROCESS* status)
{
    DWORD needed = 0;
    return QueryServiceStatusEx(handle, SC_STATUS_PROCESS_INFO, (LPBYTE)status, sizeof *status, &needed) != FALSE;
}

// Waits, polling, until the service reaches `wanted` or the bound passes.
bool WaitForState(SC_HANDLE service, DWORD wanted, DWORD* reached)
{
    for (DWORD waited = 0;; waited += POLL_MS) {
        SERVICE_STATUS_PROCESS status;
        if (!QueryStatus(service, &status)) return false;
        *reached = status.dwCurrentState;
        if (status.dwCurrentState == wanted) return true;
        if (waited >= STATE_WAIT_MS) return false;
        Sleep(POLL_MS);
    }
}

// The manager and the service, opened with `access`; false with why.
bool OpenRepeater(const std::string& service, DWORD access, SC_HANDLE* manager, SC_HANDLE* handle, std::string* name,
                  std::string* why)
{
    *handle = NULL;
    *manager = OpenSCManagerA(NULL, NULL, SC_MANAGER_CONNECT);
    if (*manager == NULL) {
        *why = "The service control manager cannot be reached (" + ErrorText(GetLastError()) + ").";
        return false;
    }
    std::string wanted = service.empty() ? REPEATER_DISPLAY_NAME : service;
    *handle = OpenByEitherName(*manager, wanted, access, name);
    if (*handle != NULL) return true;
    DWORD error = GetLastError();
    *why = "The service \"" + PrintableText(wanted.c_str()) + "\" " +
           (error == ERROR_SERVICE_DOES_NOT_EXIST ? "does not exist" : "cannot be opened (" + ErrorText(error) + ")") +
           " (a key name or a display name will do).";
    CloseServiceHandle(*manager);
    *manager = NULL;
    SetLastError(error);
    return false;
}

}  // namespace

const char* ServiceStateWord(DWORD state)
{
    switch (state) {
    case SERVICE_STOPPED: return "stopped";
    case SERVICE_START_PENDING: return "starting";
    case SERVICE_STOP_PENDING: return "stopping";
    case SERVICE_RUNNING: return "running";
    case SERVICE_CONTINUE_PENDING: return "continuing";
    case SERVICE_PAUSE_PENDING: return "pausing";
    case SERVICE_PAUSED: return "paused";
    default: return "in an unknown state";
    }
}

bool FindRepeaterService(const std::string& service, RepeaterService* found, std::string* why)
{
    SC_HANDLE manager, handle;
    found->missing = false;
    if (!OpenRepeater(service, SERVICE_QUERY_STATUS, &manager, &handle, &found->name, why)) {
        found->missing = GetLastError() == ERROR_SERVICE_DOES_NOT_EXIST;
        return false;
    }
    char displayName[SERVICE_NAME_CAPACITY];
    DWORD size = sizeof displayName;
    found->displayName = GetServiceDisplayNameA(manager, found->name.c_str(), displayName, &size) ? displayName : "";
    SERVICE_STATUS_PROCESS status;
    bool asked = QueryStatus(handle, &status);
    if (!asked) *why = "The service " + PrintableText(found->name.c_str()) + " cannot be asked for its state (" +
                       ErrorText(GetLastError()) + ").";
    found->state = asked ? status.dwCurrentState : 0;
    found->processId = asked ? status.dwProcessId : 0;
    found->startKnown = false;
    // The time its process started tells whether it read the list before the last change.
    HANDLE process = found->processId != 0 ? OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, found->processId)
                                           : NULL;
    if (process != NULL) {
        FILETIME exited, kernel, user;
        found->startKnown = GetProcessTimes(process, &found->startedAt, &exited, &kernel, &user) != FALSE;
        CloseHandle(process);
    }
    CloseServiceHandle(handle);
    CloseServiceHandle(manager);
    return asked;
}

RestartResult RestartRepeaterService(const std::string& service, std::string* what)
{
    SC_HANDLE manager, handle;
    std::string name;
    if (!OpenRepeater(service, SERVICE_QUERY_STATUS | SERVICE_STOP | SERVICE_START, &manager, &handle, &name, what))
        return RESTART_FAILED;
    const std::string shown = PrintableText(name.c_str());
    RestartResult result = RESTART_FAILED;
    SERVICE_STATUS_PROCESS current;
    DWORD state = 0;
    if (!QueryStatus(handle, &current)) {
        *what = "The service " + shown + " cannot be asked for its state (" + ErrorText(GetLastError()) + ").";
    } else if ((state = current.dwCurrentState) == SERVICE_STOPPED) {
        // A stopped service stays stopped: starting it is the administrator's decision.
        *what = "The service " + shown + " is stopped; it stays stopped and reads the new list when it starts.";
        result = LEFT_STOPPED;
    } else if (state != SERVICE_RUNNING) {
        *what = "The service " + shown + " is " + ServiceStateWord(state) + " and was not restarted.";
    } else {
        SERVICE_STATUS status;
        if (!ControlService(handle, SERVICE_CONTROL_STOP, &status))
            *what = "The service " + shown + " refused to stop (" + ErrorText(GetLastError()) + ").";
        else if (!WaitForState(handle, SERVICE_STOPPED, &state))
            *what = "The service " + shown + " did not stop within 30 seconds (it is " + ServiceStateWord(state) + ").";
        else if (!StartServiceA(handle, 0, NULL))
            *what = "The service " + shown + " stopped but failed to start again (" + ErrorText(GetLastError()) + ").";
        else if (!WaitForState(handle, SERVICE_RUNNING, &state))
            *what = "The service " + shown + " stopped but did not start again within 30 seconds (it is " +
                    ServiceStateWord(state) + ").";
        else {
            *what = "The service " + shown + " was restarted.";
            result = RESTARTED;
        }
    }
    CloseServiceHandle(handle);
    CloseServiceHandle(manager);
    return result;
}
