// The companion's words for what the store hands back: why it could not be read or saved,
// how it differs from what a save writes, and what the key removal met.
#pragma once

#include <string>

#include "store/store.h"

// The key a problem concerns, as regedit shows its path.
std::string ProblemKeyPath(const StoreProblem& problem);
// The line for a store that could not be read, naming the key and what to do.
std::string StoreProblemText(const StoreProblem& problem);
// Why no save may change the store, for TEXT_PAIRS_STORE_UNSAVABLE.
std::string UnsavableText(const StoreProblem& problem);
// Where a save that did not complete stopped, as a line: the key and the registry's error.
std::string SaveStoppedText(const StoreProblem& failure);
// One difference from what a save writes, as "Networks\0\Enabled does not hold "1"".
std::string DifferenceText(const StoreDifference& difference);
// What an interrupted save left beside Networks, where the lists are, or "".
std::string InterruptedSaveText(const InterruptedSave& interrupted);
// Why the new list is built under its second name, as a plan line, or "".
std::string BuildingBlockedLine(const StoreProblem& blocked);
// An old list aside that a save leaves where it is, as a plan line, or "".
std::string LeftoverStaysLine(const StoreProblem& stays);
// The key removal's "Key not found." and "Error opening key.", on standard error.
void SayRemovalNotes(const RemovalNotes& notes);
