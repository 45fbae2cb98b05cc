// The General page inside the real property sheet of the platform's common controls,
// driven through its controls: choosers, Add, Remove, row selection, Apply, OK, Cancel.
// Message boxes are caught as they open, read and closed, so none is left waiting.
#include <windows.h>
#include <commctrl.h>
#include <oleacc.h>
#include <prsht.h>
#include <sddl.h>

#include <stdlib.h>
#include <string.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "tests/registry_helpers.h"
#include "editor/general_page.h"
#include "editor/sheet_save.h"
#include "net/adapters.h"
#include "net/local_addresses.h"
#include "resources/program_texts.h"
#include "resources/resource_ids.h"
#include "tests/platform_windows.h"
#include "shell/configuration_sheet.h"
#include "store/store.h"

namespace {


struct SeenMessageBox {
    HWND owner;
    std::string caption;
    std::string text;
    HICON icon;
};
std::vector<SeenMessageBox> g_seenBoxes;
HHOOK g_hook = NULL;
int g_boxAnswer = IDOK;

// Reads every message box that opens on this thread, then answers it with g_boxAnswer.
LRESULT CALLBACK WatchMessageBoxes(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_ACTIVATE) {
        HWND window = (HWND)wParam;
        HWND textControl = GetDlgItem(window, kMessageBoxText);
        if (textControl != NULL) {
            char caption[256] = "", text[512] = "";
            GetWindowTextA(window, caption, sizeof caption);
            GetWindowTextA(textControl, text, sizeof text);
            HICON icon = (HICON)SendMessageA(MessageBoxIconControl(window), STM_GETICON, 0, 0);
            g_seenBoxes.push_back(SeenMessageBox{GetWindow(window, GW_OWNER), caption, text, icon});
            PostMessageA(window, WM_COMMAND, g_boxAnswer, 0);
        }
    }
    return CallNextHookEx(g_hook, code, wParam, lParam);
}

HWND g_pumpedSheet = NULL;

