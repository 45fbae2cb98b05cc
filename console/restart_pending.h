// Whether the repeater service runs an older list than the one stored: from the record our
// programs keep of the process that was running when they saved, and from clocks only for
// writers that are not ours. "Cannot tell" is an answer of its own, never "no".
#pragma once

#include <string>
#include <vector>

#include "console/service_control.h"
#include "service/restart_record.h"
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
    bool recordLooked = false;  // the restart record was looked for: `recordFound` and `record` say what was there
    bool recordFound = false;
    RestartRecord record = {};
};

// What the service and the store say now. `stored` in key-number order; `exact` whether the
// store is exactly what a save of it leaves; `newest` its newest write time, if known.
struct ListReading {
    const std::vector<PairRowText>* stored;
    bool exact;
    FILETIME newest;
    bool newestKnown;
    const StorePath* path;  // the path the reading holds, where the record is kept
};

PendingRestart FindPendingRestart(bool serviceFound, const RepeaterService& service, const std::string& serviceWhy,
                                  const ListReading& reading);

// After a save by this program: which process runs, and what it read. `before` is the reading
// the save's plan took, `pending` its answer for that process, `written` the newest write
// time of the list the save wrote (NULL when not known: nothing is recorded).
void RecordSavedList(const RepeaterService& service, bool serviceFound, const ListReading& before,
                     const PendingRestart& pending, const FILETIME* written);
// After a restart by this program: the new process read `now`, the list as it stands.
void RecordRestartedService(const std::string& serviceName, const ListReading& now);
