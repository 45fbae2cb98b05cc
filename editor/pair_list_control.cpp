// Rows of the pair list read and changed through list-view messages.
#include <windows.h>
#include <commctrl.h>

#include "pair_list_control.h"

static int CountListRows(void* context)
{
    return (int)SendMessageA((HWND)context, LVM_GETITEMCOUNT, 0, 0);
}

static int ReadListText(void* context, int row, int column, char* text, int capacity)
{
    LVITEMA item;
    ZeroMemory(&item, sizeof item);
    item.iSubItem = column;
    item.pszText = text;
    item.cchTextMax = capacity;
    text[0] = 0;
    return (int)SendMessageA((HWND)context, LVM_GETITEMTEXTA, (WPARAM)row, (LPARAM)&item);
}

// A row is described by its text only: index, sub-item, text and its length plus one.
static void SetListText(HWND list, UINT message, int row, int column, const char* text)
{
    LVITEMA item;
    ZeroMemory(&item, sizeof item);
    item.mask = LVIF_TEXT;
    item.iItem = row;
    item.iSubItem = column;
    item.pszText = (LPSTR)text;
    item.cchTextMax = lstrlenA(text) + 1;
    SendMessageA(list, message, 0, (LPARAM)&item);
}

void AppendListRow(HWND list, const char* source, const char* destination)
{
    int row = (int)SendMessageA(list, LVM_GETITEMCOUNT, 0, 0);
    SetListText(list, LVM_INSERTITEMA, row, 0, source);
    SetListText(list, LVM_SETITEMA, row, 1, destination);
}

static void AppendRowToList(void* context, const char* source, const char* destination)
{
    AppendListRow((HWND)context, source, destination);
}

static void DeleteListRow(void* context, int row)
{
    SendMessageA((HWND)context, LVM_DELETEITEM, (WPARAM)row, 0);
}

PairRows ListControlRows(HWND list)
{
    PairRows rows = {(void*)list, CountListRows, ReadListText, AppendRowToList, DeleteListRow};
    return rows;
}