// The loop of a modeless sheet: the sheet sees keyboard messages first, as its dialog
// manager must for mnemonics and Tab.
void PumpMessages(void)
{
    MSG message;
    for (int i = 0; i < 1000 && PeekMessageA(&message, NULL, 0, 0, PM_REMOVE); ++i) {
        if (g_pumpedSheet != NULL && IsWindow(g_pumpedSheet) && PropSheet_IsDialogMessage(g_pumpedSheet, &message))
            continue;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}


typedef std::vector<std::pair<std::string, std::string>> Rows;

class GeneralPageTest : public StoreTest {
protected:
    void SetUp() override
    {
        StoreTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        g_seenBoxes.clear();
        g_boxAnswer = IDOK;
        g_hook = SetWindowsHookExA(WH_CBT, WatchMessageBoxes, NULL, GetCurrentThreadId());
        ASSERT_NE((HHOOK)NULL, g_hook);
        SetLocalAddresses({"192.168.1.10", "10.0.0.5", "10.0.0.6"});
    }

    void TearDown() override
    {
        if (sheet_ != NULL && IsWindow(sheet_)) DestroyWindow(sheet_);
        PumpMessages();
        // As the program does when the sheet has closed.
        char left[ASIDE_NAME_SIZE], changed[ASIDE_NAME_SIZE];
        RetireOldList(&session_.held, kTestRetireWait, left, changed, NULL);
        FreeStamps(&session_.base);
        UnhookWindowsHookEx(g_hook);
        StoreTest::TearDown();
    }

    // Loads the store as start-up does and opens the sheet, modeless so that the test
    // keeps the thread. `own`: what the start-up found of this computer's adapters.
    // Thirty pairs of addresses no adapter has, on a computer with two adapters.
    void OpenWithThirtyStalePairs(void)
    {
        for (int i = 0; i < 30; ++i)
            StorePair(std::to_string(100 + i), ("172.16.0." + std::to_string(i)).c_str(), "172.16.9.9");
        static AdapterAddress adapters[] = {{"Ethernet 2", "192.168.1.10", 24}, {"Wi-Fi", "10.0.0.5", 16}};
        static const OwnAddresses own = {false, NULL, 0, adapters, 2, true};
        OpenSheet(&own);
    }
    void OpenSheet(const OwnAddresses* own = nullptr)
    {
        BeginSession();
        if (own != nullptr) {
            session_.own.adapters = own->adapters;
            session_.own.adapterCount = own->adapterCount;
            session_.own.adaptersKnown = own->adaptersKnown;
        }
        PROPSHEETHEADERA header;
        SheetPageDescription page;
        // Whatever the stack held before: the header is filled whole, as in the program.
        memset(&header, 0xA5, sizeof header);
        memset(&page, 0xA5, sizeof page);
        FillSheetHeader(&header, &page, GetModuleHandleA(NULL), NULL, &session_);
        header.dwFlags |= PSH_MODELESS;
        sheet_ = (HWND)PropertySheetA(&header);
        ASSERT_NE((HWND)NULL, sheet_);
        g_pumpedSheet = sheet_;
        PumpMessages();
        page_ = (HWND)SendMessageA(sheet_, PSM_GETCURRENTPAGEHWND, 0, 0);
        ASSERT_NE((HWND)NULL, page_);
        list_ = GetDlgItem(page_, IDC_PAIR_LIST);
    }

    Rows ListRows(void)
    {
        Rows rows;
        int count = (int)SendMessageA(list_, LVM_GETITEMCOUNT, 0, 0);
        for (int row = 0; row < count; ++row) {
            char source[256] = "", destination[256] = "";
            LVITEMA item = {};
            item.cchTextMax = 256;
            item.pszText = source;
            SendMessageA(list_, LVM_GETITEMTEXTA, row, (LPARAM)&item);
            item.iSubItem = 1;
            item.pszText = destination;
            SendMessageA(list_, LVM_GETITEMTEXTA, row, (LPARAM)&item);
            rows.emplace_back(source, destination);
        }
        return rows;
    }

    std::vector<std::string> ChooserEntries(int id)
    {
        HWND chooser = GetDlgItem(page_, id);
        std::vector<std::string> entries;
        int count = (int)SendMessageA(chooser, CB_GETCOUNT, 0, 0);
        for (int i = 0; i < count; ++i) {
            char text[256] = "";
            SendMessageA(chooser, CB_GETLBTEXT, i, (LPARAM)text);
            entries.push_back(text);
        }
        return entries;
    }

    // Selects an entry as a user's pick would, with the notification it sends.
    void Choose(int id, const char* text)
    {
        HWND chooser = GetDlgItem(page_, id);
        LRESULT index = SendMessageA(chooser, CB_FINDSTRINGEXACT, (WPARAM)-1, (LPARAM)text);
        ASSERT_NE(CB_ERR, index) << text;
        SendMessageA(chooser, CB_SETCURSEL, index, 0);
        SendMessageA(page_, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), (LPARAM)chooser);
    }

    // Picks a source and a destination and presses Add, as the administrator does.
    void ChooseAndAdd(const char* source, const char* destination)
    {
        ASSERT_NO_FATAL_FAILURE(Choose(IDC_SOURCE_CHOOSER, source));
        ASSERT_NO_FATAL_FAILURE(Choose(IDC_DESTINATION_CHOOSER, destination));
        Click(IDC_ADD_BUTTON);
    }

    void Click(int id)
    {
        SendMessageA(GetDlgItem(page_, id), BM_CLICK, 0, 0);
        PumpMessages();
    }

    void SelectRow(int row)
    {
        LVITEMA item = {};
        item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        item.state = LVIS_SELECTED | LVIS_FOCUSED;
        SendMessageA(list_, LVM_SETITEMSTATE, row, (LPARAM)&item);
    }

    void Press(int button)
    {
        SendMessageA(sheet_, PSM_PRESSBUTTON, button, 0);
        PumpMessages();
    }

    bool ApplyEnabled(void) { return IsWindowEnabled(GetDlgItem(sheet_, kApplyButton)) != FALSE; }
    bool SheetClosed(void) { return SendMessageA(sheet_, PSM_GETCURRENTPAGEHWND, 0, 0) == 0; }

    void ExpectOneBox(const char* text)
    {
        ASSERT_EQ(1u, g_seenBoxes.size());
        EXPECT_EQ(text, g_seenBoxes[0].text);
        EXPECT_EQ("mDNS Error", g_seenBoxes[0].caption);
        // Owned by the page, which the platform turns into its top-level window, the sheet.
        EXPECT_EQ(sheet_, g_seenBoxes[0].owner);
        EXPECT_EQ(LoadIconA(NULL, IDI_ERROR), g_seenBoxes[0].icon) << "an error icon";
        g_seenBoxes.clear();
    }

    HWND sheet_ = NULL;
    SheetSession session_ = {};
    // The local address list the start-up would have found.
    std::unique_ptr<AddressText[]> hostList_;
    int hostCount_ = 0;

    // The addresses the host lookup would list, for the choosers.
    void SetLocalAddresses(const std::vector<std::string>& addresses)
    {
        hostList_.reset(new AddressText[addresses.size() + 1]);
        for (size_t i = 0; i < addresses.size(); ++i) strcpy(hostList_[i], addresses[i].c_str());
        hostCount_ = (int)addresses.size();
    }

    // The start-up load, and the session the sheet is made with.
    void BeginSession(void)
    {
        BeginTestSheetSession(&session_);
        session_.own.hostList = hostList_.get();
        session_.own.hostCount = hostCount_;
    }
    HWND page_ = NULL;
    HWND list_ = NULL;
};

