// Comparing the stored list with a wanted one, and the store's own shape with the save's.
#include <string.h>

#include "console/json_text.h"
#include "console/pairs_drift.h"
#include "console/printable_text.h"

static bool SamePair(const PairRowText& a, const PairRowText& b)
{
    return strcmp(a.source, b.source) == 0 && strcmp(a.destination, b.destination) == 0;
}

// The pairs of `from` that `in` lacks, each counted as often as it stands there more.
static std::vector<PairRowText> Missing(const std::vector<PairRowText>& from, const std::vector<PairRowText>& in)
{
    std::vector<bool> used(in.size(), false);
    std::vector<PairRowText> missing;
    for (const PairRowText& pair : from) {
        size_t match = 0;
        while (match < in.size() && (used[match] || !SamePair(pair, in[match]))) ++match;
        if (match < in.size()) used[match] = true;
        else missing.push_back(pair);
    }
    return missing;
}

// The pairs of `list` that `other` holds too, in `list`'s order.
static std::vector<PairRowText> Common(const std::vector<PairRowText>& list, const std::vector<PairRowText>& other)
{
    std::vector<bool> used(other.size(), false);
    std::vector<PairRowText> common;
    for (const PairRowText& pair : list) {
        for (size_t i = 0; i < other.size(); ++i) {
            if (used[i] || !SamePair(pair, other[i])) continue;
            used[i] = true;
            common.push_back(pair);
            break;
        }
    }
    return common;
}

static void NoteDetail(void* context, const char* difference)
{
    ((std::vector<std::string>*)context)->push_back(difference);
}

PairsDrift FindDrift(const std::vector<PairRowText>& stored, const std::vector<PairRowText>& wanted)
{
    PairsDrift drift;
    drift.toAdd = Missing(wanted, stored);
    drift.toRemove = Missing(stored, wanted);
    std::vector<PairRowText> storedCommon = Common(stored, wanted), wantedCommon = Common(wanted, stored);
    drift.reorder = false;
    for (size_t i = 0; i < storedCommon.size() && !drift.reorder; ++i)
        drift.reorder = !SamePair(storedCommon[i], wantedCommon[i]);
    // The store's shape is judged against the list it holds; the list itself is judged above.
    StoreHoldsExactlyReporting(stored.data(), (int)stored.size(), NoteDetail, &drift.storeDetails);
    drift.converged = drift.toAdd.empty() && drift.toRemove.empty() && !drift.reorder && drift.storeDetails.empty() &&
                      StoreHoldsExactly(wanted.data(), (int)wanted.size());
    return drift;
}

static std::string PairText(const PairRowText& pair)
{
    return PrintableText(pair.source) + " " + PrintableText(pair.destination);
}

std::string DriftText(const PairsDrift& drift)
{
    std::string text;
    for (const PairRowText& pair : drift.toAdd) text += "add " + PairText(pair) + "\n";
    for (const PairRowText& pair : drift.toRemove) text += "remove " + PairText(pair) + "\n";
    if (drift.reorder) text += "reorder the pairs\n";
    for (const std::string& detail : drift.storeDetails) text += "rewrite: " + PrintableText(detail.c_str()) + "\n";
    if (drift.restartPending) text += "restart the service: it started before the list was last written\n";
    return text;
}

static std::string PairsJson(const std::vector<PairRowText>& pairs)
{
    std::string json = "[";
    for (size_t i = 0; i < pairs.size(); ++i)
        json += std::string(i ? "," : "") + "{\"source\":" + JsonString(pairs[i].source) +
                ",\"destination\":" + JsonString(pairs[i].destination) + "}";
    return json + "]";
}

std::string DriftJson(const PairsDrift& drift)
{
    std::string details = "[";
    for (size_t i = 0; i < drift.storeDetails.size(); ++i)
        details += std::string(i ? "," : "") + JsonString(drift.storeDetails[i].c_str());
    return std::string("{\"converged\":") + (drift.converged ? "true" : "false") + ",\"add\":" + PairsJson(drift.toAdd) +
           ",\"remove\":" + PairsJson(drift.toRemove) + ",\"reorder\":" + (drift.reorder ? "true" : "false") +
           ",\"store\":" + details + "],\"restartPending\":" + (drift.restartPending ? "true" : "false") + "}\n";
}
