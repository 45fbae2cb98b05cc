// Writing one event of the audit trail: the process's user from its token, the strings
// escaped, and the event's type from its id.
#include <stdio.h>
#include <stdlib.h>

#include <windows.h>
#ifdef _WIN32
#include <sddl.h>
#endif

#include "audit/change_events.h"

#define ACCOUNT_NAME_SIZE 256
// Far beyond a real list's differences; the log holds at most 32 KiB of strings an event.
#define EVENT_TEXT_LIMIT 24000

// The process's user as domain\name and SID text, and its SID for the event's own field
// (freed by the caller). Unknown parts stay as they are.
static PSID ProcessUser(std::string* account, std::string* sidText)
{
    HANDLE token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return NULL;
    DWORD needed = 0;
    GetTokenInformation(token, TokenUser, NULL, 0, &needed);  // asks the size only
    TOKEN_USER* user = needed > 0 ? (TOKEN_USER*)malloc(needed) : NULL;
    PSID sid = NULL;
    if (user != NULL && GetTokenInformation(token, TokenUser, user, needed, &needed)) {
        char name[ACCOUNT_NAME_SIZE], domain[ACCOUNT_NAME_SIZE];
        DWORD nameSize = sizeof name, domainSize = sizeof domain;
        SID_NAME_USE use;
        if (LookupAccountSidA(NULL, user->User.Sid, name, &nameSize, domain, &domainSize, &use))
            *account = std::string(domain) + "\\" + name;
        char* text = NULL;
        if (ConvertSidToStringSidA(user->User.Sid, &text)) {
            *sidText = text;
            LocalFree(text);
        }
        DWORD length = GetLengthSid(user->User.Sid);
        sid = malloc(length);
        if (sid != NULL && !CopySid(length, sid, user->User.Sid)) {
            free(sid);
            sid = NULL;
        }
    }
    free(user);
    CloseHandle(token);
    return sid;
}

static WORD TypeOf(ListEvent event)
{
    switch (event) {
    case LIST_EVENT_REFUSED: return EVENTLOG_WARNING_TYPE;
    case LIST_EVENT_FAILED:
    case LIST_EVENT_NOT_RESTARTED: return EVENTLOG_ERROR_TYPE;
    default: return EVENTLOG_INFORMATION_TYPE;
    }
}

// Line breaks become the viewer's; any other control character is written as \xNN. Stored
// texts arrive already shown as the companion prints them, backslashes doubled.
static std::string Shown(const std::string& text)
{
    std::string shown;
    for (char c : text) {
        if (c == '\n') {
            shown += "\r\n";
        } else if ((unsigned char)c < 0x20 || c == 0x7f) {
            char escaped[8];
            snprintf(escaped, sizeof escaped, "\\x%02x", (unsigned char)c);
            shown += escaped;
        } else {
            shown += c;
        }
    }
    if (shown.size() > EVENT_TEXT_LIMIT) shown = shown.substr(0, EVENT_TEXT_LIMIT) + "...";
    return shown;
}

static std::string Count(int count)
{
    return count < 0 ? "unknown" : std::to_string(count);
}

bool ReportListEvent(const ListEventReport& report, DWORD* error)
{
    std::string account = "unknown", sidText = "unknown";
    PSID sid = ProcessUser(&account, &sidText);
    std::string strings[LIST_EVENT_STRING_COUNT] = {
        Shown(report.program), Shown(account), sidText, Count(report.pairsBefore), Count(report.pairsAfter),
        Shown(report.changes.empty() ? "(none)" : report.changes), Shown(report.detail)};
    const char* pointers[LIST_EVENT_STRING_COUNT];
    for (int i = 0; i < LIST_EVENT_STRING_COUNT; ++i) pointers[i] = strings[i].c_str();
    *error = ERROR_SUCCESS;
    HANDLE log = RegisterEventSourceA(NULL, EVENT_SOURCE_NAME);
    bool reported = log != NULL && ReportEventA(log, TypeOf(report.event), 0, (DWORD)report.event, sid,
                                                LIST_EVENT_STRING_COUNT, 0, pointers, NULL);
    if (!reported) *error = GetLastError();
    if (log != NULL) DeregisterEventSource(log);
    free(sid);
    return reported;
}
