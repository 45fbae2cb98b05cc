// The save: what the store holds afterwards, byte for byte, and the key-tree removal.
#include "tests/registry_helpers.h"
#include "tests/output_capture.h"

#include <string.h>

#include "store/store.h"

namespace {

class SaveTest : public StoreTest {};

// The four values as the save writes them, at any path.
void WritePairValues(const std::string& path, const char* source, const char* destination)
{
    SetValue(path, "IPsource", REG_SZ, source);
    SetValue(path, "IPdestination", REG_SZ, destination);
    SetValue(path, "Direction", REG_SZ, "2");
    SetValue(path, "Enabled", REG_SZ, "1");
}

TEST_F(SaveTest, RowsBecomeNumberedSubkeysWithFourStrings)
{
    StorePair("office", "172.16.0.1", "172.16.1.1");
    StorePair("9", "1.1.1.1", "2.2.2.2");
    const PairRowText rows[] = {{"192.168.1.10", "10.0.0.5"}, {"10.0.0.6", "192.168.1.10"}, {"1.2.3.4", ""}};
    EXPECT_TRUE(SavePairList(rows, 3));

    std::vector<std::string> expectedNames = {"0", "1", "2"};
    EXPECT_EQ(expectedNames, SubkeyNames(NETWORKS));
    for (int i = 0; i < 3; ++i) {
        std::string path = NETWORKS "\\" + std::to_string(i);
        DWORD type = 0xdeadbeef;
        // Written with the text length as the count; the platform keeps the NUL that follows.
        EXPECT_EQ(std::string(rows[i].source) + '\0', GetValue(path, "IPsource", &type)) << path;
        EXPECT_EQ((DWORD)REG_SZ, type);
        bool found = false;
        std::string destination = GetValue(path, "IPdestination", nullptr, &found);
        EXPECT_TRUE(found);
        EXPECT_STREQ(rows[i].destination, destination.c_str());
        EXPECT_EQ(std::string("2", 2), GetValue(path, "Direction", &type));
        EXPECT_EQ((DWORD)REG_SZ, type);
        EXPECT_EQ(std::string("1", 2), GetValue(path, "Enabled", &type));
    }
    EXPECT_EQ(std::string("10.0.0.5", 9), GetValue(NETWORKS "\\0", "IPdestination"));
    EXPECT_TRUE(SubkeyNames(NETWORKS "\\0").empty());
}

TEST_F(SaveTest, EmptyListLeavesEmptyNetworksKey)
{
    StorePair("0", "1.1.1.1", "2.2.2.2");
    CreateKey(NETWORKS "\\0\\deeper\\still");
    EXPECT_TRUE(SavePairList(nullptr, 0));
    EXPECT_TRUE(KeyExists(NETWORKS));
    EXPECT_TRUE(SubkeyNames(NETWORKS).empty());
}

// The save makes the path to Networks, as far up as the product key: what another program
// removed meanwhile is made anew, and the rows written. "Corvane Software" is not the store's.
TEST_F(SaveTest, MissingNetworksKeyIsRecreated)
{
    const char* levels[] = {NETWORKS, "Software\\Corvane Software\\mDNS", "Software\\Corvane Software"};
    const PairRowText rows[] = {{"192.168.1.10", "10.0.0.5"}};
    for (int removed = 1; removed <= 2; ++removed) {
        SCOPED_TRACE(levels[removed - 1]);
        ClearCorvaneKey();
        CreateKey(NETWORKS);
        for (int level = 0; level < removed; ++level)
            ASSERT_EQ(ERROR_SUCCESS, RegDeleteKeyA(HKEY_LOCAL_MACHINE, levels[level]));
        BeginStdoutCapture();
        bool saved = SavePairList(rows, 1);
        std::string output = EndStdoutCapture();
        EXPECT_TRUE(saved);
        EXPECT_EQ("Key not found.\n", output);
        EXPECT_TRUE(StoreHoldsExactly(rows, 1));
    }
    ClearCorvaneKey();
    SaveRequest request = {NULL, NULL, NULL, NULL, NULL, kTestReaderGrace, NULL};
    SaveResult result = SavePairListOver(rows, 1, &request);
    EXPECT_EQ(SAVE_FAILED, result.outcome);
    EXPECT_EQ(STORE_MISSING, result.failure.trouble);
    EXPECT_EQ(STORE_KEY_COMPANY, result.failure.key);
    EXPECT_FALSE(result.productKeyUsable);
    EXPECT_FALSE(KeyExists("Software\\Corvane Software"));
    FreeSaveResult(&result);
}

TEST_F(SaveTest, SavingTwiceLeavesTheSameStore)
{
    const PairRowText rows[] = {{"192.168.1.10", "10.0.0.5"}, {"10.0.0.6", "10.0.0.7"}};
    ASSERT_TRUE(SavePairList(rows, 2));
    ASSERT_TRUE(SavePairList(rows, 2));
    EXPECT_EQ((std::vector<std::string>{"0", "1"}), SubkeyNames(NETWORKS));
    EXPECT_EQ(std::string("10.0.0.7", 9), GetValue(NETWORKS "\\1", "IPdestination"));
    // A shorter list removes the rows beyond it.
    ASSERT_TRUE(SavePairList(rows + 1, 1));
    EXPECT_EQ((std::vector<std::string>{"0"}), SubkeyNames(NETWORKS));
    EXPECT_EQ(std::string("10.0.0.6", 9), GetValue(NETWORKS "\\0", "IPsource"));
}

// What a good save wrote is what the next one compares with: two saves of one session, one
// after the other, both succeed without a question.
TEST_F(SaveTest, TwoComparedSavesInOneSessionBothSucceed)
{
    const PairRowText rows[] = {{"192.168.1.10", "10.0.0.5"}, {"10.0.0.6", "10.0.0.7"}};
    SaveSession session;
    BeginSession(&session, true);
    EXPECT_EQ(SAVE_DONE, SaveInSession(&session, rows, 2));
    EXPECT_EQ(SAVE_DONE, SaveInSession(&session, rows + 1, 1));
    EXPECT_EQ(SAVE_DONE, SaveInSession(&session, rows, 2));
    EndSession(&session);
    EXPECT_TRUE(StoreHoldsExactly(rows, 2));
    // A pair key whose name has the longest length a key name may have is read, compared
    // and removed like any other.
    const std::string longest(255, 'k');
    StorePair(longest, "10.0.0.8", "10.0.0.9");
    BeginSession(&session, true);
    EXPECT_EQ(SAVE_DONE, SaveInSession(&session, rows, 2));
    EndSession(&session);
    EXPECT_TRUE(StoreHoldsExactly(rows, 2));
    StorePair(longest, "10.0.0.8", "10.0.0.9");
    BeginStdoutCapture();
    EXPECT_TRUE(SavePairList(rows, 2)) << "the save over anything removes it too";
    EndStdoutCapture();
    EXPECT_TRUE(StoreHoldsExactly(rows, 2));
}

// Networks goes and comes anew on every save, so what the old key was made with goes with
// it: a volatile key (whose subkeys must all be volatile), and values whose names no ANSI
// call could delete.
TEST_F(SaveTest, AVolatileNetworksAndItsOddValuesGoWithTheOldKey)
{
    DeleteKey(NETWORKS);
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_LOCAL_MACHINE, NETWORKS, 0, NULL, REG_OPTION_VOLATILE, KEY_ALL_ACCESS,
                                             NULL, &key, NULL));
    RegCloseKey(key);
    SetValue(NETWORKS, std::string(300, 'v').c_str(), REG_SZ, "stray");
    const PairRowText rows[] = {{"192.168.1.10", "10.0.0.5"}, {"10.0.0.6", "10.0.0.7"}};
    BeginStdoutCapture();
    bool saved = SavePairList(rows, 2);
    EndStdoutCapture();
    EXPECT_TRUE(saved);
    EXPECT_TRUE(StoreHoldsExactly(rows, 2));
}

