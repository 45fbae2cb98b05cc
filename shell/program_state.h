// Process-wide state of the shell, set once during start-up.
#pragma once

#include <windows.h>

#define SHELL_TEXT_SIZE 100

extern HINSTANCE ProgramInstance;
extern char TitleText[SHELL_TEXT_SIZE];
extern char ClassNameText[SHELL_TEXT_SIZE];
