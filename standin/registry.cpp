// An in-memory registry with the behaviour of Windows that the settings store relies on:
// case-insensitive names, subkeys enumerated in name order, no deletion of a key that has
// subkeys, the status codes of Windows, and the NUL handling of string values.
#include <ctype.h>
#include <string.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "standin.h"
#include "standin_faults.h"

namespace {

const size_t kMaxKeyNameLength = 255;
// The ANSI calls convert a path in a fixed buffer of the thread (Wine's, as Windows's):
// a longer path fails before it reaches the registry.
const size_t kMaxAnsiPathLength = 260;

std::string Folded(const std::string& name)
{
    std::string folded(name);
    for (char& c : folded) c = (char)toupper((unsigned char)c);
    return folded;
}

struct Value {
    DWORD type;
    std::vector<BYTE> data;
};

struct Key {
    std::string name;
    Key* parent = nullptr;
    bool deleted = false;
    // Keyed by the upper-cased name: Windows enumerates subkeys in that order.
    std::map<std::string, std::shared_ptr<Key>> subkeys;
    std::map<std::string, Value> values;
};

std::shared_ptr<Key> g_localMachine;
std::shared_ptr<Key> g_currentUser;
std::map<ULONG_PTR, std::shared_ptr<Key>> g_handles;
ULONG_PTR g_nextHandle = 0x1000;

void EnsureRoots(void)
{
    if (g_localMachine) return;
    g_localMachine = std::make_shared<Key>();
    g_currentUser = std::make_shared<Key>();
    auto software = std::make_shared<Key>();
    software->name = "Software";
    software->parent = g_localMachine.get();
    g_localMachine->subkeys["SOFTWARE"] = software;
}

std::shared_ptr<Key> KeyOfHandle(HKEY handle)
{
    EnsureRoots();
    if (handle == HKEY_LOCAL_MACHINE) return g_localMachine;
    if (handle == HKEY_CURRENT_USER) return g_currentUser;
    auto found = g_handles.find((ULONG_PTR)handle);
    return found == g_handles.end() ? nullptr : found->second;
}

HKEY NewHandle(const std::shared_ptr<Key>& key)
{
    ULONG_PTR handle = g_nextHandle;
    g_nextHandle += 4;
    g_handles[handle] = key;
    return (HKEY)handle;
}

// Splits a path at backslashes; empty components (doubled or trailing separators) vanish.
// A leading backslash is a bad path name, an over-long component an invalid parameter.
LONG SplitPath(LPCSTR path, std::vector<std::string>* components)
{
    if (path == nullptr) return ERROR_SUCCESS;
    if (strlen(path) > kMaxAnsiPathLength) return ERROR_MORE_DATA;
    if (path[0] == '\\') return ERROR_BAD_PATHNAME;
    std::string current;
    for (const char* p = path;; ++p) {
        if (*p == '\\' || *p == 0) {
            if (current.size() > kMaxKeyNameLength) return ERROR_INVALID_PARAMETER;
            if (!current.empty()) components->push_back(current);
            current.clear();
            if (*p == 0) break;
        } else {
            current += *p;
        }
    }
    return ERROR_SUCCESS;
}

LONG Resolve(HKEY root, LPCSTR path, bool create, std::shared_ptr<Key>* result)
{
    std::shared_ptr<Key> key = KeyOfHandle(root);
    if (!key) return ERROR_INVALID_HANDLE;
    if (key->deleted) return ERROR_KEY_DELETED;
    std::vector<std::string> components;
    LONG status = SplitPath(path, &components);
    if (status != ERROR_SUCCESS) return status;
    for (const std::string& component : components) {
        auto found = key->subkeys.find(Folded(component));
        if (found == key->subkeys.end()) {
            if (!create) return ERROR_FILE_NOT_FOUND;
            auto child = std::make_shared<Key>();
            child->name = component;
            child->parent = key.get();
            key->subkeys[Folded(component)] = child;
            key = child;
        } else {
            key = found->second;
        }
    }
    *result = key;
    return ERROR_SUCCESS;
}

bool IsStringType(DWORD type)
{
    return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
}

}  // namespace

