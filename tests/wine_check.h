// The tests, the benchmark and the driver change the product's registry key: under Wine
// that is a throwaway prefix, on a real Windows machine a live configuration. They ask
// this first and refuse a real registry.
#pragma once

#include <windows.h>

inline bool RunningOnWine(void)
{
#ifdef _WIN32
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll != NULL && GetProcAddress(ntdll, "wine_get_version") != NULL;
#else
    return false;  // natively the registry is the stand-in's, in memory
#endif
}

// True where the product's registry key may be changed freely.
inline bool RegistryIsDisposable(void)
{
#ifdef _WIN32
    return RunningOnWine();
#else
    return true;
#endif
}
