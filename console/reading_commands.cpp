// The commands that only read the store, or only ask or restart the service.
#include <stdio.h>

#include "console/errors_said.h"
#include "console/pairs_texts.h"
#include "console/errors_said.h"
#include "console/command_handlers.h"
#include "console/json_text.h"
#include "console/pairs_commands.h"
#include "console/pairs_export.h"
#include "console/pairs_list_json.h"
#include "console/pairs_plan.h"
#include "console/store_words.h"
#include "audit/printable_text.h"
#include "console/program_version.h"
#include "net/adapters.h"
#include "net/own_addresses.h"
#include "console/pairs_texts.h"
#include "store/store_names.h"

#define VERSION_TEXT_SIZE 32

// The stored rows for a command that only shows them; false, having said why, when the store
// cannot be read.
static bool ReadRows(PairRows* rows)
{
    StoreReading reading;
    bool read = ReadStoreSaying(READ_TO_SHOW, &reading);
    if (read) *rows = StoredRows(reading);
    // Read through a link, the list is not where it seems: said, as a save's plan says it.
    for (DWORD i = 0; read && i < reading.differenceCount; ++i)
        if (reading.differences[i].kind == DIFFERS_LEVEL_LINK)
            fprintf(stderr, TEXT_PAIRS_LIST_THROUGH_LINK "\n", reading.differences[i].keyName);
    FreeStoreReading(&reading);
    return read;
}

int ListPairs(const CommandLine& line, const OwnAddresses& own)
{
    PairRows rows;
    if (!ReadRows(&rows)) return PAIRS_STORE_UNUSABLE;
    if (line.json) {
        fputs(PairsListJson(rows, own).c_str(), stdout);
        return PAIRS_UNCHANGED;
    }
    for (const PairRowText& row : rows) {
        char sourceHolder[ADDRESS_HOLDER_TEXT_SIZE], destinationHolder[ADDRESS_HOLDER_TEXT_SIZE];
        DescribeAddressHolder(own, row.source, TEXT_PAIRS_NOT_ON_THIS_COMPUTER, TEXT_PAIRS_ADAPTERS_UNAVAILABLE, sourceHolder,
                              sizeof sourceHolder);
        DescribeAddressHolder(own, row.destination, TEXT_PAIRS_NOT_ON_THIS_COMPUTER, TEXT_PAIRS_ADAPTERS_UNAVAILABLE,
                              destinationHolder, sizeof destinationHolder);
        printf("%s\t%s\t%s\t%s\n", PrintableText(row.source).c_str(), PrintableText(row.destination).c_str(),
               PrintableText(sourceHolder).c_str(), PrintableText(destinationHolder).c_str());
    }
    return PAIRS_UNCHANGED;
}

int ExportPairs(const CommandLine&, const OwnAddresses&)
{
    PairRows rows;
    if (!ReadRows(&rows)) return PAIRS_STORE_UNUSABLE;
    std::string text = PairsExportText(rows.data(), (int)rows.size());
    fwrite(text.data(), 1, text.size(), stdout);
    return PAIRS_UNCHANGED;
}

static std::string JsonNumberOrNull(bool known, unsigned long number)
{
    return known ? std::to_string(number) : "null";
}

// The stored pairs that name an address this computer does not have, as lines, or as a JSON
// array (null when this computer's addresses cannot be read).
static std::string StaleText(const PairRows& rows, const OwnAddresses& own)
{
    if (!OwnAddressesKnown(own)) return TEXT_PAIRS_STALE_UNTOLD "\n";
    std::string text;
    for (const PairRowText& row : rows) {
        const char* missing[2];
        int count = MissingPairAddresses(own, row.source, row.destination, missing);
        if (count == 0) continue;
        std::string source = PrintableText(row.source), destination = PrintableText(row.destination);
        std::string first = PrintableText(missing[0]), second = count > 1 ? PrintableText(missing[1]) : "";
        text += (count > 1 ? Worded(TEXT_PAIRS_STALE_BOTH, source.c_str(), destination.c_str(), first.c_str(), second.c_str())
                           : Worded(TEXT_PAIRS_STALE_ONE, source.c_str(), destination.c_str(), first.c_str())) +
                "\n";
    }
    return text;
}

