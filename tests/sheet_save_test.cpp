// The configurator's save inside its sheet: the question when another program changed the
// pairs, the boxes that say what the registry holds, and each save in the audit trail.
#include "tests/registry_helpers.h"

#include <stdio.h>

#include <functional>
#include <string>
#include <vector>

#include "audit/change_events.h"
#include "editor/save_answers.h"
#include "editor/save_events.h"
#include "resources/program_texts.h"
#include "standin.h"
#include "store/store_names.h"
#include "tests/output_capture.h"
#include "tests/recorded_answers.h"

namespace {

class SheetSaveTest : public StoreTest {};

// One save of the sheet over a store of one pair, with what `before` did to it: what was
// asked and told, whether the rows were saved, and the events.
struct ConversationCase {
    const char* name;
    std::function<void()> before;
    Conversation talk;
    std::vector<std::string> asked, told;
    bool saved;
    std::vector<DWORD> events;
};

void RunConversationCase(const PairRowText* rows, ConversationCase* testCase)
{
    ConversationCase& c = *testCase;
    SCOPED_TRACE(c.name);
    StandinReset();
    StorePair("0", "1.1.1.1", "2.2.2.2");
    SheetSession session;
    BeginTestSheetSession(&session);
    c.before();
    size_t firstEvent = StandinEventReports().size();
    SaveRequest request = {NULL, NULL, NULL, NULL, NULL, 0, NULL};
    SaveAnswers answers = kRecordedAnswers;
    answers.context = &c.talk;
    BeginStdoutCapture();
    EXPECT_EQ(c.saved, SaveAnswering(rows, 1, &request, &answers, &session));
    EndStdoutCapture();
    RetireAnswering(&answers, &session);
    FreeStamps(&session.base);
    StandinDropFaults();
    EXPECT_EQ(c.asked, c.talk.asked);
    EXPECT_EQ(c.told, c.talk.told);
    EXPECT_EQ(c.saved, StoreHoldsExactly(rows, 1));
    std::vector<DWORD> events;
    for (size_t i = firstEvent; i < StandinEventReports().size(); ++i) {
        const StandinEventReport& report = StandinEventReports()[i];
        events.push_back(report.id);
        // A failed save that could not put the old list back does not know what the store holds.
        bool touched = std::string(c.name) == "the old list cannot be put back";
        if (report.id == LIST_EVENT_FAILED) {
            EXPECT_EQ(touched ? "unknown" : "1", report.strings[4]);
        }
    }
    EXPECT_EQ(c.events, events);
}

// The sheet's save as the administrator meets it: the question when another program changed
// the pairs or they could not be checked, Yes saving again over what that save found (and
// asking again when it changes meanwhile), No keeping the sheet open; then the box that says
// what the registry holds. Each save and answer in the audit trail.
TEST_F(SheetSaveTest, TheSaveAsksAndTellsAsTheAdministratorMeetsIt)
{
    const PairRowText rows[] = {{"192.168.1.10", "10.0.0.5"}};
    const std::string replaced = "HKEY_LOCAL_MACHINE\\" PRODUCT_KEY_PATH "\\" REPLACED_KEY_NAME;
    auto change = [] { SetValue(NETWORKS "\\0", "IPsource", REG_SZ, "5.5.5.5"); };
    char oldAside[1024], leftAside[1024];
    snprintf(oldAside, sizeof oldAside, TEXT_SAVE_ERROR_OLD_ASIDE, NETWORKS_REG_PATH, replaced.c_str());
    snprintf(leftAside, sizeof leftAside, TEXT_SAVE_LEFT_ASIDE, replaced.c_str());
    ConversationCase cases[] = {
        {"nothing else changed", [] {}, {}, {}, {}, true, {1000}},
        {"another program's change, No", change, {{false}, nullptr, {}, {}}, {"changed"}, {}, false, {1001}},
        {"another program's change, Yes", change, {{true}, nullptr, {}, {}}, {"changed"}, {}, true, {1001, 1000}},
        {"changed again while asked, Yes twice", change, {{true, true}, change, {}, {}}, {"changed", "changed"}, {},
         true, {1001, 1001, 1000}},
        {"changed again while asked, then No", change, {{true, false}, change, {}, {}}, {"changed", "changed"}, {},
         false, {1001, 1001}},
        {"could not be checked, No", [] { StandinFailAt("RegEnumKeyExW", "Networks", ERROR_ACCESS_DENIED); },
         {{false}, nullptr, {}, {}}, {"unchecked"}, {}, false, {1001}},
        {"the new list cannot be built", [] { StandinFailAt("RegCreateKeyExA", BUILDING_KEY_NAME, ERROR_ACCESS_DENIED); },
         {}, {}, {std::string("error: ") + TEXT_SAVE_ERROR}, false, {1002}},
        {"the old list cannot be put back",
         [] {
             StandinFailAt("RegRenameKey", BUILDING_KEY_NAME, ERROR_ACCESS_DENIED);
             StandinFailAt("RegRenameKey", REPLACED_KEY_NAME, ERROR_ACCESS_DENIED);
         },
         {}, {}, {std::string("error: ") + oldAside}, false, {1002}},
        {"an earlier old list stays aside",
         [] {
             CreateKey(PRODUCT_KEY_PATH "\\" REPLACED_KEY_NAME "\\x");
             StandinDenyAccess(PRODUCT_KEY_PATH "\\" REPLACED_KEY_NAME "\\x", DELETE);
         },
         {}, {}, {std::string("warning: ") + leftAside}, true, {1000}},
    };
    for (ConversationCase& c : cases) RunConversationCase(rows, &c);
}

// When the sheet closes, the old list Apply kept aside goes; what cannot is said.
TEST_F(SheetSaveTest, TheOldListApplyKeptAsideGoesWhenTheSheetCloses)
{
    const PairRowText rows[] = {{"192.168.1.10", "10.0.0.5"}};
    const std::string replaced = "HKEY_LOCAL_MACHINE\\" PRODUCT_KEY_PATH "\\" REPLACED_KEY_NAME;
    char leftAside[1024];
    snprintf(leftAside, sizeof leftAside, TEXT_SAVE_LEFT_ASIDE, replaced.c_str());
    for (bool stays : {false, true}) {
        SCOPED_TRACE(stays ? "an old list that stays" : "an old list that goes");
        StandinReset();
        StorePair("0", "1.1.1.1", "2.2.2.2");
        SheetSession session;
        BeginTestSheetSession(&session);
        SaveRequest apply = {NULL, NULL, NULL, NULL, NULL, 0, NULL};
        Conversation talk;
        SaveAnswers answers = kRecordedAnswers;
        answers.context = &talk;
        ASSERT_TRUE(SaveAnswering(rows, 1, &apply, &answers, &session));
        EXPECT_TRUE(KeyExists(PRODUCT_KEY_PATH "\\" REPLACED_KEY_NAME)) << "kept until the sheet closes";
        if (stays) StandinDenyAccess(PRODUCT_KEY_PATH "\\" REPLACED_KEY_NAME "\\0", DELETE);
        RetireAnswering(&answers, &session);
        FreeStamps(&session.base);
        EXPECT_EQ(stays ? std::vector<std::string>{std::string("warning: ") + leftAside} : std::vector<std::string>{},
                  talk.told);
        EXPECT_EQ(stays, KeyExists(PRODUCT_KEY_PATH "\\" REPLACED_KEY_NAME));
    }
}


// The sheet's saves in the audit trail: the same difference lines as the companion's,
// measured against the list the sheet last knew; the answer to the question; a failure.
TEST_F(SheetSaveTest, EachSaveOfTheSheetIsInTheAuditTrail)
{
    // What an earlier save in this process left aside is not this test's: one clean save first.
    ASSERT_TRUE(SavePairList(NULL, 0));
    ASSERT_EQ(nullptr, LastSaveLeftAside());
    StorePair("0", "192.168.1.10", "10.0.0.5");
    StorePair("1", "10.0.0.5", "10.0.0.6");
    SheetSession session;
    BeginTestSheetSession(&session);
    SaveResult done = {}, failed = {}, changedFirst = {};
    done.outcome = SAVE_DONE;
    failed.outcome = SAVE_FAILED;
    changedFirst.outcome = SAVE_STORE_CHANGED;
    const PairRowText changed[] = {{"10.0.0.5", "10.0.0.6"}, {"10.0.0.6", "192.168.1.10"}};
    struct Row {
        std::function<void()> save;
        std::vector<std::string> event;  // type, id, program, pairs before and after, changes, detail; empty: none
    };
    const Row rows[] = {
        {[&] { NoteSheetSave(&session, done, changed, 2, false); },
         {"4", "1000", "mDNSConfig", "2", "2", "add 10.0.0.6 192.168.1.10\r\nremove 192.168.1.10 10.0.0.5\r\n", ""}},
        // The same list again: nothing changed, nothing logged.
        {[&] { NoteSheetSave(&session, done, changed, 2, false); }, {}},
        {[&] { NoteSheetSaveQuestion(&session, SAVE_STORE_CHANGED, changed, 1, false); },
         {"2", "1001", "mDNSConfig", "2", "unknown", "remove 10.0.0.6 192.168.1.10\r\n",
          "Another program changed the list first; the administrator answered No: nothing was saved, and the sheet "
          "stays open."}},
        {[&] { NoteSheetSave(&session, done, changed, 1, true); },
         {"4", "1000", "mDNSConfig", "unknown", "1", "(none)", "The administrator chose to replace another program's change."}},
        // A save that failed left the old list as it was: its count stands.
        {[&] {
             StandinFailAt("RegCreateKeyExA", BUILDING_KEY_NAME, ERROR_ACCESS_DENIED);
             ASSERT_FALSE(SavePairList(changed, 2));
             NoteSheetSave(&session, failed, changed, 2, false);
         },
         {"1", "1002", "mDNSConfig", "1", "1", "add 10.0.0.6 192.168.1.10\r\n",
          "The save did not complete and nothing was changed; the sheet showed its error and stays open."}},
        {[&] { NoteSheetSave(&session, changedFirst, changed, 2, false); }, {}},
        // After a failed save that changed nothing, the list known before still counts.
        {[&] { NoteSheetSave(&session, done, changed, 2, false); },
         {"4", "1000", "mDNSConfig", "1", "2", "add 10.0.0.6 192.168.1.10\r\n", ""}},
    };
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
        SCOPED_TRACE(i);
        size_t before = StandinEventReports().size();
        rows[i].save();
        std::vector<std::string> event;
        if (StandinEventReports().size() > before) {
            const StandinEventReport& report = StandinEventReports().back();
            event = {std::to_string(report.type), std::to_string(report.id), report.strings[0], report.strings[3],
                     report.strings[4], report.strings[5], report.strings[6]};
            EXPECT_EQ("STANDIN\\tester", report.strings[1]);
        }
        EXPECT_EQ(rows[i].event, event);
    }
    FreeStamps(&session.base);
}

