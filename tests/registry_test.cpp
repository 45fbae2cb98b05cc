// The registry behaviour the store relies on. These run against the stand-in natively and
// against Wine's registry when cross-compiled: where they disagree, the stand-in is wrong.
#include "tests/registry_helpers.h"

#include "store/registry_links.h"

#include <string.h>

#include <functional>

#ifndef _WIN32
#include "standin.h"
#endif

namespace {

class RegistryTest : public StoreTest {};

TEST_F(RegistryTest, KeyNamesAreCaseInsensitive)
{
    CreateKey(NETWORKS "\\Alpha");
    EXPECT_TRUE(KeyExists(NETWORKS "\\ALPHA"));
    EXPECT_TRUE(KeyExists("SOFTWARE\\corvane software\\MDNS\\networks\\alpha"));
    SetValue(NETWORKS "\\Alpha", "IPsource", REG_SZ, "1.2.3.4");
    bool found = false;
    EXPECT_EQ(std::string("1.2.3.4", 8), GetValue(NETWORKS "\\alpha", "ipSOURCE", nullptr, &found));
    EXPECT_TRUE(found);
}

TEST_F(RegistryTest, SubkeysEnumerateInNameOrderNotCreationOrder)
{
    const char* created[] = {"2", "10", "b", "1", "A", "0"};
    for (const char* name : created) CreateKey(std::string(NETWORKS "\\") + name);
    std::vector<std::string> expected = {"0", "1", "10", "2", "A", "b"};
    EXPECT_EQ(expected, SubkeyNames(NETWORKS));
}

TEST_F(RegistryTest, StatusCodesOfKeyCalls)
{
    CreateKey(NETWORKS "\\parent\\child");
    EXPECT_EQ(ERROR_ACCESS_DENIED, RegDeleteKeyA(HKEY_LOCAL_MACHINE, NETWORKS "\\parent"));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegDeleteKeyA(HKEY_LOCAL_MACHINE, NETWORKS "\\missing"));

    HKEY key = (HKEY)(ULONG_PTR)0xdeadbeef;
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegOpenKeyExA(HKEY_LOCAL_MACHINE, NETWORKS "\\missing", 0, KEY_READ, &key));

    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE, NETWORKS, 0, KEY_READ, &key));
    char name[MAX_PATH];
    DWORD length = MAX_PATH;
    EXPECT_EQ(ERROR_NO_MORE_ITEMS, RegEnumKeyExA(key, 1, name, &length, NULL, NULL, NULL, NULL));
    length = 3;  // "parent" needs 7
    EXPECT_EQ(ERROR_MORE_DATA, RegEnumKeyExA(key, 0, name, &length, NULL, NULL, NULL, NULL));
    length = MAX_PATH;
    ASSERT_EQ(ERROR_SUCCESS, RegEnumKeyExA(key, 0, name, &length, NULL, NULL, NULL, NULL));
    EXPECT_STREQ("parent", name);
    EXPECT_EQ(6u, length);
    RegCloseKey(key);

    EXPECT_EQ(ERROR_SUCCESS, RegDeleteKeyA(HKEY_LOCAL_MACHINE, NETWORKS "\\parent\\child"));
    EXPECT_EQ(ERROR_SUCCESS, RegDeleteKeyA(HKEY_LOCAL_MACHINE, NETWORKS "\\parent"));
}

TEST_F(RegistryTest, PathSeparators)
{
    CreateKey(NETWORKS "\\sep");
    EXPECT_TRUE(KeyExists(NETWORKS "\\sep\\"));
    EXPECT_TRUE(KeyExists("Software\\\\Corvane Software\\mDNS\\Networks\\sep"));
    HKEY key;
    EXPECT_EQ(ERROR_BAD_PATHNAME, RegOpenKeyExA(HKEY_LOCAL_MACHINE, "\\Software", 0, KEY_READ, &key));
}

