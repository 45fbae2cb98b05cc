// JSON string escaping: the text converted from the ANSI code page to Unicode, then every
// character outside printable ASCII written as \uXXXX.
#include <stdio.h>
#include <string.h>

#include <windows.h>

#include <vector>

#include "console/json_text.h"

std::string JsonString(const char* text)
{
    std::string json = "\"";
    size_t length = strlen(text);
    std::vector<WCHAR> wide(length + 1);
    int units = length == 0 ? 0 : MultiByteToWideChar(CP_ACP, 0, text, (int)length, wide.data(), (int)length + 1);
    for (int i = 0; i < units; ++i) {
        WCHAR unit = wide[i];
        if (unit == '"' || unit == '\\') {
            json += '\\';
            json += (char)unit;
        } else if (unit < 0x20 || unit >= 0x7F) {
            char escaped[8];
            snprintf(escaped, sizeof escaped, "\\u%04x", (unsigned)unit);
            json += escaped;
        } else {
            json += (char)unit;
        }
    }
    return json + "\"";
}
