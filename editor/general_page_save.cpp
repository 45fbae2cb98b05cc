// The save on OK and Apply: the rows of the General page's list, in list order, to the store.
#include <windows.h>
#include <commctrl.h>
#include <prsht.h>
#include <stdlib.h>
#include <string.h>

#include "general_page.h"
#include "pair_list_control.h"
#include "../resources/program_texts.h"
#include "../resources/resource_ids.h"
#include "../store/save_pair_list.h"

static char* CopyText(const char* text)
{
    size_t size = strlen(text) + 1;
    char* copy = (char*)malloc(size);
    if (copy != NULL) memcpy(copy, text, size);
    return copy;
}

// Reads one column of a row into memory of its own; NULL when memory ran out.
static char* CopyRowText(const PairRows* rows, int row, int column)
{
    char buffer[CANDIDATE_TEXT_SIZE];
    char* text = ReadWholeRowText(rows, row, column, buffer);
    if (text == NULL) return NULL;
    char* copy = text == buffer ? CopyText(buffer) : text;
    return copy;
}

void SaveSheetPairs(HWND sheet)
{
    HWND page = (HWND)SendMessageA(sheet, PSM_INDEXTOHWND, 0, 0);
    HWND list = GetDlgItem(page, IDC_PAIR_LIST);
    PairRows rows = ListControlRows(list);
    int rowCount = rows.count(rows.context);

    PairRowText* texts = (PairRowText*)calloc(rowCount > 0 ? (size_t)rowCount : 1, sizeof(PairRowText));
    bool complete = texts != NULL;
    int taken = 0;
    // All items in index order, each found from the one before.
    for (int row = (int)SendMessageA(list, LVM_GETNEXTITEM, (WPARAM)-1, MAKELPARAM(LVNI_ALL, 0));
         complete && row != -1 && taken < rowCount;
         row = (int)SendMessageA(list, LVM_GETNEXTITEM, (WPARAM)row, MAKELPARAM(LVNI_ALL, 0))) {
        texts[taken].source = CopyRowText(&rows, row, 0);
        texts[taken].destination = CopyRowText(&rows, row, 1);
        if (texts[taken].source == NULL || texts[taken].destination == NULL) complete = false;
        ++taken;
    }
    // Never store a list that lost rows on the way: the old list stays instead.
    bool saved = complete && SavePairList(texts, taken);
    for (int i = 0; i < taken; ++i) {
        free((void*)texts[i].source);
        free((void*)texts[i].destination);
    }
    free(texts);
    if (!saved) MessageBoxA(sheet, TEXT_SAVE_ERROR, CAPTION_SAVE_ERROR, MB_ICONERROR);
}
