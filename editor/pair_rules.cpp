// Add, Remove and the duplicate test over the page's rows, with the messages they show.
#include <stdlib.h>
#include <string.h>

#include "pair_rules.h"
#include "../resources/program_texts.h"

// A row text that fills the candidate-sized buffer may be longer: read it whole, so that
// a long text is never compared by its first 255 characters only.
char* ReadWholeRowText(const PairRows* rows, int row, int column, char* buffer)
{
    int copied = rows->readText(rows->context, row, column, buffer, CANDIDATE_TEXT_SIZE);
    if (copied < CANDIDATE_TEXT_SIZE - 1) return buffer;
    for (int capacity = CANDIDATE_TEXT_SIZE * 2; capacity > 0 && capacity <= (1 << 24); capacity *= 2) {
        char* whole = (char*)malloc((size_t)capacity);
        if (whole == NULL) return NULL;
        copied = rows->readText(rows->context, row, column, whole, capacity);
        if (copied < capacity - 1) return whole;
        free(whole);
    }
    return NULL;
}

void ReleaseRowText(char* text, char* buffer)
{
    if (text != NULL && text != buffer) free(text);
}

bool IsDuplicate(const char* source, const char* destination, const PairRows* rows)
{
    int rowCount = rows->count(rows->context);
    for (int row = 0; row < rowCount; ++row) {
        char sourceBuffer[CANDIDATE_TEXT_SIZE] = "";
        char destinationBuffer[CANDIDATE_TEXT_SIZE] = "";
        char* rowSource = ReadWholeRowText(rows, row, 0, sourceBuffer);
        char* rowDestination = ReadWholeRowText(rows, row, 1, destinationBuffer);
        bool same = rowSource != NULL && rowDestination != NULL &&
                    ((strcmp(source, rowSource) == 0 && strcmp(destination, rowDestination) == 0) ||
                     (strcmp(source, rowDestination) == 0 && strcmp(destination, rowSource) == 0));
        ReleaseRowText(rowSource, sourceBuffer);
        ReleaseRowText(rowDestination, destinationBuffer);
        if (same) return true;
    }
    return false;
}

PairRuleVerdict CheckAddPair(const char* source, const char* destination, const PairRows* rows)
{
    if (source[0] == 0 || destination[0] == 0) return PAIR_BLANK;
    if (strcmp(source, destination) == 0) return PAIR_SAME;
    if (IsDuplicate(source, destination, rows)) return PAIR_DUPLICATE;
    return PAIR_ACCEPTED;
}

PairRuleVerdict CheckRemovePair(int selectedRow, const PairRows* rows)
{
    if (selectedRow < 0 || selectedRow >= rows->count(rows->context)) return PAIR_NOTHING_SELECTED;
    return PAIR_ACCEPTED;
}

const char* PairRuleMessage(PairRuleVerdict verdict)
{
    switch (verdict) {
    case PAIR_BLANK: return TEXT_RULE_BLANK;
    case PAIR_SAME: return TEXT_RULE_SAME;
    case PAIR_DUPLICATE: return TEXT_RULE_DUPLICATE;
    case PAIR_NOTHING_SELECTED: return TEXT_RULE_NOTHING_SELECTED;
    case PAIR_ACCEPTED: break;
    }
    return NULL;
}

static void ShowRejection(HWND owner, PairRuleVerdict verdict)
{
    MessageBoxA(owner, PairRuleMessage(verdict), CAPTION_RULE_ERROR, MB_ICONERROR);
}

PairRuleVerdict AddPair(HWND owner, const char* source, const char* destination, const PairRows* rows)
{
    PairRuleVerdict verdict = CheckAddPair(source, destination, rows);
    if (verdict == PAIR_ACCEPTED)
        rows->append(rows->context, source, destination);
    else
        ShowRejection(owner, verdict);
    return verdict;
}

PairRuleVerdict RemovePair(HWND owner, int selectedRow, const PairRows* rows)
{
    PairRuleVerdict verdict = CheckRemovePair(selectedRow, rows);
    if (verdict == PAIR_ACCEPTED)
        rows->remove(rows->context, selectedRow);
    else
        ShowRejection(owner, verdict);
    return verdict;
}
