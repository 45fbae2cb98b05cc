// What the platform refuses, as rows that run over the stand-in natively and over the real
// registry and service manager under Wine: the stand-in keeps these rules as Windows documents
// them. Where Wine or the stand-in differs, the row says so and where it is marked.
#include "tests/registry_helpers.h"

#include "store/store_names.h"

#ifdef _WIN32
#include <sddl.h>
#else
#include "standin.h"
#endif
#include "tests/wine_check.h"

namespace {

class ConformanceTest : public StoreTest {};

// Names compare without regard to case in the code page, accented letters included.
TEST_F(ConformanceTest, KeyNamesFoldCaseAsTheCodePageDoes)
{
    const char* const pairs[][2] = {{"\xE9t\xE9", "\xC9T\xC9"}, {"Stra\xDF" "e", "STRA\xDF" "E"}, {"\xFF", "\x9F"}};
    for (const auto& names : pairs) {
        HKEY first, second;
        DWORD disposition = 0;
        std::string base = std::string(OUTSIDE "\\");
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_LOCAL_MACHINE, (base + names[0]).c_str(), 0, NULL, 0, KEY_READ,
                                                 NULL, &first, &disposition));
        EXPECT_EQ((DWORD)REG_CREATED_NEW_KEY, disposition) << names[0];
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_LOCAL_MACHINE, (base + names[1]).c_str(), 0, NULL, 0, KEY_READ,
                                                 NULL, &second, &disposition));
        EXPECT_EQ((DWORD)REG_OPENED_EXISTING_KEY, disposition) << names[1] << " is " << names[0];
        RegCloseKey(first);
        RegCloseKey(second);
    }
    EXPECT_EQ(3u, SubkeyNames(OUTSIDE).size());
}

// A handle nobody gave is refused, not closed, and a registry key is not waited for.
TEST_F(ConformanceTest, AHandleNobodyGaveIsRefused)
{
    EXPECT_FALSE(CloseHandle((HANDLE)(uintptr_t)0x7FFF0123));
    EXPECT_EQ((DWORD)ERROR_INVALID_HANDLE, GetLastError());
    HANDLE event = CreateEventA(NULL, TRUE, FALSE, NULL);
    ASSERT_NE((HANDLE)NULL, event);
    EXPECT_TRUE(CloseHandle(event));
    // A registry key is not an object to wait for.
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE, NETWORKS, 0, KEY_READ, &key));
    EXPECT_EQ((DWORD)WAIT_FAILED, WaitForSingleObject((HANDLE)key, 0));
    RegCloseKey(key);
}

// One call makes at most 32 new levels, and the tree ends 512 levels below the hive's root.
// Known difference: Wine 8 keeps neither limit.
TEST_F(ConformanceTest, ACreateMakesAtMost32LevelsAndTheTreeEnds512Deep)
{
    CreateKey(OUTSIDE);
    std::string levels;
    for (int i = 0; i < 41; ++i) levels += "\\l";
    HKEY key;
    LONG status = RegCreateKeyExA(HKEY_LOCAL_MACHINE, (OUTSIDE + levels).c_str(), 0, NULL, 0, KEY_READ, NULL, &key, NULL);
    if (status == ERROR_SUCCESS) RegCloseKey(key);
    EXPECT_EQ(RunningOnWine(), status == ERROR_SUCCESS) << "41 new levels in one call";
    EXPECT_EQ(RunningOnWine(), KeyExists(OUTSIDE "\\l")) << "a refused create makes nothing";
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_LOCAL_MACHINE, (OUTSIDE + levels.substr(0, 64)).c_str(), 0, NULL, 0,
                                             KEY_READ, NULL, &key, NULL))
        << "32 levels";
    RegCloseKey(key);
    // Outside is level 3; down a level at a time from there.
    HKEY parent;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE, OUTSIDE, 0, KEY_CREATE_SUB_KEY, &parent));
    int depth = 3;
    for (; depth < 520; ++depth) {
        HKEY child;
        if (RegCreateKeyExA(parent, "d", 0, NULL, 0, KEY_CREATE_SUB_KEY, NULL, &child, NULL) != ERROR_SUCCESS) break;
        RegCloseKey(parent);
        parent = child;
    }
    RegCloseKey(parent);
    EXPECT_EQ(RunningOnWine() ? 520 : 512, depth);
}

