// One event a run, or a line on standard error saying it could not be written.
#include <stdio.h>

#include "console/run_events.h"
#include "console/pairs_texts.h"

void LogRun(const CommandLine& line, ListEvent event, int pairsBefore, int pairsAfter, const std::string& changes,
            const std::string& detail)
{
    ListEventReport report = {event, line.text, pairsBefore, pairsAfter, changes, detail};
    DWORD error;
    if (!ReportListEvent(report, &error)) fprintf(stderr, TEXT_PAIRS_EVENT_NOT_WRITTEN "\n", (unsigned long)error);
}
