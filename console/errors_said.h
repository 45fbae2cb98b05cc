// The errors a command says: on standard error as always, and kept, so that a run asked for
// JSON also answers its error on standard output, where a script reads.
#pragma once

#include <string>

// Says `text` on standard error; `concerning` is the word, key or service it is about.
void SayError(const std::string& text, const std::string& concerning = "");
// The first error said in this run, and what it concerned; false when none was.
bool FirstErrorSaid(std::string* text, std::string* concerning);
// A new run: no error said, and diagnostics for a person.
void ForgetErrorsSaid(void);

// From now on errors go to standard error as JSON lines, {"level":"error","message":"..."},
// and what a run says for a person as {"level":"info",...}: the form DSC collects, whose
// standard output carries the resource's JSON alone.
void SayDiagnosticsAsJson(void);
bool DiagnosticsAsJson(void);
// What a run says for a person on standard output (a plan line, a restart done): there, or as
// an info line in JSON mode.
void SayToPerson(const std::string& text);
// The line that points to the help, after a usage error: for a person only.
void SayUsageHint(void);
