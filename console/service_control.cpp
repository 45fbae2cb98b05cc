// Finding, asking and restarting the repeater service, each wait bounded.
#include <stdio.h>

#include "audit/printable_text.h"
#include "console/errors_said.h"
#include "console/pairs_texts.h"
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
        *why = Worded(TEXT_PAIRS_NO_SERVICE_MANAGER, ErrorText(GetLastError()).c_str());
        return false;
    }
    std::string wanted = service.empty() ? REPEATER_DISPLAY_NAME : service;
    *handle = OpenByEitherName(*manager, wanted, access, name);
    if (*handle != NULL) return true;
    DWORD error = GetLastError();
    std::string shown = PrintableText(wanted.c_str());
    *why = error == ERROR_SERVICE_DOES_NOT_EXIST ? Worded(TEXT_PAIRS_SERVICE_MISSING, shown.c_str())
                                                 : Worded(TEXT_PAIRS_SERVICE_UNOPENED, shown.c_str(), ErrorText(error).c_str());
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
    default: return TEXT_PAIRS_STATE_UNKNOWN;
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
    if (!asked)
        *why = Worded(TEXT_PAIRS_SERVICE_UNASKED, PrintableText(found->name.c_str()).c_str(), ErrorText(GetLastError()).c_str());
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
        *what = Worded(TEXT_PAIRS_SERVICE_UNASKED, shown.c_str(), ErrorText(GetLastError()).c_str());
    } else if ((state = current.dwCurrentState) == SERVICE_STOPPED) {
        // A stopped service stays stopped: starting it is the administrator's decision.
        *what = Worded(TEXT_PAIRS_SERVICE_STAYS_STOPPED, shown.c_str());
        result = LEFT_STOPPED;
    } else if (state != SERVICE_RUNNING) {
        *what = Worded(TEXT_PAIRS_SERVICE_LEFT_AS_IT_IS, shown.c_str(), ServiceStateWord(state));
    } else {
        SERVICE_STATUS status;
        if (!ControlService(handle, SERVICE_CONTROL_STOP, &status))
            *what = Worded(TEXT_PAIRS_SERVICE_REFUSED_STOP, shown.c_str(), ErrorText(GetLastError()).c_str());
        else if (!WaitForState(handle, SERVICE_STOPPED, &state))
            *what = Worded(TEXT_PAIRS_SERVICE_DID_NOT_STOP, shown.c_str(), ServiceStateWord(state));
        else if (!StartServiceA(handle, 0, NULL))
            *what = Worded(TEXT_PAIRS_SERVICE_FAILED_START, shown.c_str(), ErrorText(GetLastError()).c_str());
        else if (!WaitForState(handle, SERVICE_RUNNING, &state))
            *what = Worded(TEXT_PAIRS_SERVICE_DID_NOT_START, shown.c_str(), ServiceStateWord(state));
        else {
            *what = Worded(TEXT_PAIRS_SERVICE_RESTARTED, shown.c_str());
            result = RESTARTED;
        }
    }
    CloseServiceHandle(handle);
    CloseServiceHandle(manager);
    return result;
}