TEST_F(SaveTest, ProductKeyValuesOutsideTheListSurvive)
{
    SetValue("Software\\Corvane Software\\mDNS", "InstallPath", REG_SZ, "C:\\Corvane");
    ASSERT_TRUE(SavePairList(nullptr, 0));
    EXPECT_EQ(std::string("C:\\Corvane", 11), GetValue("Software\\Corvane Software\\mDNS", "InstallPath"));
}

#ifdef _WIN32
// A value below the Networks key written through the Unicode calls, as a tool that is not
// bound to the code page writes it. `data` holds the text without its NUL.
void SetWideValue(const std::string& pairKey, const wchar_t* name, const wchar_t* data)
{
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE, pairKey.c_str(), 0, KEY_ALL_ACCESS, &key));
    EXPECT_EQ(ERROR_SUCCESS, RegSetValueExW(key, name, 0, REG_SZ, (const BYTE*)data, (DWORD)(wcslen(data) + 1) * 2));
    RegCloseKey(key);
}
#endif

// Ways a store of the saved texts differs from what the save writes, made on pair 0.
struct Shape {
    const char* name;
    void (*make)(const std::string& pair0);
};
const Shape kOtherShapes[] = {
    {"Enabled 0", [](const std::string& p) { SetValue(p, "Enabled", REG_SZ, "0"); }},
    {"Direction 5", [](const std::string& p) { SetValue(p, "Direction", REG_SZ, "5"); }},
    {"source as binary", [](const std::string& p) { SetValue(p, "IPsource", REG_BINARY, "192.168.1.10"); }},
    {"destination as a number", [](const std::string& p) { SetValue(p, "IPdestination", REG_DWORD, "10.0.0.5"); }},
    {"text one short", [](const std::string& p) { SetValue(p, "IPsource", REG_SZ, "192.168.1.1"); }},
    {"text one long", [](const std::string& p) { SetValue(p, "IPsource", REG_SZ, "192.168.1.100"); }},
    {"two NULs", [](const std::string& p) { SetValue(p, "IPsource", REG_SZ, std::string("192.168.1.10\0\0", 14)); }},
    {"name in other case", [](const std::string& p) {
         DeleteKey(p);
         WritePairValues(p, "192.168.1.10", "10.0.0.5");
         HKEY key;
         ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE, p.c_str(), 0, KEY_ALL_ACCESS, &key));
         RegDeleteValueA(key, "IPsource");
         RegCloseKey(key);
         SetValue(p, "ipsource", REG_SZ, "192.168.1.10");
     }},
    {"a fifth value", [](const std::string& p) { SetValue(p, "Comment", REG_SZ, "x"); }},
    {"a value missing", [](const std::string&) {
         HKEY key;
         ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE, NETWORKS "\\1", 0, KEY_ALL_ACCESS, &key));
         RegDeleteValueA(key, "Enabled");
         RegCloseKey(key);
     }},
    {"a value on Networks", [](const std::string&) { SetValue(NETWORKS, "Stray", REG_SZ, "x"); }},
    {"a subkey below a pair", [](const std::string& p) { CreateKey(p + "\\nested"); }},
    {"a third pair key", [](const std::string&) { StorePair("2", "1.1.1.1", "2.2.2.2"); }},
    {"a pair key named 00", [](const std::string&) { StorePair("00", "1.1.1.1", "2.2.2.2"); }},
    {"a pair key that is a link", [](const std::string&) {
         WritePairValues(OUTSIDE "\\Pair", "10.0.0.6", "192.168.100.200");
         DeleteKey(NETWORKS "\\1");
         CreateLink(NETWORKS "\\1", OUTSIDE "\\Pair");
     }},
