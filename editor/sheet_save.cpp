// The sheet's save: the page's rows to the store, the question when another program
// changed them, and the save itself on a thread of its own, so that the sheet keeps answering
// through a long list or a wait for the save lock.
#include <windows.h>
#include <prsht.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "editor/general_page.h"
#include "editor/pair_list.h"
#include "editor/save_answers.h"
#include "editor/sheet_save.h"
#include "resources/program_texts.h"
#include "resources/resource_ids.h"
#include "store/store.h"

#define LINE_TEXT_SIZE 512

// The save on a thread of its own, and what it asks of the window's thread on the way.
struct SheetSaveJob {
    const PairRowText* rows;
    int rowCount;
    SaveRequest request;
    SaveResult result;
    HANDLE noted;     // the save has a note about its lock for the window's thread
    HANDLE answered;  // the window's thread has shown it
    SaveLockNote note;
};

static DWORD WINAPI RunSaveJob(LPVOID context)
{
    SheetSaveJob* job = (SheetSaveJob*)context;
    job->result = SavePairListOver(job->rows, job->rowCount, &job->request);
    return 0;
}

// On the save's thread: hands the note to the window's thread, and goes on once it is shown.
static void NoteLockFromSave(SaveLockNote note, void* context)
{
    SheetSaveJob* job = (SheetSaveJob*)context;
    job->note = note;
    SetEvent(job->noted);
    WaitForSingleObject(job->answered, INFINITE);
}

// On the window's thread: the wait below the list, or a lock that could not be had, in a box
// (the save then goes on with its compare).
static void ShowLockNote(HWND sheet, HWND page, SaveLockNote note)
{
    if (note == SAVE_LOCK_WAITING) SetDlgItemTextA(page, IDC_ADDRESS_LINE, TEXT_LOCK_WAITING);
    else MessageBoxA(sheet, TEXT_LOCK_NOT_HELD, CAPTION_STORE_QUESTION, MB_ICONWARNING);
}

// Dispatches what the window's thread has to do; false on a quit, which is put back for the
// loop outside the sheet.
static bool DispatchWaiting(void)
{
    MSG message;
    while (PeekMessageA(&message, NULL, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            PostQuitMessage((int)message.wParam);
            return false;
        }
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return true;
}

// Runs the save on a thread of its own while the sheet paints and answers: a long list, or
// another program's save holding the lock, may take seconds. The sheet is disabled meanwhile,
// so that no second OK or Apply starts a save inside this one.
static SaveResult SaveWhileAnswering(const PairRowText* rows, int rowCount, const SaveRequest* request, void* context)
{
    HWND sheet = (HWND)context;
    HWND page = (HWND)SendMessageA(sheet, PSM_INDEXTOHWND, 0, 0);
    SheetSaveJob job;
    memset(&job, 0, sizeof job);
    job.rows = rows;
    job.rowCount = rowCount;
    job.request = *request;
    job.request.waitForLock = NULL;
    job.request.noteLock = NoteLockFromSave;
    job.request.context = &job;
    job.noted = CreateEventA(NULL, FALSE, FALSE, NULL);
    job.answered = CreateEventA(NULL, FALSE, FALSE, NULL);
    char line[LINE_TEXT_SIZE] = "";
    GetDlgItemTextA(page, IDC_ADDRESS_LINE, line, sizeof line);
    BOOL wasEnabled = !EnableWindow(sheet, FALSE);
    HANDLE thread = job.noted != NULL && job.answered != NULL ? CreateThread(NULL, 0, RunSaveJob, &job, 0, NULL) : NULL;
    if (thread == NULL) {
        // No thread to be had: the save runs here, waiting for the lock as the sheet answers.
        job.request = *request;
        job.result = SavePairListOver(rows, rowCount, &job.request);
    } else {
        HANDLE waits[2] = {thread, job.noted};
        for (;;) {
            DWORD waited = MsgWaitForMultipleObjects(2, waits, FALSE, INFINITE, QS_ALLINPUT);
            if (waited == WAIT_OBJECT_0) break;
            if (waited == WAIT_OBJECT_0 + 1) {
                ShowLockNote(sheet, page, job.note);
                SetEvent(job.answered);
            } else if (waited != WAIT_OBJECT_0 + 2 || !DispatchWaiting()) {
                // A wait that failed, or a quit: the save still ends before the sheet does.
                WaitForSingleObject(thread, INFINITE);
                break;
            }
        }
        CloseHandle(thread);
    }
    if (wasEnabled) EnableWindow(sheet, TRUE);
    SetDlgItemTextA(page, IDC_ADDRESS_LINE, line);
    if (job.noted != NULL) CloseHandle(job.noted);
    if (job.answered != NULL) CloseHandle(job.answered);
    return job.result;
}

// Without a thread of its own, the save waits for the lock here, the sheet answering (and
// disabled, and the line below the list saying why).
static DWORD WaitAnswering(HANDLE mutex, DWORD milliseconds, void*)
{
    DWORD started = GetTickCount();
    DWORD waited = WAIT_TIMEOUT;
    for (;;) {
        DWORD elapsed = GetTickCount() - started;
        if (elapsed >= milliseconds) break;
        waited = MsgWaitForMultipleObjects(1, &mutex, FALSE, milliseconds - elapsed, QS_ALLINPUT);
        if (waited != WAIT_OBJECT_0 + 1 || !DispatchWaiting()) break;
        waited = WAIT_TIMEOUT;
    }
    return waited == WAIT_ABANDONED_0 ? WAIT_ABANDONED : waited;
}

static void NoteLock(SaveLockNote note, void* context)
{
    HWND sheet = (HWND)context;
    ShowLockNote(sheet, (HWND)SendMessageA(sheet, PSM_INDEXTOHWND, 0, 0), note);
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
    // An old list is left for its readers' grace and removed later: nobody waits for them.
    SaveRequest request = {NULL, NULL, WaitAnswering, NoteLock, sheet, READER_GRACE_BY_SIZE, NULL};
    const SaveAnswers answers = {AskInBox, TellInBox, sheet, SaveWhileAnswering};
    bool saved = SaveAnswering(rows, rowCount, &request, &answers, PageSession(page));
    free(rows);
    return saved;
}

void RetireSheetLists(HWND owner, SheetSession* session)
{
    const SaveAnswers answers = {AskInBox, TellInBox, owner, NULL};
    RetireAnswering(&answers, session);
}
