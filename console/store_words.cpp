// The store's facts in the companion's words. Stored names are shown with control characters
// escaped.
#include <stdio.h>

#include "console/pairs_commands.h"
#include "console/store_words.h"
#include "console/pairs_texts.h"
#include "audit/printable_text.h"
#include "store/store_names.h"

#define TEXT_SIZE 1024

static const char* LevelName(StoreKey key)
{
    switch (key) {
    case STORE_KEY_SOFTWARE: return SOFTWARE_KEY_NAME;
    case STORE_KEY_COMPANY: return COMPANY_KEY_NAME;
    case STORE_KEY_PRODUCT: return PRODUCT_KEY_NAME;
    default: return NETWORKS_KEY_NAME;
    }
}

std::string ProblemKeyPath(const StoreProblem& problem)
{
    switch (problem.key) {
    case STORE_KEY_SOFTWARE: return "HKEY_LOCAL_MACHINE\\" SOFTWARE_KEY_NAME;
    case STORE_KEY_COMPANY: return "HKEY_LOCAL_MACHINE\\" SOFTWARE_KEY_NAME "\\" COMPANY_KEY_NAME;
    case STORE_KEY_PRODUCT: return "HKEY_LOCAL_MACHINE\\" PRODUCT_KEY_PATH;
    case STORE_KEY_PAIR: return NETWORKS_REG_PATH "\\" + PrintableText(problem.keyName);
    case STORE_KEY_ASIDE: return "HKEY_LOCAL_MACHINE\\" PRODUCT_KEY_PATH "\\" + PrintableText(problem.keyName);
    default: return NETWORKS_REG_PATH;
    }
}

std::string StoreProblemText(const StoreProblem& problem)
{
    char text[TEXT_SIZE];
    std::string store = StoreShownAs();
    switch (problem.trouble) {
    case STORE_MISSING: snprintf(text, sizeof text, TEXT_PAIRS_STORE_MISSING, store.c_str()); break;
    case STORE_NAME_UNREADABLE:
        snprintf(text, sizeof text, TEXT_PAIRS_STORE_BAD_NAME, store.c_str(), PrintableText(problem.keyName).c_str());
        break;
    case STORE_OUT_OF_MEMORY: snprintf(text, sizeof text, "%s", TEXT_PAIRS_OUT_OF_MEMORY); break;
    default:
        snprintf(text, sizeof text, TEXT_PAIRS_KEY_NOT_READABLE " " TEXT_PAIRS_WOW64_NOTE, ProblemKeyPath(problem).c_str(),
                 (long)problem.status);
        break;
    }
    return text;
}

std::string UnsavableText(const StoreProblem& problem)
{
    char text[TEXT_SIZE];
    const char* name = LevelName(problem.key);
    switch (problem.trouble) {
    case STORE_LINK: snprintf(text, sizeof text, TEXT_PAIRS_UNSAVABLE_LINK, name); break;
    case STORE_MISSING: snprintf(text, sizeof text, TEXT_PAIRS_UNSAVABLE_MISSING, name); break;
    default:
        if (problem.key == STORE_KEY_ASIDE) {
            snprintf(text, sizeof text, TEXT_PAIRS_UNSAVABLE_ASIDE, PrintableText(problem.keyName).c_str(),
                     (long)problem.status);
            break;
        }
        snprintf(text, sizeof text,
                 problem.key == STORE_KEY_NETWORKS ? TEXT_PAIRS_UNSAVABLE_NOT_REPLACEABLE : TEXT_PAIRS_UNSAVABLE_DENIED,
                 name, (long)problem.status);
        break;
    }
    return text;
}

std::string SaveStoppedText(const StoreProblem& failure)
{
    char text[TEXT_SIZE];
    snprintf(text, sizeof text, TEXT_PAIRS_SAVE_STOPPED_AT, ProblemKeyPath(failure).c_str(), (long)failure.status);
    return text;
}

