// Whether the repeater service runs an older list than the one stored: from the record our
// programs keep of the process that was running when they saved, and from clocks only for
// writers that are not ours. "Cannot tell" is an answer of its own, never "no".
#pragma once

#include <string>
#include <vector>

#include "console/service_control.h"
#include "store/store.h"

enum PendingAnswer {
    PENDING_NO,
    PENDING_YES,
    PENDING_UNKNOWN,
};

struct PendingRestart {
    PendingAnswer answer;
    const char* how;  // "record", "clock", "stopped", "not running", "no service", "unreadable"
    std::string why;  // for "cannot tell": what could not be asked
};

// What the service and the store say now. `stored` in key-number order; `exact` whether the
// store is exactly what a save of it leaves; `newest` its newest write time, if known.
struct ListReading {
    const std::vector<PairRowText>* stored;
    bool exact;
    FILETIME newest;
    bool newestKnown;
};

PendingRestart FindPendingRestart(bool serviceFound, const RepeaterService& service, const std::string& serviceWhy,
                                  const ListReading& reading);

// After a save, or a restart, by this program: which process now runs, and what it read.
// `before` is the reading the save's plan took, `pending` its answer for that process; for a
// restart, `before` is the list the new process read.
void RecordSavedList(const RepeaterService& service, bool serviceFound, const ListReading& before,
                     const PendingRestart& pending);
void RecordRestartedService(const std::string& serviceName, const std::vector<PairRowText>& stored, bool exact);
