// Standard output redirected into a temporary file for the length of a capture.
#include "tests/output_capture.h"

#include <stdio.h>
#include <stdlib.h>
#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#define close _close
#define dup _dup
#define dup2 _dup2
#define fileno _fileno
#else
#include <unistd.h>
#endif

static int g_savedStdout = -1;
static FILE* g_captureFile = NULL;

void BeginStdoutCapture(void)
{
    fflush(stdout);
    g_captureFile = tmpfile();
    g_savedStdout = dup(fileno(stdout));
    dup2(fileno(g_captureFile), fileno(stdout));
#ifdef _WIN32
    // As the program does: its "\r\n" lines reach the file as written.
    _setmode(fileno(stdout), _O_BINARY);
#endif
}

std::string EndStdoutCapture(void)
{
    fflush(stdout);
    dup2(g_savedStdout, fileno(stdout));
    close(g_savedStdout);
    std::string captured;
    rewind(g_captureFile);
    char chunk[512];
    size_t got;
    while ((got = fread(chunk, 1, sizeof chunk, g_captureFile)) > 0) captured.append(chunk, got);
    fclose(g_captureFile);
    return captured;
}
