// Drives a running configurator from outside, as a person at the screen would: it finds
// the sheet, picks addresses, clicks buttons, reads the rows and the message boxes, and
// reads or seeds the registry store. Commands come as arguments, one after the other;
// every wait is bounded. Prints what it sees on standard output.
#include <windows.h>
#include <commctrl.h>
#include <prsht.h>
#include <sddl.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>

#include "resources/resource_ids.h"
#include "tests/platform_windows.h"
#include "store/store.h"
#include "store/store_names.h"
#include "tests/wine_check.h"

namespace {

const char kSheetCaption[] = "Corvane Software - mDNS Configurator";
const DWORD kWaitMilliseconds = 30000;

HWND g_sheet = NULL;

[[noreturn]] void Fail(const char* what, const char* detail = "")
{
    printf("driver: %s %s\n", what, detail);
    fflush(stdout);
    exit(2);
}

HWND Page(void)
{
    HWND page = (HWND)SendMessageA(g_sheet, PSM_GETCURRENTPAGEHWND, 0, 0);
    if (page == NULL) Fail("the sheet has no page");
    return page;
}

void WaitForSheet(void)
{
    for (DWORD waited = 0; waited < kWaitMilliseconds; waited += 100) {
        g_sheet = FindWindowA(NULL, kSheetCaption);
        if (g_sheet != NULL && IsWindowVisible(g_sheet)) {
            printf("sheet open\n");
            return;
        }
        Sleep(100);
    }
    Fail("no sheet within 30 seconds");
}

struct BoxSearch {
    const char* caption;
    HWND found;
};

BOOL CALLBACK FindMessageBox(HWND window, LPARAM parameter)
{
    BoxSearch* search = (BoxSearch*)parameter;
    char caption[256] = "";
    GetWindowTextA(window, caption, sizeof caption);
    if (IsWindowVisible(window) && GetDlgItem(window, kMessageBoxText) != NULL &&
        strcmp(caption, search->caption) == 0) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

HWND WaitForMessageBox(const char* caption, DWORD milliseconds)
{
    for (DWORD waited = 0; waited <= milliseconds; waited += 100) {
        BoxSearch search = {caption, NULL};
        EnumWindows(FindMessageBox, (LPARAM)&search);
        if (search.found != NULL) return search.found;
        Sleep(100);
    }
    return NULL;
}

// The kind of icon a message box shows, told from the screen by its colours: the platform
// draws the information icon blue and the error icon red. (Icon handles do not cross
// processes.)
const char* IconKind(HWND box)
{
    HWND icon = MessageBoxIconControl(box);
    if (icon == NULL) return "none";
    Sleep(300);  // let it be painted
    RECT area;
    GetWindowRect(icon, &area);
    HDC screen = GetDC(NULL);
    int red = 0, blue = 0;
    for (int y = area.top; y < area.bottom; y += 2) {
        for (int x = area.left; x < area.right; x += 2) {
            COLORREF colour = GetPixel(screen, x, y);
            if (GetRValue(colour) > GetBValue(colour) + 64) ++red;
            if (GetBValue(colour) > GetRValue(colour) + 64) ++blue;
        }
    }
    ReleaseDC(NULL, screen);
    return red > 2 * blue ? "error" : blue > 2 * red ? "information" : "unclear";
}

// Prints a message box's caption and text, and for the last box of a run also its owner's
// class and its icon; with `press`, clicks its OK button.
void ReadMessageBox(const char* caption, bool press)
{
    HWND box = WaitForMessageBox(caption, kWaitMilliseconds);
    if (box == NULL) Fail("no message box captioned", caption);
    char text[1024] = "";
    GetDlgItemTextA(box, kMessageBoxText, text, sizeof text);
    printf("box [%s] %s\n", caption, text);
    if (!press) {
        char ownerClass[256] = "none";
        HWND owner = GetWindow(box, GW_OWNER);
        if (owner != NULL) GetClassNameA(owner, ownerClass, sizeof ownerClass);
        printf("owned by %s, icon %s\n", ownerClass, IconKind(box));
    }
    if (press) {
        PostMessageA(GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
        for (DWORD waited = 0; IsWindow(box) && waited < kWaitMilliseconds; waited += 50) Sleep(50);
        if (IsWindow(box)) Fail("the message box did not close");
    }
}

// Answers a Yes/No box: prints its caption, text and default button, then clicks `answer`.
void AnswerQuestion(const char* caption, const char* answer)
{
    HWND box = WaitForMessageBox(caption, kWaitMilliseconds);
    if (box == NULL) Fail("no question captioned", caption);
    char text[1024] = "";
    GetDlgItemTextA(box, kMessageBoxText, text, sizeof text);
    // The default button is the one drawn as such, which Enter presses.
    const char* defaultButton = "none";
    if ((GetWindowLongA(GetDlgItem(box, IDYES), GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON) defaultButton = "yes";
    if ((GetWindowLongA(GetDlgItem(box, IDNO), GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON) defaultButton = "no";
    printf("box [%s] %s\ndefault %s\n", caption, text, defaultButton);
    PostMessageA(GetDlgItem(box, strcmp(answer, "yes") == 0 ? IDYES : IDNO), BM_CLICK, 0, 0);
    for (DWORD waited = 0; IsWindow(box) && waited < kWaitMilliseconds; waited += 50) Sleep(50);
    if (IsWindow(box)) Fail("the question did not close");
}

// Whether the sheet answers a message within two seconds.
void AskSheet(void)
{
    DWORD_PTR result;
    bool answered = SendMessageTimeoutA(g_sheet, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 2000, &result) != 0;
    printf("the sheet %s\n", answered ? "answers" : "does not answer");
}

// List-view messages carry pointers, so their structures live in the configurator's memory.
struct RemoteBuffer {
    HANDLE process;
    char* address;
};

RemoteBuffer OpenRemote(HWND window, SIZE_T size)
{
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    RemoteBuffer remote;
    remote.process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, processId);
    if (remote.process == NULL) Fail("cannot open the configurator's process");
    remote.address = (char*)VirtualAllocEx(remote.process, NULL, size, MEM_COMMIT, PAGE_READWRITE);
    if (remote.address == NULL) Fail("cannot allocate in the configurator's process");
    return remote;
}

void CloseRemote(RemoteBuffer* remote)
{
    VirtualFreeEx(remote->process, remote->address, 0, MEM_RELEASE);
    CloseHandle(remote->process);
}

std::string RemoteItemText(HWND list, RemoteBuffer* remote, int row, int column)
{
    LVITEMA item;
    ZeroMemory(&item, sizeof item);
    item.iSubItem = column;
    item.pszText = remote->address + sizeof item;
    item.cchTextMax = 256;
    WriteProcessMemory(remote->process, remote->address, &item, sizeof item, NULL);
    SendMessageA(list, LVM_GETITEMTEXTA, (WPARAM)row, (LPARAM)remote->address);
    char text[257] = "";
    ReadProcessMemory(remote->process, remote->address + sizeof item, text, 256, NULL);
    return text;
}

void PrintRows(void)
{
    HWND list = GetDlgItem(Page(), IDC_PAIR_LIST);
    RemoteBuffer remote = OpenRemote(list, 4096);
    int count = (int)SendMessageA(list, LVM_GETITEMCOUNT, 0, 0);
    printf("rows %d\n", count);
    for (int row = 0; row < count; ++row)
        printf("row %d: %s -> %s\n", row, RemoteItemText(list, &remote, row, 0).c_str(),
               RemoteItemText(list, &remote, row, 1).c_str());
    CloseRemote(&remote);
}

// Where a row shows on the screen, for a screenshot of it: "row N at X Y WIDTH HEIGHT".
void PrintRowPlace(int row)
{
    HWND list = GetDlgItem(Page(), IDC_PAIR_LIST);
    RemoteBuffer remote = OpenRemote(list, 4096);
    RECT bounds = {LVIR_BOUNDS, 0, 0, 0};
    WriteProcessMemory(remote.process, remote.address, &bounds, sizeof bounds, NULL);
    SendMessageA(list, LVM_GETITEMRECT, (WPARAM)row, (LPARAM)remote.address);
    ReadProcessMemory(remote.process, remote.address, &bounds, sizeof bounds, NULL);
    CloseRemote(&remote);
    MapWindowPoints(list, NULL, (POINT*)&bounds, 2);
    UpdateWindow(list);
    printf("row %d at %ld %ld %ld %ld\n", row, (long)bounds.left, (long)bounds.top, (long)(bounds.right - bounds.left),
           (long)(bounds.bottom - bounds.top));
}

void SelectRow(int row)
{
    HWND list = GetDlgItem(Page(), IDC_PAIR_LIST);
    RemoteBuffer remote = OpenRemote(list, 4096);
    LVITEMA item;
    ZeroMemory(&item, sizeof item);
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    item.state = LVIS_SELECTED | LVIS_FOCUSED;
    WriteProcessMemory(remote.process, remote.address, &item, sizeof item, NULL);
    SendMessageA(list, LVM_SETITEMSTATE, (WPARAM)row, (LPARAM)remote.address);
    CloseRemote(&remote);
    printf("selected row %d\n", row);
}

// Wine hands a chooser's text to another process in UTF-16 even when asked through the
// ANSI call, so ask in UTF-16 and convert.
std::string ChooserText(HWND chooser, int index)
{
    WCHAR wide[256] = L"";
    SendMessageW(chooser, CB_GETLBTEXT, (WPARAM)index, (LPARAM)wide);
    char text[256] = "";
    WideCharToMultiByte(CP_ACP, 0, wide, -1, text, sizeof text, NULL, NULL);
    return text;
}

void PrintChooser(const char* name, int id)
{
    HWND chooser = GetDlgItem(Page(), id);
    int count = (int)SendMessageA(chooser, CB_GETCOUNT, 0, 0);
    printf("%s:", name);
    for (int i = 0; i < count; ++i) printf(" %s", ChooserText(chooser, i).c_str());
    printf("\n");
}

void Choose(int id, const char* wanted)
{
    HWND page = Page();
    HWND chooser = GetDlgItem(page, id);
    int count = (int)SendMessageA(chooser, CB_GETCOUNT, 0, 0);
    for (int i = 0; i < count; ++i) {
        if (ChooserText(chooser, i) == wanted) {
            SendMessageA(chooser, CB_SETCURSEL, (WPARAM)i, 0);
            SendMessageA(page, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), (LPARAM)chooser);
            printf("chose %s\n", wanted);
            return;
        }
    }
    Fail("no such entry", wanted);
}

// A click that may open a message box: the call returns when the box is up or after a second.
void ClickButton(HWND window, int id, const char* name)
{
    DWORD_PTR result;
    SendMessageTimeoutA(GetDlgItem(window, id), BM_CLICK, 0, 0, SMTO_NORMAL, 1000, &result);
    printf("clicked %s\n", name);
}

void PressSheetButton(const char* name)
{
    int id = strcmp(name, "ok") == 0 ? IDOK : strcmp(name, "cancel") == 0 ? IDCANCEL : kApplyButton;
    // OK and Cancel close the sheet; post the click so that this driver does not wait for it.
    if (id == kApplyButton)
        ClickButton(g_sheet, id, name);
    else {
        PostMessageA(GetDlgItem(g_sheet, id), BM_CLICK, 0, 0);
        printf("clicked %s\n", name);
    }
}

void PrintValue(HKEY key, const char* name)
{
    BYTE data[1024];
    DWORD type = 0, size = sizeof data;
    if (RegQueryValueExA(key, name, NULL, &type, data, &size) != ERROR_SUCCESS) {
        printf("  %s missing\n", name);
        return;
    }
    printf("  %s type %lu bytes %lu \"", name, (unsigned long)type, (unsigned long)size);
    for (DWORD i = 0; i < size; ++i) {
        if (data[i] >= 32 && data[i] < 127) putchar(data[i]);
        else printf("\\x%02x", data[i]);
    }
    printf("\"\n");
}

void PrintStore(void)
{
    HKEY networks;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, NETWORKS_KEY_PATH, 0, KEY_READ, &networks) != ERROR_SUCCESS) {
        printf("store: no Networks key\n");
        return;
    }
    for (DWORD index = 0;; ++index) {
        char name[256];
        DWORD length = sizeof name;
        if (RegEnumKeyExA(networks, index, name, &length, NULL, NULL, NULL, NULL) != ERROR_SUCCESS) break;
        printf("key %s\n", name);
        HKEY pair;
        if (RegOpenKeyExA(networks, name, 0, KEY_READ, &pair) != ERROR_SUCCESS) continue;
        for (const char* value : {VALUE_SOURCE, VALUE_DESTINATION, VALUE_DIRECTION, VALUE_ENABLED})
            PrintValue(pair, value);
        RegCloseKey(pair);
    }
    RegCloseKey(networks);
}

void ResetStore(bool withNetworks)
{
    char path[KEY_TREE_PATH_SIZE];
    BoundedCopy(path, "Software\\Corvane Software");
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, &key) == ERROR_SUCCESS) {
        RegCloseKey(key);
        RemoveKeyTree(HKEY_LOCAL_MACHINE, path);
    }
    if (RegCreateKeyA(HKEY_LOCAL_MACHINE, withNetworks ? NETWORKS_KEY_PATH : PRODUCT_KEY_PATH, &key) != ERROR_SUCCESS)
        Fail("cannot create the store");
    RegCloseKey(key);
}

void SeedPair(const char* name, const char* source, const char* destination)
{
    std::string path = std::string(NETWORKS_KEY_PATH "\\") + name;
    HKEY key;
    if (RegCreateKeyA(HKEY_LOCAL_MACHINE, path.c_str(), &key) != ERROR_SUCCESS) Fail("cannot seed", name);
    RegSetValueExA(key, VALUE_SOURCE, 0, REG_SZ, (const BYTE*)source, (DWORD)strlen(source) + 1);
    RegSetValueExA(key, VALUE_DESTINATION, 0, REG_SZ, (const BYTE*)destination, (DWORD)strlen(destination) + 1);
    RegSetValueExA(key, VALUE_DIRECTION, 0, REG_SZ, (const BYTE*)"5", 2);
    RegSetValueExA(key, VALUE_ENABLED, 0, REG_SZ, (const BYTE*)"0", 2);
    RegCloseKey(key);
}

// Pairs "0" to "count - 1" as the configurator writes them, each with its own addresses.
void SeedMany(int count)
{
    HKEY networks;
    if (RegCreateKeyA(HKEY_LOCAL_MACHINE, NETWORKS_KEY_PATH, &networks) != ERROR_SUCCESS) Fail("cannot seed");
    for (int i = 0; i < count; ++i) {
        char name[16], source[16], destination[16];
        snprintf(name, sizeof name, "%d", i);
        snprintf(source, sizeof source, "10.1.%d.%d", i / 250, i % 250 + 1);
        snprintf(destination, sizeof destination, "10.2.%d.%d", i / 250, i % 250 + 1);
        HKEY key;
        if (RegCreateKeyA(networks, name, &key) != ERROR_SUCCESS) Fail("cannot seed", name);
        const char* texts[] = {source, destination, "2", "1"};
        for (int which = 0; which < PAIR_VALUE_COUNT; ++which)
            RegSetValueExA(key, PairValueNames[which], 0, REG_SZ, (const BYTE*)texts[which], (DWORD)strlen(texts[which]));
        RegCloseKey(key);
    }
    RegCloseKey(networks);
}

// Another writer that takes no lock: waits until a save has begun building the new list
// beside Networks, then adds a key, changes pair 5, deletes and recreates pair 5, or puts a
// value on Networks itself. "new-row" waits instead for the row the save adds ("2000" after
// 2,000 pairs) to appear in Networks, and disables it at once.
void WriteDuringSave(const char* kind)
{
    HKEY key;
    bool newRow = strcmp(kind, "new-row") == 0;
    std::string awaited = newRow ? NETWORKS_KEY_PATH "\\2000" : PRODUCT_KEY_PATH "\\" BUILDING_KEY_NAME;
    DWORD started = GetTickCount();
    while (RegOpenKeyExA(HKEY_LOCAL_MACHINE, awaited.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
        if (GetTickCount() - started > kWaitMilliseconds) Fail("no save began");
    }
    RegCloseKey(key);
    std::string name = newRow ? "2000" : strcmp(kind, "add") == 0 ? "extra" : strcmp(kind, "networks-value") == 0 ? "" : "5";
    std::string path = NETWORKS_KEY_PATH + (name.empty() ? "" : "\\" + name);
    if (strcmp(kind, "recreate") == 0) RegDeleteKeyA(HKEY_LOCAL_MACHINE, path.c_str());
    if (RegCreateKeyA(HKEY_LOCAL_MACHINE, path.c_str(), &key) != ERROR_SUCCESS) Fail("the writer cannot write", kind);
    if (newRow) RegSetValueExA(key, VALUE_ENABLED, 0, REG_SZ, (const BYTE*)"0", 2);
    else RegSetValueExA(key, name.empty() ? "Note" : VALUE_SOURCE, 0, REG_SZ, (const BYTE*)"9.9.9.9", 8);
    RegCloseKey(key);
    printf("wrote (%s)\n", kind);
}

// A reader that takes no lock, as the repeater service reads the list: opens Networks,
// enumerates its keys and reads each pair's source, pass after pass, until a whole pass
// has seen `finalSize` pairs. Prints each pass's size when it differs from the last one,
// and "partial" for a pass whose enumeration or a pair's read broke off. Networks missing
// is not printed: it may be, between the save's two renames.
void ReadDuringSave(int finalSize)
{
    int lastSize = -1;
    for (DWORD started = GetTickCount(); lastSize != finalSize;) {
        if (GetTickCount() - started > 4 * kWaitMilliseconds) Fail("never saw the list the save stores");
        HKEY networks;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, NETWORKS_KEY_PATH, 0, KEY_READ, &networks) != ERROR_SUCCESS) continue;
        int size = 0;
        LONG status;
        for (;; ++size) {
            char name[256], source[64];
            DWORD length = sizeof name, bytes = sizeof source;
            status = RegEnumKeyExA(networks, (DWORD)size, name, &length, NULL, NULL, NULL, NULL);
            if (status != ERROR_SUCCESS) break;
            HKEY pair;
            status = RegOpenKeyExA(networks, name, 0, KEY_READ, &pair);
            if (status != ERROR_SUCCESS) break;
            status = RegQueryValueExA(pair, VALUE_SOURCE, NULL, NULL, (BYTE*)source, &bytes);
            RegCloseKey(pair);
            if (status != ERROR_SUCCESS) break;
        }
        RegCloseKey(networks);
        if (status != ERROR_NO_MORE_ITEMS) printf("partial\n");
        else if (size != lastSize) printf("list of %d\n", lastSize = size);
    }
}

