// Runs a piece of code in a child process, for the paths that end the process.
#pragma once

#include <functional>
#include <string>

struct ChildResult {
    int exitStatus;  // as the shell shows it: exit(-1) is 255; -1 when killed by a signal
    std::string standardOutput;
    std::string standardError;
};

ChildResult RunInChild(const std::function<void()>& body);
