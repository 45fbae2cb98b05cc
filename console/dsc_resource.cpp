// The pair list as a DSC command resource: get, test, set, whatIf and export, each reading the
// instance as JSON on standard input and answering with JSON on standard output, from the one
// plan and the one save that check and set use. Diagnostics go to standard error as JSON lines.
#include <stdio.h>
#include <string.h>

#include <algorithm>

#include "console/command_handlers.h"
#include "console/errors_said.h"
#include "console/json_input.h"
#include "console/json_text.h"
#include "console/pairs_commands.h"
#include "console/pairs_list_json.h"
#include "console/pairs_plan.h"
#include "console/pairs_texts.h"
#include "console/store_words.h"
#include "console/wanted_list.h"

// More than any instance of pairs: what goes beyond is not read.
#define INSTANCE_TEXT_MAX (1024 * 1024)

namespace {

struct DscInstance {
    bool pairsGiven = false;
    std::vector<const char*> words;   // the pairs' sides, as `set` takes them
    std::vector<std::string> texts;   // their texts, in the code page
    std::string service;
    bool restartService = true;
};

// The properties an instance may hold: those a desired state sets, and those get returns.
const char* const kWritable[] = {"pairs", "service", "restartService"};
const char* const kReadOnly[] = {"storedPairs", "restartPending", "stalePairs", "serviceState", "_inDesiredState"};

bool Refuse(const std::string& text, int* exitCode)
{
    SayError(text);
    *exitCode = PAIRS_USAGE;
    return false;
}

// UTF-8, as JSON carries it, in this computer's code page, as the registry and adapter names are.
bool InCodePage(const std::string& utf8, std::string* text)
{
    std::vector<WCHAR> wide(utf8.size() + 1);
    int count = MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), (int)utf8.size(), wide.data(), (int)wide.size());
    if (count <= 0 && !utf8.empty()) return false;
    std::vector<char> narrow(2 * (size_t)count + 1);
    BOOL lost = FALSE;
    int length = count == 0 ? 0
                            : WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), count, narrow.data(),
                                                  (int)narrow.size(), NULL, &lost);
    if ((length <= 0 && count > 0) || lost) return false;
    text->assign(narrow.data(), (size_t)length);
    return text->find('\0') == std::string::npos;
}

bool ReadPairsProperty(const JsonValue& pairs, DscInstance* instance, int* exitCode)
{
    if (pairs.kind != JSON_ARRAY) return Refuse(TEXT_DSC_PAIRS_SHAPE, exitCode);
    for (const JsonValue& pair : pairs.items) {
        const JsonValue* source = pair.kind == JSON_OBJECT ? JsonMember(pair, "source") : nullptr;
        const JsonValue* destination = pair.kind == JSON_OBJECT ? JsonMember(pair, "destination") : nullptr;
        if (source == nullptr || destination == nullptr || source->kind != JSON_STRING ||
            destination->kind != JSON_STRING || pair.members.size() != 2)
            return Refuse(TEXT_DSC_PAIRS_SHAPE, exitCode);
        for (const JsonValue* side : {source, destination}) {
            std::string text;
            if (!InCodePage(side->text, &text)) return Refuse(TEXT_DSC_NOT_IN_CODE_PAGE, exitCode);
            instance->texts.push_back(text);
        }
    }
    instance->pairsGiven = true;
    return true;
}

