// The first error of a run, kept for its JSON answer.
#include <stdio.h>

#include "console/errors_said.h"

static bool g_said;
static std::string g_text, g_concerning;

void SayError(const std::string& text, const std::string& concerning)
{
    fprintf(stderr, "%s\n", text.c_str());
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
    g_text.clear();
    g_concerning.clear();
}
