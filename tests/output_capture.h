// Captures what the code under test writes to standard output.
#pragma once

#include <string>

void BeginStdoutCapture(void);
std::string EndStdoutCapture(void);
