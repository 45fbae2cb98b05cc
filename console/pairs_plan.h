// One plan per change. Every command that may change something reads the store and the
// service once, decides what it would do, and says so; a dry run stops there, a real run
// carries out exactly that plan and then says how it went.
#pragma once

#include <string>
#include <vector>

#include "console/command_line.h"
#include "console/restart_pending.h"
#include "console/service_control.h"
#include "editor/pair_list_changes.h"
#include "store/store.h"

typedef std::vector<PairRowText> PairRows;

struct PairsPlan {
    StoreReading reading;                   // the one reading of the store; EndPlan frees it
    PairRows stored;                        // as read, in key-number order
    bool storedExact;                       // the store is exactly what a save of `stored` leaves
    PairRows wanted;                        // what a save would write
    PairListChanges changes;
    std::vector<std::string> storeDetails;  // what the store holds that a save of `stored` would not write
    bool exact;                             // the store is exactly what a save of `wanted` leaves
    std::string unsavable;                  // why no save can change the store, when one is needed
    bool serviceFound;
    RepeaterService service;
    std::string serviceWhy;
    PendingRestart pending;
    bool restartAsked;                      // --restart, or check, which answers for it
    bool save;                              // the list is to be rewritten
    bool restart;                           // the service is to be restarted
    bool refuse;                            // a save is needed and cannot be made
    std::string nothingText;                // the answer when nothing is to be done
};

// Reads the store for `purpose`; false, having said why on standard error, when it cannot be
// read. Free the reading either way.
bool ReadStoreSaying(StoreReadPurpose purpose, StoreReading* reading);
// The reading's rows, in the order of their key numbers.
PairRows StoredRows(const StoreReading& reading);

// Reads the store and asks the service: the first half of a plan, before the wanted list.
// False when the store cannot be read: the reading's problem says why. Free the plan with
// EndPlan either way.
bool BeginPlan(const CommandLine& line, bool restartAsked, StoreReadPurpose purpose, PairsPlan* plan);
void EndPlan(PairsPlan* plan);
// Decides what a run would do to make the store exactly `wanted`.
void FinishPlan(const PairRows& wanted, const std::string& nothingText, PairsPlan* plan);

// What the plan would do, as lines for a person, and its exit code.
std::string PlanText(const PairsPlan& plan);
std::string PlanJson(const PairsPlan& plan);
int PlanExitCode(const PairsPlan& plan);
// "restartPending":true|false|null,"restartPendingHow":"..." for a JSON object.
std::string PendingJson(const PendingRestart& pending);

// The reading the plan took, for the pending restart.
ListReading PlanReading(const PairsPlan& plan);

// Restarts the service, says how it went (standard output, or standard error when it
// failed), and logs it; `pairs` is the number stored, -1 when not read.
RestartResult RestartAndLog(const CommandLine& line, int pairs);

// Prints the plan; for a dry run that is all, otherwise carries it out and says how it went.
// The exit code is the plan's, unless carrying it out failed.
int RunPlan(const CommandLine& line, PairsPlan& plan, bool dryRun);
