// Bounded reads of the address and number values of a pair key.
#include <limits.h>
#include <string.h>

#include "store/registry_values.h"

#define NUMBER_BUFFER_SIZE 1024
#define TEXT_SCRATCH_SIZE 256  // larger than any text field the store reads

bool ReadTextValue(HKEY key, const char* valueName, char* field, DWORD fieldSize)
{
    // Read into a scratch buffer: after a failed read its contents are not to be trusted,
    // and a value need not carry its own NUL.
    char scratch[TEXT_SCRATCH_SIZE + 1];
    memset(field, 0, fieldSize);
    if (fieldSize > TEXT_SCRATCH_SIZE) return false;
    memset(scratch, 0, sizeof scratch);
    DWORD byteCount = fieldSize;
    if (RegQueryValueExA(key, valueName, NULL, NULL, (LPBYTE)scratch, &byteCount) != ERROR_SUCCESS)
        return false;
    if (byteCount > fieldSize) return false;
    scratch[byteCount] = 0;
    size_t length = strlen(scratch);
    if (length >= fieldSize) return false;
    memcpy(field, scratch, length + 1);
    return true;
}

LONG ReadNumberValue(HKEY key, const char* valueName)
{
    char numberText[NUMBER_BUFFER_SIZE + 1];
    memset(numberText, 0, sizeof numberText);
    DWORD byteCount = NUMBER_BUFFER_SIZE;
    if (RegQueryValueExA(key, valueName, NULL, NULL, (LPBYTE)numberText, &byteCount) != ERROR_SUCCESS)
        return 0;
    // A value of exactly the buffer's size has no room for a NUL: the spare byte holds it.
    numberText[byteCount <= NUMBER_BUFFER_SIZE ? byteCount : NUMBER_BUFFER_SIZE] = 0;
    return ParseDecimal(numberText);
}

LONG ParseDecimal(const char* text)
{
    const char* p = text;
    while (*p == ' ' || (*p >= '\t' && *p <= '\r')) ++p;
    bool negative = false;
    if (*p == '+' || *p == '-') negative = *p++ == '-';
    long long magnitude = 0;
    const long long limit = negative ? -(long long)INT_MIN : INT_MAX;
    while (*p >= '0' && *p <= '9') {
        magnitude = magnitude * 10 + (*p++ - '0');
        if (magnitude > limit) {
            magnitude = limit;
            while (*p >= '0' && *p <= '9') ++p;
        }
    }
    return (LONG)(negative ? -magnitude : magnitude);
}
