// JSON string escaping, byte by byte.
#include <stdio.h>

#include "console/json_text.h"

std::string JsonString(const char* text)
{
    std::string json = "\"";
    for (const unsigned char* p = (const unsigned char*)text; *p; ++p) {
        if (*p == '"' || *p == '\\') {
            json += '\\';
            json += (char)*p;
        } else if (*p < 0x20 || *p >= 0x7F) {
            // Stored texts are single-byte; each byte stands for the character of its value.
            char escaped[8];
            snprintf(escaped, sizeof escaped, "\\u%04x", *p);
            json += escaped;
        } else {
            json += (char)*p;
        }
    }
    return json + "\"";
}
