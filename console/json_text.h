// Texts as JSON strings: a script parses the companion's --json output whatever the store holds.
#pragma once

#include <string>

// `text` between quotes, with quotes, backslashes and control characters escaped, and every
// byte above 127 written as \u00XX, so that the document is plain ASCII and valid JSON.
std::string JsonString(const char* text);
