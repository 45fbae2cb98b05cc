// The repeater service through the service control manager: its state and process, and a
// restart. Only the companion calls it, and only when asked.
#pragma once

#include <windows.h>

#include <string>

#define REPEATER_DISPLAY_NAME "Corvane mDNS Repeater"

struct RepeaterService {
    std::string name;         // the service's key name
    std::string displayName;
    DWORD state = 0;          // SERVICE_RUNNING, ...
    DWORD processId = 0;      // 0 when it has no process
    bool startKnown = false;  // whether startedAt holds its process's creation time
    FILETIME startedAt = {0, 0};
    bool missing = false;     // no service has that name
};

// Finds the service by `service`, its key name or its display name, or when empty by the
// repeater's display name. False, with why for a person, when it cannot be found or asked.
bool FindRepeaterService(const std::string& service, RepeaterService* found, std::string* why);

enum RestartResult {
    RESTARTED,       // stopped and started again, and running
    LEFT_STOPPED,    // it was not running: it stays so
    RESTART_FAILED,  // not found, not allowed, or it did not stop or start in time
};

// `what` says what happened, for a person, with the service manager's error where one came.
RestartResult RestartRepeaterService(const std::string& service, std::string* what);

// The state in a word: "running", "stopped", ...
const char* ServiceStateWord(DWORD state);