#ifdef _WIN32
    // What the code page maps onto our names and texts, but is not them.
    {"a fullwidth letter in a value's name", [](const std::string& p) {
         HKEY key;
         ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE, p.c_str(), 0, KEY_ALL_ACCESS, &key));
         RegDeleteValueA(key, "IPsource");
         RegCloseKey(key);
         SetWideValue(p, L"\xFF29Psource", L"192.168.1.10");
     }},
    {"a fullwidth digit in a text", [](const std::string& p) { SetWideValue(p, L"IPsource", L"\xFF11" L"92.168.1.10"); }},
    {"a fullwidth Direction", [](const std::string& p) { SetWideValue(p, L"Direction", L"\xFF12"); }},
    {"a row key with a fullwidth name", [](const std::string&) {
         DeleteKey(NETWORKS "\\1");
         HKEY key;
         ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_LOCAL_MACHINE,
                                                  L"Software\\Corvane Software\\mDNS\\Networks\\\xFF11", 0, NULL, 0,
                                                  KEY_ALL_ACCESS, NULL, &key, NULL));
         RegCloseKey(key);
     }},
#endif
    {"Networks a link to a copy", [](const std::string&) {
         WritePairValues(OUTSIDE "\\Networks\\0", "192.168.1.10", "10.0.0.5");
         WritePairValues(OUTSIDE "\\Networks\\1", "10.0.0.6", "192.168.100.200");
         char tree[KEY_TREE_PATH_SIZE];
         BoundedCopy(tree, NETWORKS);
         ASSERT_TRUE(RemoveKeyTree(HKEY_LOCAL_MACHINE, tree));
         CreateLink(NETWORKS, OUTSIDE "\\Networks");
     }},
};

