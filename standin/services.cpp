// The service control manager: services that start, stop, refuse or ignore a stop, or fail
// to start, each with a process whose creation time is on the registry's clock. Waits take
// no time: Sleep only counts, and GetTickCount tells the count.
#include <string.h>
#include <strings.h>

#include <vector>

#include "standin.h"
#include "standin/standin_faults.h"
#include "standin/standin_registry_clock.h"
#include "standin/standin_processes.h"
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

// A service handle, as Windows keeps it: the service, the access it was opened with, and
// whether it is still open. Handles are their place in this list plus a base.
struct ServiceHandle {
    size_t service;
    DWORD access;
    bool open;
};
std::vector<ServiceHandle> g_serviceHandles;
const uintptr_t kServiceHandleBase = 0x1000;

// The service behind an open handle that was opened with `needed`; NULL, with the error Windows
// gives, otherwise.
StandinService* OfHandle(SC_HANDLE handle, DWORD needed)
{
    size_t index = (size_t)((uintptr_t)handle - kServiceHandleBase);
    if ((uintptr_t)handle < kServiceHandleBase || index >= g_serviceHandles.size() || !g_serviceHandles[index].open ||
        g_serviceHandles[index].service >= g_services.size()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    if ((g_serviceHandles[index].access & needed) != needed) {
        SetLastError(ERROR_ACCESS_DENIED);
        return nullptr;
    }
    return &g_services[g_serviceHandles[index].service];
}

}  // namespace

SC_HANDLE WINAPI OpenSCManagerA(LPCSTR, LPCSTR, DWORD)
{
    return (SC_HANDLE)&g_manager;
}

SC_HANDLE WINAPI OpenServiceA(SC_HANDLE, LPCSTR name, DWORD access)
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
    if ((access & service->deniedAccess) != 0) {
        SetLastError(ERROR_ACCESS_DENIED);
        return nullptr;
    }
    g_serviceHandles.push_back(ServiceHandle{(size_t)(service - g_services.data()), access, true});
    return (SC_HANDLE)(kServiceHandleBase + g_serviceHandles.size() - 1);
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
    StandinService* service = OfHandle(handle, SERVICE_QUERY_STATUS);
    *needed = sizeof(SERVICE_STATUS_PROCESS);
    if (service == nullptr) return FALSE;
    if (size < sizeof(SERVICE_STATUS_PROCESS)) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    SERVICE_STATUS_PROCESS status = {};
    status.dwCurrentState = service->state;
    status.dwProcessId = service->state == SERVICE_STOPPED ? 0 : service->processId;
    memcpy(buffer, &status, sizeof status);
    return TRUE;
}

// Stop needs SERVICE_STOP and a service that runs; interrogate needs SERVICE_INTERROGATE and
// never stops anything.
BOOL WINAPI ControlService(SC_HANDLE handle, DWORD control, LPSERVICE_STATUS status)
{
    bool stop = control == SERVICE_CONTROL_STOP;
    StandinService* service = OfHandle(handle, stop ? SERVICE_STOP : SERVICE_INTERROGATE);
    if (service == nullptr) return FALSE;
    if (service->state == SERVICE_STOPPED || (stop && service->refusesStop)) {
        SetLastError(service->state == SERVICE_STOPPED ? ERROR_SERVICE_NOT_ACTIVE : ERROR_SERVICE_CANNOT_ACCEPT_CTRL);
        return FALSE;
    }
    if (stop && !service->ignoresStop) service->state = SERVICE_STOPPED;
    memset(status, 0, sizeof *status);
    status->dwCurrentState = service->state;
    return TRUE;
}

BOOL WINAPI StartServiceA(SC_HANDLE handle, DWORD, LPCSTR*)
{
    StandinService* service = OfHandle(handle, SERVICE_START);
    if (service == nullptr) return FALSE;
    if (service->state != SERVICE_STOPPED || service->failsStart) {
        SetLastError(service->state != SERVICE_STOPPED ? ERROR_SERVICE_ALREADY_RUNNING : ERROR_SERVICE_REQUEST_TIMEOUT);
        return FALSE;
    }
    Start(service);
    return TRUE;
}

BOOL WINAPI CloseServiceHandle(SC_HANDLE handle)
{
    if (handle == (SC_HANDLE)&g_manager) return TRUE;
    if (OfHandle(handle, 0) == nullptr) return FALSE;
    g_serviceHandles[(size_t)((uintptr_t)handle - kServiceHandleBase)].open = false;
    return TRUE;
}

// A process handle is the process id; its times are those of the service that runs it.
bool StandinIsProcessHandle(HANDLE handle)
{
    for (const StandinService& service : g_services)
        if (service.processId != 0 && (HANDLE)(uintptr_t)service.processId == handle) return true;
    return false;
}

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
        known->deniedAccess = service.deniedAccess;
        return;
    }
    g_services.push_back(service);
    if (service.state == SERVICE_RUNNING) Start(&g_services.back());
}

void StandinResetServices(void)
{
    g_services.clear();
    g_serviceHandles.clear();
    g_nextProcessId = 100;
}
