// Reading back what the export wrote: nothing more. A file is input from someone else, so
// every line must be one the export writes, and a text must fit an address field.
#include <ctype.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <windows.h>

#include "console/pairs_export.h"
#include "console/pairs_texts.h"
#include "store/store_names.h"

namespace {

struct ImportState {
    std::vector<PairRowText>* rows;
    std::vector<long> numbers;  // each row's key number, in file order
    std::vector<int> lines;     // each row's section line, in file order
    bool inRow;                 // after a row's section line
    bool seen[PAIR_VALUE_COUNT];
    bool networksSeen;          // the Networks key's own section
    std::string* why;
    int lineNumber;
};

// Key paths compare as the registry compares names, without regard to case.
bool StartsWithIgnoringCase(const char* text, const char* prefix)
{
    for (; *prefix; ++text, ++prefix)
        if (tolower((unsigned char)*text) != tolower((unsigned char)*prefix)) return false;
    return true;
}

int HexDigit(char digit)
{
    return isdigit((unsigned char)digit) ? digit - '0' : tolower((unsigned char)digit) - 'a' + 10;
}

bool Fail(ImportState* state, const char* reason)
{
    char text[160];
    snprintf(text, sizeof text, "line %d: %s", state->lineNumber, reason);
    *state->why = text;
    return false;
}

// "text" with the escapes \\ and \" only; `line` points after the opening quote.
bool ReadQuoted(const char** line, std::string* text)
{
    const char* p = *line;
    for (; *p && *p != '"'; ++p) {
        if (*p == '\\') {
            ++p;
            if (*p != '\\' && *p != '"') return false;
        }
        *text += *p;
    }
    if (*p != '"') return false;
    *line = p + 1;
    return true;
}

// hex(1):xx,xx,...,00 — the bytes of a string and its one NUL, last.
bool ReadHexString(const char* data, std::string* text)
{
    const char* p = data;
    bool ended = false;
    while (*p) {
        if (ended || !isxdigit((unsigned char)p[0]) || !isxdigit((unsigned char)p[1])) return false;
        int value = HexDigit(p[0]) * 16 + HexDigit(p[1]);
        p += 2;
        if (value == 0) ended = true;
        else *text += (char)value;
        if (*p == ',') ++p;
        else if (*p != 0) return false;
    }
    return ended;
}

bool ReadValueLine(ImportState* state, const char* line)
{
    if (!state->inRow) return Fail(state, TEXT_IMPORT_VALUE_OUTSIDE);
    std::string name, text;
    ++line;
    if (!ReadQuoted(&line, &name) || *line++ != '=') return Fail(state, TEXT_IMPORT_NOT_A_VALUE_LINE);
    bool read = false;
    if (*line == '"') {
        ++line;
        read = ReadQuoted(&line, &text) && *line == 0;
    } else if (strncmp(line, "hex(1):", 7) == 0) {
        read = ReadHexString(line + 7, &text);
    }
    if (!read || text.size() >= ADDRESS_TEXT_SIZE) return Fail(state, TEXT_IMPORT_UNWRITTEN_VALUE);
    int which = PairValueByName(name.c_str());
    if (which < 0 || state->seen[which]) return Fail(state, TEXT_IMPORT_VALUE_NAME);
    state->seen[which] = true;
    PairRowText& row = state->rows->back();
    if (which == PAIR_VALUE_SOURCE) snprintf(row.source, ADDRESS_TEXT_SIZE, "%s", text.c_str());
    if (which == PAIR_VALUE_DESTINATION) snprintf(row.destination, ADDRESS_TEXT_SIZE, "%s", text.c_str());
    // The save writes only its own Direction and Enabled; a file asking for others cannot
    // be applied as it says.
    const char* texts[PAIR_VALUE_COUNT];
    PairValueTexts(&row, texts);
    if (text != texts[which]) return Fail(state, (std::string(PairValueNames[which]) + " other than " + texts[which]).c_str());
    return true;
}

bool RowComplete(ImportState* state)
{
    if (!state->inRow) return true;
    for (bool seen : state->seen)
        if (!seen) return Fail(state, TEXT_IMPORT_VALUES_MISSING);
    return true;
}

// The Networks key as a .reg file names it: from either view of the registry, any case.
size_t NetworksPathLength(const char* path)
{
    const char* views[] = {"HKEY_LOCAL_MACHINE\\" SOFTWARE_KEY_NAME "\\",
                           "HKEY_LOCAL_MACHINE\\" SOFTWARE_KEY_NAME "\\WOW6432Node\\"};
    const std::string below = COMPANY_KEY_NAME "\\" PRODUCT_KEY_NAME "\\" NETWORKS_KEY_NAME;
    for (const char* view : views) {
        std::string full = view + below;
        if (StartsWithIgnoringCase(path, full.c_str())) return full.size();
    }
    return 0;
}

// A key number as the save writes one: digits, no leading zero, no sign.
long RowNumber(const std::string& name)
{
    if (name.empty() || name.size() > 9 || (name[0] == '0' && name.size() > 1)) return -1;
    for (char c : name)
        if (c < '0' || c > '9') return -1;
    return atol(name.c_str());
}

bool ReadSectionLine(ImportState* state, const char* line)
{
    if (!RowComplete(state)) return false;
    size_t length = strlen(line);
    size_t pathLength = length >= 2 && line[length - 1] == ']' ? NetworksPathLength(line + 1) : 0;
    if (line[1] == '-') return Fail(state, TEXT_IMPORT_DELETING_SECTION);
    if (pathLength == 0 || pathLength + 2 > length) return Fail(state, TEXT_IMPORT_KEY_OUTSIDE);
    std::string rest(line + 1 + pathLength, length - 2 - pathLength);
    if (rest.empty()) {
        state->networksSeen = true;
        state->inRow = false;
        return true;
    }
    long number = rest[0] == '\\' ? RowNumber(rest.substr(1)) : -1;
    if (number < 0) return Fail(state, TEXT_IMPORT_KEY_NOT_A_PAIR);
    for (long seen : state->numbers)
        if (seen == number) return Fail(state, TEXT_IMPORT_PAIR_NUMBER_TWICE);
    state->numbers.push_back(number);
    state->lines.push_back(state->lineNumber);
    state->rows->push_back(PairRowText());
    memset(&state->rows->back(), 0, sizeof(PairRowText));
    memset(state->seen, 0, sizeof state->seen);
    state->inRow = true;
    return true;
}

// "; The end of the export: N pairs." The export writes it last, so that a file cut short
// is told from a shorter list.
bool ReadCountLine(const std::string& line, long* count)
{
    const char prefix[] = EXPORT_COUNT_PREFIX;
    if (line.compare(0, sizeof prefix - 1, prefix) != 0) return false;
    char* end = NULL;
    *count = strtol(line.c_str() + sizeof prefix - 1, &end, 10);
    return strcmp(end, EXPORT_COUNT_SUFFIX) == 0;
}

// The rows in the order of their numbers, which must be 0 to n-1.
bool PutInOrder(ImportState* state, std::vector<int>* rowLines)
{
    size_t count = state->rows->size();
    std::vector<PairRowText> ordered(count);
    std::vector<int> lines(count);
    // Numbers are unique: n of them, each below n, are 0 to n-1.
    for (size_t i = 0; i < count; ++i) {
        long number = state->numbers[i];
        if (number >= (long)count) return Fail(state, TEXT_IMPORT_NUMBERING_GAP);
        ordered[number] = (*state->rows)[i];
        lines[number] = state->lines[i];
    }
    *state->rows = ordered;
    if (rowLines != NULL) *rowLines = lines;
    return true;
}

// Whether the file, read to its end, is a whole export: `ours` whether it began as ours,
// `counted` whether it ended with a count line, and `count` what that said.
bool EndsWhole(ImportState* state, bool ours, bool counted, long count, bool blankAfterValue)
{
    if (state->lineNumber == 0) return Fail(state, TEXT_IMPORT_EMPTY_FILE);
    if (!RowComplete(state)) return false;
    if (!state->networksSeen) return Fail(state, TEXT_IMPORT_NO_NETWORKS_SECTION);
    // An export of ours ends by counting its pairs: a file cut short is not a shorter list.
    if (ours && !counted) return Fail(state, TEXT_IMPORT_COUNT_LINE_MISSING);
    if (counted && count != (long)state->rows->size()) return Fail(state, TEXT_IMPORT_COUNT_DIFFERS);
    // Without a count, only a file that ends as reg export ends one, and never an empty
    // list: a file cut after its Networks line cannot be told from an empty export.
    if (!counted && !blankAfterValue) return Fail(state, TEXT_IMPORT_CUT_SHORT);
    if (!counted && state->rows->empty()) return Fail(state, TEXT_IMPORT_NO_PAIRS);
    return true;
}

}  // namespace

