// Texts as JSON strings: a script parses the companion's --json output whatever the store holds.
#pragma once

#include <string>

// `text`, single-byte in the ANSI code page, between quotes as JSON: converted to Unicode
// (0x80 is the euro sign in code page 1252), with quotes, backslashes and control characters
// escaped and every character above 126 written as \uXXXX, so that the document is plain ASCII.
std::string JsonString(const char* text);