TEST_F(GeneralPageTest, OpensWithStoredPairsAndLocalAddresses)
{
    StorePair("0", "192.168.1.10", "10.0.0.5");
    StorePair("1", "172.16.0.1", "172.16.9.9");  // not among the machine's addresses
    SetValue(NETWORKS "\\2", "IPsource", REG_SZ, "10.0.0.6");
    ASSERT_NO_FATAL_FAILURE(OpenSheet());

    Rows expected = {{"192.168.1.10", "10.0.0.5"}, {"172.16.0.1", "172.16.9.9"}, {"10.0.0.6", ""}};
    EXPECT_EQ(expected, ListRows());
    std::vector<std::string> sorted = {"10.0.0.5", "10.0.0.6", "192.168.1.10"};
    EXPECT_EQ(sorted, ChooserEntries(IDC_SOURCE_CHOOSER));
    EXPECT_EQ(sorted, ChooserEntries(IDC_DESTINATION_CHOOSER));

    char heading[32] = "";
    LVCOLUMNA column = {};
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    column.pszText = heading;
    column.cchTextMax = sizeof heading;
    ASSERT_TRUE(SendMessageA(list_, LVM_GETCOLUMNA, 0, (LPARAM)&column));
    EXPECT_STREQ("IP1", heading);
    EXPECT_EQ(144, column.cx);
    ASSERT_TRUE(SendMessageA(list_, LVM_GETCOLUMNA, 1, (LPARAM)&column));
    EXPECT_STREQ("IP2", heading);
    EXPECT_EQ(96, column.cx);
    EXPECT_TRUE(SendMessageA(list_, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0) & LVS_EX_FULLROWSELECT);

    char caption[128] = "";
    GetWindowTextA(sheet_, caption, sizeof caption);
    EXPECT_STREQ("Corvane Software - mDNS Configurator", caption);
    EXPECT_EQ(0, (int)SendMessageA(sheet_, PSM_HWNDTOINDEX, (WPARAM)page_, 0));
    EXPECT_FALSE(ApplyEnabled());
    EXPECT_TRUE(g_seenBoxes.empty());
}

TEST_F(GeneralPageTest, RejectedAddsShowTheirMessageAndStillEnableApply)
{
    StorePair("0", "192.168.1.10", "10.0.0.5");
    ASSERT_NO_FATAL_FAILURE(OpenSheet());
    Click(IDC_ADD_BUTTON);
    ExpectOneBox("The source address or destination address cannot be blank.");
    EXPECT_TRUE(ApplyEnabled());

    ASSERT_NO_FATAL_FAILURE(Choose(IDC_SOURCE_CHOOSER, "10.0.0.5"));
    Click(IDC_ADD_BUTTON);
    ExpectOneBox("The source address or destination address cannot be blank.");

    ASSERT_NO_FATAL_FAILURE(Choose(IDC_DESTINATION_CHOOSER, "10.0.0.5"));
    Click(IDC_ADD_BUTTON);
    ExpectOneBox("The source address and destination address cannot be the same.");
    EXPECT_EQ((Rows{{"192.168.1.10", "10.0.0.5"}}), ListRows()) << "a refused Add leaves the rows";

    ASSERT_NO_FATAL_FAILURE(Choose(IDC_DESTINATION_CHOOSER, "192.168.1.10"));
    Click(IDC_ADD_BUTTON);
    ExpectOneBox("The address pair you are attempting to add already exists in the list.");
    EXPECT_EQ((Rows{{"192.168.1.10", "10.0.0.5"}}), ListRows());
}

// Addresses of the full fifteen characters: the kept copy of the rows holds them whole, so
// the second Add of the same pair is refused.
TEST_F(GeneralPageTest, APairOfFifteenCharacterAddressesIsRefusedTheSecondTime)
{
    SetLocalAddresses({"192.168.100.200", "172.116.100.201"});
    ASSERT_NO_FATAL_FAILURE(OpenSheet());
    ASSERT_NO_FATAL_FAILURE(ChooseAndAdd("192.168.100.200", "172.116.100.201"));
    EXPECT_TRUE(g_seenBoxes.empty());
    ASSERT_NO_FATAL_FAILURE(ChooseAndAdd("172.116.100.201", "192.168.100.200"));
    ExpectOneBox("The address pair you are attempting to add already exists in the list.");
    EXPECT_EQ((Rows{{"192.168.100.200", "172.116.100.201"}}), ListRows());
}

TEST_F(GeneralPageTest, ChoosingDoesNotEnableApply)
{
    ASSERT_NO_FATAL_FAILURE(OpenSheet());
    ASSERT_NO_FATAL_FAILURE(Choose(IDC_SOURCE_CHOOSER, "10.0.0.5"));
    ASSERT_NO_FATAL_FAILURE(Choose(IDC_DESTINATION_CHOOSER, "10.0.0.6"));
    PumpMessages();
    EXPECT_FALSE(ApplyEnabled());
}

TEST_F(GeneralPageTest, AddAppendsAtTheEndAndRemoveTakesTheSelectedRow)
{
    StorePair("0", "192.168.1.10", "10.0.0.5");
    StorePair("1", "10.0.0.5", "10.0.0.6");
    ASSERT_NO_FATAL_FAILURE(OpenSheet());
    SelectRow(0);
    ASSERT_NO_FATAL_FAILURE(ChooseAndAdd("10.0.0.6", "192.168.1.10"));
    EXPECT_TRUE(g_seenBoxes.empty());
    Rows three = {{"192.168.1.10", "10.0.0.5"}, {"10.0.0.5", "10.0.0.6"}, {"10.0.0.6", "192.168.1.10"}};
    EXPECT_EQ(three, ListRows());

    SelectRow(1);
    Click(IDC_REMOVE_BUTTON);
    EXPECT_EQ((Rows{three[0], three[2]}), ListRows());
    EXPECT_TRUE(g_seenBoxes.empty());
}

