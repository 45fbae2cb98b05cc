// An in-memory registry with the behaviour of Windows that the settings store relies on:
// case-insensitive names, subkeys enumerated in name order, no deletion of a key that has
// subkeys, the status codes of Windows, the NUL handling of string values, the access a
// handle was opened with, registry links, followed unless opened as links, renaming, change
// notifications, and a clock that may move once per many writes, as Windows' does.
#include <ctype.h>
#include <string.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "standin.h"
#include "standin/standin_faults.h"
#include "standin/standin_registry_clock.h"
#include "standin/standin_reset.h"

namespace {

const size_t kMaxKeyNameLength = 255;
// The ANSI calls convert a path in a fixed buffer of the thread (Wine's, as Windows's):
// a longer path fails before it reaches the registry.
const size_t kMaxAnsiPathLength = 260;
// How deep the registry's tree goes below the hive's root, and how many new levels one call
// may make (Windows' documented limits; Wine 8 keeps neither, which the conformance test marks).
const size_t kMaxTreeDepth = 512;
const size_t kMaxLevelsPerCall = 32;
// Windows gives up on a chain of links after a few hops; a loop must not hang us.
const int kMaxLinkHops = 16;
const char kLinkValueName[] = "SYMBOLICLINKVALUE";
const char kMachinePrefix[] = "\\REGISTRY\\MACHINE";

// Names compare without regard to case, as Windows compares them: in code page 1252 that
// folds the accented letters too ("\xE9t\xE9" is "\xC9t\xC9").
std::string Folded(const std::string& name)
{
    std::string folded(name);
    for (char& c : folded) {
        unsigned char byte = (unsigned char)c;
        if (byte < 0x80) c = (char)toupper(byte);
        else if ((byte >= 0xE0 && byte <= 0xFE && byte != 0xF7)) c = (char)(byte - 0x20);
        else if (byte == 0x9A || byte == 0x9C || byte == 0x9E) c = (char)(byte - 0x10);
        else if (byte == 0xFF) c = (char)0x9F;
    }
    return folded;
}

struct Value {
    std::string name;
    DWORD type;
    std::vector<BYTE> data;
};

struct Key;
typedef std::map<std::string, std::shared_ptr<Key>> SubkeyMap;

struct Key {
    std::string name;
    Key* parent = nullptr;
    bool deleted = false;
    bool isLink = false;
    // A volatile key lives in memory only, and so must every key below it.
    bool isVolatile = false;
    // Changes whenever a subkey comes or goes, so that enumeration cursors know when to restart.
    unsigned long generation = 0;
    // Keyed by the upper-cased name: Windows enumerates subkeys in that order.
    SubkeyMap subkeys;
    std::map<std::string, Value> values;
    // The last write time: a creation, a value set or deleted, a subkey made or deleted.
    unsigned long long lastWrite = 0;
    // The rights its DACL denies to every open; they stay with the key when it is renamed.
    REGSAM denied = 0;
    // Its security descriptor, opaque here; it stays with the key when it is renamed.
    std::string security = "default";
};

// Counts the writes; the time moves once every g_clockTick of them (1: every write is a
// later time than the one before).
unsigned long long g_clock = 0;
unsigned g_clockTick = 1;
// What the system clock is set away from true time: every time read is shifted by it, as
// the registry's and the processes' times are when an administrator sets the clock.
long long g_clockSkew = 0;

// A millisecond slept is 10,000 of the registry's 100-nanosecond units, as on Windows.
unsigned long long Now(void)
{
    return g_clock - g_clock % g_clockTick + g_clockTick + 10000ULL * GetTickCount() + g_clockSkew;
}

unsigned long long NextTime(void)
{
    ++g_clock;
    return Now();
}

void Touch(Key* key)
{
    key->lastWrite = NextTime();
}

}  // namespace

unsigned long long StandinNextRegistryTime(void)
{
    return NextTime();
}

void WINAPI GetSystemTimeAsFileTime(LPFILETIME time)
{
    unsigned long long now = Now();
    time->dwLowDateTime = (DWORD)now;
    time->dwHighDateTime = (DWORD)(now >> 32);
}

void StandinSetClockTick(unsigned writes)
{
    g_clockTick = writes > 0 ? writes : 1;
}

void StandinSetClockSkew(long long skew)
{
    g_clockSkew = skew;
}

