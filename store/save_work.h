// One save's work as its steps hand it on, and how each look at the store came out. Private
// to the store.
#pragma once

#include "store/key_security.h"
#include "store/list_aside.h"
#include "store/store.h"

// How a look at the store came out.
enum Look {
    LOOK_SAME,
    LOOK_CHANGED,
    LOOK_UNKNOWN,  // a read failed: whether another writer was at work cannot be told
    LOOK_FAILED,   // a key could not be made, written or renamed
};

// One save's work, handed from step to step: what it compares with, and what it found and did.
struct SaveWork {
    const SaveRequest* request;
    HKEY product;
    HKEY networks;  // taken from the reading's path, or NULL
    bool networksIsLink;
    char networksAside[ASIDE_NAME_SIZE];  // Networks missing, the aside name the old list has, or ""
    const char* building;       // the name the new list is built under
    const ListSecurity* security;  // what the old list's keys had, for the new ones
    SaveResult* result;
};

// Notes what stopped the save, the first cause only; always LOOK_FAILED.
Look Failed(SaveWork* work, StoreKey key, const char* keyName, LONG status);

// Builds the rows in a key made now beside Networks, under the first of the save's names that
// it may use (removing a half-built list an interrupted save left there), and reads them
// back. `written` gets their stamps. The key stays open in `newKey` when the look is LOOK_SAME.
Look BuildAside(SaveWork* work, AsideNames* names, const PairRowText* rows, int rowCount, HKEY* newKey,
                StampSet* written);
