// Captures what the code under test writes to standard output and standard error.
#pragma once

#include <string>

void BeginStdoutCapture(void);
std::string EndStdoutCapture(void);
void BeginStderrCapture(void);
std::string EndStderrCapture(void);
