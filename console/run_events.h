// The companion's runs in the audit trail: what a run changed, or tried to, as one event.
#pragma once

#include <string>

#include "console/command_line.h"
#include "audit/change_events.h"

// Reports one event for the run; a report that cannot be written is said on standard error,
// and changes nothing else: the run's outcome and exit code stand.
void LogRun(const CommandLine& line, ListEvent event, int pairsBefore, int pairsAfter, const std::string& changes,
            const std::string& detail);
