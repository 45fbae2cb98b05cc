// The import's reading of a file: what the export writes reads back exactly, what Windows'
// own tools write of the list reads too, and anything else is refused with its reason.
#include <gtest/gtest.h>

#include <stdio.h>
#include <string.h>

#include <string>
#include <vector>

#include <unistd.h>

#include "console/import_file.h"
#include "console/pairs_commands.h"
#include "console/pairs_export.h"
#include "tests/output_capture.h"

namespace {

const std::string kKey = "[HKEY_LOCAL_MACHINE\\Software\\Corvane Software\\mDNS\\Networks";
const PairRowText kTwo[] = {{"192.168.1.10", "10.0.0.5"}, {"10.0.0.5", "10.0.0.6"}};

// The list as reg export writes the Networks key: a version 5.00 header, the rows in the
// registry's order, the values in any order.
const std::string kWindows =
    "Windows Registry Editor Version 5.00\r\n\r\n" + kKey + "]\r\n\r\n" + kKey +
    "\\1]\r\n\"IPsource\"=\"10.0.0.5\"\r\n\"IPdestination\"=\"10.0.0.6\"\r\n\"Direction\"=\"2\"\r\n"
    "\"Enabled\"=\"1\"\r\n\r\n" + kKey + "\\0]\r\n\"Enabled\"=\"1\"\r\n\"Direction\"=\"2\"\r\n"
    "\"IPdestination\"=\"10.0.0.5\"\r\n\"IPsource\"=\"192.168.1.10\"\r\n\r\n";

std::string Utf16(const std::string& text)
{
    std::string bytes = "\xFF\xFE";
    for (char c : text) bytes += std::string{c, '\0'};
    return bytes;
}

TEST(PairsImportTest, WhatTheExportWritesReadsBackExactly)
{
    std::vector<PairRowText> hostile;
    for (int byte = 1; byte < 256; byte += 15) {
        PairRowText row = {};
        for (int i = 0; i < 15; ++i) row.source[i] = (char)(byte + i <= 255 ? byte + i : '[');
        snprintf(row.destination, ADDRESS_TEXT_SIZE, "%s", byte % 2 ? "\n[-HKEY_USERS]" : "a\"b\\c");
        hostile.push_back(row);
    }
    hostile.push_back(PairRowText{"", ""});
    hostile.push_back(PairRowText{"a\"b", "\x7e\x7f"});
    std::vector<std::vector<PairRowText>> lists = {{}, {{"192.168.1.10", "10.0.0.5"}}, hostile};
    for (size_t count : {3u, 100u}) {
        std::vector<PairRowText> rows(count);
        for (size_t i = 0; i < count; ++i) {
            snprintf(rows[i].source, ADDRESS_TEXT_SIZE, "10.0.%d.1", (int)i);
            snprintf(rows[i].destination, ADDRESS_TEXT_SIZE, "192.168.%d.200", (int)i);
        }
        lists.push_back(rows);
    }
    const PairRowText odd = {"192.168.1.10", "\n[x]\""};
    EXPECT_EQ("REGEDIT4\r\n\r\n"
              "; The address pairs of the Corvane mDNS Repeater. \"mDNSPairs import FILE\" makes the list\r\n"
              "; exactly these pairs. A registry import deletes nothing: pairs numbered past these stay.\r\n\r\n"
              "[HKEY_LOCAL_MACHINE\\Software\\Corvane Software\\mDNS\\Networks]\r\n\r\n"
              "[HKEY_LOCAL_MACHINE\\Software\\Corvane Software\\mDNS\\Networks\\0]\r\n"
              "\"IPsource\"=\"192.168.1.10\"\r\n\"IPdestination\"=hex(1):0a,5b,78,5d,22,00\r\n"
              "\"Direction\"=\"2\"\r\n\"Enabled\"=\"1\"\r\n\r\n; The end of the export. Pairs: 1.\r\n",
              PairsExportText(&odd, 1));
    for (const std::vector<PairRowText>& rows : lists) {
        SCOPED_TRACE(rows.size());
        std::string text = PairsExportText(rows.data(), (int)rows.size());
        std::vector<PairRowText> read;
        std::string why;
        ASSERT_TRUE(ParsePairsExport(text, &read, &why)) << why;
        ASSERT_EQ(rows.size(), read.size());
        for (size_t i = 0; i < rows.size(); ++i) {
            EXPECT_STREQ(rows[i].source, read[i].source);
            EXPECT_STREQ(rows[i].destination, read[i].destination);
        }
        // Every line is one the export writes; none deletes.
        size_t lines = 0;
        for (size_t start = 0; start < text.size(); start = text.find("\r\n", start) + 2) {
            char first = text[start];
            EXPECT_TRUE(strchr("R;[\"\r", first) != nullptr) << text.substr(start, 40);
            EXPECT_NE('-', text[start + 1]) << "a deletion";
            ++lines;
        }
        EXPECT_EQ(8 + 6 * rows.size(), lines);
    }

}

// The import reads what the export writes and nothing else: each of these changes of a good
// file makes it not an export, for the reason said.
TEST(PairsImportTest, EachChangeOfAnExportIsRefusedForItsReason)
{
    const std::string good = PairsExportText(kTwo, 2);
    const std::string& key = kKey;
    struct Change {
        std::string from, to, why;
    };
    const Change changes[] = {
        {"REGEDIT4", "REGEDIT5", "line 1: neither a REGEDIT4 file nor a Windows Registry Editor Version 5.00 file"},
        {key + "\\1]", key + "\\2]", "line 20: pairs not numbered 0, 1, 2, ... without a gap"},
        {key + "\\1]", "[HKEY_USERS\\x]", "line 14: a key outside the Networks key"},
        {key + "\\1]", "[-" + key.substr(1) + "\\1]",
         "line 14: a section that deletes a key, which an import never needs"},
        {"\"Direction\"=\"2\"", "\"Direction\"=\"3\"", "line 11: Direction other than 2"},
        {"\"Enabled\"=\"1\"\r\n\r\n[", "\r\n\r\n[", "line 14: a pair's section without all four values"},
        {"\"Enabled\"=\"1\"", "\"Enabled\"=\"1\"\r\n\"Enabled\"=\"1\"", "line 13: an unknown or repeated value name"},
        {"\"IPsource\"=\"192.168.1.10\"", "\"IPsource\"=hex(1):31,32",
         "line 9: a value that the export does not write"},
        {"\"IPsource\"=\"192.168.1.10\"", "\"IPsource\"=hex(1):31,00,32,00",
         "line 9: a value that the export does not write"},
        {"\"IPsource\"=\"192.168.1.10\"", "\"IPsource\"=\"192.168.100.1000\"",
         "line 9: a value that the export does not write"},
        {"\"IPsource\"=\"192.168.1.10\"", "\"IPsource\"=\"a\\nb\"", "line 9: a value that the export does not write"},
        {"\"IPsource\"=\"192.168.1.10\"", "\"IPsource\"=dword:00000001",
         "line 9: a value that the export does not write"},
        {"\"IPsource\"=\"192.168.1.10\"", "\"IPsource\"=\"192.168.1.10\"x",
         "line 9: a value that the export does not write"},
        {"\"Direction\"", std::string("\"Dir\0ection\"", 12), "line 11: a NUL character"},
        {"\"IPsource\"=\"10.0.0.5\"\r\n", "", "line 19: a pair's section without all four values"},
        // A whole row's section gone, its count line kept; text after the count; a line after it.
        {key + "\\1]\r\n\"IPsource\"=\"10.0.0.5\"\r\n\"IPdestination\"=\"10.0.0.6\"\r\n\"Direction\"=\"2\"\r\n\"Enabled\"=\"1\"\r\n\r\n", "",
         "line 14: not as many pairs as the export's last line counts"},
        {"Pairs: 2.", "Pairs: 2. and more",
         "line 20: the export's last line, which counts its pairs, is missing: cut short?"},
        {"Pairs: 2.\r\n", "Pairs: 2.\r\n\"IPsource\"=\"1.2.3.4\"\r\n", "line 21: a line after the export's last"},
        {"Pairs: 2.", "Pairs: 3.", "line 20: not as many pairs as the export's last line counts"},
    };
    for (const auto& change : changes) {
        std::string text = good;
        size_t at = text.find(change.from);
        ASSERT_NE(std::string::npos, at) << change.from;
        text.replace(at, change.from.size(), change.to);
        std::vector<PairRowText> read;
        std::string why;
        EXPECT_FALSE(ParsePairsExport(text, &read, &why)) << change.to;
        EXPECT_EQ(change.why, why);
    }

}

// An export cut short at any line is refused, never a shorter list.
TEST(PairsImportTest, AnExportCutShortIsRefused)
{
    const std::string good = PairsExportText(kTwo, 2);
    for (size_t end = good.find("\r\n"); end != std::string::npos; end = good.find("\r\n", end + 2)) {
        std::vector<PairRowText> read;
        std::string why;
        bool whole = end + 2 == good.size();
        EXPECT_EQ(whole, ParsePairsExport(good.substr(0, end + 2), &read, &why)) << end;
    }

}

// What Windows' own tools write of the same list: reg export (UTF-16 with its mark) and
// PowerShell 5.1's redirection of an export (UTF-16), UTF-8 with a mark, and the 64-bit view's
// path.
TEST(PairsImportTest, WhatWindowsOwnToolsWriteIsRead)
{
    const std::string good = PairsExportText(kTwo, 2);
    std::string wow64 = kWindows;
    for (size_t at; (at = wow64.find("Software\\Corvane")) != std::string::npos;)
        wow64.replace(at, 8, "SOFTWARE\\WOW6432Node");
    for (const std::string& bytes : {kWindows, wow64, Utf16(kWindows), Utf16(good), "\xEF\xBB\xBF" + good}) {
        std::vector<PairRowText> read;
        std::string text, why;
        ASSERT_TRUE(DecodeRegFile(bytes, &text, &why)) << why;
        ASSERT_TRUE(ParsePairsExport(text, &read, &why)) << why << "\n" << text;
        ASSERT_EQ(2u, read.size());
        EXPECT_STREQ("192.168.1.10", read[0].source);
        EXPECT_STREQ("10.0.0.6", read[1].destination);
    }
}

// Every cut of reg export's file after one of its lines is refused, but for a cut right after
// a section's closing blank line, which is a whole export of fewer pairs when the sections so
// far are numbered 0 to n-1.
TEST(PairsImportTest, ACutOfRegExportsFileIsRefusedButAtAWholeSection)
{
    const std::string& windows = kWindows;
    for (size_t end = windows.find("\r\n"); end != std::string::npos; end = windows.find("\r\n", end + 2)) {
        std::string cut = windows.substr(0, end + 2), text, why;
        std::vector<PairRowText> read;
        bool sectionEnd = cut.size() >= 4 && cut.compare(cut.size() - 4, 4, "\r\n\r\n") == 0 &&
                          cut.find("\"IPsource\"") != std::string::npos;
        ASSERT_TRUE(DecodeRegFile(Utf16(cut), &text, &why));
        bool accepted = ParsePairsExport(text, &read, &why);
        EXPECT_TRUE(sectionEnd || !accepted) << cut;
        EXPECT_EQ(cut == windows, accepted && read.size() == 2) << cut;
    }
}

// A text of printable characters is written as it is, a space included; one with any other
// as hex(1), a control character included.
TEST(PairsImportTest, PrintableTextsAreWrittenQuotedAndTheRestAsHex)
{
    const PairRowText row = {"a b~", "\x1f"};
    std::string text = PairsExportText(&row, 1);
    EXPECT_NE(std::string::npos, text.find("\"IPsource\"=\"a b~\"\r\n")) << text;
    EXPECT_NE(std::string::npos, text.find("\"IPdestination\"=hex(1):1f,00\r\n")) << text;
}

TEST(PairsImportTest, TheFilesBytesAreReadInTheirOwnEncoding)
{
    std::string why, text;
    EXPECT_FALSE(DecodeRegFile(Utf16(kWindows) + "x", &text, &why)) << "UTF-16 of an odd length";
    EXPECT_FALSE(DecodeRegFile("\xEF\xBB\xBF" + kWindows + "\xC3", &text, &why)) << "UTF-8 cut inside a character";
    // A version 5.00 file without a mark that is not UTF-8 is the code page's: read as it is.
    const std::string codePage = "Windows Registry Editor Version 5.00\r\n; caf\xe9\r\n";
    ASSERT_TRUE(DecodeRegFile(codePage, &text, &why)) << why;
    EXPECT_EQ(codePage, text);
    // The same text in UTF-8 without a mark is UTF-8.
    ASSERT_TRUE(DecodeRegFile("Windows Registry Editor Version 5.00\r\n; caf\xc3\xa9\r\n", &text, &why)) << why;
    EXPECT_EQ(codePage, text);
    EXPECT_FALSE(DecodeRegFile(Utf16(kWindows).replace(40, 2, std::string("\x00\x22", 2)), &text, &why))
        << "U+2200 has no byte in code page 1252";
}

// A file of the test's own in the working folder, removed when the test ends.
struct ImportFile {
    char path[64];
    explicit ImportFile(const std::string& bytes)
    {
        snprintf(path, sizeof path, "mdnspairs-import-%ld.reg", (long)getpid());
        FILE* file = fopen(path, "wb");
        EXPECT_NE(nullptr, file);
        if (file == nullptr) return;
        EXPECT_EQ(bytes.size(), fwrite(bytes.data(), 1, bytes.size(), file));
        fclose(file);
    }
    ~ImportFile() { remove(path); }
};

// The import's answer for a whole file: a list it saves, or a usage error or a refusal,
// said on standard error. Every text of every row is an address, and the list keeps the rules.
TEST(PairsImportTest, AFileIsSavedOnlyWhenEveryTextIsAnAddressAndTheRulesHold)
{
    auto exportOf = [](std::vector<PairRowText> rows) { return PairsExportText(rows.data(), (int)rows.size()); };
    const std::string twice = "The pair 10.0.0.6, 10.0.0.5 stands twice in the list asked for (either way round); "
                              "a pair may stand only once.";
    struct Case {
        const char* what;
        std::string bytes;
        int exitCode;
        std::string error;  // after "The file "<path>"", or the whole line when it names no file
    } cases[] = {
        {"two pairs", exportOf({kTwo[0], kTwo[1]}), PAIRS_UNCHANGED, ""},
        {"reg export's file", Utf16(kWindows), PAIRS_UNCHANGED, ""},
        {"no pairs", exportOf({}), PAIRS_UNCHANGED, ""},
        {"an adapter's name as a source", exportOf({{"WiFi", "10.0.0.6"}}), PAIRS_USAGE,
         " asks for a text that is not an IPv4 address (line 8: IPsource \"WiFi\"); nothing was changed."},
        {"a destination that is no address", exportOf({kTwo[0], {"10.0.0.5", "banana"}}), PAIRS_USAGE,
         " asks for a text that is not an IPv4 address (line 14: IPdestination \"banana\"); nothing was changed."},
        {"a blank destination", exportOf({{"10.0.0.5", ""}}), PAIRS_USAGE,
         " asks for a text that is not an IPv4 address (line 8: IPdestination \"\"); nothing was changed."},
        {"a pair twice, either way round", exportOf({kTwo[1], {"10.0.0.6", "10.0.0.5"}}), PAIRS_REFUSED, twice},
        {"a pair of one address", exportOf({{"10.0.0.5", "10.0.0.5"}}), PAIRS_REFUSED, "*"},
        {"not an export", "REGEDIT5\r\n", PAIRS_USAGE,
         " is not an export of mDNSPairs (line 1: neither a REGEDIT4 file nor a Windows Registry Editor Version 5.00 "
         "file)."},
        {"an empty file", "", PAIRS_USAGE, " is not an export of mDNSPairs (line 0: an empty file)."},
        {"a file of exactly the limit", std::string(8 * 1024 * 1024, ';'), PAIRS_USAGE,
         " is not an export of mDNSPairs (line 1: neither a REGEDIT4 file nor a Windows Registry Editor Version 5.00 "
         "file)."},
        {"a byte over the limit", std::string(8 * 1024 * 1024 + 1, ';'), PAIRS_USAGE,
         " is larger than 8 MB, far beyond any export: it was not read."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ImportFile file(c.bytes);
        std::vector<PairRowText> rows;
        int exitCode = -1;
        BeginStderrCapture();
        bool read = ReadImportFile(file.path, &rows, &exitCode);
        std::string error = EndStderrCapture();
        EXPECT_EQ(c.exitCode == PAIRS_UNCHANGED, read);
        EXPECT_EQ(c.exitCode, exitCode);
        std::string firstLine = error.substr(0, error.find('\n'));
        std::string named = "The file \"" + std::string(file.path) + "\"";
        std::string expected = c.error.empty() || c.error[0] != ' ' ? c.error : named + c.error;
        if (c.error == "*") {
            EXPECT_NE("", firstLine);
        } else {
            EXPECT_EQ(expected, firstLine);
        }
        if (read) {
            EXPECT_EQ(strcmp(c.what, "no pairs") == 0 ? 0u : 2u, rows.size());
        }
    }
}

}  // namespace