// A change too long for one event is cut at a bound the log can hold, and says so.
TEST_F(SheetSaveTest, AChangeTooLongForOneEventIsCutAndSaysSo)
{
    StorePair("0", "192.168.1.10", "10.0.0.5");
    SheetSession session;
    BeginTestSheetSession(&session);
    SaveResult done = {};
    done.outcome = SAVE_DONE;
    std::vector<PairRowText> many(2000);
    for (size_t i = 0; i < many.size(); ++i) {
        snprintf(many[i].source, ADDRESS_TEXT_SIZE, "10.1.%d.%d", (int)(i / 250), (int)(i % 250));
        snprintf(many[i].destination, ADDRESS_TEXT_SIZE, "10.2.%d.%d", (int)(i / 250), (int)(i % 250));
    }
    session.known = {{"192.168.1.10", "10.0.0.5"}, {"10.0.0.5", "10.0.0.6"}};
    session.knownValid = true;
    NoteSheetSave(&session, done, many.data(), (int)many.size(), false);
    ASSERT_FALSE(StandinEventReports().empty());
    const std::string& changes = StandinEventReports().back().strings[5];
    EXPECT_EQ(24003u, changes.size());
    EXPECT_EQ("...", changes.substr(changes.size() - 3));
    FreeStamps(&session.base);
}


}  // namespace