TEST_F(RegistryTest, NameAndPathLimits)
{
    HKEY networks, key;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE, NETWORKS, 0, KEY_ALL_ACCESS, &networks));
    std::string longest(255, 'n');
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyA(networks, longest.c_str(), &key));
    RegCloseKey(key);
    EXPECT_EQ(ERROR_SUCCESS, RegOpenKeyExA(networks, longest.c_str(), 0, KEY_READ, &key));
    RegCloseKey(key);
    // Windows documents 255 as the limit; Wine also takes 256. Beyond, both refuse.
    EXPECT_EQ(ERROR_INVALID_PARAMETER, RegCreateKeyA(networks, std::string(257, 'n').c_str(), &key));
    EXPECT_EQ(ERROR_INVALID_PARAMETER, RegOpenKeyExA(networks, std::string(260, 'n').c_str(), 0, KEY_READ, &key));
    RegCloseKey(networks);

    // An ANSI path of more than 260 characters is refused before the registry sees it,
    // so a key with a 255-character name cannot be reached by its full path.
    std::string full = NETWORKS "\\" + longest;
    EXPECT_EQ(ERROR_MORE_DATA, RegOpenKeyExA(HKEY_LOCAL_MACHINE, full.c_str(), 0, KEY_READ, &key));
    EXPECT_EQ(ERROR_MORE_DATA, RegDeleteKeyA(HKEY_LOCAL_MACHINE, full.c_str()));
    std::string exactly260 = NETWORKS "\\" + std::string(260 - strlen(NETWORKS) - 1, 'm');
    EXPECT_EQ(ERROR_SUCCESS, RegCreateKeyA(HKEY_LOCAL_MACHINE, exactly260.c_str(), &key));
    RegCloseKey(key);
    EXPECT_EQ(ERROR_MORE_DATA, RegCreateKeyA(HKEY_LOCAL_MACHINE, (exactly260 + "m").c_str(), &key));
}

TEST_F(RegistryTest, StringCountedWithoutNulIsStoredWithIt)
{
    SetValue(NETWORKS "\\0", "IPsource", REG_SZ, "10.0.0.5", 8);
    DWORD type = 0xdeadbeef;
    EXPECT_EQ(std::string("10.0.0.5", 9), GetValue(NETWORKS "\\0", "IPsource", &type));
    EXPECT_EQ((DWORD)REG_SZ, type);
    // Binary data is stored exactly as counted.
    SetValue(NETWORKS "\\0", "Raw", REG_BINARY, "10.0.0.5", 8);
    EXPECT_EQ(std::string("10.0.0.5"), GetValue(NETWORKS "\\0", "Raw"));
}

TEST_F(RegistryTest, QueryOfStringAddsNulOnlyWhenThereIsRoom)
{
    // A value stored without its NUL: a string written with a count that covers its
    // last byte while the byte after is not a NUL.
    std::string unterminated = "1.2.3.4X";
    SetValue(NETWORKS "\\0", "Text", REG_SZ, unterminated, 7);
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE, NETWORKS "\\0", 0, KEY_READ, &key));
    char data[16];
    memset(data, 0xbd, sizeof data);
    DWORD size = sizeof data;
    ASSERT_EQ(ERROR_SUCCESS, RegQueryValueExA(key, "Text", NULL, NULL, (LPBYTE)data, &size));
    EXPECT_EQ(0, memcmp(data, "1.2.3.4", 8)) << "a NUL follows the data when there is room";

    memset(data, 0xbd, sizeof data);
    size = 7;
    ASSERT_EQ(ERROR_SUCCESS, RegQueryValueExA(key, "Text", NULL, NULL, (LPBYTE)data, &size));
    EXPECT_EQ(0, memcmp(data, "1.2.3.4", 7));
    EXPECT_EQ((char)0xbd, data[7]) << "nothing is written past the buffer";

    size = 3;
    EXPECT_EQ(ERROR_MORE_DATA, RegQueryValueExA(key, "Text", NULL, NULL, (LPBYTE)data, &size));
    EXPECT_EQ(7u, size);
    size = sizeof data;
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegQueryValueExA(key, "Missing", NULL, NULL, (LPBYTE)data, &size));
    RegCloseKey(key);
}

}  // namespace

