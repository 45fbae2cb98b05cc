// The file version from the program's own VS_VERSION_INFO resource: one place for the
// number, which Explorer's Details tab shows too.
#include <stdio.h>
#include <string.h>

#include "console/program_version.h"

#ifdef _WIN32
#include <windows.h>

// VS_FIXEDFILEINFO begins with this signature, at a 32-bit boundary of the resource.
#define FIXED_INFO_SIGNATURE 0xFEEF04BDu

bool ReadProgramVersion(char* text, size_t size)
{
    HRSRC found = FindResourceA(NULL, MAKEINTRESOURCEA(VS_VERSION_INFO), MAKEINTRESOURCEA(16));  // RT_VERSION
    HGLOBAL loaded = found != NULL ? LoadResource(NULL, found) : NULL;
    const BYTE* data = loaded != NULL ? (const BYTE*)LockResource(loaded) : NULL;
    DWORD length = found != NULL ? SizeofResource(NULL, found) : 0;
    if (data == NULL) return false;
    for (DWORD offset = 0; offset + sizeof(VS_FIXEDFILEINFO) <= length; offset += 4) {
        VS_FIXEDFILEINFO info;
        memcpy(&info, data + offset, sizeof info);
        if (info.dwSignature != FIXED_INFO_SIGNATURE) continue;
        snprintf(text, size, "%u.%u.%u.%u", (unsigned)HIWORD(info.dwFileVersionMS),
                 (unsigned)LOWORD(info.dwFileVersionMS), (unsigned)HIWORD(info.dwFileVersionLS),
                 (unsigned)LOWORD(info.dwFileVersionLS));
        return true;
    }
    return false;
}
#else
bool ReadProgramVersion(char* text, size_t size)
{
    if (size > 0) text[0] = 0;
    return false;  // built without resources
}
#endif