bool ParsePairsExport(const std::string& text, std::vector<PairRowText>* rows, std::string* why,
                      std::vector<int>* rowLines)
{
    rows->clear();
    ImportState state = {rows, {}, {}, false, {false, false, false, false}, false, why, 0};
    bool ours = false, counted = false;
    // reg export ends a file with a blank line after the last section's values.
    bool blankAfterValue = false;
    long count = -1;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        ++state.lineNumber;
        if (line.find('\0') != std::string::npos) return Fail(&state, TEXT_IMPORT_NUL);
        if (state.lineNumber == 1) {
            if (line != "REGEDIT4" && line != "Windows Registry Editor Version 5.00")
                return Fail(&state, TEXT_IMPORT_NOT_A_REG_FILE);
            continue;
        }
        if (counted && !line.empty()) return Fail(&state, TEXT_IMPORT_LINE_AFTER_COUNT);
        bool read = true;
        if (line.empty()) {
            blankAfterValue = blankAfterValue || state.inRow;
            continue;
        }
        blankAfterValue = false;
        if (line.compare(0, strlen(EXPORT_FIRST_COMMENT), EXPORT_FIRST_COMMENT) == 0) ours = true;
        if (line[0] == ';') {
            counted = ReadCountLine(line, &count);
            continue;
        }
        if (line[0] == '[') read = ReadSectionLine(&state, line.c_str());
        else if (line[0] == '"') read = ReadValueLine(&state, line.c_str());
        else read = Fail(&state, TEXT_IMPORT_UNWRITTEN_LINE);
        if (!read) return false;
    }
    return EndsWhole(&state, ours, counted, count, blankAfterValue) && PutInOrder(&state, rowLines);
}
