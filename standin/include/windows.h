// The few Win32 types, constants and calls that the window-less code uses, for the
// native build. The calls are implemented over an in-memory registry in standin/.
#pragma once

#include <stddef.h>
#include <stdint.h>

typedef uint8_t BYTE;
typedef uint32_t DWORD;
typedef int32_t LONG;
typedef int BOOL;
typedef unsigned int UINT;
typedef DWORD REGSAM;
typedef char CHAR;
typedef const char* LPCSTR;
typedef char* LPSTR;
typedef DWORD* LPDWORD;
typedef BYTE* LPBYTE;
typedef uintptr_t ULONG_PTR;
typedef uintptr_t DWORD_PTR;
typedef struct HKEY__* HKEY;
typedef HKEY* PHKEY;
typedef struct HWND__* HWND;
typedef struct FILETIME { DWORD dwLowDateTime; DWORD dwHighDateTime; } FILETIME, *PFILETIME, *LPFILETIME;
typedef void* LPVOID;
typedef void* HANDLE;
typedef LONG NTSTATUS;
typedef struct SECURITY_ATTRIBUTES* LPSECURITY_ATTRIBUTES;
typedef uint16_t WCHAR;  // UTF-16, as on Windows
typedef WCHAR* LPWSTR;

#define WINAPI
#define NTAPI
#define TRUE 1
#define FALSE 0
#define MAX_PATH 260

#define HKEY_CURRENT_USER ((HKEY)(ULONG_PTR)0x80000001u)
#define HKEY_LOCAL_MACHINE ((HKEY)(ULONG_PTR)0x80000002u)

#define ERROR_SUCCESS 0L
#define ERROR_FILE_NOT_FOUND 2L
#define ERROR_ACCESS_DENIED 5L
#define ERROR_INVALID_HANDLE 6L
#define ERROR_NOT_ENOUGH_MEMORY 8L
#define ERROR_INVALID_PARAMETER 87L
#define ERROR_BAD_PATHNAME 161L
#define ERROR_MORE_DATA 234L
#define ERROR_NO_MORE_ITEMS 259L
#define ERROR_ALREADY_EXISTS 183L
#define ERROR_WRITE_FAULT 29L
#define ERROR_KEY_DELETED 1018L
#define ERROR_CHILD_MUST_BE_VOLATILE 1021L
#define ERROR_CANT_RESOLVE_FILENAME 1921L

#define STATUS_SUCCESS ((NTSTATUS)0x00000000L)
#define STATUS_ACCESS_DENIED ((NTSTATUS)0xC0000022L)
#define STATUS_INVALID_HANDLE ((NTSTATUS)0xC0000008L)
#define STATUS_CANNOT_DELETE ((NTSTATUS)0xC0000121L)

#define KEY_QUERY_VALUE 0x0001
#define KEY_SET_VALUE 0x0002
#define KEY_CREATE_SUB_KEY 0x0004
#define KEY_ENUMERATE_SUB_KEYS 0x0008
#define KEY_CREATE_LINK 0x0020
#define KEY_NOTIFY 0x0010
#define DELETE 0x00010000
#define READ_CONTROL 0x00020000
#define WRITE_DAC 0x00040000
#define KEY_READ 0x20019
#define KEY_WRITE 0x20006
#define KEY_ALL_ACCESS 0xF003F

#define REG_OPTION_NON_VOLATILE 0x0000
#define REG_OPTION_VOLATILE 0x0001
#define REG_OPTION_CREATE_LINK 0x0002
#define REG_OPTION_OPEN_LINK 0x0008
#define REG_CREATED_NEW_KEY 1
#define REG_OPENED_EXISTING_KEY 2

#define REG_NONE 0
#define REG_SZ 1
#define REG_EXPAND_SZ 2
#define REG_BINARY 3
#define REG_DWORD 4
#define REG_LINK 6
#define REG_MULTI_SZ 7

