// fork and two pipes: the child runs the body and exits 0 unless the body ends it first.
#include "tests/child_process.h"

#include <stdio.h>
#include <sys/wait.h>
#include <unistd.h>

static std::string ReadAll(int fd)
{
    std::string text;
    char chunk[512];
    ssize_t got;
    while ((got = read(fd, chunk, sizeof chunk)) > 0) text.append(chunk, (size_t)got);
    close(fd);
    return text;
}

ChildResult RunInChild(const std::function<void()>& body)
{
    int outPipe[2], errPipe[2];
    if (pipe(outPipe) != 0 || pipe(errPipe) != 0) return ChildResult{-2, "", ""};
    fflush(stdout);
    fflush(stderr);
    pid_t child = fork();
    if (child == 0) {
        dup2(outPipe[1], 1);
        dup2(errPipe[1], 2);
        close(outPipe[0]);
        close(errPipe[0]);
        body();
        fflush(stdout);
        fflush(stderr);
        _exit(0);
    }
    close(outPipe[1]);
    close(errPipe[1]);
    // The body's output is small: reading one pipe after the other cannot block the child.
    ChildResult result;
    result.standardOutput = ReadAll(outPipe[0]);
    result.standardError = ReadAll(errPipe[0]);
    int status = 0;
    waitpid(child, &status, 0);
    result.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}