// The instance from standard input: an object of known properties of the right types.
bool ReadInstance(bool pairsNeeded, DscInstance* instance, int* exitCode)
{
    std::string input;
    char buffer[4096];
    size_t got;
    while ((got = fread(buffer, 1, sizeof buffer, stdin)) > 0 && input.size() <= INSTANCE_TEXT_MAX)
        input.append(buffer, got);
    if (input.size() > INSTANCE_TEXT_MAX) return Refuse(TEXT_DSC_INPUT_TOO_LONG, exitCode);
    JsonValue value;
    std::string wrong;
    if (input.find_first_not_of(" \t\r\n") == std::string::npos) return Refuse(TEXT_DSC_NO_INPUT, exitCode);
    if (!ParseJson(input, &value, &wrong)) return Refuse(std::string(TEXT_DSC_NOT_JSON) + wrong + ".", exitCode);
    if (value.kind != JSON_OBJECT) return Refuse(TEXT_DSC_NOT_AN_OBJECT, exitCode);
    for (const auto& member : value.members) {
        bool known = false;
        for (const char* name : kWritable) known = known || member.first == name;
        for (const char* name : kReadOnly) known = known || member.first == name;
        if (!known) {
            char text[512];
            snprintf(text, sizeof text, TEXT_DSC_UNKNOWN_PROPERTY, JsonString(member.first.c_str()).c_str());
            return Refuse(text, exitCode);
        }
    }
    const JsonValue* pairs = JsonMember(value, "pairs");
    const JsonValue* service = JsonMember(value, "service");
    const JsonValue* restart = JsonMember(value, "restartService");
    if (pairs != nullptr && !ReadPairsProperty(*pairs, instance, exitCode)) return false;
    if (pairsNeeded && pairs == nullptr) return Refuse(TEXT_DSC_PAIRS_MISSING, exitCode);
    if (service != nullptr && (service->kind != JSON_STRING || !InCodePage(service->text, &instance->service)))
        return Refuse(TEXT_DSC_SERVICE_SHAPE, exitCode);
    if (restart != nullptr && restart->kind != JSON_BOOLEAN) return Refuse(TEXT_DSC_RESTART_SHAPE, exitCode);
    if (restart != nullptr) instance->restartService = restart->boolean;
    for (const std::string& text : instance->texts) instance->words.push_back(text.c_str());
    return true;
}

std::string PairsJson(const PairRows& pairs)
{
    std::string json = "[";
    for (size_t i = 0; i < pairs.size(); ++i)
        json += std::string(i ? "," : "") + "{\"source\":" + JsonString(pairs[i].source) +
                ",\"destination\":" + JsonString(pairs[i].destination) + "}";
    return json + "]";
}

// The instance's state: `pairs` as the store holds them (or will), and what get reads.
std::string StateJson(const DscInstance& instance, const PairsPlan& plan, const PairRows& pairs,
                      const char* restartPending, const OwnAddresses& own, const char* inDesiredState)
{
    std::string json = "{\"pairs\":" + PairsJson(pairs);
    if (!instance.service.empty()) json += ",\"service\":" + JsonString(instance.service.c_str());
    json += std::string(",\"restartService\":") + (instance.restartService ? "true" : "false");
    // One line: DSC reads a JSON document a line.
    std::string stored = PairsListJson(pairs, own);
    stored.erase(std::remove(stored.begin(), stored.end(), '\n'), stored.end());
    json += ",\"storedPairs\":" + stored;
    json += std::string(",\"restartPending\":") + restartPending;
    json += ",\"stalePairs\":" + StaleJson(pairs, own);
    json += ",\"serviceState\":" +
            (plan.serviceFound ? JsonString(ServiceStateWord(plan.service.state)) : std::string("null"));
    if (inDesiredState != nullptr) json += std::string(",\"_inDesiredState\":") + inDesiredState;
    return json + "}";
}

const char* PendingWord(const PendingRestart& pending)
{
    const char* answers[] = {"false", "true", "null"};
    return answers[pending.answer];
}

// The properties a run changes, or would: the list, and the restart.
std::string ChangedJson(const PairsPlan& plan)
{
    std::string json = "[";
    if (plan.save) json += "\"pairs\",\"storedPairs\"";
    if (plan.restart) json += std::string(plan.save ? "," : "") + "\"restartPending\"";
    return json + "]";
}

// The command line the plan runs under: the instance's service and restart, named in the log.
CommandLine LineOf(const CommandLine& line, const DscInstance& instance, const char* operation)
{
    CommandLine planned = line;
    planned.service = instance.service;
    planned.restart = instance.restartService;
    planned.text = std::string("mDNSPairs dsc ") + operation;
    return planned;
}

// The plan for the instance, as check and set make it; false, having said why, with the code.
bool PlanInstance(const CommandLine& line, const DscInstance& instance, const OwnAddresses& own, PairsPlan* plan,
                  int* exitCode)
{
    PairRows wanted;
    if (!WantedFromWords(own, instance.words, &wanted, exitCode)) return false;
    bool begun = BeginPlan(line, instance.restartService, READ_TO_CHANGE, plan);
    if (!begun || (!line.service.empty() && !plan->serviceFound && plan->service.missing)) {
        if (begun) SayError(plan->serviceWhy, line.service);
        else SayError(StoreProblemText(plan->reading.problem), ProblemKeyPath(plan->reading.problem));
        *exitCode = begun ? PAIRS_NO_SERVICE : PAIRS_STORE_UNUSABLE;
        EndPlan(plan);
        return false;
    }
    FinishPlan(wanted, TEXT_PAIRS_CONVERGED, plan);
    if (!plan->refuse) return true;
    char text[2048];
    snprintf(text, sizeof text, TEXT_PAIRS_STORE_UNSAVABLE, StoreShownAs().c_str(), plan->unsavable.c_str());
    SayError(text, ProblemKeyPath(plan->reading.unsavable));
    *exitCode = PlanExitCode(*plan);
    EndPlan(plan);
    return false;
}