// A DACL that denies rights: to make a key below it, however the path names it, and to
// delete it. The stand-in's DACLs are its own (StandinDenyAccess); here both ways are set.
void DenyOnKey(const char* path, REGSAM denied, const char* sddl)
{
#ifdef _WIN32
    (void)denied;
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, WRITE_DAC, &key));
    PSECURITY_DESCRIPTOR descriptor = NULL;
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl, SDDL_REVISION_1, &descriptor, NULL));
    EXPECT_EQ(ERROR_SUCCESS, RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, descriptor));
    LocalFree(descriptor);
    RegCloseKey(key);
#else
    (void)sddl;
    StandinDenyAccess(path, denied);
#endif
}

TEST_F(ConformanceTest, AKeysDaclDecidesWhoMakesKeysBelowItAndWhoDeletesIt)
{
    CreateKey(OUTSIDE "\\Guarded");
    CreateKey(OUTSIDE "\\Kept");
    DenyOnKey(OUTSIDE "\\Guarded", KEY_CREATE_SUB_KEY, "D:P(D;;0x4;;;WD)(A;;KA;;;WD)");
    DenyOnKey(OUTSIDE "\\Kept", DELETE, "D:P(D;;SD;;;WD)(A;;KA;;;WD)");
    // Known difference: Wine 8 keeps the DACL but lets its prefix's administrator do both.
    const bool enforced = !RunningOnWine();
    HKEY key;
    LONG created = RegCreateKeyExA(HKEY_LOCAL_MACHINE, OUTSIDE "\\Guarded\\child", 0, NULL, 0, KEY_READ, NULL, &key, NULL);
    if (created == ERROR_SUCCESS) RegCloseKey(key);
    EXPECT_EQ(enforced ? ERROR_ACCESS_DENIED : ERROR_SUCCESS, created);
    EXPECT_EQ(!enforced, KeyExists(OUTSIDE "\\Guarded\\child"));
    EXPECT_EQ(enforced ? ERROR_ACCESS_DENIED : ERROR_SUCCESS, RegDeleteKeyA(HKEY_LOCAL_MACHINE, OUTSIDE "\\Kept"));
    EXPECT_EQ(enforced, KeyExists(OUTSIDE "\\Kept"));
}

// A volatile key takes only volatile children; one it refuses changes nothing, and nobody
// watching is told.
TEST_F(ConformanceTest, ARefusedChildOfAVolatileKeyIsNoChange)
{
    CreateKey(OUTSIDE);
    HKEY key, child;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_LOCAL_MACHINE, OUTSIDE "\\Volatile", 0, NULL, REG_OPTION_VOLATILE,
                                             KEY_ALL_ACCESS, NULL, &key, NULL));
    HANDLE event = CreateEventA(NULL, TRUE, FALSE, NULL);
    ASSERT_EQ(ERROR_SUCCESS, RegNotifyChangeKeyValue(key, TRUE, REG_NOTIFY_CHANGE_NAME | REG_NOTIFY_CHANGE_LAST_SET, event,
                                                     TRUE));
    EXPECT_EQ(ERROR_CHILD_MUST_BE_VOLATILE, RegCreateKeyExA(key, "lasting", 0, NULL, 0, KEY_READ, NULL, &child, NULL));
    EXPECT_EQ((DWORD)WAIT_TIMEOUT, WaitForSingleObject(event, 0));
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(key, "passing", 0, NULL, REG_OPTION_VOLATILE, KEY_READ, NULL, &child, NULL));
    RegCloseKey(child);
    EXPECT_EQ((DWORD)WAIT_OBJECT_0, WaitForSingleObject(event, 1000)) << "a child made is a change";
    RegCloseKey(key);
    CloseHandle(event);
}