#define MB_OK 0x00000000L
#define MB_YESNO 0x00000004L
#define MB_ICONWARNING 0x00000030L
#define IDYES 6
#define IDNO 7
#define MB_ICONERROR 0x00000010L
#define MB_ICONINFORMATION 0x00000040L
#define MB_SERVICE_NOTIFICATION 0x00200000L
#define IDOK 1

LONG WINAPI RegOpenKeyExA(HKEY root, LPCSTR path, DWORD options, REGSAM access, PHKEY result);
LONG WINAPI RegCreateKeyA(HKEY root, LPCSTR path, PHKEY result);
LONG WINAPI RegCreateKeyExA(HKEY root, LPCSTR path, DWORD reserved, LPSTR className, DWORD options,
                            REGSAM access, LPSECURITY_ATTRIBUTES security, PHKEY result, LPDWORD disposition);
LONG WINAPI RegCloseKey(HKEY key);
LONG WINAPI RegDeleteKeyA(HKEY root, LPCSTR path);
LONG WINAPI RegQueryInfoKeyA(HKEY key, LPSTR className, LPDWORD classLength, LPDWORD reserved,
                             LPDWORD subkeyCount, LPDWORD maxSubkeyLength, LPDWORD maxClassLength,
                             LPDWORD valueCount, LPDWORD maxValueNameLength, LPDWORD maxValueLength,
                             LPDWORD securityDescriptorLength, PFILETIME lastWriteTime);
LONG WINAPI RegEnumKeyExA(HKEY key, DWORD index, LPSTR name, LPDWORD nameLength, LPDWORD reserved,
                          LPSTR className, LPDWORD classLength, PFILETIME lastWriteTime);
LONG WINAPI RegQueryValueExA(HKEY key, LPCSTR valueName, LPDWORD reserved, LPDWORD type, LPBYTE data,
                             LPDWORD dataLength);
LONG WINAPI RegSetValueExA(HKEY key, LPCSTR valueName, DWORD reserved, DWORD type, const BYTE* data,
                           DWORD dataLength);
LONG WINAPI RegDeleteValueA(HKEY key, LPCSTR valueName);
LONG WINAPI RegEnumValueA(HKEY key, DWORD index, LPSTR valueName, LPDWORD valueNameLength, LPDWORD reserved,
                          LPDWORD type, LPBYTE data, LPDWORD dataLength);
// The native call that deletes the key an open handle names; needs DELETE access.
NTSTATUS NTAPI NtDeleteKey(HANDLE key);

#define WAIT_OBJECT_0 0x00000000L
#define WAIT_ABANDONED 0x00000080L
#define WAIT_TIMEOUT 258L
#define WAIT_FAILED 0xFFFFFFFFUL
DWORD WINAPI GetLastError(void);
void WINAPI SetLastError(DWORD error);
HANDLE WINAPI CreateMutexA(LPSECURITY_ATTRIBUTES security, BOOL initialOwner, LPCSTR name);
DWORD WINAPI WaitForSingleObject(HANDLE object, DWORD milliseconds);
BOOL WINAPI ReleaseMutex(HANDLE mutex);
BOOL WINAPI CloseHandle(HANDLE object);
HANDLE WINAPI CreateEventA(LPSECURITY_ATTRIBUTES security, BOOL manualReset, BOOL initialState, LPCSTR name);
BOOL WINAPI SetEvent(HANDLE event);
BOOL WINAPI ResetEvent(HANDLE event);
#define REG_NOTIFY_CHANGE_NAME 0x00000001L
#define REG_NOTIFY_CHANGE_LAST_SET 0x00000004L
#define REG_NOTIFY_CHANGE_SECURITY 0x00000008L
LONG WINAPI RegNotifyChangeKeyValue(HKEY key, BOOL watchSubtree, DWORD filter, HANDLE event, BOOL asynchronous);