// Presses Apply and asks the sheet a question (WM_NULL) every few milliseconds while it saves
// (it is disabled meanwhile): prints whether it answered each within two seconds, how many it
// answered, and the longest wait, for the log.
void AnswersDuringApply(void)
{
    PostMessageA(GetDlgItem(g_sheet, kApplyButton), BM_CLICK, 0, 0);
    DWORD started = GetTickCount();
    while (IsWindowEnabled(g_sheet)) {
        if (GetTickCount() - started > kWaitMilliseconds) Fail("the save never began");
        Sleep(1);
    }
    int answered = 0;
    bool allAnswered = true;
    DWORD longest = 0;
    while (!IsWindowEnabled(g_sheet) && GetTickCount() - started < 4 * kWaitMilliseconds) {
        DWORD asked = GetTickCount();
        DWORD_PTR result;
        bool answer = SendMessageTimeoutA(g_sheet, WM_NULL, 0, 0, SMTO_NORMAL, 2000, &result) != 0;
        DWORD took = GetTickCount() - asked;
        allAnswered = allAnswered && answer;
        if (answer) ++answered;
        if (took > longest) longest = took;
        Sleep(10);
    }
    printf("answered while saving: %s\n", allAnswered && answered > 0 ? "yes" : "no");
    fprintf(stderr, "sheet answered %d questions during the save, the longest after %lu ms\n", answered,
            (unsigned long)longest);
}