std::string DifferenceText(const StoreDifference& difference)
{
    char text[TEXT_SIZE];
    const char* key = difference.keyName;
    const char* value = difference.valueName;
    switch (difference.kind) {
    case DIFFERS_LEVEL_LINK: snprintf(text, sizeof text, TEXT_DIFFERS_LEVEL_LINK, key); break;
    case DIFFERS_NETWORKS_MISSING: snprintf(text, sizeof text, TEXT_DIFFERS_NETWORKS_MISSING, key); break;
    case DIFFERS_NETWORKS_UNREADABLE: snprintf(text, sizeof text, TEXT_DIFFERS_NETWORKS_UNREADABLE); break;
    case DIFFERS_NETWORKS_VALUES: snprintf(text, sizeof text, TEXT_DIFFERS_NETWORKS_VALUES); break;
    case DIFFERS_NETWORKS_UNLISTABLE: snprintf(text, sizeof text, TEXT_DIFFERS_NETWORKS_UNLISTABLE); break;
    case DIFFERS_FOREIGN_SUBKEY: snprintf(text, sizeof text, TEXT_DIFFERS_FOREIGN_SUBKEY, key); break;
    case DIFFERS_ROW_MISSING: snprintf(text, sizeof text, TEXT_DIFFERS_ROW_MISSING, key); break;
    case DIFFERS_PAIR_UNREADABLE: snprintf(text, sizeof text, TEXT_DIFFERS_PAIR_UNREADABLE, key); break;
    case DIFFERS_PAIR_SUBKEYS: snprintf(text, sizeof text, TEXT_DIFFERS_PAIR_SUBKEYS, key); break;
    case DIFFERS_PAIR_ODD_VALUE:
        snprintf(text, sizeof text, TEXT_DIFFERS_PAIR_ODD_VALUE, key);
        break;
    case DIFFERS_PAIR_EXTRA_VALUE: snprintf(text, sizeof text, TEXT_DIFFERS_PAIR_EXTRA_VALUE, key, value); break;
    case DIFFERS_PAIR_VALUE_TYPE:
        snprintf(text, sizeof text, TEXT_DIFFERS_PAIR_VALUE_TYPE, key, value,
                 (unsigned long)difference.type);
        break;
    case DIFFERS_PAIR_VALUE_TEXT:
        snprintf(text, sizeof text, TEXT_DIFFERS_PAIR_VALUE_TEXT, key, value, difference.expected);
        break;
    default: snprintf(text, sizeof text, TEXT_DIFFERS_PAIR_VALUE_MISSING, key, value); break;
    }
    return text;
}

static std::string AsideKeyPath(const char* name)
{
    return "HKEY_LOCAL_MACHINE\\" PRODUCT_KEY_PATH "\\" + std::string(name);
}

std::string InterruptedSaveText(const InterruptedSave& interrupted)
{
    char text[TEXT_SIZE], newList[TEXT_SIZE / 2] = "";
    std::string oldPath = AsideKeyPath(interrupted.oldList), newPath = AsideKeyPath(interrupted.newList);
    if (interrupted.newList[0] != 0)
        snprintf(newList, sizeof newList, TEXT_PAIRS_INTERRUPTED_NEW_LIST_TOO, newPath.c_str());
    if (!interrupted.networksMissing && interrupted.oldList[0] != 0)
        snprintf(text, sizeof text, TEXT_PAIRS_INTERRUPTED_BESIDE_EMPTY, oldPath.c_str(), (unsigned long)interrupted.oldPairs);
    else if (interrupted.networksMissing && interrupted.oldList[0] != 0)
        snprintf(text, sizeof text, TEXT_PAIRS_INTERRUPTED_OLD_LIST, oldPath.c_str(), newList);
    else if (interrupted.networksMissing && interrupted.newList[0] != 0)
        snprintf(text, sizeof text, TEXT_PAIRS_INTERRUPTED_NEW_LIST_ONLY, newPath.c_str());
    else
        return "";
    return text;
}

std::string BuildingBlockedLine(const StoreProblem& blocked)
{
    if (blocked.trouble == STORE_FINE) return "";
    char why[TEXT_SIZE / 2], text[TEXT_SIZE];
    if (blocked.trouble == STORE_LINK) snprintf(why, sizeof why, TEXT_PAIRS_BLOCKED_BY_LINK);
    else snprintf(why, sizeof why, TEXT_PAIRS_BLOCKED_UNREMOVABLE, (long)blocked.status);
    snprintf(text, sizeof text, TEXT_PAIRS_BUILT_ELSEWHERE, ProblemKeyPath(blocked).c_str(), why);
    return text;
}

std::string LeftoverStaysLine(const StoreProblem& stays)
{
    if (stays.trouble == STORE_FINE) return "";
    char text[TEXT_SIZE];
    snprintf(text, sizeof text, TEXT_PAIRS_LEFTOVER_STAYS, ProblemKeyPath(stays).c_str(), (long)stays.status);
    return text;
}

void SayRemovalNotes(const RemovalNotes& notes)
{
    for (int i = 0; i < notes.keysNotFound; ++i) fprintf(stderr, TEXT_PAIRS_KEY_NOT_FOUND);
    for (int i = 0; i < notes.keysNotOpened; ++i) fprintf(stderr, TEXT_PAIRS_KEY_NOT_OPENED);
}