namespace {

TEST_F(RegistryTest, LinksAreFollowedUnlessOpenedAsLinks)
{
    SetValue(OUTSIDE, "IPsource", REG_SZ, "9.9.9.9");
    CreateLink(NETWORKS "\\0", OUTSIDE);
    EXPECT_EQ(std::string("9.9.9.9", 8), GetValue(NETWORKS "\\0", "IPsource")) << "an open follows the link";

    HKEY networks, link;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE, NETWORKS, 0, KEY_ALL_ACCESS, &networks));
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(networks, "0", REG_OPTION_OPEN_LINK, KEY_READ | DELETE, &link));
    DWORD type = 0xdeadbeef;
    EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExA(link, "SymbolicLinkValue", NULL, &type, NULL, NULL));
    EXPECT_EQ((DWORD)REG_LINK, type);
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegQueryValueExA(link, "IPsource", NULL, NULL, NULL, NULL));
    // Deleting through the link's own handle removes the link and nothing else.
    EXPECT_TRUE(DeleteOpenKey(link));
    RegCloseKey(link);
    RegCloseKey(networks);
    EXPECT_TRUE(SubkeyNames(NETWORKS).empty());
    EXPECT_EQ(std::string("9.9.9.9", 8), GetValue(OUTSIDE, "IPsource"));

    // A delete by name follows the link and deletes what it names: the reason the store
    // never deletes by name.
    CreateLink(NETWORKS "\\1", OUTSIDE);
    EXPECT_EQ(ERROR_SUCCESS, RegDeleteKeyA(HKEY_LOCAL_MACHINE, NETWORKS "\\1"));
    EXPECT_FALSE(KeyExists(OUTSIDE));
    EXPECT_FALSE(KeyExists(NETWORKS "\\1")) << "a link whose target is gone leads nowhere";
    EXPECT_EQ((std::vector<std::string>{"1"}), SubkeyNames(NETWORKS)) << "but is still there";
}

// Is it a link: yes, no, and "cannot tell", which must count as yes; and no handle stays open.
TEST_F(RegistryTest, TheLinkCheckHasThreeAnswers)
{
    CreateKey(OUTSIDE);
    CreateLink(NETWORKS "\\link", OUTSIDE);
    CreateKey(NETWORKS "\\plain");
    SetValue(NETWORKS "\\namesake", "SymbolicLinkValue", REG_SZ, "not a link");
    HKEY networks;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE, NETWORKS, 0, KEY_ALL_ACCESS, &networks));
#ifndef _WIN32
    int handles = StandinOpenHandleCount();
#endif
    EXPECT_TRUE(KeyMayBeLink(networks, "link"));
    EXPECT_FALSE(KeyMayBeLink(networks, "plain"));
    EXPECT_FALSE(KeyMayBeLink(networks, "namesake")) << "a value of that name is not a link's";
    EXPECT_FALSE(KeyMayBeLink(networks, "missing"));
#ifndef _WIN32
    StandinFailCall("RegQueryValueExA", 0, ERROR_ACCESS_DENIED);
    EXPECT_TRUE(KeyMayBeLink(networks, "plain")) << "what cannot be looked at may be a link";
    StandinFailCall("RegOpenKeyExA", 0, ERROR_ACCESS_DENIED);
    EXPECT_TRUE(KeyMayBeLink(networks, "plain"));
    EXPECT_EQ(handles, StandinOpenHandleCount());
#endif
    RegCloseKey(networks);
}

TEST_F(RegistryTest, HandlesKeepTheAccessTheyWereOpenedWith)
{
    CreateKey(NETWORKS "\\0\\inner");
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE, NETWORKS "\\0", 0, KEY_READ, &key));
    EXPECT_EQ(ERROR_ACCESS_DENIED, RegSetValueExA(key, "IPsource", 0, REG_SZ, (const BYTE*)"1", 1));
    EXPECT_FALSE(DeleteOpenKey(key)) << "no DELETE access";
    RegCloseKey(key);
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE, NETWORKS "\\0", 0, KEY_QUERY_VALUE, &key));
    char name[MAX_PATH];
    DWORD length = MAX_PATH;
    EXPECT_EQ(ERROR_ACCESS_DENIED, RegEnumKeyExA(key, 0, name, &length, NULL, NULL, NULL, NULL));
#ifndef _WIN32
    // Windows refuses a create below a handle without KEY_CREATE_SUB_KEY; Wine does not check.
    HKEY created;
    EXPECT_EQ(ERROR_ACCESS_DENIED, RegCreateKeyA(key, "new", &created));
#endif
    RegCloseKey(key);
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE, NETWORKS "\\0", 0, KEY_ALL_ACCESS, &key));
    EXPECT_FALSE(DeleteOpenKey(key)) << "a key with subkeys stays";
    RegCloseKey(key);
    EXPECT_TRUE(KeyExists(NETWORKS "\\0\\inner"));
}

// RegRenameKey of the key `key` holds, to an ASCII name.
LONG Rename(HKEY key, const char* name)
{
    WCHAR wide[64];
    MultiByteToWideChar(CP_ACP, 0, name, -1, wide, 64);
    return RegRenameKey(key, NULL, wide);
}