// Every shape a hand, a tool or an attacker can leave that a save would not: the check
// behind "nothing changed" must see each, and the save must mend each.
TEST_F(SaveTest, OnlyTheSavesOwnShapeCountsAsHoldingTheList)
{
    const PairRowText rows[] = {{"192.168.1.10", "10.0.0.5"}, {"10.0.0.6", "192.168.100.200"}};
    const std::string pair0 = NETWORKS "\\0";
    ASSERT_TRUE(SavePairList(rows, 2));
    EXPECT_TRUE(StoreHoldsExactly(rows, 2));
    const PairRowText swapped[] = {rows[1], rows[0]};
    EXPECT_FALSE(StoreHoldsExactly(swapped, 2)) << "the order is part of the list";
    EXPECT_FALSE(StoreHoldsExactly(rows, 1));
    for (const Shape& shape : kOtherShapes) {
        SCOPED_TRACE(shape.name);
        BeginStdoutCapture();
        bool saved = SavePairList(rows, 2);
        EndStdoutCapture();
        ASSERT_TRUE(saved);
        ASSERT_TRUE(StoreHoldsExactly(rows, 2));
        shape.make(pair0);
        EXPECT_FALSE(StoreHoldsExactly(rows, 2));
        BeginStdoutCapture();
        saved = SavePairList(rows, 2);
        EndStdoutCapture();
        EXPECT_TRUE(saved);
        EXPECT_TRUE(StoreHoldsExactly(rows, 2)) << "the save mends it";
    }
}

TEST(BoundedCopyTest, CutsAt519CharactersAndSaysSo)
{
    char path[KEY_TREE_PATH_SIZE + 8];
    memset(path, 0xbd, sizeof path);
    EXPECT_TRUE(BoundedCopy(path, std::string(519, 'a').c_str()));
    EXPECT_EQ(519u, strlen(path));
    EXPECT_FALSE(BoundedCopy(path, std::string(520, 'b').c_str()));
    EXPECT_EQ(std::string(519, 'b'), path);
    EXPECT_EQ((char)0xbd, path[KEY_TREE_PATH_SIZE]) << "nothing written past the buffer";
}

class RemoveKeyTreeTest : public StoreTest {};

