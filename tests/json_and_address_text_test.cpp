// The companion's two small text rules: a dotted address exactly as the platform writes one,
// and any stored text as a plain-ASCII JSON string.
#include <gtest/gtest.h>

#include "console/address_arguments.h"
#include "console/json_text.h"

namespace {

TEST(AddressTextTest, OnlyTheDottedFormThePlatformWrites)
{
    const struct {
        const char* text;
        bool address;
    } cases[] = {
        {"10.0.0.5", true},       {"0.0.0.0", true},       {"255.255.255.255", true}, {"192.168.1.10", true},
        {"256.0.0.1", false},     {"10.0.0", false},       {"10.0.0.5.6", false},     {"010.0.0.5", false},
        {"10.0.0.5 ", false},     {" 10.0.0.5", false},    {"10.0.0.-1", false},      {"", false},
        {"Ethernet 2", false},    {"10..0.5", false},      {"1e1.0.0.5", false},      {"+10.0.0.5", false},
    };
    for (const auto& test : cases) EXPECT_EQ(test.address, IsAddressText(test.text)) << "\"" << test.text << "\"";
}

TEST(JsonStringTest, QuotedEscapedAndPlainAscii)
{
    const struct {
        const char* text;
        const char* json;
    } cases[] = {
        {"", "\"\""},
        {"10.0.0.5", "\"10.0.0.5\""},
        {"say \"hi\"", "\"say \\\"hi\\\"\""},
        {"a\\b", "\"a\\\\b\""},
        {"line\nbreak\ttab\x01", "\"line\\u000abreak\\u0009tab\\u0001\""},
        {"caf\xe9", "\"caf\\u00e9\""},
        {"\x80", "\"\\u20ac\""},  // the euro sign in code page 1252
        {"~\x7f", "\"~\\u007f\""},
    };
    for (const auto& test : cases) EXPECT_EQ(test.json, JsonString(test.text)) << "\"" << test.text << "\"";
}

}  // namespace
