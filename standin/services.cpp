// The service control manager: services that start, stop, refuse or ignore a stop, or fail
// to start, each with a process whose creation time is on the registry's clock. Waits take
// no time: Sleep only counts, and GetTickCount tells the count.
#include <string.h>
#include <strings.h>

#include <vector>

#include "standin.h"
#include "standin/standin_faults.h"
#include "standin/standin_registry_clock.h"
#include "standin/standin_reset.h"

namespace {

std::vector<StandinService> g_services;
DWORD g_nextProcessId = 100;
int g_manager;  // the one manager handle's target

StandinService* Named(const char* name)
{
    for (StandinService& service : g_services)
        if (strcasecmp(service.name.c_str(), name) == 0) return &service;
    return nullptr;
}

void Start(StandinService* service)
{
    service->state = SERVICE_RUNNING;
    service->processId = g_nextProcessId++;
    service->startedAt = StandinNextRegistryTime();
    ++service->starts;
}

// A service handle is its index plus one.
StandinService* OfHandle(SC_HANDLE handle)
{
    size_t index = (size_t)(uintptr_t)handle;
    return index >= 1 && index <= g_services.size() ? &g_services[index - 1] : nullptr;
}

}  // namespace

SC_HANDLE WINAPI OpenSCManagerA(LPCSTR, LPCSTR, DWORD)
{
    return (SC_HANDLE)&g_manager;
}

SC_HANDLE WINAPI OpenServiceA(SC_HANDLE, LPCSTR name, DWORD)
{
    LONG status;
    if (StandinTakeFault("OpenServiceA", name, &status)) {
        SetLastError((DWORD)status);
        return nullptr;
    }
    StandinService* service = Named(name ? name : "");
    if (service == nullptr) {
        SetLastError(ERROR_SERVICE_DOES_NOT_EXIST);
        return nullptr;
    }
    return (SC_HANDLE)(uintptr_t)(service - g_services.data() + 1);
}

BOOL WINAPI GetServiceKeyNameA(SC_HANDLE, LPCSTR displayName, LPSTR name, LPDWORD size)
{
    for (const StandinService& service : g_services) {
        if (strcasecmp(service.displayName.c_str(), displayName ? displayName : "") != 0) continue;
        if (*size <= service.name.size()) {
            *size = (DWORD)service.name.size();
            SetLastError(ERROR_INSUFFICIENT_BUFFER);
            return FALSE;
        }
        memcpy(name, service.name.c_str(), service.name.size() + 1);
        *size = (DWORD)service.name.size();
        return TRUE;
    }
    SetLastError(ERROR_SERVICE_DOES_NOT_EXIST);
    return FALSE;
}

BOOL WINAPI GetServiceDisplayNameA(SC_HANDLE, LPCSTR name, LPSTR displayName, LPDWORD size)
{
    StandinService* service = Named(name ? name : "");
    if (service == nullptr || *size <= service->displayName.size()) {
        SetLastError(service == nullptr ? ERROR_SERVICE_DOES_NOT_EXIST : ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    memcpy(displayName, service->displayName.c_str(), service->displayName.size() + 1);
    *size = (DWORD)service->displayName.size();
    return TRUE;
}

BOOL WINAPI QueryServiceStatusEx(SC_HANDLE handle, SC_STATUS_TYPE, LPBYTE buffer, DWORD size, LPDWORD needed)
{
    StandinService* service = OfHandle(handle);
    *needed = sizeof(SERVICE_STATUS_PROCESS);
    if (service == nullptr || size < sizeof(SERVICE_STATUS_PROCESS)) {
        SetLastError(service == nullptr ? ERROR_INVALID_HANDLE : ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    SERVICE_STATUS_PROCESS status = {};
    status.dwCurrentState = service->state;
    status.dwProcessId = service->state == SERVICE_STOPPED ? 0 : service->processId;
    memcpy(buffer, &status, sizeof status);
    return TRUE;
}

BOOL WINAPI ControlService(SC_HANDLE handle, DWORD, LPSERVICE_STATUS status)
{
    StandinService* service = OfHandle(handle);
    if (service == nullptr || service->refusesStop) {
        SetLastError(service == nullptr ? ERROR_INVALID_HANDLE : ERROR_SERVICE_CANNOT_ACCEPT_CTRL);
        return FALSE;
    }
    if (!service->ignoresStop) service->state = SERVICE_STOPPED;
    memset(status, 0, sizeof *status);
    status->dwCurrentState = service->state;
    return TRUE;
}

BOOL WINAPI StartServiceA(SC_HANDLE handle, DWORD, LPCSTR*)
{
    StandinService* service = OfHandle(handle);
    if (service == nullptr || service->failsStart) {
        SetLastError(service == nullptr ? ERROR_INVALID_HANDLE : ERROR_SERVICE_REQUEST_TIMEOUT);
        return FALSE;
    }
    Start(service);
    return TRUE;
}

BOOL WINAPI CloseServiceHandle(SC_HANDLE)
{
    return TRUE;
}

// A process handle is the process id; its times are those of the service that runs it.
HANDLE WINAPI OpenProcess(DWORD, BOOL, DWORD processId)
{
    for (const StandinService& service : g_services) {
        if (service.state == SERVICE_STOPPED || service.processId != processId) continue;
        if (!service.processHidden) return (HANDLE)(uintptr_t)processId;
        SetLastError(ERROR_ACCESS_DENIED);
        return nullptr;
    }
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
}

BOOL WINAPI GetProcessTimes(HANDLE process, PFILETIME creation, PFILETIME exit, PFILETIME kernel, PFILETIME user)
{
    for (const StandinService& service : g_services) {
        if (service.state == SERVICE_STOPPED || (HANDLE)(uintptr_t)service.processId != process) continue;
        *creation = FILETIME{(DWORD)service.startedAt, (DWORD)(service.startedAt >> 32)};
        *exit = *kernel = *user = FILETIME{0, 0};
        return TRUE;
    }
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
}

static DWORD g_ticks;

void WINAPI Sleep(DWORD milliseconds)
{
    g_ticks += milliseconds;
}

DWORD WINAPI GetTickCount(void)
{
    return g_ticks;
}

void StandinScriptService(const StandinService& service)
{
    // A service already there keeps its state and process; only how it behaves changes.
    if (StandinService* known = Named(service.name.c_str())) {
        known->refusesStop = service.refusesStop;
        known->ignoresStop = service.ignoresStop;
        known->failsStart = service.failsStart;
        known->processHidden = service.processHidden;
        return;
    }
    g_services.push_back(service);
    if (service.state == SERVICE_RUNNING) Start(&g_services.back());
}

void StandinResetServices(void)
{
    g_services.clear();
    g_nextProcessId = 100;
}
