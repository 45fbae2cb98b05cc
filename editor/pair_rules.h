// The rules that decide whether a pair may be added to the page's list and what Remove
// does. They work on any ordered list of rows, so they run without a window.
#pragma once

#include <windows.h>

#define CANDIDATE_TEXT_SIZE 256

// The page's rows, reached through its list control; tests use an array.
struct PairRows {
    void* context;
    int (*count)(void* context);
    // Copies the text of a row's column (0 source, 1 destination) into `text`, at most
    // `capacity` - 1 characters and a NUL; returns the number of characters copied.
    int (*readText)(void* context, int row, int column, char* text, int capacity);
    void (*append)(void* context, const char* source, const char* destination);
    void (*remove)(void* context, int row);
};

enum PairRuleVerdict {
    PAIR_ACCEPTED = 0,
    PAIR_BLANK,
    PAIR_SAME,
    PAIR_DUPLICATE,
    PAIR_NOTHING_SELECTED,
};

// Reads a row's text whole: into `buffer` (CANDIDATE_TEXT_SIZE bytes) when it fits, else
// into memory to be given back with ReleaseRowText. NULL when memory ran out.
char* ReadWholeRowText(const PairRows* rows, int row, int column, char* buffer);
void ReleaseRowText(char* text, char* buffer);

// True when some row holds the two texts in either order. Comparison is exact.
bool IsDuplicate(const char* source, const char* destination, const PairRows* rows);

PairRuleVerdict CheckAddPair(const char* source, const char* destination, const PairRows* rows);
PairRuleVerdict CheckRemovePair(int selectedRow, const PairRows* rows);

// The message for a rejection, or NULL for PAIR_ACCEPTED.
const char* PairRuleMessage(PairRuleVerdict verdict);

// Add and Remove as the page does them: apply the change, or show why not in a message
// box owned by `owner`. Both return the verdict.
PairRuleVerdict AddPair(HWND owner, const char* source, const char* destination, const PairRows* rows);
PairRuleVerdict RemovePair(HWND owner, int selectedRow, const PairRows* rows);
