// The errors a command says: on standard error as always, and kept, so that a run asked for
// JSON also answers its error on standard output, where a script reads.
#pragma once

#include <string>

// Says `text` on standard error; `concerning` is the word, key or service it is about.
void SayError(const std::string& text, const std::string& concerning = "");
// The first error said in this run, and what it concerned; false when none was.
bool FirstErrorSaid(std::string* text, std::string* concerning);
void ForgetErrorsSaid(void);
