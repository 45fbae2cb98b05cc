// The sheet's save as the administrator meets it, without the window: the questions it asks
// and the boxes it shows after, through the sheet's own callbacks.
#pragma once

#include <vector>

#include "net/adapters.h"
#include "store/store.h"

// What the configurator carries from its start-up through its saves to its close.
struct SheetSession {
    OwnAddresses own;                // this computer's addresses beyond the local address list
    StampSet base;                   // what the next save compares the store with
    std::vector<PairRowText> known;  // the list the store is known to hold, for the audit trail
    bool knownValid;
    bool knownExact;                 // and exactly as a save of it leaves the store
    HeldOldList held;                // the old list the last save kept for its readers
    DWORD readerGrace;               // READER_GRACE_BY_SIZE
};

// Starts a session from the start-up reading: takes its stamps and its rows.
void BeginSheetSession(SheetSession* session, StoreReading* reading);

struct SaveAnswers {
    // Asks a Yes/No question, No the default; true for Yes.
    bool (*ask)(const char* question, void* context);
    // Says what the registry holds after a save: an error, or a warning.
    void (*tell)(const char* text, bool error, void* context);
    void* context;
    // Runs the save as SavePairListOver does, where the program wants it run (the sheet: on a
    // thread of its own, while the window answers); NULL runs it here.
    SaveResult (*run)(const PairRowText* rows, int rowCount, const SaveRequest* request, void* context);
};

// Saves `rows` over what the session last read or wrote. When another program changed the
// pairs, or they could not be checked, asks; Yes saves again over what that save found, as
// often as it changes meanwhile. Then tells what a save that did not complete left, or where
// an old list stays aside. Every save and answer goes to the audit trail. True when the store
// holds the rows. `request` gives the lock's callbacks; its base and path are the session's.
// The key removal's diagnostics go to standard output; a product key that does not open with
// full access afterwards is the fatal settings error.
bool SaveAnswering(const PairRowText* rows, int rowCount, SaveRequest* request, const SaveAnswers* answers,
                   SheetSession* session);

// When the sheet has closed: removes the old list the last save swapped out, once its
// readers' grace has passed (waiting for that half a second at most; a longer grace is left
// to a later save), and tells where what stays of it is.
void RetireAnswering(const SaveAnswers* answers, SheetSession* session);