void StandinResetRegistry(void)
{
    g_handles.clear();
    g_localMachine.reset();
    g_currentUser.reset();
    EnsureRoots();
}

int StandinOpenHandleCount(void)
{
    return (int)g_handles.size();
}

LONG WINAPI RegOpenKeyExA(HKEY root, LPCSTR path, DWORD, REGSAM, PHKEY result)
{
    LONG injected;
    if (StandinTakeFault("RegOpenKeyExA", path, &injected)) return injected;
    if (result == nullptr) return ERROR_INVALID_PARAMETER;
    std::shared_ptr<Key> key;
    LONG status = Resolve(root, path, false, &key);
    if (status == ERROR_SUCCESS) *result = NewHandle(key);
    return status;
}

LONG WINAPI RegCreateKeyA(HKEY root, LPCSTR path, PHKEY result)
{
    LONG injected;
    if (StandinTakeFault("RegCreateKeyA", path, &injected)) return injected;
    if (result == nullptr) return ERROR_INVALID_PARAMETER;
    std::shared_ptr<Key> key;
    LONG status = Resolve(root, path, true, &key);
    if (status == ERROR_SUCCESS) *result = NewHandle(key);
    return status;
}

LONG WINAPI RegCloseKey(HKEY handle)
{
    LONG injected;
    if (StandinTakeFault("RegCloseKey", "", &injected)) return injected;
    if (handle == HKEY_LOCAL_MACHINE || handle == HKEY_CURRENT_USER) return ERROR_SUCCESS;
    return g_handles.erase((ULONG_PTR)handle) == 1 ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

LONG WINAPI RegDeleteKeyA(HKEY root, LPCSTR path)
{
    LONG injected;
    if (StandinTakeFault("RegDeleteKeyA", path, &injected)) return injected;
    if (path == nullptr) return ERROR_INVALID_PARAMETER;
    std::shared_ptr<Key> key;
    LONG status = Resolve(root, path, false, &key);
    if (status != ERROR_SUCCESS) return status;
    if (key->parent == nullptr || !key->subkeys.empty()) return ERROR_ACCESS_DENIED;
    key->deleted = true;
    key->parent->subkeys.erase(Folded(key->name));
    key->parent = nullptr;
    return ERROR_SUCCESS;
}

LONG WINAPI RegQueryInfoKeyA(HKEY handle, LPSTR, LPDWORD, LPDWORD, LPDWORD subkeyCount,
                             LPDWORD maxSubkeyLength, LPDWORD maxClassLength, LPDWORD valueCount,
                             LPDWORD maxValueNameLength, LPDWORD maxValueLength,
                             LPDWORD securityDescriptorLength, PFILETIME lastWriteTime)
{
    LONG injected;
    if (StandinTakeFault("RegQueryInfoKeyA", "", &injected)) return injected;
    std::shared_ptr<Key> key = KeyOfHandle(handle);
    if (!key) return ERROR_INVALID_HANDLE;
    if (key->deleted) return ERROR_KEY_DELETED;
    DWORD longestName = 0, longestValueName = 0, longestValue = 0;
    for (const auto& entry : key->subkeys)
        if (entry.second->name.size() > longestName) longestName = (DWORD)entry.second->name.size();
    for (const auto& entry : key->values) {
        if (entry.first.size() > longestValueName) longestValueName = (DWORD)entry.first.size();
        if (entry.second.data.size() > longestValue) longestValue = (DWORD)entry.second.data.size();
    }
    if (subkeyCount) *subkeyCount = (DWORD)key->subkeys.size();
    if (maxSubkeyLength) *maxSubkeyLength = longestName;
    if (maxClassLength) *maxClassLength = 0;
    if (valueCount) *valueCount = (DWORD)key->values.size();
    if (maxValueNameLength) *maxValueNameLength = longestValueName;
    if (maxValueLength) *maxValueLength = longestValue;
    if (securityDescriptorLength) *securityDescriptorLength = 0;
    if (lastWriteTime) *lastWriteTime = FILETIME{0, 0};
    return ERROR_SUCCESS;
}

LONG WINAPI RegEnumKeyExA(HKEY handle, DWORD index, LPSTR name, LPDWORD nameLength, LPDWORD, LPSTR,
                          LPDWORD, PFILETIME)
{
    LONG injected;
    if (StandinTakeFault("RegEnumKeyExA", "", &injected)) return injected;
    std::shared_ptr<Key> key = KeyOfHandle(handle);
    if (!key) return ERROR_INVALID_HANDLE;
    if (key->deleted) return ERROR_KEY_DELETED;
    if (name == nullptr || nameLength == nullptr) return ERROR_INVALID_PARAMETER;
    if (index >= key->subkeys.size()) return ERROR_NO_MORE_ITEMS;
    auto entry = key->subkeys.begin();
    std::advance(entry, index);
    const std::string& subkeyName = entry->second->name;
    if (*nameLength <= subkeyName.size()) return ERROR_MORE_DATA;
    memcpy(name, subkeyName.c_str(), subkeyName.size() + 1);
    *nameLength = (DWORD)subkeyName.size();
    return ERROR_SUCCESS;
}

LONG WINAPI RegQueryValueExA(HKEY handle, LPCSTR valueName, LPDWORD, LPDWORD type, LPBYTE data,
                             LPDWORD dataLength)
{
    LONG injected;
    if (StandinTakeFault("RegQueryValueExA", valueName, &injected)) return injected;
    std::shared_ptr<Key> key = KeyOfHandle(handle);
    if (!key) return ERROR_INVALID_HANDLE;
    if (key->deleted) return ERROR_KEY_DELETED;
    if (data != nullptr && dataLength == nullptr) return ERROR_INVALID_PARAMETER;
    auto found = key->values.find(Folded(valueName ? valueName : ""));
    if (found == key->values.end()) return ERROR_FILE_NOT_FOUND;
    const Value& value = found->second;
    DWORD size = (DWORD)value.data.size();
    if (type) *type = value.type;
    if (data == nullptr) {
        if (dataLength) *dataLength = size;
        return ERROR_SUCCESS;
    }
    DWORD capacity = *dataLength;
    *dataLength = size;
    if (capacity < size) return ERROR_MORE_DATA;
    if (size > 0) memcpy(data, value.data.data(), size);
    // String data gets a terminating NUL when there is room for one.
    bool terminated = size > 0 && value.data[size - 1] == 0;
    if (IsStringType(value.type) && !terminated && capacity > size) data[size] = 0;
    return ERROR_SUCCESS;
}

LONG WINAPI RegSetValueExA(HKEY handle, LPCSTR valueName, DWORD, DWORD type, const BYTE* data,
                           DWORD dataLength)
{
    LONG injected;
    if (StandinTakeFault("RegSetValueExA", valueName, &injected)) return injected;
    std::shared_ptr<Key> key = KeyOfHandle(handle);
    if (!key) return ERROR_INVALID_HANDLE;
    if (key->deleted) return ERROR_KEY_DELETED;
    if (data == nullptr && dataLength > 0) return ERROR_INVALID_PARAMETER;
    Value value;
    value.type = type;
    if (dataLength > 0) value.data.assign(data, data + dataLength);
    // As Windows does: a string counted without its NUL is stored with it when one follows.
    if (IsStringType(type) && dataLength > 0 && data[dataLength - 1] != 0 && data[dataLength] == 0)
        value.data.push_back(0);
    key->values[Folded(valueName ? valueName : "")] = value;
    return ERROR_SUCCESS;
}

LONG WINAPI RegDeleteValueA(HKEY handle, LPCSTR valueName)
{
    std::shared_ptr<Key> key = KeyOfHandle(handle);
    if (!key) return ERROR_INVALID_HANDLE;
    if (key->deleted) return ERROR_KEY_DELETED;
    return key->values.erase(Folded(valueName ? valueName : "")) == 1 ? ERROR_SUCCESS
                                                                       : ERROR_FILE_NOT_FOUND;
}
