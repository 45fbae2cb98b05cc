// Reading back what the export wrote: nothing more. A file is input from someone else, so
// every line must be one the export writes, and a text must fit an address field.
#include <ctype.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "console/pairs_export.h"
#include "store/store_names.h"

namespace {

struct ImportState {
    std::vector<PairRowText>* rows;
    bool inRow;               // after a row's section line
    bool seen[PAIR_VALUE_COUNT];
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
    if (!state->inRow) return Fail(state, "a value outside a pair's section");
    std::string name, text;
    ++line;
    if (!ReadQuoted(&line, &name) || *line++ != '=') return Fail(state, "not a value line");
    bool read = false;
    if (*line == '"') {
        ++line;
        read = ReadQuoted(&line, &text) && *line == 0;
    } else if (strncmp(line, "hex(1):", 7) == 0) {
        read = ReadHexString(line + 7, &text);
    }
    if (!read || text.size() >= ADDRESS_TEXT_SIZE) return Fail(state, "a value that the export does not write");
    int which = PairValueByName(name.c_str());
    if (which < 0 || state->seen[which]) return Fail(state, "an unknown or repeated value name");
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
        if (!seen) return Fail(state, "a pair's section without all four values");
    return true;
}

bool ReadSectionLine(ImportState* state, const char* line)
{
    if (!RowComplete(state)) return false;
    size_t length = strlen(line);
    size_t pathLength = strlen(NETWORKS_REG_PATH);
    if (length < 2 || line[length - 1] != ']' || !StartsWithIgnoringCase(line + 1, NETWORKS_REG_PATH))
        return Fail(state, "a key outside the Networks key");
    std::string rest(line + 1 + pathLength, length - 2 - pathLength);
    if (rest.empty()) {
        state->inRow = false;
        return true;
    }
    char expected[16];
    snprintf(expected, sizeof expected, "\\" PAIR_KEY_NAME_BY_NUMBER, (int)state->rows->size());
    if (rest != expected) return Fail(state, "pairs not numbered 0, 1, 2, ... in order");
    state->rows->push_back(PairRowText());
    memset(&state->rows->back(), 0, sizeof(PairRowText));
    memset(state->seen, 0, sizeof state->seen);
    state->inRow = true;
    return true;
}

}  // namespace

bool ParsePairsExport(const std::string& text, std::vector<PairRowText>* rows, std::string* why)
{
    rows->clear();
    ImportState state = {rows, false, {false, false, false, false}, why, 0};
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        ++state.lineNumber;
        if (line.find('\0') != std::string::npos) return Fail(&state, "a NUL character");
        if (state.lineNumber == 1) {
            if (line != "REGEDIT4") return Fail(&state, "not a REGEDIT4 file");
            continue;
        }
        bool read = true;
        if (line.empty() || line[0] == ';') continue;
        if (line[0] == '[') read = ReadSectionLine(&state, line.c_str());
        else if (line[0] == '"') read = ReadValueLine(&state, line.c_str());
        else read = Fail(&state, "a line that the export does not write");
        if (!read) return false;
    }
    if (state.lineNumber == 0) return Fail(&state, "an empty file");
    return RowComplete(&state);
}