#ifdef _WIN32
// A key named outside the code page exists; its ANSI name is not its name. Differs natively:
// the stand-in's names are the code page's (marked at its RegOpenKeyExW).
TEST_F(ConformanceTest, AKeyNamedOutsideTheCodePageExists)
{
    CreateKey(OUTSIDE);
    HKEY key;
    const WCHAR name[] = L"Software\\Corvane Software\\Outside\\\x4E2D";
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_LOCAL_MACHINE, name, 0, NULL, 0, KEY_READ, NULL, &key, NULL));
    RegCloseKey(key);
    EXPECT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_LOCAL_MACHINE, name, 0, KEY_READ, &key));
    RegCloseKey(key);
    EXPECT_EQ((std::vector<std::string>{"?"}), SubkeyNames(OUTSIDE));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegOpenKeyExA(HKEY_LOCAL_MACHINE, OUTSIDE "\\?", 0, KEY_READ, &key));
}
#endif

#ifndef _WIN32
// The service manager's rules, over the stand-in's services (under Wine the end-to-end run
// drives a service of its own through the same calls): a handle does what its access allows,
// interrogate never stops, a stopped service cannot be stopped, a closed handle is no handle.
TEST_F(ConformanceTest, ServiceHandlesDoWhatTheirAccessAllows)
{
    StandinScriptService({"MdnsTest", "Corvane mDNS Repeater", SERVICE_RUNNING, false, false, false, 0, 0, 0});
    SC_HANDLE manager = OpenSCManagerA(NULL, NULL, SC_MANAGER_CONNECT);
    SC_HANDLE query = OpenServiceA(manager, "MdnsTest", SERVICE_QUERY_STATUS);
    SC_HANDLE control = OpenServiceA(manager, "MdnsTest", SERVICE_QUERY_STATUS | SERVICE_STOP | SERVICE_START |
                                                              SERVICE_INTERROGATE);
    SERVICE_STATUS status;
    const struct {
        const char* call;
        BOOL (*run)(SC_HANDLE, SERVICE_STATUS*);
        bool query;
        DWORD error;
    } refused[] = {
        {"StartServiceA through a query-only handle", [](SC_HANDLE h, SERVICE_STATUS*) { return StartServiceA(h, 0, NULL); },
         true, ERROR_ACCESS_DENIED},
        {"interrogate through a query-only handle",
         [](SC_HANDLE h, SERVICE_STATUS* s) { return ControlService(h, SERVICE_CONTROL_INTERROGATE, s); }, true,
         ERROR_ACCESS_DENIED},
        {"StartServiceA of a running service", [](SC_HANDLE h, SERVICE_STATUS*) { return StartServiceA(h, 0, NULL); },
         false, ERROR_SERVICE_ALREADY_RUNNING},
    };
    for (const auto& row : refused) {
        EXPECT_FALSE(row.run(row.query ? query : control, &status)) << row.call;
        EXPECT_EQ(row.error, GetLastError()) << row.call;
    }
    EXPECT_TRUE(ControlService(control, SERVICE_CONTROL_INTERROGATE, &status));
    EXPECT_EQ((DWORD)SERVICE_RUNNING, status.dwCurrentState) << "interrogate never stops";
    EXPECT_TRUE(ControlService(control, SERVICE_CONTROL_STOP, &status));
    EXPECT_FALSE(ControlService(control, SERVICE_CONTROL_STOP, &status));
    EXPECT_EQ((DWORD)ERROR_SERVICE_NOT_ACTIVE, GetLastError());
    EXPECT_TRUE(CloseServiceHandle(query));
    SERVICE_STATUS_PROCESS process;
    DWORD needed;
    EXPECT_FALSE(QueryServiceStatusEx(query, SC_STATUS_PROCESS_INFO, (LPBYTE)&process, sizeof process, &needed));
    EXPECT_EQ((DWORD)ERROR_INVALID_HANDLE, GetLastError()) << "a closed handle";
    EXPECT_FALSE(CloseServiceHandle(query)) << "closed twice";
    CloseServiceHandle(control);
    CloseServiceHandle(manager);
}
#endif

}  // namespace