// Holds the lock our programs save under, as another program's save would, until the file
// `stopFile` exists (at most a minute).
void HoldSaveLock(const char* stopFile)
{
    HANDLE mutex = CreateMutexA(NULL, TRUE, STORE_MUTEX_NAME);
    if (mutex == NULL) Fail("cannot take the save lock");
    printf("lock held\n");
    for (DWORD waited = 0; GetFileAttributesA(stopFile) == INVALID_FILE_ATTRIBUTES && waited < 60000; waited += 100)
        Sleep(100);
    ReleaseMutex(mutex);
    CloseHandle(mutex);
}

// Paths below "Software\Corvane Software", one level at a time, so that a link on the way
// is followed only where the platform itself follows it.
#define CORVANE_PATH "Software\\Corvane Software\\"

HKEY CreatePath(const std::string& path)
{
    HKEY key;
    if (RegCreateKeyA(HKEY_LOCAL_MACHINE, (CORVANE_PATH + path).c_str(), &key) != ERROR_SUCCESS)
        Fail("cannot create", path.c_str());
    return key;
}

int HexValue(char digit)
{
    return digit <= '9' ? digit - '0' : (digit | 0x20) - 'a' + 10;
}

// A value of any type with the bytes given in hex ("" for none), at a path below the Corvane key.
void SetRawValue(const std::string& path, const char* name, DWORD type, const char* hex)
{
    std::string bytes;
    for (const char* p = hex; p[0] && p[1]; p += 2) bytes += (char)(HexValue(p[0]) * 16 + HexValue(p[1]));
    HKEY key = CreatePath(path);
    if (RegSetValueExA(key, name, 0, type, (const BYTE*)bytes.data(), (DWORD)bytes.size()) != ERROR_SUCCESS)
        Fail("cannot set", name);
    RegCloseKey(key);
}

