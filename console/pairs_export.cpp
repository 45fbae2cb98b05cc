// Writing the pair list as REGEDIT4 text, single-byte, with the registry editor's line ends.
#include <stdio.h>
#include <string.h>

#include "console/pairs_export.h"
#include "store/store_names.h"

#define EXPORT_LINE_END "\r\n"

static void AppendLine(std::string* text, const std::string& line)
{
    *text += line;
    *text += EXPORT_LINE_END;
}

// Texts of plain printable characters go between quotes, as people expect to read them.
static bool QuotesCarry(const char* text)
{
    for (const unsigned char* p = (const unsigned char*)text; *p; ++p)
        if (*p < 0x20 || *p > 0x7E || *p == '"' || *p == '\\') return false;
    return true;
}

// A string value's data. Any other text travels as hex(1): its bytes and the NUL, which
// both importers store as that string; inside quotes a line break, a bracket or an escape
// that one importer reads and the other does not could start a key of its own.
static std::string ValueData(const char* text)
{
    if (QuotesCarry(text)) return std::string("\"") + text + "\"";
    std::string data = "hex(1):";
    for (const unsigned char* p = (const unsigned char*)text;; ++p) {
        char hexDigits[4];
        snprintf(hexDigits, sizeof hexDigits, "%02x", *p);
        data += hexDigits;
        if (*p == 0) break;
        data += ",";
    }
    return data;
}

std::string PairsExportText(const PairRowText* rows, int rowCount)
{
    std::string text;
    AppendLine(&text, "REGEDIT4");
    AppendLine(&text, "");
    AppendLine(&text, EXPORT_FIRST_COMMENT EXPORT_FIRST_COMMENT_END);
    AppendLine(&text, EXPORT_SECOND_COMMENT);
    AppendLine(&text, "");
    AppendLine(&text, "[" NETWORKS_REG_PATH "]");
    AppendLine(&text, "");
    for (int row = 0; row < rowCount; ++row) {
        char number[16];
        snprintf(number, sizeof number, PAIR_KEY_NAME_BY_NUMBER, row);
        AppendLine(&text, std::string("[" NETWORKS_REG_PATH "\\") + number + "]");
        const char* texts[PAIR_VALUE_COUNT];
        PairValueTexts(&rows[row], texts);
        for (int which = 0; which < PAIR_VALUE_COUNT; ++which)
            AppendLine(&text, std::string("\"") + PairValueNames[which] + "\"=" + ValueData(texts[which]));
        AppendLine(&text, "");
    }
    char count[64];
    snprintf(count, sizeof count, EXPORT_COUNT_PREFIX "%d" EXPORT_COUNT_SUFFIX, rowCount);
    AppendLine(&text, count);
    return text;
}
