// The shell's process-wide state.
#include "program_state.h"

HINSTANCE ProgramInstance = NULL;
char TitleText[SHELL_TEXT_SIZE];
char ClassNameText[SHELL_TEXT_SIZE];
