// REGEDIT4 text, single-byte, with the registry editor's line ends.
#include <stdio.h>
#include <string.h>

#include "console/pairs_export.h"
#include "store/store_names.h"

#define NETWORKS_REG_PATH "HKEY_LOCAL_MACHINE\\" NETWORKS_KEY_PATH
#define EXPORT_HEADER_SIZE 512
// A row's key line and four values; its texts, escaped, take at most twice their fields.
#define EXPORT_ROW_SIZE (sizeof NETWORKS_REG_PATH + 160 + 4 * ADDRESS_FIELD_SIZE)

size_t PairsExportSize(int rowCount)
{
    return EXPORT_HEADER_SIZE + (size_t)(rowCount > 0 ? rowCount : 0) * EXPORT_ROW_SIZE;
}

// A string value's text between its quotes: backslashes and quotes escaped.
static void Escape(const char* text, char* escaped)
{
    for (; *text; ++text) {
        if (*text == '\\' || *text == '"') *escaped++ = '\\';
        *escaped++ = *text;
    }
    *escaped = 0;
}

static void Append(char* text, size_t size, const char* line)
{
    size_t used = strlen(text);
    if (used < size) snprintf(text + used, size - used, "%s\r\n", line);
}

void WritePairsExport(const PairRowText* rows, int rowCount, char* text, size_t size)
{
    if (size == 0) return;
    text[0] = 0;
    Append(text, size, "REGEDIT4");
    Append(text, size, "");
    Append(text, size, "[-" NETWORKS_REG_PATH "]");
    Append(text, size, "");
    Append(text, size, "[" NETWORKS_REG_PATH "]");
    Append(text, size, "");
    for (int row = 0; row < rowCount; ++row) {
        char line[EXPORT_ROW_SIZE], source[2 * ADDRESS_FIELD_SIZE], destination[2 * ADDRESS_FIELD_SIZE];
        Escape(rows[row].source, source);
        Escape(rows[row].destination, destination);
        snprintf(line, sizeof line, "[" NETWORKS_REG_PATH "\\%d]", row);
        Append(text, size, line);
        snprintf(line, sizeof line, "\"" VALUE_SOURCE "\"=\"%s\"", source);
        Append(text, size, line);
        snprintf(line, sizeof line, "\"" VALUE_DESTINATION "\"=\"%s\"", destination);
        Append(text, size, line);
        Append(text, size, "\"" VALUE_DIRECTION "\"=\"" DIRECTION_WRITTEN "\"");
        Append(text, size, "\"" VALUE_ENABLED "\"=\"" ENABLED_WRITTEN "\"");
        Append(text, size, "");
    }
}