// A registry link at `path` naming `target`, both below the Corvane key.
void CreateLinkKey(const std::string& path, const std::string& target)
{
    HKEY link;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, (CORVANE_PATH + path).c_str(), 0, NULL, REG_OPTION_CREATE_LINK,
                        KEY_ALL_ACCESS | KEY_CREATE_LINK, NULL, &link, NULL) != ERROR_SUCCESS)
        Fail("cannot create the link", path.c_str());
    std::string native = "\\Registry\\Machine\\" CORVANE_PATH + target, wide;
    for (char c : native) wide += std::string{c, '\0'};
    RegSetValueExA(link, "SymbolicLinkValue", 0, REG_LINK, (const BYTE*)wide.data(), (DWORD)wide.size());
    RegCloseKey(link);
}

// Gives everyone exactly `rights` on the key at `path` (below the Corvane key), and the
// right to change that again.
void SetKeyRights(const std::string& path, REGSAM rights)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, (CORVANE_PATH + path).c_str(), 0, WRITE_DAC | READ_CONTROL, &key) != ERROR_SUCCESS)
        Fail("cannot open for its rights", path.c_str());
    SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
    PSID everyone = NULL;
    if (!AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &everyone)) Fail("no SID");
    DWORD aclBuffer[64];
    PACL acl = (PACL)aclBuffer;
    SECURITY_DESCRIPTOR descriptor;
    if (!InitializeAcl(acl, sizeof aclBuffer, ACL_REVISION) ||
        !AddAccessAllowedAce(acl, ACL_REVISION, rights | WRITE_DAC | READ_CONTROL, everyone) ||
        !InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION) ||
        !SetSecurityDescriptorDacl(&descriptor, TRUE, acl, FALSE) ||
        RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, &descriptor) != ERROR_SUCCESS)
        Fail("cannot set the rights of", path.c_str());
    FreeSid(everyone);
    RegCloseKey(key);
}

