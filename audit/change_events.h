// The audit trail: one event in the Application log for every change of the pair list and
// every restart of the repeater service, from either program, with who made it and what
// changed. The message texts are compiled into mDNSPairs.exe, which the package registers
// as the source's message file.
#pragma once

#include <windows.h>

#include <string>

#define EVENT_SOURCE_NAME "Corvane mDNS Configurator"

// The event ids; the message table (resources/list_events.mc) holds one text for each.
enum ListEvent {
    LIST_EVENT_SAVED = 1000,          // information: the list was changed
    LIST_EVENT_REFUSED = 1001,        // warning: another program changed it first, or it could not be checked
    LIST_EVENT_FAILED = 1002,         // error: the save did not complete
    LIST_EVENT_RESTARTED = 1003,      // information: the repeater service was restarted
    LIST_EVENT_NOT_RESTARTED = 1004,  // error: a restart was asked for and did not happen
};

struct ListEventReport {
    ListEvent event;
    std::string program;  // "mDNSPairs set 10.0.0.5 10.0.0.6", "mDNSConfig"
    int pairsBefore;      // -1 when not known
    int pairsAfter;
    std::string changes;  // the difference lines, as the companion prints them
    std::string detail;   // the answer given, why it failed, or the service's words
};

// The event's insertion strings, %1 to %7 of the message: program, user (domain\name),
// SID, pairs before, pairs after, changes, detail. Control characters are escaped.
#define LIST_EVENT_STRING_COUNT 7

// Writes the event with the process's user; false, with the system's error, when it could
// not be written. A change whose event is lost is still a change: the caller says so.
bool ReportListEvent(const ListEventReport& report, DWORD* error);
