// The errors a command says: on standard error as always, and kept, so that a run asked for
// JSON also answers its error on standard output, where a script reads.
#pragma once

#include <string>

#if defined(__MINGW32__)
#define PRINTF_LIKE(at, first) __attribute__((format(__MINGW_PRINTF_FORMAT, at, first)))
#elif defined(__GNUC__)
#define PRINTF_LIKE(at, first) __attribute__((format(printf, at, first)))
#else
#define PRINTF_LIKE(at, first)
#endif

// A text of console/pairs_texts.h with its blanks filled, as printf fills them.
std::string Worded(const char* format, ...) PRINTF_LIKE(1, 2);

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