TEST_F(GeneralPageTest, RemoveWithoutSelectionSaysSo)
{
    ASSERT_NO_FATAL_FAILURE(OpenSheet());
    Click(IDC_REMOVE_BUTTON);
    ExpectOneBox("No item was selected to remove.");
    EXPECT_TRUE(ApplyEnabled());

    StorePair("0", "192.168.1.10", "10.0.0.5");
    DestroyWindow(sheet_);
    ASSERT_NO_FATAL_FAILURE(OpenSheet());
    Click(IDC_REMOVE_BUTTON);
    ExpectOneBox("No item was selected to remove.");
    EXPECT_EQ((Rows{{"192.168.1.10", "10.0.0.5"}}), ListRows()) << "a refused Remove leaves the rows";
}

TEST_F(GeneralPageTest, ApplyStoresTheRowsInListOrder)
{
    // Addresses of the longest text, 15 characters, stored and added: kept whole.
    StorePair("office", "192.168.1.10", "10.0.0.5");
    StorePair("lab", "172.16.100.201", "192.168.100.200");
    SetValue(NETWORKS "\\lab", "Direction", REG_SZ, "5");
    SetLocalAddresses({"192.168.1.10", "10.0.0.5", "192.168.100.201"});
    ASSERT_NO_FATAL_FAILURE(OpenSheet());
    ASSERT_NO_FATAL_FAILURE(ChooseAndAdd("192.168.100.201", "10.0.0.5"));
    Rows shown = ListRows();
    ASSERT_EQ((Rows{{"172.16.100.201", "192.168.100.200"}, {"192.168.1.10", "10.0.0.5"}, {"192.168.100.201", "10.0.0.5"}}),
              shown);

    Press(PSBTN_APPLYNOW);
    EXPECT_FALSE(ApplyEnabled());
    EXPECT_FALSE(SheetClosed());
    EXPECT_EQ((std::vector<std::string>{"0", "1", "2"}), SubkeyNames(NETWORKS));
    for (int i = 0; i < 3; ++i) {
        std::string path = NETWORKS "\\" + std::to_string(i);
        EXPECT_EQ(shown[i].first + '\0', GetValue(path, "IPsource")) << path;
        EXPECT_EQ(shown[i].second + '\0', GetValue(path, "IPdestination")) << path;
        EXPECT_EQ(std::string("2", 2), GetValue(path, "Direction")) << path;
        EXPECT_EQ(std::string("1", 2), GetValue(path, "Enabled")) << path;
    }
    EXPECT_TRUE(g_seenBoxes.empty());
}

TEST_F(GeneralPageTest, OkAfterAddStoresAndCloses)
{
    ASSERT_NO_FATAL_FAILURE(OpenSheet());
    ASSERT_NO_FATAL_FAILURE(ChooseAndAdd("192.168.1.10", "10.0.0.5"));
    Press(PSBTN_OK);
    EXPECT_TRUE(SheetClosed());
    EXPECT_EQ(std::string("192.168.1.10", 13), GetValue(NETWORKS "\\0", "IPsource"));
    EXPECT_EQ(std::string("10.0.0.5", 9), GetValue(NETWORKS "\\0", "IPdestination"));
}

TEST_F(GeneralPageTest, CancelAfterAddStoresNothing)
{
    StorePair("keep", "192.168.1.10", "10.0.0.5");
    ASSERT_NO_FATAL_FAILURE(OpenSheet());
    ASSERT_NO_FATAL_FAILURE(ChooseAndAdd("10.0.0.6", "10.0.0.5"));
    Press(PSBTN_CANCEL);
    EXPECT_TRUE(SheetClosed());
    EXPECT_EQ((std::vector<std::string>{"keep"}), SubkeyNames(NETWORKS));
    EXPECT_TRUE(g_seenBoxes.empty());
}

TEST_F(GeneralPageTest, StoredDuplicatesStayTwoRows)
{
    StorePair("0", "192.168.1.10", "10.0.0.5");
    StorePair("1", "10.0.0.5", "192.168.1.10");
    ASSERT_NO_FATAL_FAILURE(OpenSheet());
    EXPECT_EQ(2u, ListRows().size());
    Press(PSBTN_OK);
    EXPECT_EQ((std::vector<std::string>{"0", "1"}), SubkeyNames(NETWORKS));
    EXPECT_EQ(std::string("10.0.0.5", 9), GetValue(NETWORKS "\\1", "IPsource"));
}

