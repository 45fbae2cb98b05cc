// The first error of a run, kept for its JSON answer.
#include <stdarg.h>
#include <stdio.h>

#include <vector>

#include "console/errors_said.h"
#include "console/json_text.h"
#include "console/pairs_texts.h"

static bool g_said, g_asJson;

std::string Worded(const char* format, ...)
{
    va_list arguments;
    va_start(arguments, format);
    va_list again;
    va_copy(again, arguments);
    int length = vsnprintf(NULL, 0, format, arguments);
    va_end(arguments);
    std::vector<char> text(length > 0 ? (size_t)length + 1 : 1, 0);
    if (length > 0) vsnprintf(text.data(), text.size(), format, again);
    va_end(again);
    return text.data();
}
static std::string g_text, g_concerning;

void SayError(const std::string& text, const std::string& concerning)
{
    if (g_asJson) fprintf(stderr, "{\"level\":\"error\",\"message\":%s}\n", JsonString(text.c_str()).c_str());
    else fprintf(stderr, "%s\n", text.c_str());
    if (g_said) return;
    g_said = true;
    g_text = text;
    g_concerning = concerning;
}

bool FirstErrorSaid(std::string* text, std::string* concerning)
{
    *text = g_text;
    *concerning = g_concerning;
    return g_said;
}

void ForgetErrorsSaid(void)
{
    g_said = false;
    g_asJson = false;
    g_text.clear();
    g_concerning.clear();
}

void SayDiagnosticsAsJson(void)
{
    g_asJson = true;
}

bool DiagnosticsAsJson(void)
{
    return g_asJson;
}

void SayToPerson(const std::string& text)
{
    if (text.empty()) return;
    if (!g_asJson) {
        fputs(text.c_str(), stdout);
        return;
    }
    // One info line for each line of the text.
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        fprintf(stderr, "{\"level\":\"info\",\"message\":%s}\n", JsonString(line.c_str()).c_str());
        start = end + 1;
    }
}

void SayUsageHint(void)
{
    if (!g_asJson) fprintf(stderr, "%s\n", TEXT_PAIRS_USAGE_HINT);
}
