// Texts from the store, from adapter names and from the command line as both programs show
// them to a person, on a terminal or in the Application log: a stored text may hold any byte,
// and a terminal or a log viewer acts on control characters. The one escaper for both; JSON
// has its own (console/json_text.h).
#pragma once

#include <string>

// `text` with every control character written as \xNN and every backslash doubled, so
// that nothing a text holds can move the cursor, ring or look like an escape.
std::string PrintableText(const char* text);

// An argument echoed in a message: printable, and shortened with "..." when it is long.
std::string ShortenedArgument(const char* argument);