// Another program changed the store after the sheet opened: the save asks before replacing
// that change. No keeps the sheet open with its rows and the store as the other program
// left it; Yes replaces it.
TEST_F(GeneralPageTest, ApplyAsksBeforeReplacingAnotherProgramsChange)
{
    StorePair("0", "192.168.1.10", "10.0.0.5");
    ASSERT_NO_FATAL_FAILURE(OpenSheet());
    ASSERT_NO_FATAL_FAILURE(ChooseAndAdd("10.0.0.6", "10.0.0.5"));
    const Rows shown = {{"192.168.1.10", "10.0.0.5"}, {"10.0.0.6", "10.0.0.5"}};
    StorePair("7", "172.16.0.1", "172.16.9.9");
    const std::string changed = DescribeTree(NETWORKS);

    g_boxAnswer = IDNO;
    Press(PSBTN_OK);
    ASSERT_EQ(1u, g_seenBoxes.size());
    EXPECT_EQ("Corvane mDNS Configurator", g_seenBoxes[0].caption);
    EXPECT_EQ(0u, g_seenBoxes[0].text.find("Another program changed the address pairs in the registry"));
    EXPECT_NE(std::string::npos, g_seenBoxes[0].text.find("\nNo leaves the registry as it is and keeps this sheet open"));
    EXPECT_EQ(sheet_, g_seenBoxes[0].owner);
    EXPECT_EQ(LoadIconA(NULL, IDI_WARNING), g_seenBoxes[0].icon) << "a warning icon";
    EXPECT_FALSE(SheetClosed());
    EXPECT_EQ(shown, ListRows());
    EXPECT_EQ(changed, DescribeTree(NETWORKS)) << "No saves nothing";

    g_seenBoxes.clear();
    g_boxAnswer = IDYES;
    Press(PSBTN_APPLYNOW);
    EXPECT_EQ(1u, g_seenBoxes.size());
    EXPECT_EQ((std::vector<std::string>{"0", "1"}), SubkeyNames(NETWORKS));
    EXPECT_EQ(std::string("10.0.0.6", 9), GetValue(NETWORKS "\\1", "IPsource"));
    // The store is now what this sheet saved: the next apply does not ask.
    g_seenBoxes.clear();
    Press(PSBTN_APPLYNOW);
    EXPECT_TRUE(g_seenBoxes.empty());
}

// The old list stays aside whole until the sheet closes; then what cannot be removed of it
// stays aside, and a box says where.
TEST_F(GeneralPageTest, SaveThatCannotRemoveTheOldListSaysWhereItIs)
{
    // A subtree whose full path outgrows the removal's path buffer cannot be removed.
    std::string level(200, 'x');
    std::string tail = "\\" + level + "\\" + level + "\\" + level;
    CreateKey(NETWORKS + tail);
    ASSERT_NO_FATAL_FAILURE(OpenSheet());
    ASSERT_NO_FATAL_FAILURE(ChooseAndAdd("192.168.1.10", "10.0.0.5"));
    Press(PSBTN_APPLYNOW);
    // Until the sheet closes, the old list stays aside whole for whoever still reads it.
    EXPECT_TRUE(g_seenBoxes.empty());
    std::string aside = "Software\\Corvane Software\\mDNS\\Networks (replaced)";
    EXPECT_EQ((std::vector<std::string>{level}), SubkeyNames(aside));
    Press(PSBTN_CANCEL);
    ASSERT_TRUE(SheetClosed());
    RetireSheetLists(NULL, &session_);

    ASSERT_EQ(1u, g_seenBoxes.size());
    EXPECT_EQ("Corvane mDNS Configurator", g_seenBoxes[0].caption);
    EXPECT_EQ("The address pairs were saved.\r\n\r\nThe old list could not be removed entirely. What remains of it "
              "is in the registry key HKEY_LOCAL_MACHINE\\Software\\Corvane Software\\mDNS\\Networks (replaced), "
              "which the repeater service does not read; the next save tries to remove it again.",
              g_seenBoxes[0].text);
    EXPECT_EQ(LoadIconA(NULL, IDI_WARNING), g_seenBoxes[0].icon) << "a warning icon";
    // The key read as a pair of empty texts is saved as one, then the pair added.
    EXPECT_EQ((std::vector<std::string>{"0", "1"}), SubkeyNames(NETWORKS));
    EXPECT_EQ(std::string("192.168.1.10", 13), GetValue(NETWORKS "\\1", "IPsource"));
    EXPECT_TRUE(KeyExists(aside + tail));
    for (std::string key = aside + tail; key != aside; key.erase(key.rfind('\\'))) DeleteKey(key);
}

// The save reads each row's texts with room for any control text; one longer than an address
// is not cut to fit and stored: the save is refused, and the store stays as it was.
TEST_F(GeneralPageTest, ARowTextLongerThanAnAddressIsNotSavedCut)
{
    StorePair("0", "192.168.1.10", "10.0.0.5");
    ASSERT_NO_FATAL_FAILURE(OpenSheet());
    char longer[] = "10.0.0.5 and more";
    LVITEMA item;
    ZeroMemory(&item, sizeof item);
    item.iSubItem = 1;
    item.pszText = longer;
    SendMessageA(list_, LVM_SETITEMTEXTA, 0, (LPARAM)&item);
    SendMessageA(sheet_, PSM_CHANGED, (WPARAM)page_, 0);
    Press(PSBTN_APPLYNOW);
    ASSERT_EQ(1u, g_seenBoxes.size());
    EXPECT_EQ("Corvane mDNS Configurator", g_seenBoxes[0].caption);
    EXPECT_EQ(TEXT_SAVE_ERROR, g_seenBoxes[0].text);
    EXPECT_EQ(std::string("10.0.0.5", 9), GetValue(NETWORKS "\\0", "IPdestination"));
    EXPECT_EQ((std::vector<std::string>{"0"}), SubkeyNames(NETWORKS));
}

// Another program's save holding the lock, from a thread of its own: it keeps the lock until
// the sheet's line says that it waits (at most ten seconds), notes what the sheet showed
// then, and lets go.
struct LockHolder {
    HANDLE held;
    HWND sheet, page;
    char line[1024];
    BOOL sheetEnabled;
};

