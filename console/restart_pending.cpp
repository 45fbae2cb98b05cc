// The pending restart. A process named by its id and creation time either still runs or does
// not; what it read is known when one of our programs saw it read, or saved while it ran.
#include "console/errors_said.h"
#include "console/pairs_texts.h"
#include "console/restart_pending.h"
#include "service/restart_record.h"

static bool Later(const FILETIME& a, const FILETIME& b)
{
    return a.dwHighDateTime != b.dwHighDateTime ? a.dwHighDateTime > b.dwHighDateTime : a.dwLowDateTime > b.dwLowDateTime;
}

static bool SameTime(const FILETIME& a, const FILETIME& b)
{
    return a.dwHighDateTime == b.dwHighDateTime && a.dwLowDateTime == b.dwLowDateTime;
}

static bool RecordNames(const RestartRecord& record, const RepeaterService& service)
{
    return record.processId == service.processId && SameTime(record.processStarted, service.startedAt);
}

static unsigned long long DigestOf(const std::vector<PairRowText>& rows)
{
    return PairListDigest(rows.data(), (int)rows.size());
}

PendingRestart FindPendingRestart(bool serviceFound, const RepeaterService& service, const std::string& serviceWhy,
                                  const ListReading& reading)
{
    if (!serviceFound) return PendingRestart{PENDING_UNKNOWN, "no service", serviceWhy};
    // A stopped service reads the list when it starts; a paused or changing one is not
    // restarted by us, and is not said to need it.
    if (service.state == SERVICE_STOPPED) return PendingRestart{PENDING_NO, "stopped", ""};
    if (service.state != SERVICE_RUNNING) return PendingRestart{PENDING_NO, "not running", ""};
    if (!service.startKnown)
        return PendingRestart{PENDING_UNKNOWN, "unreadable",
                              Worded(TEXT_PAIRS_WHY_START_UNKNOWN, service.name.c_str())};
    if (!reading.newestKnown)
        return PendingRestart{PENDING_UNKNOWN, "unreadable", TEXT_PAIRS_WHY_TIMES_UNKNOWN};
    PendingRestart pending = {PENDING_NO, "clock", "", true, false, {}};
    pending.recordFound = ReadRestartRecord(reading.path, &pending.record);
    const RestartRecord& record = pending.record;
    // Our own save since this process started, and nobody's write after it: what it read is known.
    if (pending.recordFound && RecordNames(record, service) && SameTime(record.listWritten, reading.newest)) {
        bool current = record.readKnown && reading.exact && record.readDigest == DigestOf(*reading.stored);
        pending.answer = current ? PENDING_NO : PENDING_YES;
        pending.how = "record";
        return pending;
    }
    // The list's content last changed at its newest write, unless our record says the store
    // was rewritten since with the same list.
    FILETIME changed = reading.newest;
    bool rewritten = pending.recordFound && SameTime(record.listWritten, reading.newest) &&
                     (record.contentSince.dwHighDateTime != 0 || record.contentSince.dwLowDateTime != 0);
    if (rewritten) changed = record.contentSince;
    pending.answer = Later(changed, service.startedAt) ? PENDING_YES : PENDING_NO;
    return pending;
}

void RecordSavedList(const RepeaterService& service, bool serviceFound, const ListReading& before,
                     const PendingRestart& pending, const FILETIME* written)
{
    RestartRecord record = {};
    bool running = serviceFound && service.state == SERVICE_RUNNING && service.startKnown;
    // Without the time of what was written, no later look could tell our write from another's.
    if (!running || written == NULL) return;
    // The record as the plan found it, unless it did not look.
    RestartRecord earlier = pending.record;
    bool found = pending.recordLooked ? pending.recordFound : ReadRestartRecord(before.path, &earlier);
    if (found && RecordNames(earlier, service)) {
        // The same process as at our last save: it still runs what it read then.
        record = earlier;
    } else {
        record.processId = service.processId;
        record.processStarted = service.startedAt;
        // It read the list this save replaced, if it started after that list was written.
        record.readKnown = pending.answer == PENDING_NO && before.exact;
        record.readDigest = DigestOf(*before.stored);
    }
    record.listWritten = *written;
    // This save changed what the store holds (it saves only what differs).
    record.contentSince = *written;
    WriteRestartRecord(before.path, &record);  // without it the next look falls back to the clocks
}

void RecordRestartedService(const std::string& serviceName, const ListReading& now)
{
    RepeaterService service;
    std::string why;
    // Without the time of what was written, no later look could tell our write from another's.
    if (!now.newestKnown || !FindRepeaterService(serviceName, &service, &why) || service.state != SERVICE_RUNNING ||
        !service.startKnown)
        return;
    RestartRecord record = {service.processId, service.startedAt, now.newest, now.exact, DigestOf(*now.stored), now.newest};
    WriteRestartRecord(now.path, &record);
}
