// The anchor of the start-up benchmark: the least a one-page property sheet that shows the
// stored pairs can be. It reads every pair below the Networks key as the layout has it (the
// two addresses, Direction and Enabled) and fills a list view the size of the General
// page's by the list view's fastest documented fill: no repaint while the rows go in, and
// room for all rows made first. No owner window, no address discovery, no other control.
#include <windows.h>
#include <commctrl.h>
#include <prsht.h>

#include <stdio.h>
#include <stdlib.h>

namespace {

#define NETWORKS_PATH "Software\\Corvane Software\\mDNS\\Networks"

struct Row {
    char source[16];
    char destination[16];
    int direction;
    int enabled;
};
Row* g_rows = NULL;
DWORD g_rowCount = 0;

void ReadAddress(HKEY key, const char* name, char* field)
{
    DWORD size = 15;
    if (RegQueryValueExA(key, name, NULL, NULL, (LPBYTE)field, &size) != ERROR_SUCCESS) size = 0;
    field[size] = 0;
}

void ReadRows(void)
{
    HKEY networks;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, NETWORKS_PATH, 0, KEY_READ, &networks) != ERROR_SUCCESS) return;
    RegQueryInfoKeyA(networks, NULL, NULL, NULL, &g_rowCount, NULL, NULL, NULL, NULL, NULL, NULL, NULL);
    g_rows = (Row*)calloc(g_rowCount + 1, sizeof(Row));
    for (DWORD index = 0; index < g_rowCount; ++index) {
        char name[256];
        DWORD length = sizeof name;
        HKEY pair;
        if (RegEnumKeyExA(networks, index, name, &length, NULL, NULL, NULL, NULL) != ERROR_SUCCESS ||
            RegOpenKeyExA(networks, name, 0, KEY_READ, &pair) != ERROR_SUCCESS)
            continue;
        ReadAddress(pair, "IPsource", g_rows[index].source);
        ReadAddress(pair, "IPdestination", g_rows[index].destination);
        char number[16];
        ReadAddress(pair, "Direction", number);
        g_rows[index].direction = atoi(number);
        ReadAddress(pair, "Enabled", number);
        g_rows[index].enabled = atoi(number);
        RegCloseKey(pair);
    }
    RegCloseKey(networks);
}

void SetText(HWND list, UINT message, int row, int column, const char* text)
{
    LVITEMA item = {};
    item.mask = LVIF_TEXT;
    item.iItem = row;
    item.iSubItem = column;
    item.pszText = (LPSTR)text;
    SendMessageA(list, message, 0, (LPARAM)&item);
}

void FillList(HWND list)
{
    SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_FULLROWSELECT);
    const char* headings[] = {"IP1", "IP2"};
    int widths[] = {144, 96};
    for (int column = 0; column < 2; ++column) {
        LVCOLUMNA description = {};
        description.mask = LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
        description.cx = widths[column];
        description.pszText = (LPSTR)headings[column];
        description.iSubItem = column;
        SendMessageA(list, LVM_INSERTCOLUMNA, column, (LPARAM)&description);
    }
    SendMessageA(list, WM_SETREDRAW, FALSE, 0);
    SendMessageA(list, LVM_SETITEMCOUNT, g_rowCount, 0);
    for (int row = 0; row < (int)g_rowCount; ++row) {
        SetText(list, LVM_INSERTITEMA, row, 0, g_rows[row].source);
        SetText(list, LVM_SETITEMA, row, 1, g_rows[row].destination);
    }
    SendMessageA(list, WM_SETREDRAW, TRUE, 0);
}

INT_PTR CALLBACK PageProc(HWND page, UINT message, WPARAM, LPARAM)
{
    if (message == WM_INITDIALOG) FillList(GetDlgItem(page, 1017));
    return FALSE;
}

// A dialog template in memory, as the General page's: 323 x 300 units in "MS Shell Dlg" at
// 8 points, with only the list, at the General page's place.
alignas(4) WORD g_template[128];

size_t PutText(size_t at, const char* text)
{
    do g_template[at++] = (WORD)(unsigned char)*text;
    while (*text++);
    return at;
}

const DLGTEMPLATE* BuildTemplate(void)
{
    DLGTEMPLATE* dialog = (DLGTEMPLATE*)g_template;
    dialog->style = DS_SETFONT | WS_CHILD | WS_DISABLED | WS_CAPTION;
    dialog->cdit = 1;
    dialog->cx = 323;
    dialog->cy = 300;
    size_t at = sizeof(DLGTEMPLATE) / sizeof(WORD);
    g_template[at++] = 0;  // no menu
    g_template[at++] = 0;  // the dialog class
    g_template[at++] = 0;  // no title
    g_template[at++] = 8;  // points
    at = PutText(at, "MS Shell Dlg");
    at = (at + 1) & ~(size_t)1;  // items start on a DWORD
    DLGITEMTEMPLATE* item = (DLGITEMTEMPLATE*)&g_template[at];
    item->style = WS_CHILD | WS_VISIBLE | WS_BORDER | WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS;
    item->x = 14;
    item->y = 55;
    item->cx = 218;
    item->cy = 73;
    item->id = 1017;
    at += sizeof(DLGITEMTEMPLATE) / sizeof(WORD);
    at = PutText(at, "SysListView32");
    g_template[at++] = 0;  // no text
    g_template[at++] = 0;  // no creation data
    return dialog;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    ReadRows();
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&controls);

    PROPSHEETPAGEA page = {};
    page.dwSize = sizeof page;
    page.dwFlags = PSP_DLGINDIRECT | PSP_USETITLE;
    page.hInstance = instance;
    page.pResource = BuildTemplate();
    page.pszTitle = "General";
    page.pfnDlgProc = PageProc;
    PROPSHEETHEADERA header = {};
    header.dwSize = sizeof header;
    header.dwFlags = PSH_PROPSHEETPAGE;
    header.hInstance = instance;
    header.pszCaption = "Minimal Sheet";
    header.nPages = 1;
    header.ppsp = &page;
    PropertySheetA(&header);
    return 0;
}
