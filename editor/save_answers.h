// The sheet's save as the administrator meets it, without the window: the questions it asks
// and the boxes it shows after, through the sheet's own callbacks.
#pragma once

#include "store/store.h"

struct SaveAnswers {
    // Asks a Yes/No question, No the default; true for Yes.
    bool (*ask)(const char* question, void* context);
    // Says what the registry holds after a save: an error, or a warning.
    void (*tell)(const char* text, bool error, void* context);
    void* context;
};

// Saves `rows` over what the sheet last read. When another program changed the pairs, or
// they could not be checked, asks; Yes saves again over what that save found, as often as
// it changes meanwhile. Then tells what a save that did not complete left, or where an old
// list stays aside. Every save and answer goes to the audit trail. True when the store holds
// the rows.
bool SaveAnswering(const PairRowText* rows, int rowCount, SaveRequest* request, const SaveAnswers* answers);

// When the sheet has closed: removes the old list the last save swapped out, once its
// readers' grace has passed, and tells where what stays of it is.
void RetireAnswering(const SaveAnswers* answers);
