// Escaping and shortening texts for a person.
#include <stdio.h>
#include <string.h>

#include "audit/printable_text.h"

// Enough to recognise an argument; a 5,000-character one would bury the reason.
#define ECHOED_ARGUMENT_LENGTH 60

std::string PrintableText(const char* text)
{
    std::string printable;
    for (const unsigned char* p = (const unsigned char*)text; *p; ++p) {
        if (*p < 0x20 || *p == 0x7F) {
            char escaped[8];
            snprintf(escaped, sizeof escaped, "\\x%02x", *p);
            printable += escaped;
        } else if (*p == '\\') {
            printable += "\\\\";
        } else {
            printable += (char)*p;
        }
    }
    return printable;
}

std::string ShortenedArgument(const char* argument)
{
    if (strlen(argument) <= ECHOED_ARGUMENT_LENGTH) return PrintableText(argument);
    std::string head(argument, ECHOED_ARGUMENT_LENGTH);
    return PrintableText(head.c_str()) + "...";
}