// The save swaps lists by renaming the keys it holds, and watches Networks for any change
// from the moment it read it.
TEST_F(RegistryTest, RenamesAndNotificationsAsTheSaveUsesThem)
{
    CreateKey(NETWORKS "\\0");
    HKEY networks, fresh;
    ASSERT_EQ(ERROR_SUCCESS,
              RegOpenKeyExA(HKEY_LOCAL_MACHINE, NETWORKS, REG_OPTION_OPEN_LINK, KEY_READ | KEY_WRITE | DELETE, &networks));
    HANDLE changed = CreateEventA(NULL, TRUE, FALSE, NULL);
    const DWORD filter = REG_NOTIFY_CHANGE_NAME | REG_NOTIFY_CHANGE_LAST_SET;
    ASSERT_EQ(ERROR_SUCCESS, RegNotifyChangeKeyValue(networks, TRUE, filter, changed, TRUE));
    // Reading, and a key beside the watched one, are no change of it.
    EXPECT_EQ(1u, SubkeyNames(NETWORKS).size());
    CreateKey("Software\\Corvane Software\\mDNS\\Beside");
    EXPECT_EQ((DWORD)WAIT_TIMEOUT, WaitForSingleObject(changed, 0));
    // A value set in a pair key below it is.
    SetValue(NETWORKS "\\0", "Enabled", REG_SZ, "0");
    EXPECT_EQ((DWORD)WAIT_OBJECT_0, WaitForSingleObject(changed, 0));
    // One change, one signal: armed again, a key made below it, a value on it, each signal.
    const std::function<void()> changes[] = {[] { CreateKey(NETWORKS "\\9"); },
                                             [] { SetValue(NETWORKS, "Note", REG_SZ, "x"); },
                                             [] { DeleteKey(NETWORKS "\\9"); }};
    for (const auto& change : changes) {
        ResetEvent(changed);
        ASSERT_EQ(ERROR_SUCCESS, RegNotifyChangeKeyValue(networks, TRUE, filter, changed, TRUE));
        EXPECT_EQ((DWORD)WAIT_TIMEOUT, WaitForSingleObject(changed, 0));
        change();
        EXPECT_EQ((DWORD)WAIT_OBJECT_0, WaitForSingleObject(changed, 0));
    }
    // The swap as the save makes it, each key renamed through the handle that holds it: the
    // old list aside, past the new one, then the new one to Networks. A taken name is refused.
    ResetEvent(changed);
    ASSERT_EQ(ERROR_SUCCESS, RegNotifyChangeKeyValue(networks, TRUE, filter, changed, TRUE));
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Software\\Corvane Software\\mDNS\\Networks (new)", 0,
                                             NULL, REG_OPTION_OPEN_LINK, KEY_READ | KEY_WRITE | DELETE, NULL, &fresh, NULL));
    SetValue("Software\\Corvane Software\\mDNS\\Networks (new)\\0", "Enabled", REG_SZ, "1");
    EXPECT_EQ(ERROR_ACCESS_DENIED, Rename(networks, "Beside"));
    EXPECT_EQ(ERROR_SUCCESS, Rename(networks, "Networks (replaced)"));
    EXPECT_EQ((DWORD)WAIT_OBJECT_0, WaitForSingleObject(changed, 0)) << "its own rename is a change of it";
    EXPECT_EQ(ERROR_SUCCESS, Rename(fresh, "Networks"));
    EXPECT_EQ((std::vector<std::string>{"Beside", "Networks", "Networks (replaced)"}),
              SubkeyNames("Software\\Corvane Software\\mDNS"));
    EXPECT_EQ((std::vector<std::string>{"0"}), SubkeyNames(NETWORKS));
    EXPECT_EQ(std::string("1", 2), GetValue(NETWORKS "\\0", "Enabled"));
    EXPECT_EQ((std::vector<std::string>{"0"}), SubkeyNames("Software\\Corvane Software\\mDNS\\Networks (replaced)"));
    // A handle without write access renames nothing.
    HKEY reader;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE, NETWORKS, 0, KEY_READ, &reader));
    EXPECT_EQ(ERROR_ACCESS_DENIED, Rename(reader, "Other"));
    // Closing the watched handle signals too: a watch that is gone is never taken for a quiet key.
    ResetEvent(changed);
    ASSERT_EQ(ERROR_SUCCESS, RegNotifyChangeKeyValue(reader, TRUE, filter, changed, TRUE));
    RegCloseKey(reader);
    EXPECT_EQ((DWORD)WAIT_OBJECT_0, WaitForSingleObject(changed, 0));
    RegCloseKey(fresh);
    RegCloseKey(networks);
    CloseHandle(changed);
}

}  // namespace
