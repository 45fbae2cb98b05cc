// What the platform refuses, as rows that run over the stand-in natively and over the real
// registry and service manager under Wine: the stand-in keeps these rules as Windows documents
// them. Where Wine or the stand-in differs, the row says so and where it is marked.
#include "tests/registry_helpers.h"

#include "store/store_names.h"

#ifndef _WIN32
#include "standin.h"
#endif

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