// Denies everyone DELETE on the key at `path` (below the Corvane key), and allows the rest.
void DenyDelete(const std::string& path)
{
    HKEY key;
    PSECURITY_DESCRIPTOR descriptor = NULL;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, (CORVANE_PATH + path).c_str(), 0, WRITE_DAC, &key) != ERROR_SUCCESS)
        Fail("cannot open for its rights", path.c_str());
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorA("D:(D;;SD;;;WD)(A;;KA;;;WD)", SDDL_REVISION_1,
                                                              &descriptor, NULL) ||
        RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, descriptor) != ERROR_SUCCESS)
        Fail("cannot deny deleting", path.c_str());
    LocalFree(descriptor);
    RegCloseKey(key);
}

void RemoveTree(const std::string& path)
{
    char tree[KEY_TREE_PATH_SIZE];
    BoundedCopy(tree, (CORVANE_PATH + path).c_str());
    if (!RemoveKeyTreeNoting(HKEY_LOCAL_MACHINE, tree, NULL)) Fail("cannot remove", path.c_str());
}

// A command about the sheet and its page; false when `command` is none of them. `i` moves
// past the arguments it takes.
bool RunSheetCommand(const std::string& command, int argc, char** argv, int* at)
{
    int& i = *at;
    const char* next = i + 1 < argc ? argv[i + 1] : "";
    if (command == "wait-sheet") WaitForSheet();
    else if (command == "apply?")
        printf("apply %s\n", IsWindowEnabled(GetDlgItem(g_sheet, kApplyButton)) ? "enabled" : "disabled");
    else if (command == "rows") PrintRows();
    else if (command == "row-place") PrintRowPlace(atoi(argv[++i]));
    else if (command == "columns") {
        HWND list = GetDlgItem(Page(), IDC_PAIR_LIST);
        printf("column widths %d %d\n", (int)SendMessageA(list, LVM_GETCOLUMNWIDTH, 0, 0),
               (int)SendMessageA(list, LVM_GETCOLUMNWIDTH, 1, 0));
    } else if (command == "line") {
        char text[1024] = "";
        GetDlgItemTextA(Page(), IDC_ADDRESS_LINE, text, sizeof text);
        for (char* c = text; *c; ++c)
            if (*c == '\r' || *c == '\n') *c = '|';
        printf("line: %s\n", text);
    }
    else if (command == "choosers") {
        PrintChooser("source", IDC_SOURCE_CHOOSER);
        PrintChooser("destination", IDC_DESTINATION_CHOOSER);
    } else if (command == "source") Choose(IDC_SOURCE_CHOOSER, argv[++i]);
    else if (command == "destination") Choose(IDC_DESTINATION_CHOOSER, argv[++i]);
    else if (command == "add") ClickButton(Page(), IDC_ADD_BUTTON, "add");
    else if (command == "remove") ClickButton(Page(), IDC_REMOVE_BUTTON, "remove");
    else if (command == "select") SelectRow(atoi(argv[++i]));
    else if (command == "press") PressSheetButton(argv[++i]);
    else if (command == "close") {
        PostMessageA(g_sheet, WM_SYSCOMMAND, SC_CLOSE, 0);
        printf("closed the sheet\n");
    } else if (command == "box") ReadMessageBox(argv[++i], true);
    else if (command == "read-box") ReadMessageBox(argv[++i], false);
    else if (command == "answer") {  // CAPTION yes|no
        AnswerQuestion(argv[i + 1], argv[i + 2]);
        i += 2;
    } else if (command == "answers?") AskSheet();
    else if (command == "seed-many") SeedMany(atoi(argv[++i]));
    else if (command == "write-during-save") WriteDuringSave(argv[++i]);
    else if (command == "read-during-save") ReadDuringSave(atoi(argv[++i]));
    else if (command == "hold-lock") HoldSaveLock(argv[++i]);
    else if (command == "apply-answering") AnswersDuringApply();
    else if (command == "no-box") {
        if (WaitForMessageBox(next, 500) != NULL) Fail("unexpected message box", next);
        ++i;
    } else {
        return false;
    }
    return true;
}