DWORD WINAPI HoldLockUntilTheSheetWaits(LPVOID parameter)
{
    LockHolder* holder = (LockHolder*)parameter;
    HANDLE mutex = CreateMutexA(NULL, TRUE, STORE_MUTEX_NAME);
    SetEvent(holder->held);
    for (int tries = 0; tries < 100; ++tries) {
        Sleep(100);
        // Sent to the sheet's thread, which answers while it waits.
        GetDlgItemTextA(holder->page, IDC_ADDRESS_LINE, holder->line, sizeof holder->line);
        if (strcmp(holder->line, TEXT_LOCK_WAITING) == 0) break;
    }
    holder->sheetEnabled = IsWindowEnabled(holder->sheet);
    ReleaseMutex(mutex);
    CloseHandle(mutex);
    return 0;
}

// While another program holds the save lock, Apply waits with the sheet disabled but
// answering, and the line below the list says so; then the save goes on, and the line and
// the sheet are as they were.
TEST_F(GeneralPageTest, ApplyWaitsForTheLockWithTheSheetAnswering)
{
    ASSERT_NO_FATAL_FAILURE(OpenSheet());
    ASSERT_NO_FATAL_FAILURE(ChooseAndAdd("192.168.1.10", "10.0.0.5"));
    char before[1024] = "", after[1024] = "";
    GetDlgItemTextA(page_, IDC_ADDRESS_LINE, before, sizeof before);
    LockHolder holder = {CreateEventA(NULL, TRUE, FALSE, NULL), sheet_, page_, "", TRUE};
    HANDLE thread = CreateThread(NULL, 0, HoldLockUntilTheSheetWaits, &holder, 0, NULL);
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(holder.held, 10000));
    Press(PSBTN_APPLYNOW);
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(thread, 15000));
    CloseHandle(thread);
    CloseHandle(holder.held);
    EXPECT_STREQ(TEXT_LOCK_WAITING, holder.line);
    EXPECT_FALSE(holder.sheetEnabled);
    EXPECT_TRUE(IsWindowEnabled(sheet_));
    GetDlgItemTextA(page_, IDC_ADDRESS_LINE, after, sizeof after);
    EXPECT_STREQ(before, after);
    EXPECT_EQ(std::string("192.168.1.10", 13), GetValue(NETWORKS "\\0", "IPsource"));
    EXPECT_TRUE(g_seenBoxes.empty());
}

// Sets the DACL of the key at `path` from its SDDL text, through a handle opened to change it.
void SetKeyDacl(const std::string& path, const char* sddl)
{
    HKEY key;
    PSECURITY_DESCRIPTOR descriptor = NULL;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, WRITE_DAC, &key));
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl, SDDL_REVISION_1, &descriptor, NULL));
    EXPECT_EQ(ERROR_SUCCESS, RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, descriptor));
    LocalFree(descriptor);
    RegCloseKey(key);
}

// A save that cannot finish changes nothing and keeps the sheet open with its rows, after a
// box that says the registry is as it was; once it can, OK saves and closes.
TEST_F(GeneralPageTest, ASaveThatCannotFinishKeepsTheSheetOpen)
{
    StorePair("0", "192.168.1.10", "10.0.0.5");
    ASSERT_NO_FATAL_FAILURE(OpenSheet());
    // Now everyone may do anything to Networks but delete it, which renaming it aside needs.
    ASSERT_NO_FATAL_FAILURE(SetKeyDacl(NETWORKS, "D:(D;;SD;;;WD)(A;;KA;;;WD)"));
    ASSERT_NO_FATAL_FAILURE(ChooseAndAdd("10.0.0.6", "10.0.0.5"));
    const Rows shown = {{"192.168.1.10", "10.0.0.5"}, {"10.0.0.6", "10.0.0.5"}};
    const std::string before = DescribeTree("Software\\Corvane Software\\mDNS");
    Press(PSBTN_OK);
    ASSERT_EQ(1u, g_seenBoxes.size());
    EXPECT_EQ("Corvane mDNS Configurator", g_seenBoxes[0].caption);
    EXPECT_EQ("The address pairs could not be saved. The registry still holds the list it held before: nothing "
              "was changed.\r\n\r\nThis sheet stays open with its pairs: press OK or Apply to try again, or Cancel "
              "to leave the list as it is.",
              g_seenBoxes[0].text);
    EXPECT_EQ(LoadIconA(NULL, IDI_ERROR), g_seenBoxes[0].icon) << "an error icon";
    EXPECT_FALSE(SheetClosed());
    EXPECT_EQ(shown, ListRows());
    EXPECT_EQ(before, DescribeTree("Software\\Corvane Software\\mDNS")) << "nothing written, nothing left beside";

    ASSERT_NO_FATAL_FAILURE(SetKeyDacl(NETWORKS, "D:(A;;KA;;;WD)"));
    g_seenBoxes.clear();
    Press(PSBTN_OK);
    EXPECT_TRUE(g_seenBoxes.empty());
    EXPECT_TRUE(SheetClosed());
    const PairRowText saved[] = {{"192.168.1.10", "10.0.0.5"}, {"10.0.0.6", "10.0.0.5"}};
    EXPECT_TRUE(StoreHoldsExactly(saved, 2));
}

