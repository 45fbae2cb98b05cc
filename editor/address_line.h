// The line below the pair list that says which adapter of this computer holds each
// address in play: the chosen source and destination, and the selected row's two.
#pragma once

#include <stddef.h>

#define ADDRESS_LINE_SIZE 1024

// Empty texts are left out: nothing chosen, or no row selected (`rowSource` NULL).
void FormatAddressLine(const char* source, const char* destination, const char* rowSource,
                       const char* rowDestination, char* text, size_t size);