// A command about the registry; false when `command` is none of them.
bool RunStoreCommand(const std::string& command, char** argv, int* at)
{
    int& i = *at;
    if (command == "store") PrintStore();
    else if (command == "reset-store") ResetStore(true);
    else if (command == "reset-store-without-networks") ResetStore(false);
    else if (command == "seed") {
        SeedPair(argv[i + 1], argv[i + 2], argv[i + 3]);
        i += 3;
    } else if (command == "value") {  // PATH NAME TYPE HEX, PATH below the Corvane key
        SetRawValue(argv[i + 1], argv[i + 2], (DWORD)atoi(argv[i + 3]), argv[i + 4]);
        i += 4;
    } else if (command == "key") RegCloseKey(CreatePath(argv[++i]));
    else if (command == "link") {  // PATH TARGET
        CreateLinkKey(argv[i + 1], argv[i + 2]);
        i += 2;
    } else if (command == "remove-tree") RemoveTree(argv[++i]);
    else if (command == "wide-key") {  // PATH CODE-POINT: a subkey of PATH named by one UTF-16 unit
        WCHAR name[2] = {(WCHAR)strtoul(argv[i + 2], NULL, 16), 0};
        HKEY parent = CreatePath(argv[i + 1]), key;
        if (RegCreateKeyExW(parent, name, 0, NULL, 0, KEY_ALL_ACCESS, NULL, &key, NULL) != ERROR_SUCCESS)
            Fail("cannot create a key named", argv[i + 2]);
        RegCloseKey(key);
        RegCloseKey(parent);
        i += 2;
    } else if (command == "deny-writes") SetKeyRights(argv[++i], KEY_READ);
    else if (command == "allow-writes") SetKeyRights(argv[++i], KEY_ALL_ACCESS);
    else if (command == "deny-delete") DenyDelete(argv[++i]);
    else return false;
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    setvbuf(stdout, NULL, _IONBF, 0);
    if (!RunningOnWine()) Fail("the driver rewrites the product's registry key: it runs only under Wine");
    for (int i = 1; i < argc; ++i) {
        std::string command = argv[i];
        if (!RunSheetCommand(command, argc, argv, &i) && !RunStoreCommand(command, argv, &i))
            Fail("unknown command", command.c_str());
    }
    return 0;
}