std::string AccessibleName(HWND control)
{
    IAccessible* accessible = NULL;
    if (FAILED(AccessibleObjectFromWindow(control, (DWORD)OBJID_CLIENT, IID_IAccessible, (void**)&accessible)))
        return "(no accessible object)";
    VARIANT self;
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    BSTR name = NULL;
    std::string text = "(none)";
    if (accessible->get_accName(self, &name) == S_OK && name != NULL) {
        char converted[256] = "";
        WideCharToMultiByte(CP_ACP, 0, name, -1, converted, sizeof converted, NULL, NULL);
        text = converted;
    }
    SysFreeString(name);
    accessible->Release();
    return text;
}

// The line below the list explains the chosen addresses and the selected row, or counts the
// stale pairs; the choosers and the list have names for a screen reader.
TEST_F(GeneralPageTest, TheLineExplainsTheChosenAndSelectedAddresses)
{
    ASSERT_NO_FATAL_FAILURE(OpenWithThirtyStalePairs());
    HWND line = GetDlgItem(page_, IDC_ADDRESS_LINE);
    char text[1024] = "";
    // As the sheet opens, nothing chosen, nothing selected: the line counts the stale pairs.
    GetWindowTextA(line, text, sizeof text);
    EXPECT_STREQ("30 pairs name an address this computer does not have.", text);

    // Which adapter holds the chosen addresses, and the selected row's.
    ASSERT_NO_FATAL_FAILURE(Choose(IDC_SOURCE_CHOOSER, "192.168.1.10"));
    ASSERT_NO_FATAL_FAILURE(Choose(IDC_DESTINATION_CHOOSER, "10.0.0.6"));
    GetWindowTextA(line, text, sizeof text);
    // With no row selected, the stale pairs are counted: all thirty name addresses of no adapter.
    EXPECT_STREQ("Source 192.168.1.10: Ethernet 2, 192.168.1.0/24. Destination 10.0.0.6: not on this computer.\r\n"
                 "30 pairs name an address this computer does not have.",
                 text);
    SelectRow(1);
    PumpMessages();
    GetWindowTextA(line, text, sizeof text);
    EXPECT_STREQ("Source 192.168.1.10: Ethernet 2, 192.168.1.0/24. Destination 10.0.0.6: not on this computer.\r\n"
                 "Selected pair: 172.16.0.1: not on this computer; 172.16.9.9: not on this computer.",
                 text);
    SelectRow(0);  // the first row is a row like any other
    PumpMessages();
    GetWindowTextA(line, text, sizeof text);
    EXPECT_STREQ("Source 192.168.1.10: Ethernet 2, 192.168.1.0/24. Destination 10.0.0.6: not on this computer.\r\n"
                 "Selected pair: 172.16.0.0: not on this computer; 172.16.9.9: not on this computer.",
                 text);

    // Names for a screen reader. Known difference: Wine's accessibility layer has no dynamic
    // annotation and names a combo box by its selected text.
    EXPECT_EQ("Address pairs", AccessibleName(list_));
    EXPECT_EQ(RunningOnWine() ? "192.168.1.10" : "Source address", AccessibleName(GetDlgItem(page_, IDC_SOURCE_CHOOSER)));
    EXPECT_EQ(RunningOnWine() ? "10.0.0.6" : "Destination address",
              AccessibleName(GetDlgItem(page_, IDC_DESTINATION_CHOOSER)));
}

// Once Apply is on, Alt and Add's mnemonic still add, apply nothing, and scroll the new row
// into view.
TEST_F(GeneralPageTest, AltAndAddsMnemonicAddWithoutApplying)
{
    ASSERT_NO_FATAL_FAILURE(OpenWithThirtyStalePairs());
    ASSERT_NO_FATAL_FAILURE(Choose(IDC_SOURCE_CHOOSER, "192.168.1.10"));
    ASSERT_NO_FATAL_FAILURE(Choose(IDC_DESTINATION_CHOOSER, "10.0.0.6"));
    SelectRow(1);
    PumpMessages();
    Click(IDC_REMOVE_BUTTON);
    ASSERT_TRUE(ApplyEnabled());
    SetFocus(GetDlgItem(page_, IDC_SOURCE_CHOOSER));
    PostMessageA(GetFocus(), WM_SYSCHAR, 'd', 1 | (1 << 29));
    PumpMessages();
    Rows rows = ListRows();
    ASSERT_EQ(30u, rows.size());
    EXPECT_EQ((std::pair<std::string, std::string>{"192.168.1.10", "10.0.0.6"}), rows.back());
    EXPECT_TRUE(ApplyEnabled()) << "nothing was applied";
    EXPECT_EQ(30u, SubkeyNames(NETWORKS).size()) << "the store is as it was";
    // The new row, below the visible part, was scrolled into view.
    int top = (int)SendMessageA(list_, LVM_GETTOPINDEX, 0, 0);
    int perPage = (int)SendMessageA(list_, LVM_GETCOUNTPERPAGE, 0, 0);
    EXPECT_LT(29, top + perPage) << "top " << top << ", " << perPage << " rows a page";
}