int Get(const CommandLine& line, const DscInstance& instance, const OwnAddresses& own)
{
    PairsPlan plan;
    if (!BeginPlan(LineOf(line, instance, "get"), false, READ_TO_SHOW, &plan)) {
        SayError(StoreProblemText(plan.reading.problem), ProblemKeyPath(plan.reading.problem));
        EndPlan(&plan);
        return PAIRS_STORE_UNUSABLE;
    }
    printf("%s\n", StateJson(instance, plan, plan.stored, PendingWord(plan.pending), own, nullptr).c_str());
    EndPlan(&plan);
    return PAIRS_UNCHANGED;
}

int TestOrWhatIf(const CommandLine& line, const DscInstance& instance, const OwnAddresses& own, bool whatIf)
{
    PairsPlan plan;
    int exitCode;
    if (!PlanInstance(LineOf(line, instance, whatIf ? "whatif" : "test"), instance, own, &plan, &exitCode))
        return exitCode;
    bool inDesiredState = PlanExitCode(plan) == PAIRS_UNCHANGED;
    // What if: the state a set leaves, the restart done when it is to be.
    const char* pending = whatIf && plan.restart && plan.service.state == SERVICE_RUNNING ? "false" : PendingWord(plan.pending);
    printf("%s\n%s\n",
           StateJson(instance, plan, whatIf ? plan.wanted : plan.stored, pending, own,
                     whatIf ? nullptr : inDesiredState ? "true" : "false")
               .c_str(),
           ChangedJson(plan).c_str());
    EndPlan(&plan);
    return PAIRS_UNCHANGED;
}

int Set(const CommandLine& line, const DscInstance& instance, const OwnAddresses& own)
{
    CommandLine planned = LineOf(line, instance, "set");
    PairsPlan plan;
    int exitCode;
    if (!PlanInstance(planned, instance, own, &plan, &exitCode)) return exitCode;
    std::string changed = ChangedJson(plan);
    int carried = RunPlan(planned, plan, false);
    EndPlan(&plan);
    if (carried != PAIRS_UNCHANGED && carried != PAIRS_CHANGED) return carried;
    // The state after the run, read anew.
    PairsPlan after;
    if (!BeginPlan(planned, false, READ_TO_SHOW, &after)) {
        SayError(StoreProblemText(after.reading.problem), ProblemKeyPath(after.reading.problem));
        EndPlan(&after);
        return PAIRS_STORE_UNUSABLE;
    }
    printf("%s\n%s\n", StateJson(instance, after, after.stored, PendingWord(after.pending), own, nullptr).c_str(),
           changed.c_str());
    EndPlan(&after);
    return PAIRS_UNCHANGED;
}

int Export(const OwnAddresses&)
{
    StoreReading reading;
    bool read = ReadStoreSaying(READ_TO_SHOW, &reading);
    if (read) printf("{\"pairs\":%s,\"restartService\":false}\n", PairsJson(StoredRows(reading)).c_str());
    FreeStoreReading(&reading);
    return read ? PAIRS_UNCHANGED : PAIRS_STORE_UNUSABLE;
}

}  // namespace

int RunDscOperation(const CommandLine& line, const OwnAddresses& own)
{
    SayDiagnosticsAsJson();
    std::string operation = line.words[0];
    for (char& c : operation) c = (char)tolower((unsigned char)c);
    if (operation == "export") return Export(own);
    bool get = operation == "get";
    if (!get && operation != "test" && operation != "set" && operation != "whatif") {
        SayError(TEXT_DSC_UNKNOWN_OPERATION, operation);
        return PAIRS_USAGE;
    }
    DscInstance instance;
    int exitCode;
    if (!ReadInstance(!get, &instance, &exitCode)) return exitCode;
    if (get) return Get(line, instance, own);
    if (operation == "set") return Set(line, instance, own);
    return TestOrWhatIf(line, instance, own, operation == "whatif");
}
