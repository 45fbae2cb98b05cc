// The sheet's save: the page's rows to the store, the question when another program
// changed them, and a wait for the save lock during which the sheet keeps answering.
#include <windows.h>
#include <prsht.h>
#include <stdio.h>
#include <stdlib.h>

#include "editor/general_page.h"
#include "editor/pair_list.h"
#include "editor/save_answers.h"
#include "editor/sheet_save.h"
#include "resources/program_texts.h"
#include "resources/resource_ids.h"
#include "store/store.h"

#define LINE_TEXT_SIZE 512

// Waits for the lock while the sheet paints and answers: another program's save may take
// seconds. The sheet is disabled meanwhile, so that no second OK or Apply starts a save
// inside this one, and the line below the list says what it waits for.
static DWORD WaitAnswering(HANDLE mutex, DWORD milliseconds, void* context)
{
    HWND sheet = (HWND)context;
    HWND page = (HWND)SendMessageA(sheet, PSM_INDEXTOHWND, 0, 0);
    char line[LINE_TEXT_SIZE] = "";
    GetDlgItemTextA(page, IDC_ADDRESS_LINE, line, sizeof line);
    SetDlgItemTextA(page, IDC_ADDRESS_LINE, TEXT_LOCK_WAITING);
    BOOL wasEnabled = !EnableWindow(sheet, FALSE);
    DWORD started = GetTickCount();
    DWORD waited = WAIT_TIMEOUT;
    for (;;) {
        DWORD elapsed = GetTickCount() - started;
        if (elapsed >= milliseconds) break;
        waited = MsgWaitForMultipleObjects(1, &mutex, FALSE, milliseconds - elapsed, QS_ALLINPUT);
        if (waited != WAIT_OBJECT_0 + 1) break;
        MSG message;
        while (PeekMessageA(&message, NULL, 0, 0, PM_REMOVE)) {
            // A quit belongs to the loop outside the sheet; put it back for that loop.
            if (message.message == WM_QUIT) {
                PostQuitMessage((int)message.wParam);
                break;
            }
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        waited = WAIT_TIMEOUT;
    }
    if (waited == WAIT_ABANDONED_0) waited = WAIT_ABANDONED;
    if (wasEnabled) EnableWindow(sheet, TRUE);
    SetDlgItemTextA(page, IDC_ADDRESS_LINE, line);
    return waited;
}

// A lock that could not be had is said once, in a box; the save goes on with its compare.
static void NoteLock(SaveLockNote note, void* context)
{
    if (note == SAVE_LOCK_WAITING) return;  // the wait itself says so below the list
    MessageBoxA((HWND)context, TEXT_LOCK_NOT_HELD, CAPTION_STORE_QUESTION, MB_ICONWARNING);
}

static bool AskInBox(const char* question, void* context)
{
    return MessageBoxA((HWND)context, question, CAPTION_STORE_QUESTION, MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2) ==
           IDYES;
}

static void TellInBox(const char* text, bool error, void* context)
{
    MessageBoxA((HWND)context, text, CAPTION_SAVE_ERROR, error ? MB_ICONERROR : MB_ICONWARNING);
}

bool SaveSheetPairs(HWND sheet)
{
    HWND page = (HWND)SendMessageA(sheet, PSM_INDEXTOHWND, 0, 0);
    PairRowText* rows;
    int rowCount = ReadPairList(GetDlgItem(page, IDC_PAIR_LIST), &rows);
    // Never store a list that lost rows on the way: the old list stays instead.
    if (rowCount < 0) {
        MessageBoxA(sheet, TEXT_SAVE_ERROR, CAPTION_SAVE_ERROR, MB_ICONERROR);
        return false;
    }
    // The old list is removed when the sheet closes, so that Apply does not wait for its readers.
    SaveRequest request = {NULL, NULL, WaitAnswering, NoteLock, sheet, READER_GRACE_BY_SIZE, NULL};
    const SaveAnswers answers = {AskInBox, TellInBox, sheet};
    bool saved = SaveAnswering(rows, rowCount, &request, &answers, PageSession(page));
    free(rows);
    return saved;
}

void RetireSheetLists(HWND owner, SheetSession* session)
{
    const SaveAnswers answers = {AskInBox, TellInBox, owner};
    RetireAnswering(&answers, session);
}
