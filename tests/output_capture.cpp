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

// One capture per stream: standard output and standard error.
struct Capture {
    FILE* stream;
    int saved;
    FILE* file;
};
static Capture g_captures[2] = {{NULL, -1, NULL}, {NULL, -1, NULL}};

static void BeginCapture(Capture* capture, FILE* stream)
{
    fflush(stream);
    capture->stream = stream;
    capture->file = tmpfile();
    capture->saved = dup(fileno(stream));
    dup2(fileno(capture->file), fileno(stream));
#ifdef _WIN32
    // As the program does: its "\r\n" lines reach the file as written.
    _setmode(fileno(stream), _O_BINARY);
#endif
}

static std::string EndCapture(Capture* capture)
{
    fflush(capture->stream);
    dup2(capture->saved, fileno(capture->stream));
    close(capture->saved);
    std::string captured;
    rewind(capture->file);
    char chunk[512];
    size_t got;
    while ((got = fread(chunk, 1, sizeof chunk, capture->file)) > 0) captured.append(chunk, got);
    fclose(capture->file);
    return captured;
}

void BeginStdoutCapture(void)
{
    BeginCapture(&g_captures[0], stdout);
}

std::string EndStdoutCapture(void)
{
    return EndCapture(&g_captures[0]);
}

void BeginStderrCapture(void)
{
    BeginCapture(&g_captures[1], stderr);
}

std::string EndStderrCapture(void)
{
    return EndCapture(&g_captures[1]);
}
