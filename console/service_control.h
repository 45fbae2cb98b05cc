// The repeater service through the service control manager: its state, and a restart after
// the list changed. Only the companion calls it, and only when asked.
#pragma once

#include <string>

#define REPEATER_DISPLAY_NAME "Corvane mDNS Repeater"

enum RestartResult {
    RESTARTED,            // stopped and started again, and running
    LEFT_STOPPED,         // it was not running: it stays so
    RESTART_FAILED,       // not found, not allowed, or it did not stop or start in time
};

// `service` is the service's name, or empty for the one whose display name is the
// repeater's. `what` says what happened, for a person.
RestartResult RestartRepeaterService(const std::string& service, std::string* what);

// The service's state in a word ("running", "stopped", ...); false, with why, when it
// cannot be asked.
bool RepeaterServiceState(const std::string& service, std::string* state);