// The service control manager and the processes of services.
typedef struct SC_HANDLE__* SC_HANDLE;
typedef struct {
    DWORD dwServiceType, dwCurrentState, dwControlsAccepted, dwWin32ExitCode, dwServiceSpecificExitCode,
        dwCheckPoint, dwWaitHint;
} SERVICE_STATUS, *LPSERVICE_STATUS;
typedef struct {
    DWORD dwServiceType, dwCurrentState, dwControlsAccepted, dwWin32ExitCode, dwServiceSpecificExitCode,
        dwCheckPoint, dwWaitHint, dwProcessId, dwServiceFlags;
} SERVICE_STATUS_PROCESS;
typedef int SC_STATUS_TYPE;
#define SC_STATUS_PROCESS_INFO 0
#define SC_MANAGER_CONNECT 0x0001
#define SERVICE_QUERY_STATUS 0x0004
#define SERVICE_START 0x0010
#define SERVICE_STOP 0x0020
#define SERVICE_INTERROGATE 0x0080
#define SERVICE_CONTROL_STOP 0x00000001
#define SERVICE_CONTROL_INTERROGATE 0x00000004
#define SERVICE_STOPPED 0x00000001
#define SERVICE_START_PENDING 0x00000002
#define SERVICE_STOP_PENDING 0x00000003
#define SERVICE_RUNNING 0x00000004
#define SERVICE_CONTINUE_PENDING 0x00000005
#define SERVICE_PAUSE_PENDING 0x00000006
#define SERVICE_PAUSED 0x00000007
#define ERROR_INSUFFICIENT_BUFFER 122L
#define ERROR_SERVICE_REQUEST_TIMEOUT 1053L
#define ERROR_SERVICE_CANNOT_ACCEPT_CTRL 1061L
#define ERROR_SERVICE_NOT_ACTIVE 1062L
#define ERROR_SERVICE_ALREADY_RUNNING 1056L
#define ERROR_SERVICE_DOES_NOT_EXIST 1060L
#define PROCESS_QUERY_LIMITED_INFORMATION 0x1000
SC_HANDLE WINAPI OpenSCManagerA(LPCSTR machine, LPCSTR database, DWORD access);
SC_HANDLE WINAPI OpenServiceA(SC_HANDLE manager, LPCSTR name, DWORD access);
BOOL WINAPI GetServiceKeyNameA(SC_HANDLE manager, LPCSTR displayName, LPSTR name, LPDWORD size);
BOOL WINAPI GetServiceDisplayNameA(SC_HANDLE manager, LPCSTR name, LPSTR displayName, LPDWORD size);
BOOL WINAPI QueryServiceStatusEx(SC_HANDLE service, SC_STATUS_TYPE level, LPBYTE buffer, DWORD size, LPDWORD needed);
BOOL WINAPI ControlService(SC_HANDLE service, DWORD control, LPSERVICE_STATUS status);
BOOL WINAPI StartServiceA(SC_HANDLE service, DWORD count, LPCSTR* arguments);
BOOL WINAPI CloseServiceHandle(SC_HANDLE handle);
HANDLE WINAPI OpenProcess(DWORD access, BOOL inherit, DWORD processId);
BOOL WINAPI GetProcessTimes(HANDLE process, PFILETIME creation, PFILETIME exit, PFILETIME kernel, PFILETIME user);
void WINAPI Sleep(DWORD milliseconds);
// A key's security descriptor. Here it is opaque text, ended by a NUL: a test sets and
// compares it as a whole; a new key gets "default", as a key below HKLM gets its inherited
// default DACL whatever the key it replaces had.
typedef DWORD SECURITY_INFORMATION;
typedef void* PSECURITY_DESCRIPTOR;
#define DACL_SECURITY_INFORMATION 0x00000004L
LONG WINAPI RegGetKeySecurity(HKEY key, SECURITY_INFORMATION information, PSECURITY_DESCRIPTOR descriptor,
                              LPDWORD size);
LONG WINAPI RegSetKeySecurity(HKEY key, SECURITY_INFORMATION information, PSECURITY_DESCRIPTOR descriptor);
// The milliseconds that Sleep has counted.
DWORD WINAPI GetTickCount(void);
// The registry's clock, which the milliseconds Sleep counted move too, skewed as the
// administrator set it.
void WINAPI GetSystemTimeAsFileTime(LPFILETIME time);

