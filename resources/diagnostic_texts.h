// What the configurator's key removal and its address discovery write on standard output, as
// they always have: a console attached to the configurator shows them, nothing parses them.
#pragma once

#define DIAGNOSTIC_KEY_NOT_FOUND "Key not found.\n"
#define DIAGNOSTIC_KEY_NOT_OPENED "Error opening key.\n"
#define DIAGNOSTIC_HOST_NAME_ERROR "Error %d in gethostname()\r\n"
#define DIAGNOSTIC_HOST_NAME "Host name is %s \r\n"
#define DIAGNOSTIC_HOST_LOOKUP_ERROR "Error in gethostbyname()\r\n"
#define DIAGNOSTIC_ADDRESS "IP Address %d: %s\r\n"
