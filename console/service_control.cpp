// Stopping and starting the repeater service, each wait bounded.
#include "console/service_control.h"

#ifdef _WIN32
#include <windows.h>

// About half a minute each way, as the service control manager allows a service to answer.
#define STATE_WAIT_MS 30000
#define POLL_MS 250
#define SERVICE_NAME_CAPACITY 257

namespace {

const char* StateWord(DWORD state)
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

// Opens the service by its name, or finds it by the repeater's display name.
SC_HANDLE OpenRepeater(SC_HANDLE manager, const std::string& service, DWORD access, std::string* name)
{
    char found[SERVICE_NAME_CAPACITY];
    DWORD size = sizeof found;
    if (!service.empty()) *name = service;
    else if (GetServiceKeyNameA(manager, REPEATER_DISPLAY_NAME, found, &size)) *name = found;
    else return NULL;
    return OpenServiceA(manager, name->c_str(), access);
}

// Waits, polling, until the service reaches `wanted` or the bound passes.
bool WaitForState(SC_HANDLE service, DWORD wanted, DWORD* reached)
{
    DWORD waited = 0;
    for (;;) {
        SERVICE_STATUS status;
        if (!QueryServiceStatus(service, &status)) return false;
        *reached = status.dwCurrentState;
        if (status.dwCurrentState == wanted) return true;
        if (waited >= STATE_WAIT_MS) return false;
        Sleep(POLL_MS);
        waited += POLL_MS;
    }
}


}  // namespace

RestartResult RestartRepeaterService(const std::string& service, std::string* what)
{
    SC_HANDLE manager = OpenSCManagerA(NULL, NULL, SC_MANAGER_CONNECT);
    if (manager == NULL) {
        *what = "The service control manager cannot be reached.";
        return RESTART_FAILED;
    }
    std::string name = service.empty() ? REPEATER_DISPLAY_NAME : service;
    SC_HANDLE handle = OpenRepeater(manager, service, SERVICE_QUERY_STATUS | SERVICE_STOP | SERVICE_START, &name);
    RestartResult result = RESTART_FAILED;
    SERVICE_STATUS current;
    DWORD state = handle != NULL && QueryServiceStatus(handle, &current) ? current.dwCurrentState : 0;
    if (handle == NULL || state == 0) {
        *what = "The service \"" + name + "\" cannot be found or may not be controlled.";
    } else if (state == SERVICE_STOPPED) {
        // A stopped service stays stopped: starting it is the administrator's decision.
        *what = "The service " + name + " is stopped; it stays stopped and reads the new list when it starts.";
        result = LEFT_STOPPED;
    } else if (state != SERVICE_RUNNING) {
        *what = "The service " + name + " is " + StateWord(state) + " and was not restarted.";
    } else {
        SERVICE_STATUS status;
        if (!ControlService(handle, SERVICE_CONTROL_STOP, &status) || !WaitForState(handle, SERVICE_STOPPED, &state))
            *what = "The service " + name + " did not stop within 30 seconds (it is " + StateWord(state) + ").";
        else if (!StartServiceA(handle, 0, NULL) || !WaitForState(handle, SERVICE_RUNNING, &state))
            *what = "The service " + name + " stopped but did not start again (it is " + StateWord(state) + ").";
        else {
            *what = "The service " + name + " was restarted.";
            result = RESTARTED;
        }
    }
    if (handle != NULL) CloseServiceHandle(handle);
    CloseServiceHandle(manager);
    return result;
}

bool RepeaterServiceState(const std::string& service, std::string* state)
{
    SC_HANDLE manager = OpenSCManagerA(NULL, NULL, SC_MANAGER_CONNECT);
    if (manager == NULL) {
        *state = "The service control manager cannot be reached.";
        return false;
    }
    std::string name = service.empty() ? REPEATER_DISPLAY_NAME : service;
    SC_HANDLE handle = OpenRepeater(manager, service, SERVICE_QUERY_STATUS, &name);
    SERVICE_STATUS status;
    bool known = handle != NULL && QueryServiceStatus(handle, &status);
    *state = known ? name + ": " + StateWord(status.dwCurrentState)
                   : "The service \"" + name + "\" cannot be found or may not be asked.";
    if (handle != NULL) CloseServiceHandle(handle);
    CloseServiceHandle(manager);
    return known;
}
#else
// Built without Windows there is no service control manager to ask.
RestartResult RestartRepeaterService(const std::string&, std::string* what)
{
    *what = "There is no service control manager on this system.";
    return RESTART_FAILED;
}

bool RepeaterServiceState(const std::string&, std::string* state)
{
    *state = "There is no service control manager on this system.";
    return false;
}
#endif
