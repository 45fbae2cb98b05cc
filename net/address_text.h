// An IPv4 address as dotted-decimal text, as the platform writes it: at most 15 characters
// and a NUL. The one size for every address field of the program, shown or stored.
#pragma once

#define ADDRESS_TEXT_SIZE 16

typedef char AddressText[ADDRESS_TEXT_SIZE];