TEST_F(RemoveKeyTreeTest, RemovesNestedTreeAndRestoresPath)
{
    std::string deep = NETWORKS;
    for (int level = 0; level < 100; ++level) deep += "\\k" + std::to_string(level % 10);
    CreateKey(deep);
    CreateKey(NETWORKS "\\k0\\side");
    SetValue(NETWORKS "\\k0", "IPsource", REG_SZ, "1.2.3.4");
    char path[KEY_TREE_PATH_SIZE];
    BoundedCopy(path, NETWORKS);
    EXPECT_TRUE(RemoveKeyTree(HKEY_LOCAL_MACHINE, path));
    EXPECT_STREQ(NETWORKS, path);
    EXPECT_FALSE(KeyExists(NETWORKS));
    EXPECT_TRUE(KeyExists("Software\\Corvane Software\\mDNS"));
}

TEST_F(RemoveKeyTreeTest, TrailingBackslashIsDroppedFromThePath)
{
    CreateKey(NETWORKS "\\a\\b");
    char path[KEY_TREE_PATH_SIZE];
    BoundedCopy(path, NETWORKS "\\");
    EXPECT_TRUE(RemoveKeyTree(HKEY_LOCAL_MACHINE, path));
    EXPECT_STREQ(NETWORKS, path);
    EXPECT_FALSE(KeyExists(NETWORKS));
}

TEST_F(RemoveKeyTreeTest, MissingKeyCountsAsRemoved)
{
    char path[KEY_TREE_PATH_SIZE];
    BoundedCopy(path, NETWORKS "\\none");
    BeginStdoutCapture();
    bool removed = RemoveKeyTree(HKEY_LOCAL_MACHINE, path);
    std::string output = EndStdoutCapture();
    EXPECT_TRUE(removed);
    EXPECT_EQ("Key not found.\n", output);
    EXPECT_STREQ(NETWORKS "\\none", path);
}

// A key at the path that is a registry link goes as itself; what it names stays.
TEST_F(RemoveKeyTreeTest, ALinkAtThePathIsRemovedNotFollowed)
{
    SetValue(OUTSIDE "\\Target\\inner", "Kept", REG_SZ, "yes");
    CreateLink(NETWORKS "\\link", OUTSIDE "\\Target");
    char path[KEY_TREE_PATH_SIZE];
    BoundedCopy(path, NETWORKS "\\link");
    BeginStdoutCapture();
    EXPECT_TRUE(RemoveKeyTree(HKEY_LOCAL_MACHINE, path));
    EndStdoutCapture();
    EXPECT_TRUE(SubkeyNames(NETWORKS).empty());
    EXPECT_EQ(std::string("yes", 4), GetValue(OUTSIDE "\\Target\\inner", "Kept"));
}

TEST_F(RemoveKeyTreeTest, PathBeyondTheBufferFailsWithoutOverflow)
{
    // Each level adds 201 characters: the third level no longer fits in 520.
    std::string level(200, 'x');
    std::string deep = NETWORKS "\\" + level + "\\" + level + "\\" + level;
    CreateKey(deep);
    char path[KEY_TREE_PATH_SIZE + 16];
    memset(path, 0xbd, sizeof path);
    BoundedCopy(path, NETWORKS);
    EXPECT_FALSE(RemoveKeyTree(HKEY_LOCAL_MACHINE, path));
    EXPECT_STREQ(NETWORKS, path);
    for (size_t i = KEY_TREE_PATH_SIZE; i < sizeof path; ++i) EXPECT_EQ((char)0xbd, path[i]) << i;
    EXPECT_TRUE(KeyExists(deep)) << "what could not be named stays";
    EXPECT_TRUE(KeyExists(NETWORKS));
    // The tear-down's own removal cannot name it either.
    for (std::string key = deep; key != NETWORKS; key.erase(key.rfind('\\'))) DeleteKey(key);
}

