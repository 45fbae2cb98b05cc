// Whether the repeater service runs an older list than the one stored, from the service's
// state, the list's times and the record our programs keep: one row per way of knowing.
#include "tests/registry_helpers.h"

#include "console/restart_pending.h"
#include "service/restart_record.h"

namespace {

// Times as small numbers: the service started at 10, the list written at `written`.
FILETIME At(DWORD t)
{
    return FILETIME{t, 0};
}

enum RecordKind {
    NO_RECORD,
    READ_THIS_LIST,     // this process, at this write, read the list stored
    READ_ANOTHER_LIST,  // this process, at this write, read a list of other texts
    READ_UNKNOWN,       // this process, at this write, what it read not known
    OTHER_PROCESS,      // another process id
    OTHER_START,        // this id, another creation time: a later process with the same id
    EARLIER_WRITE,      // this process, but the list was written again since
    SAME_LIST_AT_5,     // another process, the list rewritten unchanged since its content changed at 5
};

struct PendingCase {
    const char* what;
    bool found;
    DWORD state;
    bool startKnown;
    bool newestKnown;
    DWORD written;
    bool exact;
    RecordKind record;
    PendingAnswer answer;
    const char* how;
};

const PendingCase kCases[] = {
    {"no service", false, 0, false, true, 20, true, READ_THIS_LIST, PENDING_UNKNOWN, "no service"},
    {"stopped", true, SERVICE_STOPPED, true, true, 20, true, NO_RECORD, PENDING_NO, "stopped"},
    {"paused", true, SERVICE_PAUSED, true, true, 20, true, NO_RECORD, PENDING_NO, "not running"},
    {"start pending", true, SERVICE_START_PENDING, false, true, 20, true, NO_RECORD, PENDING_NO, "not running"},
    {"its start unknown", true, SERVICE_RUNNING, false, true, 20, true, READ_THIS_LIST, PENDING_UNKNOWN, "unreadable"},
    {"the list's times unknown", true, SERVICE_RUNNING, true, false, 20, true, READ_THIS_LIST, PENDING_UNKNOWN,
     "unreadable"},
    {"written after the start", true, SERVICE_RUNNING, true, true, 20, true, NO_RECORD, PENDING_YES, "clock"},
    {"written before the start", true, SERVICE_RUNNING, true, true, 5, true, NO_RECORD, PENDING_NO, "clock"},
    {"written as it started", true, SERVICE_RUNNING, true, true, 10, true, NO_RECORD, PENDING_NO, "clock"},
    {"it read this list", true, SERVICE_RUNNING, true, true, 20, true, READ_THIS_LIST, PENDING_NO, "record"},
    {"it read this list, the store no longer exact", true, SERVICE_RUNNING, true, true, 20, false, READ_THIS_LIST,
     PENDING_YES, "record"},
    {"it read another list", true, SERVICE_RUNNING, true, true, 5, true, READ_ANOTHER_LIST, PENDING_YES, "record"},
    {"what it read unknown", true, SERVICE_RUNNING, true, true, 5, true, READ_UNKNOWN, PENDING_YES, "record"},
    {"another process's record", true, SERVICE_RUNNING, true, true, 5, true, OTHER_PROCESS, PENDING_NO, "clock"},
    {"another process's record, written since", true, SERVICE_RUNNING, true, true, 20, true, OTHER_PROCESS,
     PENDING_YES, "clock"},
    {"the same id started again", true, SERVICE_RUNNING, true, true, 20, true, OTHER_START, PENDING_YES, "clock"},
    {"written by another program since", true, SERVICE_RUNNING, true, true, 20, true, EARLIER_WRITE, PENDING_YES,
     "clock"},
    {"rewritten unchanged after the start", true, SERVICE_RUNNING, true, true, 20, true, SAME_LIST_AT_5, PENDING_NO,
     "clock"},
};

class RestartPendingTest : public StoreTest {};

TEST_F(RestartPendingTest, EachWayOfKnowingGivesItsAnswer)
{
    StorePair("0", "10.0.0.5", "10.0.0.6");
    const std::vector<PairRowText> stored = {{"10.0.0.5", "10.0.0.6"}};
    const PairRowText other = {"10.0.0.6", "10.0.0.5"};
    for (const PendingCase& c : kCases) {
        SCOPED_TRACE(c.what);
        RemoveRestartRecord();
        RepeaterService service;
        service.name = "MdnsTest";
        service.state = c.state;
        service.processId = 101;
        service.startKnown = c.startKnown;
        service.startedAt = At(10);
        RestartRecord record = {101, At(10), At(c.written), true, PairListDigest(stored.data(), 1), {0, 0}};
        if (c.record == READ_ANOTHER_LIST) record.readDigest = PairListDigest(&other, 1);
        if (c.record == READ_UNKNOWN) record.readKnown = false;
        if (c.record == OTHER_PROCESS || c.record == SAME_LIST_AT_5) record.processId = 7;
        if (c.record == OTHER_START) record.processStarted = At(3);
        if (c.record == EARLIER_WRITE) record.listWritten = At(15);
        if (c.record == SAME_LIST_AT_5) record.contentSince = At(5);
        if (c.record != NO_RECORD) {
            ASSERT_TRUE(WriteRestartRecordHere(&record));
        }
        StoreReading reading;
        ASSERT_TRUE(ReadStore(READ_TO_SHOW, &reading));
        ListReading list = {&stored, c.exact, At(c.written), c.newestKnown, &reading.path};
        PendingRestart pending = FindPendingRestart(c.found, service, "not there", list);
        FreeStoreReading(&reading);
        EXPECT_EQ(c.answer, pending.answer);
        EXPECT_STREQ(c.how, pending.how);
        EXPECT_EQ(c.answer == PENDING_UNKNOWN, !pending.why.empty()) << pending.why;
        // A record is looked for only where the clocks alone would answer.
        bool looked = c.found && c.state == SERVICE_RUNNING && c.startKnown && c.newestKnown;
        EXPECT_EQ(looked, pending.recordLooked);
        EXPECT_EQ(looked && c.record != NO_RECORD, pending.recordFound);
    }
    RemoveRestartRecord();
}

}  // namespace