// Delete in the list removes the selected row, as Remove does, and says so when none is;
// like Remove it enables Apply and refreshes the line.
TEST_F(GeneralPageTest, DeleteInTheListRemovesTheSelectedRow)
{
    ASSERT_NO_FATAL_FAILURE(OpenWithThirtyStalePairs());
    SelectRow(0);
    SetFocus(list_);
    PostMessageA(list_, WM_KEYDOWN, VK_DELETE, 1);
    PumpMessages();
    EXPECT_EQ(29u, ListRows().size());
    EXPECT_EQ("172.16.0.1", ListRows()[0].first);
    EXPECT_TRUE(ApplyEnabled());
    // Apply writes the rows that stay, the last one included, in their order.
    Press(PSBTN_APPLYNOW);
    ASSERT_EQ(29u, SubkeyNames(NETWORKS).size());
    EXPECT_STREQ("172.16.0.1", GetValue(NETWORKS "\\0", "IPsource").c_str());
    EXPECT_STREQ("172.16.0.29", GetValue(NETWORKS "\\28", "IPsource").c_str());
    char text[1024] = "";
    GetWindowTextA(GetDlgItem(page_, IDC_ADDRESS_LINE), text, sizeof text);
    EXPECT_EQ(nullptr, strstr(text, "Selected pair")) << text;
    EXPECT_TRUE(g_seenBoxes.empty());
    PostMessageA(list_, WM_KEYDOWN, VK_DELETE, 1);
    PumpMessages();
    ExpectOneBox("No item was selected to remove.");
}

// After a row is removed, the rules and the line see the rows that stay: the pair after it
// is still a duplicate, and the stale pairs are counted as they are.
TEST_F(GeneralPageTest, TheRowsThatStayAfterARemoveAreTheRulesRows)
{
    StorePair("0", "192.168.1.10", "10.0.0.5");
    StorePair("1", "172.16.0.1", "172.16.9.9");
    StorePair("2", "10.0.0.5", "192.168.1.10");
    AdapterAddress adapters[] = {{"Ethernet 2", "192.168.1.10", 24}, {"Wi-Fi", "10.0.0.5", 16}};
    const OwnAddresses own = {false, NULL, 0, adapters, 2, true};
    ASSERT_NO_FATAL_FAILURE(OpenSheet(&own));
    SelectRow(0);
    Click(IDC_REMOVE_BUTTON);
    char text[1024] = "";
    GetWindowTextA(GetDlgItem(page_, IDC_ADDRESS_LINE), text, sizeof text);
    EXPECT_STREQ(TEXT_STALE_PAIR, text);
    ASSERT_NO_FATAL_FAILURE(Choose(IDC_SOURCE_CHOOSER, "10.0.0.5"));
    ASSERT_NO_FATAL_FAILURE(Choose(IDC_DESTINATION_CHOOSER, "192.168.1.10"));
    Click(IDC_ADD_BUTTON);
    ExpectOneBox(TEXT_RULE_DUPLICATE);
}

// The modal sheet as the program runs it: a thread timer looks at it from inside its
// own message loop and presses Cancel.
struct ModalCheck {
    bool found;
    bool applyEnabled;
    int pageIndex;
    std::string pageTitle;
};
ModalCheck g_modalCheck;

void CALLBACK InspectAndCancel(HWND, UINT, UINT_PTR timer, DWORD)
{
    HWND sheet = FindWindowA(NULL, "Corvane Software - mDNS Configurator");
    if (sheet == NULL) return;
    KillTimer(NULL, timer);
    g_modalCheck.found = true;
    g_modalCheck.applyEnabled = IsWindowEnabled(GetDlgItem(sheet, kApplyButton)) != FALSE;
    HWND page = (HWND)SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0);
    g_modalCheck.pageIndex = (int)SendMessageA(sheet, PSM_HWNDTOINDEX, (WPARAM)page, 0);
    HWND tabs = (HWND)SendMessageA(sheet, PSM_GETTABCONTROL, 0, 0);
    char title[64] = "";
    TCITEMA tab = {};
    tab.mask = TCIF_TEXT;
    tab.pszText = title;
    tab.cchTextMax = sizeof title;
    SendMessageA(tabs, TCM_GETITEMA, 0, (LPARAM)&tab);
    g_modalCheck.pageTitle = title;
    PostMessageA(sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
}

TEST_F(GeneralPageTest, ModalSheetOpensOnGeneralAndReturnsOnCancel)
{
    StorePair("keep", "192.168.1.10", "10.0.0.5");
    BeginSession();
    g_modalCheck = ModalCheck{false, true, -1, ""};
    // A bounded wait: if the sheet never appears, the timer's next check cancels nothing
    // and the test's own time-out ends the run.
    SetTimer(NULL, 0, 200, InspectAndCancel);
    RunSheet(GetModuleHandleA(NULL), NULL, &session_);
    EXPECT_TRUE(g_modalCheck.found);
    EXPECT_FALSE(g_modalCheck.applyEnabled);
    EXPECT_EQ(0, g_modalCheck.pageIndex);
    EXPECT_EQ("General", g_modalCheck.pageTitle);
    EXPECT_EQ((std::vector<std::string>{"keep"}), SubkeyNames(NETWORKS));
}

}  // namespace