namespace {

struct Handle {
    std::shared_ptr<Key> key;
    REGSAM access;
    // Where the last enumeration of this handle stopped: walking the indexes in order
    // then costs one step each instead of a walk from the start.
    DWORD cursorIndex = 0;
    unsigned long cursorGeneration = 0;
    bool cursorValid = false;
    SubkeyMap::iterator cursor;
};

std::shared_ptr<Key> g_localMachine;
std::shared_ptr<Key> g_currentUser;
std::map<ULONG_PTR, Handle> g_handles;

// A change notification armed on a handle: it sets its event once, at the first change of the
// kinds it asked for to its key (or below it, for a subtree), or when its handle is closed.
struct Notification {
    ULONG_PTR handle;
    Key* key;
    bool subtree;
    DWORD filter;
    HANDLE event;
};
std::vector<Notification> g_notifications;

// A change of `kind` (REG_NOTIFY_CHANGE_NAME or _LAST_SET) to `key`.
void Notify(const Key* key, DWORD kind)
{
    for (size_t i = 0; i < g_notifications.size();) {
        const Notification& watch = g_notifications[i];
        bool reached = false;
        for (const Key* k = key; k != nullptr && !reached; k = k->parent)
            reached = watch.key == k && (k == key || watch.subtree);
        if (reached && (watch.filter & kind)) {
            SetEvent(watch.event);
            g_notifications.erase(g_notifications.begin() + (long)i);
        } else {
            ++i;
        }
    }
}

ULONG_PTR g_nextHandle = 0x1000;
std::vector<StandinValueWrite> g_valueWrites;

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

// The open handle, or nullptr. The predefined roots are open with every right.
Handle* HandleOf(HKEY handle)
{
    EnsureRoots();
    static Handle localMachine, currentUser;
    if (handle == HKEY_LOCAL_MACHINE) {
        localMachine.key = g_localMachine;
        localMachine.access = KEY_ALL_ACCESS;
        return &localMachine;
    }
    if (handle == HKEY_CURRENT_USER) {
        currentUser.key = g_currentUser;
        currentUser.access = KEY_ALL_ACCESS;
        return &currentUser;
    }
    auto found = g_handles.find((ULONG_PTR)handle);
    return found == g_handles.end() ? nullptr : &found->second;
}

// The full path of the key a handle holds (below its root, as the key is named now), so that a
// fault can name the key a handle call hits; "" for a handle that is not one.
std::string HandlePath(HKEY handle)
{
    Handle* open = HandleOf(handle);
    if (open == nullptr) return "";
    std::string path;
    for (const Key* key = open->key.get(); key != nullptr && key->parent != nullptr; key = key->parent)
        path = key->name + (path.empty() ? "" : "\\" + path);
    return path;
}

// Where a call names a key or a value below a handle: the handle's path and the name, as a
// fault point names it.
std::string PathBelow(HKEY handle, LPCSTR name)
{
    std::string path = HandlePath(handle), below = name ? name : "";
    return path.empty() ? below : path + "\\" + below;
}

// The key behind a handle that was opened with `needed` access; a status otherwise.
LONG UsableKey(HKEY handle, REGSAM needed, Handle** result)
{
    Handle* open = HandleOf(handle);
    if (open == nullptr) return ERROR_INVALID_HANDLE;
    if (open->key->deleted) return ERROR_KEY_DELETED;
    if ((open->access & needed) != needed) return ERROR_ACCESS_DENIED;
    *result = open;
    return ERROR_SUCCESS;
}

// Every open and create asked for, with its path as given, for tests of the access asked.
std::vector<StandinKeyOpen> g_opens;

void RecordOpen(LPCSTR path, DWORD options, REGSAM access)
{
    g_opens.push_back(StandinKeyOpen{path ? path : "", options, access});
}

HKEY NewHandle(const std::shared_ptr<Key>& key, REGSAM access)
{
    ULONG_PTR handle = g_nextHandle;
    g_nextHandle += 4;
    Handle& open = g_handles[handle];
    open.key = key;
    open.access = access;
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

// The path below HKEY_LOCAL_MACHINE that a link names. Its value holds a native path in
// UTF-16 without a NUL, as "\Registry\Machine\Software\...".
bool LinkTargetPath(const Key& link, std::string* path)
{
    auto found = link.values.find(kLinkValueName);
    if (found == link.values.end() || found->second.type != REG_LINK) return false;
    const std::vector<BYTE>& data = found->second.data;
    std::string text;
    for (size_t i = 0; i + 1 < data.size(); i += 2) {
        if (data[i + 1] != 0 || data[i] == 0) return false;  // only plain ASCII names here
        text += (char)data[i];
    }
    size_t prefix = strlen(kMachinePrefix);
    if (Folded(text.substr(0, prefix)) != kMachinePrefix) return false;
    if (text.size() > prefix && text[prefix] != '\\') return false;
    *path = text.substr(text.size() > prefix ? prefix + 1 : prefix);
    return true;
}

LONG FollowLinks(std::shared_ptr<Key>* key, int* hops);

// Walks `components` from `key`. Links on the way are followed; the last key is followed
// too unless `openLink`. With `create`, missing keys are made (the last one a link when
// `createLink`).
bool AccessDenied(const Key* key, REGSAM access);

// Levels below the hive's root: HKEY_LOCAL_MACHINE\Software is 1.
size_t Depth(const Key* key)
{
    size_t depth = 0;
    for (; key->parent != nullptr; key = key->parent) ++depth;
    return depth;
}

// Whether `levels` new keys may be made below `key` in one call, the first a child of it.
// A refused child changes nothing, and nobody is told of it.
LONG MayCreateBelow(const Key* key, size_t levels, bool createVolatile)
{
    // The code Windows answers for a limit is not documented; the stand-in's is this.
    if (levels > kMaxLevelsPerCall || Depth(key) + levels > kMaxTreeDepth) return ERROR_INVALID_PARAMETER;
    // Creating is the parent's right to grant, however the path was named.
    if (AccessDenied(key, KEY_CREATE_SUB_KEY)) return ERROR_ACCESS_DENIED;
    if (key->isVolatile && !createVolatile) return ERROR_CHILD_MUST_BE_VOLATILE;
    return ERROR_SUCCESS;
}

LONG Walk(std::shared_ptr<Key> key, const std::vector<std::string>& components, bool create, bool createLink,
          bool openLink, int* hops, std::shared_ptr<Key>* result, DWORD* disposition, bool createVolatile = false)
{
    bool created = false;
    if (components.empty() && !openLink) {
        LONG status = FollowLinks(&key, hops);
        if (status != ERROR_SUCCESS) return status;
    }
    for (size_t i = 0; i < components.size(); ++i) {
        bool last = i + 1 == components.size();
        auto found = key->subkeys.find(Folded(components[i]));
        if (found == key->subkeys.end()) {
            if (!create) return ERROR_FILE_NOT_FOUND;
            LONG refused = created ? ERROR_SUCCESS : MayCreateBelow(key.get(), components.size() - i, createVolatile);
            if (refused != ERROR_SUCCESS) return refused;
            Notify(key.get(), REG_NOTIFY_CHANGE_NAME);
            auto child = std::make_shared<Key>();
            child->isVolatile = createVolatile;
            child->name = components[i];
            child->parent = key.get();
            child->isLink = last && createLink;
            key->subkeys[Folded(components[i])] = child;
            ++key->generation;
            Touch(key.get());
            Touch(child.get());
            key = child;
            created = true;
            continue;
        }
        std::shared_ptr<Key> next = found->second;
        if (last && createLink) return ERROR_ALREADY_EXISTS;
        if (!last || !openLink) {
            LONG status = FollowLinks(&next, hops);
            if (status != ERROR_SUCCESS) return status;
        }
        key = next;
    }
    *result = key;
    if (disposition) *disposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
    return ERROR_SUCCESS;
}

// Replaces a link by the key it names, hop after hop. A link whose target is missing
// leads nowhere.
LONG FollowLinks(std::shared_ptr<Key>* key, int* hops)
{
    while ((*key)->isLink) {
        if (++*hops > kMaxLinkHops) return ERROR_CANT_RESOLVE_FILENAME;
        std::string target;
        if (!LinkTargetPath(**key, &target)) return ERROR_FILE_NOT_FOUND;
        std::vector<std::string> components;
        if (SplitPath(target.c_str(), &components) != ERROR_SUCCESS) return ERROR_FILE_NOT_FOUND;
        std::shared_ptr<Key> reached;
        LONG status = Walk(g_localMachine, components, false, false, false, hops, &reached, nullptr);
        if (status != ERROR_SUCCESS) return status;
        *key = reached;
    }
    return ERROR_SUCCESS;
}

LONG Resolve(HKEY root, LPCSTR path, bool create, DWORD options, std::shared_ptr<Key>* result,
             DWORD* disposition = nullptr)
{
    Handle* open = HandleOf(root);
    if (open == nullptr) return ERROR_INVALID_HANDLE;
    if (open->key->deleted) return ERROR_KEY_DELETED;
    std::vector<std::string> components;
    LONG status = SplitPath(path, &components);
    if (status != ERROR_SUCCESS) return status;
    int hops = 0;
    return Walk(open->key, components, create, (options & REG_OPTION_CREATE_LINK) != 0,
                (options & REG_OPTION_OPEN_LINK) != 0, &hops, result, disposition, (options & REG_OPTION_VOLATILE) != 0);
}

void Detach(Key* key)
{
    Notify(key->parent, REG_NOTIFY_CHANGE_NAME);
    Touch(key->parent);
    key->deleted = true;
    key->parent->subkeys.erase(Folded(key->name));
    ++key->parent->generation;
    key->parent = nullptr;
}

// What a DACL of the test's making refuses to an open of `key` with `access`.
bool AccessDenied(const Key* key, REGSAM access)
{
    return (key->denied & access) != 0;
}

bool IsStringType(DWORD type)
{
    return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
}

void Describe(const Key& key, const std::string& path, std::string* text)
{
    *text += path + (key.isLink ? " (link)\n" : "\n");
    for (const auto& entry : key.values) {
        char line[64];
        snprintf(line, sizeof line, "  %s type %u, %zu bytes:", entry.first.c_str(), (unsigned)entry.second.type,
                 entry.second.data.size());
        *text += line;
        for (BYTE b : entry.second.data) {
            snprintf(line, sizeof line, " %02x", b);
            *text += line;
        }
        *text += "\n";
    }
    for (const auto& entry : key.subkeys) Describe(*entry.second, path + "\\" + entry.second->name, text);
}

}  // namespace

void StandinResetRegistry(void)
{
    g_handles.clear();
    g_localMachine.reset();
    g_currentUser.reset();
    g_valueWrites.clear();
    g_opens.clear();
    g_clockSkew = 0;
    g_clockTick = 1;
    g_notifications.clear();
    EnsureRoots();
}

void StandinDenyAccess(const char* path, REGSAM denied)
{
    std::shared_ptr<Key> key;
    if (Resolve(HKEY_LOCAL_MACHINE, path, false, REG_OPTION_OPEN_LINK, &key) == ERROR_SUCCESS) key->denied |= denied;
}

int StandinOpenHandleCount(void)
{
    return (int)g_handles.size();
}

const std::vector<StandinKeyOpen>& StandinKeyOpens(void)
{
    return g_opens;
}

const std::vector<StandinValueWrite>& StandinValueWrites(void)
{
    return g_valueWrites;
}

std::string StandinDescribeRegistry(const char* path)
{
    EnsureRoots();
    std::vector<std::string> components;
    if (SplitPath(path, &components) != ERROR_SUCCESS) return "";
    std::shared_ptr<Key> key = g_localMachine;
    for (const std::string& component : components) {
        auto found = key->subkeys.find(Folded(component));
        if (found == key->subkeys.end()) return "";
        key = found->second;
    }
    std::string text;
    Describe(*key, path, &text);
    return text;
}

LONG WINAPI RegOpenKeyExA(HKEY root, LPCSTR path, DWORD options, REGSAM access, PHKEY result)
{
    LONG injected;
    if (StandinTakeFault("RegOpenKeyExA", PathBelow(root, path).c_str(), &injected)) return injected;
    if (result == nullptr) return ERROR_INVALID_PARAMETER;
    RecordOpen(path, options, access);
    std::shared_ptr<Key> key;
    LONG status = Resolve(root, path, false, options & REG_OPTION_OPEN_LINK, &key);
    if (status == ERROR_SUCCESS && AccessDenied(key.get(), access)) return ERROR_ACCESS_DENIED;
    if (status == ERROR_SUCCESS) *result = NewHandle(key, access);
    return status;
}

LONG WINAPI RegCreateKeyExA(HKEY root, LPCSTR path, DWORD reserved, LPSTR, DWORD options, REGSAM access,
                            LPSECURITY_ATTRIBUTES, PHKEY result, LPDWORD disposition)
{
    LONG injected;
    if (StandinTakeFault("RegCreateKeyExA", PathBelow(root, path).c_str(), &injected)) return injected;
    // As Windows and Wine: the reserved word must be zero.
    if (result == nullptr || reserved != 0) return ERROR_INVALID_PARAMETER;
    Handle* parent = nullptr;
    LONG rights = UsableKey(root, KEY_CREATE_SUB_KEY, &parent);
    if (rights != ERROR_SUCCESS) return rights;
    RecordOpen(path, options, access);
    std::shared_ptr<Key> key;
    LONG status = Resolve(root, path, true, options, &key, disposition);
    if (status == ERROR_SUCCESS && AccessDenied(key.get(), access)) return ERROR_ACCESS_DENIED;
    if (status == ERROR_SUCCESS) *result = NewHandle(key, access);
    return status;
}

LONG WINAPI RegCreateKeyA(HKEY root, LPCSTR path, PHKEY result)
{
    LONG injected;
    if (StandinTakeFault("RegCreateKeyA", PathBelow(root, path).c_str(), &injected)) return injected;
    if (result == nullptr) return ERROR_INVALID_PARAMETER;
    Handle* parent = nullptr;
    LONG rights = UsableKey(root, KEY_CREATE_SUB_KEY, &parent);
    if (rights != ERROR_SUCCESS) return rights;
    RecordOpen(path, 0, KEY_ALL_ACCESS);
    std::shared_ptr<Key> key;
    LONG status = Resolve(root, path, true, 0, &key);
    if (status == ERROR_SUCCESS) *result = NewHandle(key, KEY_ALL_ACCESS);
    return status;
}

LONG WINAPI RegCloseKey(HKEY handle)
{
    LONG injected;
    if (StandinTakeFault("RegCloseKey", HandlePath(handle).c_str(), &injected)) return injected;
    if (handle == HKEY_LOCAL_MACHINE || handle == HKEY_CURRENT_USER) return ERROR_SUCCESS;
    // Closing the handle a notification is armed on sets its event, as Windows does.
    for (size_t i = 0; i < g_notifications.size();) {
        if (g_notifications[i].handle == (ULONG_PTR)handle) {
            SetEvent(g_notifications[i].event);
            g_notifications.erase(g_notifications.begin() + (long)i);
        } else {
            ++i;
        }
    }
    return g_handles.erase((ULONG_PTR)handle) == 1 ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

// As Windows does it: open the key by name, following links, and delete what was opened.
LONG WINAPI RegDeleteKeyA(HKEY root, LPCSTR path)
{
    LONG injected;
    if (StandinTakeFault("RegDeleteKeyA", PathBelow(root, path).c_str(), &injected)) return injected;
    if (path == nullptr) return ERROR_INVALID_PARAMETER;
    std::shared_ptr<Key> key;
    LONG status = Resolve(root, path, false, 0, &key);
    if (status != ERROR_SUCCESS) return status;
    if (key->parent == nullptr || !key->subkeys.empty()) return ERROR_ACCESS_DENIED;
    // The key is opened for DELETE before it goes: its DACL decides.
    if (AccessDenied(key.get(), DELETE)) return ERROR_ACCESS_DENIED;
    Detach(key.get());
    return ERROR_SUCCESS;
}

NTSTATUS NTAPI NtDeleteKey(HANDLE handle)
{
    LONG injected;
    if (StandinTakeFault("NtDeleteKey", HandlePath((HKEY)handle).c_str(), &injected)) return injected;
    Handle* open = nullptr;
    LONG status = UsableKey((HKEY)handle, DELETE, &open);
    if (status == ERROR_INVALID_HANDLE || status == ERROR_KEY_DELETED) return STATUS_INVALID_HANDLE;
    if (status != ERROR_SUCCESS) return STATUS_ACCESS_DENIED;
    if (open->key->parent == nullptr) return STATUS_ACCESS_DENIED;
    if (!open->key->subkeys.empty()) return STATUS_CANNOT_DELETE;
    Detach(open->key.get());
    return STATUS_SUCCESS;
}

LONG WINAPI RegQueryInfoKeyA(HKEY handle, LPSTR, LPDWORD, LPDWORD, LPDWORD subkeyCount,
                             LPDWORD maxSubkeyLength, LPDWORD maxClassLength, LPDWORD valueCount,
                             LPDWORD maxValueNameLength, LPDWORD maxValueLength,
                             LPDWORD securityDescriptorLength, PFILETIME lastWriteTime)
{
    LONG injected;
    if (StandinTakeFault("RegQueryInfoKeyA", HandlePath(handle).c_str(), &injected)) return injected;
    Handle* open = nullptr;
    LONG status = UsableKey(handle, KEY_QUERY_VALUE, &open);
    if (status != ERROR_SUCCESS) return status;
    const Key& key = *open->key;
    DWORD longestName = 0, longestValueName = 0, longestValue = 0;
    for (const auto& entry : key.subkeys)
        if (entry.second->name.size() > longestName) longestName = (DWORD)entry.second->name.size();
    for (const auto& entry : key.values) {
        if (entry.first.size() > longestValueName) longestValueName = (DWORD)entry.first.size();
        if (entry.second.data.size() > longestValue) longestValue = (DWORD)entry.second.data.size();
    }
    if (subkeyCount) *subkeyCount = (DWORD)key.subkeys.size();
    if (maxSubkeyLength) *maxSubkeyLength = longestName;
    if (maxClassLength) *maxClassLength = 0;
    if (valueCount) *valueCount = (DWORD)key.values.size();
    if (maxValueNameLength) *maxValueNameLength = longestValueName;
    if (maxValueLength) *maxValueLength = longestValue;
    if (securityDescriptorLength) *securityDescriptorLength = 0;
    if (lastWriteTime) *lastWriteTime = FILETIME{(DWORD)key.lastWrite, (DWORD)(key.lastWrite >> 32)};
    return ERROR_SUCCESS;
}

// The subkey at `index`, for the ANSI and the Unicode call alike, each of which counts and
// fails as itself.
static LONG EnumKey(HKEY handle, DWORD index, LPSTR name, LPDWORD nameLength, PFILETIME lastWriteTime)
{
    Handle* open = nullptr;
    LONG status = UsableKey(handle, KEY_ENUMERATE_SUB_KEYS, &open);
    if (status != ERROR_SUCCESS) return status;
    if (name == nullptr || nameLength == nullptr) return ERROR_INVALID_PARAMETER;
    Key& key = *open->key;
    if (index >= key.subkeys.size()) return ERROR_NO_MORE_ITEMS;
    bool resume = open->cursorValid && open->cursorGeneration == key.generation && index >= open->cursorIndex;
    if (!resume) {
        open->cursor = key.subkeys.begin();
        open->cursorIndex = 0;
        open->cursorGeneration = key.generation;
        open->cursorValid = true;
    }
    while (open->cursorIndex < index) {
        ++open->cursor;
        ++open->cursorIndex;
    }
    const std::string& subkeyName = open->cursor->second->name;
    if (*nameLength <= subkeyName.size()) return ERROR_MORE_DATA;
    memcpy(name, subkeyName.c_str(), subkeyName.size() + 1);
    *nameLength = (DWORD)subkeyName.size();
    if (lastWriteTime) {
        unsigned long long time = open->cursor->second->lastWrite;
        *lastWriteTime = FILETIME{(DWORD)time, (DWORD)(time >> 32)};
    }
    return ERROR_SUCCESS;
}

LONG WINAPI RegEnumKeyExA(HKEY handle, DWORD index, LPSTR name, LPDWORD nameLength, LPDWORD, LPSTR,
                          LPDWORD, PFILETIME lastWriteTime)
{
    LONG injected;
    if (StandinTakeFault("RegEnumKeyExA", HandlePath(handle).c_str(), &injected)) return injected;
    return EnumKey(handle, index, name, nameLength, lastWriteTime);
}

LONG WINAPI RegQueryValueExA(HKEY handle, LPCSTR valueName, LPDWORD, LPDWORD type, LPBYTE data,
                             LPDWORD dataLength)
{
    LONG injected;
    if (StandinTakeFault("RegQueryValueExA", PathBelow(handle, valueName).c_str(), &injected)) return injected;
    Handle* open = nullptr;
    LONG status = UsableKey(handle, KEY_QUERY_VALUE, &open);
    if (status != ERROR_SUCCESS) return status;
    if (data != nullptr && dataLength == nullptr) return ERROR_INVALID_PARAMETER;
    auto found = open->key->values.find(Folded(valueName ? valueName : ""));
    if (found == open->key->values.end()) return ERROR_FILE_NOT_FOUND;
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
    if (StandinTakeFault("RegSetValueExA", PathBelow(handle, valueName).c_str(), &injected)) return injected;
    Handle* open = nullptr;
    LONG status = UsableKey(handle, KEY_SET_VALUE, &open);
    if (status != ERROR_SUCCESS) return status;
    if (data == nullptr && dataLength > 0) return ERROR_INVALID_PARAMETER;
    Value value;
    value.name = valueName ? valueName : "";
    value.type = type;
    if (dataLength > 0) value.data.assign(data, data + dataLength);
    // As Windows does: a string counted without its NUL is stored with it when one follows.
    if (IsStringType(type) && dataLength > 0 && data[dataLength - 1] != 0 && data[dataLength] == 0)
        value.data.push_back(0);
    open->key->values[Folded(valueName ? valueName : "")] = value;
    Touch(open->key.get());
    Notify(open->key.get(), REG_NOTIFY_CHANGE_LAST_SET);
    // The log is of the code under test's writes, not of another process's.
    if (!StandinInOtherProcess()) g_valueWrites.push_back(StandinValueWrite{valueName ? valueName : "", type, dataLength});
    return ERROR_SUCCESS;
}

LONG WINAPI RegDeleteValueA(HKEY handle, LPCSTR valueName)
{
    LONG injected;
    if (StandinTakeFault("RegDeleteValueA", PathBelow(handle, valueName).c_str(), &injected)) return injected;
    Handle* open = nullptr;
    LONG status = UsableKey(handle, KEY_SET_VALUE, &open);
    if (status != ERROR_SUCCESS) return status;
    if (open->key->values.erase(Folded(valueName ? valueName : "")) != 1) return ERROR_FILE_NOT_FOUND;
    Touch(open->key.get());
    Notify(open->key.get(), REG_NOTIFY_CHANGE_LAST_SET);
    return ERROR_SUCCESS;
}

// The value at `index`, for the ANSI and the Unicode call alike.
static LONG EnumValue(HKEY handle, DWORD index, LPSTR name, LPDWORD nameLength, LPDWORD type, LPBYTE data,
                      LPDWORD dataLength)
{
    Handle* open = nullptr;
    LONG status = UsableKey(handle, KEY_QUERY_VALUE, &open);
    if (status != ERROR_SUCCESS) return status;
    if (name == nullptr || nameLength == nullptr) return ERROR_INVALID_PARAMETER;
    if (index >= open->key->values.size()) return ERROR_NO_MORE_ITEMS;
    auto entry = open->key->values.begin();
    std::advance(entry, index);
    const Value& value = entry->second;
    if (*nameLength <= value.name.size()) return ERROR_MORE_DATA;
    if (data != nullptr) {
        if (dataLength == nullptr) return ERROR_INVALID_PARAMETER;
        if (*dataLength < value.data.size()) return ERROR_MORE_DATA;
        if (!value.data.empty()) memcpy(data, value.data.data(), value.data.size());
    }
    memcpy(name, value.name.c_str(), value.name.size() + 1);
    *nameLength = (DWORD)value.name.size();
    if (type) *type = value.type;
    if (dataLength) *dataLength = (DWORD)value.data.size();
    return ERROR_SUCCESS;
}

LONG WINAPI RegEnumValueA(HKEY handle, DWORD index, LPSTR name, LPDWORD nameLength, LPDWORD, LPDWORD type,
                          LPBYTE data, LPDWORD dataLength)
{
    LONG injected;
    if (StandinTakeFault("RegEnumValueA", HandlePath(handle).c_str(), &injected)) return injected;
    return EnumValue(handle, index, name, nameLength, type, data, dataLength);
}


namespace {

// The UTF-16 of an ANSI name or text, as Windows keeps it.
std::vector<WCHAR> Wide(const BYTE* bytes, size_t count)
{
    std::vector<WCHAR> wide(count);
    if (count > 0) MultiByteToWideChar(CP_ACP, 0, (const char*)bytes, (int)count, wide.data(), (int)count);
    return wide;
}

}  // namespace

LONG WINAPI RegEnumKeyExW(HKEY handle, DWORD index, LPWSTR name, LPDWORD nameLength, LPDWORD, LPWSTR, LPDWORD,
                          PFILETIME lastWriteTime)
{
    LONG injected;
    if (StandinTakeFault("RegEnumKeyExW", HandlePath(handle).c_str(), &injected)) return injected;
    char ansi[kMaxKeyNameLength + 1];
    DWORD ansiLength = sizeof ansi;
    LONG status = EnumKey(handle, index, ansi, &ansiLength, lastWriteTime);
    if (status != ERROR_SUCCESS) return status;
    if (*nameLength <= ansiLength) return ERROR_MORE_DATA;
    std::vector<WCHAR> wide = Wide((const BYTE*)ansi, ansiLength);
    for (DWORD i = 0; i < ansiLength; ++i) name[i] = wide[i];
    name[ansiLength] = 0;
    *nameLength = ansiLength;
    return ERROR_SUCCESS;
}

LONG WINAPI RegEnumValueW(HKEY handle, DWORD index, LPWSTR name, LPDWORD nameLength, LPDWORD, LPDWORD type,
                          LPBYTE data, LPDWORD dataLength)
{
    if (name == nullptr || nameLength == nullptr || (data != nullptr && dataLength == nullptr))
        return ERROR_INVALID_PARAMETER;
    // The ANSI call's work reads the value; this one widens its name, and string data to UTF-16.
    // A fault may name the value it hits.
    char ansiName[16384];
    DWORD ansiNameLength = sizeof ansiName, valueType = REG_NONE, size = 0;
    LONG status = EnumValue(handle, index, ansiName, &ansiNameLength, &valueType, nullptr, &size);
    LONG injected;
    if (StandinTakeFault("RegEnumValueW", status == ERROR_SUCCESS ? ansiName : "", &injected)) return injected;
    if (status != ERROR_SUCCESS) return status;
    std::vector<BYTE> bytes(size);
    ansiNameLength = sizeof ansiName;
    if (size > 0) status = EnumValue(handle, index, ansiName, &ansiNameLength, &valueType, bytes.data(), &size);
    if (status != ERROR_SUCCESS) return status;
    if (*nameLength <= ansiNameLength) return ERROR_MORE_DATA;
    if (IsStringType(valueType)) {
        std::vector<WCHAR> wide = Wide(bytes.data(), bytes.size());
        bytes.assign((const BYTE*)wide.data(), (const BYTE*)wide.data() + wide.size() * sizeof(WCHAR));
    }
    if (data != nullptr) {
        if (*dataLength < bytes.size()) return ERROR_MORE_DATA;
        if (!bytes.empty()) memcpy(data, bytes.data(), bytes.size());
    }
    std::vector<WCHAR> wideName = Wide((const BYTE*)ansiName, ansiNameLength);
    for (size_t i = 0; i < wideName.size(); ++i) name[i] = wideName[i];
    name[wideName.size()] = 0;
    *nameLength = (DWORD)wideName.size();
    if (type) *type = valueType;
    if (dataLength) *dataLength = (DWORD)bytes.size();
    return ERROR_SUCCESS;
}

// Differs from Windows: a name here is one the code page holds (the W calls go through the A
// calls), so a key named outside it cannot be opened, and never exists.
LONG WINAPI RegOpenKeyExW(HKEY root, LPCWSTR path, DWORD options, REGSAM access, PHKEY result)
{
    if (path == nullptr) return RegOpenKeyExA(root, nullptr, options, access, result);
    std::string ansi;
    for (const WCHAR* p = path; *p; ++p) {
        char byte = 0;
        BOOL lost = FALSE;
        WideCharToMultiByte(CP_ACP, 0, p, 1, &byte, 1, nullptr, &lost);
        if (lost) return ERROR_FILE_NOT_FOUND;  // every name here is one of the code page's
        ansi += byte;
    }
    return RegOpenKeyExA(root, ansi.c_str(), options, access, result);
}

LONG WINAPI RegNotifyChangeKeyValue(HKEY handle, BOOL watchSubtree, DWORD filter, HANDLE event, BOOL asynchronous)
{
    LONG injected;
    if (StandinTakeFault("RegNotifyChangeKeyValue", HandlePath(handle).c_str(), &injected)) return injected;
    Handle* open = nullptr;
    LONG status = UsableKey(handle, KEY_NOTIFY, &open);
    if (status != ERROR_SUCCESS) return status;
    // Nothing else runs here while a call waits: only the asynchronous form is of use.
    if (!asynchronous || event == nullptr) return ERROR_INVALID_PARAMETER;
    g_notifications.push_back(Notification{(ULONG_PTR)handle, open->key.get(), watchSubtree != FALSE, filter, event});
    return ERROR_SUCCESS;
}

LONG WINAPI RegGetKeySecurity(HKEY handle, SECURITY_INFORMATION, PSECURITY_DESCRIPTOR descriptor, LPDWORD size)
{
    LONG injected;
    if (StandinTakeFault("RegGetKeySecurity", HandlePath(handle).c_str(), &injected)) return injected;
    Handle* open = nullptr;
    LONG status = UsableKey(handle, READ_CONTROL, &open);
    if (status != ERROR_SUCCESS) return status;
    const std::string& security = open->key->security;
    DWORD needed = (DWORD)security.size() + 1;
    bool fits = descriptor != nullptr && *size >= needed;
    if (fits) memcpy(descriptor, security.c_str(), needed);
    *size = needed;
    return fits ? ERROR_SUCCESS : ERROR_INSUFFICIENT_BUFFER;
}

LONG WINAPI RegSetKeySecurity(HKEY handle, SECURITY_INFORMATION, PSECURITY_DESCRIPTOR descriptor)
{
    LONG injected;
    if (StandinTakeFault("RegSetKeySecurity", HandlePath(handle).c_str(), &injected)) return injected;
    Handle* open = nullptr;
    LONG status = UsableKey(handle, WRITE_DAC, &open);
    if (status != ERROR_SUCCESS) return status;
    if (descriptor == nullptr) return ERROR_INVALID_PARAMETER;
    open->key->security = (const char*)descriptor;
    // A security change moves no write time; the notification sees it.
    Notify(open->key.get(), REG_NOTIFY_CHANGE_SECURITY);
    return ERROR_SUCCESS;
}

LONG WINAPI RegRenameKey(HKEY handle, LPCWSTR subkey, LPCWSTR newName)
{
    LONG injected;
    if (StandinTakeFault("RegRenameKey", HandlePath(handle).c_str(), &injected)) return injected;
    Handle* open = nullptr;
    LONG status = UsableKey(handle, subkey != nullptr ? KEY_ENUMERATE_SUB_KEYS : KEY_WRITE, &open);
    if (status != ERROR_SUCCESS) return status;
    if (newName == nullptr) return ERROR_INVALID_PARAMETER;
    std::shared_ptr<Key> key = open->key;
    if (subkey != nullptr) {
        std::string ansi;
        for (const WCHAR* p = subkey; *p; ++p) ansi += (char)*p;
        auto found = key->subkeys.find(Folded(ansi));
        if (found == key->subkeys.end()) return ERROR_FILE_NOT_FOUND;
        key = found->second;
    }
    std::string name;
    for (const WCHAR* p = newName; *p; ++p) {
        if (*p > 0x7f || *p == '\\') return ERROR_INVALID_PARAMETER;  // plain names only here
        name += (char)*p;
    }
    Key* parent = key->parent;
    if (parent == nullptr) return ERROR_ACCESS_DENIED;
    if (name.empty() || name.size() > kMaxKeyNameLength) return ERROR_INVALID_PARAMETER;
    // A name that is taken, the key's own included in another case, refuses as Windows does.
    if (parent->subkeys.count(Folded(name)) != 0) return ERROR_ACCESS_DENIED;
    parent->subkeys.erase(Folded(key->name));
    key->name = name;
    parent->subkeys[Folded(name)] = key;
    ++parent->generation;
    Touch(parent);
    Notify(parent, REG_NOTIFY_CHANGE_NAME);
    Notify(key.get(), REG_NOTIFY_CHANGE_NAME);
    return ERROR_SUCCESS;
}