TEST_F(RemoveKeyTreeTest, WalksThatEndAt517To521CharactersStayInTheBuffer)
{
    for (size_t total = 517; total <= 521; ++total) {
        SCOPED_TRACE(total);
        std::string deep = NETWORKS "\\" + std::string(200, 'p') + "\\" + std::string(200, 'q') + "\\" +
                           std::string(total - strlen(NETWORKS) - 403, 'r');
        ASSERT_EQ(total, deep.size());
        CreateKey(deep);
        // Exactly the buffer's size on the heap, so that the sanitizer sees a byte past it.
        std::vector<char> path(KEY_TREE_PATH_SIZE);
        BoundedCopy(path.data(), NETWORKS);
        bool removed = RemoveKeyTree(HKEY_LOCAL_MACHINE, path.data());
        EXPECT_STREQ(NETWORKS, path.data());
        EXPECT_EQ(total < KEY_TREE_PATH_SIZE, removed) << "a full path of 519 characters and its NUL still fit";
        EXPECT_EQ(!removed, KeyExists(deep));
        if (!removed) {
            for (std::string key = deep; key != NETWORKS; key.erase(key.rfind('\\'))) DeleteKey(key);
            DeleteKey(NETWORKS);
        }
        CreateKey(NETWORKS);
    }
}

TEST_F(RemoveKeyTreeTest, PathThatFillsTheBufferIsNotExtended)
{
    // A 519-character path leaves no room for a separator and a name.
    std::string first(200, 'y');
    std::string second(519 - strlen(NETWORKS) - 3 - 400, 'z');
    std::string full = NETWORKS "\\" + first + "\\" + first + "\\" + second;
    ASSERT_EQ(519u, full.size());
    CreateKey(full + "\\child");
    char path[KEY_TREE_PATH_SIZE];
    BoundedCopy(path, full.c_str());
    EXPECT_FALSE(RemoveKeyTree(HKEY_LOCAL_MACHINE, path));
    EXPECT_EQ(full, path);
    EXPECT_TRUE(KeyExists(full + "\\child"));
    for (std::string key = full + "\\child"; key != NETWORKS; key.erase(key.rfind('\\'))) DeleteKey(key);
}

}  // namespace

namespace {

// A link planted anywhere in the store, the Networks key itself included, is removed as a
// link: what it names stays byte for byte, and the rows land in a real Networks key.
TEST_F(SaveTest, LinksInTheStoreAreRemovedNotFollowed)
{
    const char* linkPlaces[] = {NETWORKS "\\0", NETWORKS "\\a\\b\\c", NETWORKS "\\z"};
    const PairRowText rows[] = {{"192.168.1.10", "10.0.0.5"}};
    for (const char* place : {linkPlaces[0], linkPlaces[1], linkPlaces[2], NETWORKS}) {
        SCOPED_TRACE(place);
        ClearCorvaneKey();
        SetValue(OUTSIDE, "Keep", REG_SZ, "me");
        SetValue(OUTSIDE "\\0", "IPsource", REG_SZ, "9.9.9.9");
        CreateKey(OUTSIDE "\\deeper\\still");
        if (strcmp(place, NETWORKS) != 0) StorePair("5", "1.1.1.1", "2.2.2.2");
        CreateLink(place, OUTSIDE);
        std::string outsideBefore = DescribeTree(OUTSIDE);

        EXPECT_TRUE(SavePairList(rows, 1));
        EXPECT_EQ(outsideBefore, DescribeTree(OUTSIDE));
        std::string store = DescribeTree(NETWORKS);
        EXPECT_EQ(std::string::npos, store.find("(link)")) << store;
        EXPECT_EQ((std::vector<std::string>{"0"}), SubkeyNames(NETWORKS));
        EXPECT_TRUE(SubkeyNames(NETWORKS "\\0").empty());
        EXPECT_EQ(std::string("192.168.1.10", 13), GetValue(NETWORKS "\\0", "IPsource"));
    }
}

}  // namespace
