// Times the General page with a large list, in the real property sheet: opening it (the
// list's fill), one accepted Add (it checks every row for a duplicate) and one Remove.
// Prints figures; tests nothing.
#include <windows.h>
#include <commctrl.h>
#include <prsht.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <chrono>
#include <vector>

#include "net/local_addresses.h"
#include "resources/resource_ids.h"
#include "shell/configuration_sheet.h"
#include "store/store.h"

namespace {

double MillisecondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

void PumpMessages(void)
{
    MSG message;
    while (PeekMessageA(&message, NULL, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

// The table the start-up load would leave for `count` stored pairs.
void FillPairTable(int count)
{
    free(PairTable);
    PairTable = (NetworkPair*)calloc(count > 0 ? (size_t)count : 1, sizeof(NetworkPair));
    for (int i = 0; i < count; ++i) {
        snprintf(PairTable[i].sourceAddress, ADDRESS_TEXT_SIZE, "10.%d.%d.1", (i / 256) % 256, i % 256);
        snprintf(PairTable[i].destinationAddress, ADDRESS_TEXT_SIZE, "192.168.0.1");
    }
    PairTableCount = (DWORD)count;
}

void Choose(HWND page, int id, const char* text)
{
    HWND chooser = GetDlgItem(page, id);
    SendMessageA(chooser, CB_SETCURSEL, SendMessageA(chooser, CB_FINDSTRINGEXACT, (WPARAM)-1, (LPARAM)text), 0);
}

void PrintFigures(const char* what, int count, std::vector<double> times)
{
    std::sort(times.begin(), times.end());
    printf("%-8s %8d %10.2f %10.2f %10.2f\n", what, count, times.front(), times[times.size() / 2], times.back());
}

}  // namespace

int main()
{
    ProgramInstance = GetModuleHandleA(NULL);
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&controls);
    static const AddressText offered[] = {"192.168.1.10", "10.0.0.5", "10.0.0.6"};

    const int runs = 5;
    printf("%-8s %8s %10s %10s %10s   (ms)\n", "", "rows", "min", "median", "max");
    for (int count : {1000, 10000}) {
        std::vector<double> opens, adds, removes;
        for (int run = 0; run < runs; ++run) {
            FillPairTable(count);
            PROPSHEETHEADERA header;
            SheetPageDescription description;
            SheetSession session = {};  // no save is made here
            session.own.hostList = offered;
            session.own.hostCount = 3;
            FillSheetHeader(&header, &description, GetModuleHandleA(NULL), NULL, &session);
            header.dwFlags |= PSH_MODELESS;
            auto start = std::chrono::steady_clock::now();
            HWND sheet = (HWND)PropertySheetA(&header);
            PumpMessages();
            opens.push_back(MillisecondsSince(start));

            HWND page = (HWND)SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0);
            HWND list = GetDlgItem(page, IDC_PAIR_LIST);
            Choose(page, IDC_SOURCE_CHOOSER, "10.0.0.5");
            Choose(page, IDC_DESTINATION_CHOOSER, "10.0.0.6");
            start = std::chrono::steady_clock::now();
            SendMessageA(GetDlgItem(page, IDC_ADD_BUTTON), BM_CLICK, 0, 0);
            PumpMessages();
            adds.push_back(MillisecondsSince(start));

            LVITEMA item = {};
            item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
            item.state = LVIS_SELECTED | LVIS_FOCUSED;
            SendMessageA(list, LVM_SETITEMSTATE, (WPARAM)count, (LPARAM)&item);
            start = std::chrono::steady_clock::now();
            SendMessageA(GetDlgItem(page, IDC_REMOVE_BUTTON), BM_CLICK, 0, 0);
            PumpMessages();
            removes.push_back(MillisecondsSince(start));

            if (SendMessageA(list, LVM_GETITEMCOUNT, 0, 0) != count) printf("the list did not come back to %d rows\n", count);
            DestroyWindow(sheet);
            PumpMessages();
        }
        PrintFigures("open", count, opens);
        PrintFigures("add", count, adds);
        PrintFigures("remove", count, removes);
    }
    return 0;
}