// Code pages: the ANSI code page (CP_ACP) is Windows-1252 here, as on the machines we test
// for, and UTF-8; no other is offered. A character outside the target becomes the default
// character, and WC_NO_BEST_FIT_CHARS is what the stand-in always does.
#define CP_ACP 0
#define CP_UTF8 65001
#define WC_NO_BEST_FIT_CHARS 0x00000400
#define MB_ERR_INVALID_CHARS 0x00000008
#define ERROR_NO_UNICODE_TRANSLATION 1113L
int WINAPI WideCharToMultiByte(UINT codePage, DWORD flags, const WCHAR* wide, int wideLength, char* text, int size,
                               const char* defaultChar, BOOL* usedDefault);
int WINAPI MultiByteToWideChar(UINT codePage, DWORD flags, const char* text, int length, WCHAR* wide, int size);
// The Unicode calls, over names and string data that the ANSI calls stored.
typedef const WCHAR* LPCWSTR;
LONG WINAPI RegOpenKeyExW(HKEY root, LPCWSTR path, DWORD options, REGSAM access, PHKEY result);
// Renames `subkey` of `key`, or with NULL the key `key` itself, to `newName`; needs KEY_WRITE.
LONG WINAPI RegRenameKey(HKEY key, LPCWSTR subkey, LPCWSTR newName);
LONG WINAPI RegEnumKeyExW(HKEY key, DWORD index, LPWSTR name, LPDWORD nameLength, LPDWORD reserved, LPWSTR className,
                          LPDWORD classLength, PFILETIME lastWriteTime);
LONG WINAPI RegEnumValueW(HKEY key, DWORD index, LPWSTR valueName, LPDWORD valueNameLength, LPDWORD reserved,
                          LPDWORD type, LPBYTE data, LPDWORD dataLength);
BOOL WINAPI IsWow64Process(HANDLE process, BOOL* wow64);
HANDLE WINAPI GetCurrentProcess(void);

// The Application log and the process's user, as the audit trail uses them.
typedef unsigned short WORD;
typedef void* PSID;
#define EVENTLOG_ERROR_TYPE 0x0001
#define EVENTLOG_WARNING_TYPE 0x0002
#define EVENTLOG_INFORMATION_TYPE 0x0004
#define TOKEN_QUERY 0x0008
typedef enum { TokenUser = 1 } TOKEN_INFORMATION_CLASS;
typedef enum { SidTypeUser = 1 } SID_NAME_USE;
typedef struct { PSID Sid; DWORD Attributes; } SID_AND_ATTRIBUTES;
typedef struct { SID_AND_ATTRIBUTES User; } TOKEN_USER;
BOOL WINAPI OpenProcessToken(HANDLE process, DWORD access, HANDLE* token);
BOOL WINAPI GetTokenInformation(HANDLE token, TOKEN_INFORMATION_CLASS type, void* information, DWORD size, DWORD* needed);
BOOL WINAPI LookupAccountSidA(LPCSTR system, PSID sid, LPSTR name, LPDWORD nameSize, LPSTR domain, LPDWORD domainSize,
                              SID_NAME_USE* use);
BOOL WINAPI ConvertSidToStringSidA(PSID sid, LPSTR* text);
void* WINAPI LocalFree(void* memory);
DWORD WINAPI GetLengthSid(PSID sid);
BOOL WINAPI CopySid(DWORD length, PSID destination, PSID source);
HANDLE WINAPI RegisterEventSourceA(LPCSTR server, LPCSTR source);
BOOL WINAPI ReportEventA(HANDLE log, WORD type, WORD category, DWORD id, PSID user, WORD stringCount, DWORD dataSize,
                         LPCSTR* strings, void* data);
BOOL WINAPI DeregisterEventSource(HANDLE log);

int WINAPI MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type);
int WINAPI lstrlenA(LPCSTR text);
