// The one way out when the registry store cannot be used: tell the administrator, end.
#include <stdio.h>
#include <stdlib.h>

#include "store/store.h"
#include "resources/program_texts.h"

void FatalSettingsError(void)
{
    printf("%s\r\n", TEXT_SETTINGS_ERROR);
    // The message box may be the first window of the process; no owner exists yet.
    MessageBoxA(NULL, TEXT_SETTINGS_ERROR, CAPTION_SETTINGS_ERROR, MB_ICONERROR | MB_SERVICE_NOTIFICATION);
    exit(-1);
}
