// The Application log and the process token: reports are kept for the tests to read; the
// process runs as one user of its own, STANDIN\tester.
#include <stdlib.h>
#include <string.h>

#include "standin.h"
#include "standin/standin_reset.h"

#define STANDIN_SID_TEXT "S-1-5-21-1000-2000-3000-1001"

namespace {

std::vector<StandinEventReport> g_reports;
DWORD g_failure = 0;
int g_log;    // the one event source handle's target
int g_token;  // the process token's
char g_sid[] = "standin-sid";

}  // namespace

BOOL WINAPI OpenProcessToken(HANDLE, DWORD, HANDLE* token)
{
    *token = (HANDLE)&g_token;
    return TRUE;
}

BOOL WINAPI GetTokenInformation(HANDLE, TOKEN_INFORMATION_CLASS, void* information, DWORD size, DWORD* needed)
{
    *needed = sizeof(TOKEN_USER);
    if (information == nullptr || size < sizeof(TOKEN_USER)) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    ((TOKEN_USER*)information)->User.Sid = g_sid;
    ((TOKEN_USER*)information)->User.Attributes = 0;
    return TRUE;
}

BOOL WINAPI LookupAccountSidA(LPCSTR, PSID, LPSTR name, LPDWORD nameSize, LPSTR domain, LPDWORD domainSize, SID_NAME_USE* use)
{
    if (*nameSize < 7 || *domainSize < 8) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    strcpy(name, "tester");
    strcpy(domain, "STANDIN");
    *use = SidTypeUser;
    return TRUE;
}

BOOL WINAPI ConvertSidToStringSidA(PSID, LPSTR* text)
{
    *text = strdup(STANDIN_SID_TEXT);
    return *text != nullptr;
}

void* WINAPI LocalFree(void* memory)
{
    free(memory);
    return nullptr;
}

DWORD WINAPI GetLengthSid(PSID)
{
    return sizeof g_sid;
}

BOOL WINAPI CopySid(DWORD length, PSID destination, PSID source)
{
    memcpy(destination, source, length);
    return TRUE;
}

HANDLE WINAPI RegisterEventSourceA(LPCSTR, LPCSTR source)
{
    if (g_failure != 0) {
        SetLastError(g_failure);
        return nullptr;
    }
    g_reports.push_back(StandinEventReport{source ? source : "", 0, 0, false, {}});
    return (HANDLE)&g_log;
}

BOOL WINAPI ReportEventA(HANDLE, WORD type, WORD, DWORD id, PSID user, WORD stringCount, DWORD dataSize, LPCSTR* strings,
                         void* data)
{
    // Raw data counted but not given is refused, as the log refuses it.
    if (dataSize > 0 && data == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    StandinEventReport& report = g_reports.back();
    report.type = type;
    report.id = id;
    report.withUser = user != nullptr && memcmp(user, g_sid, sizeof g_sid) == 0;
    for (WORD i = 0; i < stringCount; ++i) report.strings.push_back(strings[i]);
    return TRUE;
}

BOOL WINAPI DeregisterEventSource(HANDLE)
{
    // A source registered and never reported leaves no report.
    if (!g_reports.empty() && g_reports.back().id == 0) g_reports.pop_back();
    return TRUE;
}

const std::vector<StandinEventReport>& StandinEventReports(void)
{
    return g_reports;
}

void StandinFailEventLog(DWORD error)
{
    g_failure = error;
}

void StandinResetEventLog(void)
{
    g_reports.clear();
    g_failure = 0;
}
