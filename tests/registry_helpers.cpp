// Registry helpers for the store tests; they speak the same calls as the program.
#include "registry_helpers.h"

#include <string.h>

#include "store/save_pair_list.h"
#ifndef _WIN32
#include "standin.h"
#endif

void ClearCorvaneKey(void)
{
    char path[KEY_TREE_PATH_SIZE];
    BoundedCopy(path, "Software\\Corvane Software");
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return;
    RegCloseKey(key);
    ASSERT_TRUE(RemoveKeyTree(HKEY_LOCAL_MACHINE, path));
}

// The helpers walk a path one key at a time, so that they can reach keys whose full path
// is longer than the 260 characters an ANSI registry call accepts.
static std::vector<std::string> Components(const std::string& path)
{
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find('\\', start);
        if (end == std::string::npos) end = path.size();
        if (end > start) parts.push_back(path.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

static LONG WalkTo(const std::string& path, bool create, HKEY* result)
{
    HKEY current = HKEY_LOCAL_MACHINE;
    for (const std::string& part : Components(path)) {
        HKEY next;
        LONG status = create ? RegCreateKeyA(current, part.c_str(), &next)
                             : RegOpenKeyExA(current, part.c_str(), 0, KEY_READ, &next);
        if (current != HKEY_LOCAL_MACHINE) RegCloseKey(current);
        if (status != ERROR_SUCCESS) return status;
        current = next;
    }
    *result = current;
    return ERROR_SUCCESS;
}

void CreateKey(const std::string& path)
{
    HKEY key;
    LONG status = WalkTo(path, true, &key);
    ASSERT_EQ(ERROR_SUCCESS, status) << "creating " << path;
    RegCloseKey(key);
}

bool KeyExists(const std::string& path)
{
    HKEY key;
    if (WalkTo(path, false, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

void DeleteKey(const std::string& path)
{
    size_t split = path.rfind('\\');
    HKEY parent;
    ASSERT_EQ(ERROR_SUCCESS, WalkTo(path.substr(0, split), false, &parent)) << path;
    LONG status = RegDeleteKeyA(parent, path.substr(split + 1).c_str());
    RegCloseKey(parent);
    ASSERT_EQ(ERROR_SUCCESS, status) << "deleting " << path;
}

void SetValue(const std::string& path, const char* name, DWORD type, const std::string& data, DWORD byteCount)
{
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS, WalkTo(path, true, &key)) << path;
    // The string object keeps a NUL after its data, as a program's buffer usually has.
    LONG status = RegSetValueExA(key, name, 0, type, (const BYTE*)data.c_str(), byteCount);
    RegCloseKey(key);
    ASSERT_EQ(ERROR_SUCCESS, status) << "setting " << name;
}

void SetValue(const std::string& path, const char* name, DWORD type, const std::string& data)
{
    SetValue(path, name, type, data, (DWORD)data.size());
}

std::string GetValue(const std::string& path, const char* name, DWORD* type, bool* found)
{
    if (found) *found = false;
    HKEY key;
    if (WalkTo(path, false, &key) != ERROR_SUCCESS) return "";
    DWORD size = 0;
    std::string data;
    if (RegQueryValueExA(key, name, NULL, type, NULL, &size) == ERROR_SUCCESS) {
        data.assign(size, '\xbd');
        if (RegQueryValueExA(key, name, NULL, type, size ? (LPBYTE)&data[0] : (LPBYTE)NULL, &size) ==
            ERROR_SUCCESS) {
            data.resize(size);
            if (found) *found = true;
        }
    }
    RegCloseKey(key);
    return data;
}

std::vector<std::string> SubkeyNames(const std::string& path)
{
    std::vector<std::string> names;
    HKEY key;
    if (WalkTo(path, false, &key) != ERROR_SUCCESS) return names;
    for (DWORD index = 0;; ++index) {
        char name[MAX_PATH];
        DWORD length = MAX_PATH;
        if (RegEnumKeyExA(key, index, name, &length, NULL, NULL, NULL, NULL) != ERROR_SUCCESS) break;
        names.push_back(name);
    }
    RegCloseKey(key);
    return names;
}

void StorePair(const std::string& subkeyName, const char* source, const char* destination)
{
    std::string path = std::string(NETWORKS "\\") + subkeyName;
    SetValue(path, "IPsource", REG_SZ, source);
    SetValue(path, "IPdestination", REG_SZ, destination);
    SetValue(path, "Direction", REG_SZ, "2");
    SetValue(path, "Enabled", REG_SZ, "1");
}

void StoreTest::SetUp()
{
#ifndef _WIN32
    StandinReset();
#endif
    ClearCorvaneKey();
    CreateKey(NETWORKS);
}

void StoreTest::TearDown()
{
#ifdef _WIN32
    ClearCorvaneKey();
#else
    StandinReset();  // also drops faults a test armed but did not use
#endif
}