std::string StaleJson(const PairRows& rows, const OwnAddresses& own)
{
    if (!OwnAddressesKnown(own)) return "null";
    std::string json = "[";
    for (const PairRowText& row : rows) {
        const char* missing[2];
        int count = MissingPairAddresses(own, row.source, row.destination, missing);
        if (count == 0) continue;
        json += std::string(json.size() > 1 ? "," : "") + "{\"source\":" + JsonString(row.source) +
                ",\"destination\":" + JsonString(row.destination) + ",\"missing\":[" + JsonString(missing[0]) +
                (count > 1 ? "," + JsonString(missing[1]) : "") + "]}";
    }
    return json + "]";
}

// The service's state, its process, the pairs, and whether it runs an old list. A missing
// service or store is part of the answer, and also its exit code.
int ShowStatus(const CommandLine& line, const OwnAddresses& own)
{
    PairsPlan plan;
    bool storeThere = BeginPlan(line, false, READ_TO_SHOW, &plan);
    std::string storeWhy = storeThere ? "" : StoreProblemText(plan.reading.problem);
    if (!storeThere) {
        plan.serviceFound = FindRepeaterService(line.service, &plan.service, &plan.serviceWhy);
        plan.pending = PendingRestart{PENDING_UNKNOWN, "no store", ""};
    }
    const RepeaterService& service = plan.service;
    bool found = plan.serviceFound;
    if (line.json) {
        printf("{\"service\":%s,\"displayName\":%s,\"state\":%s,\"pid\":%s,\"pairs\":%s,%s,\"stalePairs\":%s}\n",
               found ? JsonString(service.name.c_str()).c_str() : "null",
               found ? JsonString(service.displayName.c_str()).c_str() : "null",
               found ? JsonString(ServiceStateWord(service.state)).c_str() : "null",
               JsonNumberOrNull(found && service.processId != 0, service.processId).c_str(),
               JsonNumberOrNull(storeThere, (unsigned long)plan.stored.size()).c_str(), PendingJson(plan.pending).c_str(),
               storeThere ? StaleJson(plan.stored, own).c_str() : "null");
    } else {
        if (found) {
            printf("service %s: %s\n", PrintableText(service.name.c_str()).c_str(), ServiceStateWord(service.state));
            if (service.processId != 0) printf("pid %lu\n", (unsigned long)service.processId);
        }
        if (storeThere) printf("pairs %u\n", (unsigned)plan.stored.size());
        const char* answers[] = {"no", "yes", "cannot tell"};
        if (found && storeThere) printf("restart pending: %s\n", answers[plan.pending.answer]);
        if (storeThere) fputs(StaleText(plan.stored, own).c_str(), stdout);
    }
    if (found && storeThere && plan.pending.answer == PENDING_UNKNOWN)
        fprintf(stderr, TEXT_PAIRS_PENDING_CANNOT_BE_TOLD "\n", PrintableText(plan.pending.why.c_str()).c_str());
    if (!storeThere) SayError(storeWhy, ProblemKeyPath(plan.reading.problem));
    if (!found) SayError(plan.serviceWhy, line.service);
    EndPlan(&plan);
    return !storeThere ? PAIRS_STORE_UNUSABLE : !found ? PAIRS_NO_SERVICE : PAIRS_UNCHANGED;
}

int RestartService(const CommandLine& line, const OwnAddresses&)
{
    RepeaterService service;
    std::string why;
    if (!FindRepeaterService(line.service, &service, &why)) {
        SayError(why, line.service);
        return PAIRS_NO_SERVICE;
    }
    RestartResult restarted = RestartAndLog(line, -1);
    return restarted == RESTART_FAILED ? PAIRS_NOT_RESTARTED : restarted == RESTARTED ? PAIRS_CHANGED : PAIRS_UNCHANGED;
}

int PrintVersion(const CommandLine&, const OwnAddresses&)
{
    char version[VERSION_TEXT_SIZE];
    if (!ReadProgramVersion(version, sizeof version)) {
        SayError(TEXT_PAIRS_NO_VERSION);
        return PAIRS_SAVE_FAILED;
    }
    printf("mDNSPairs %s\n", version);
    return PAIRS_UNCHANGED;
}
