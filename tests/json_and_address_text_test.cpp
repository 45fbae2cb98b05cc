// The companion's two small text rules: a dotted address exactly as the platform writes one,
// and any stored text as a plain-ASCII JSON string.
#include <gtest/gtest.h>

#include "audit/printable_text.h"
#include "console/address_arguments.h"
#include "console/json_input.h"
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

// A resource's instance as it arrives: one strict document, or where it goes wrong.
TEST(JsonInputTest, OneStrictDocumentOrWhereItGoesWrong)
{
    const struct {
        const char* text;
        const char* wrong;  // "" when it parses
    } cases[] = {
        {"{}", ""},
        {" { \"a\" : [ 1 , -2.5e3 , true , false , null ] } \r\n", ""},
        {"{\"a\":\"\\u00e9\\ud83d\\ude00\\n\\\"\"}", ""},
        {"", "no value at character 1"},
        {"{} {}", "more after the JSON document at character 4"},
        {"{\"a\":1,\"a\":2}", "a member named twice at character 11"},
        {"{\"a\":1,}", "an object member without a quoted name at character 8"},
        {"{a:1}", "an object member without a quoted name at character 2"},
        {"[1 2]", "an array that does not go on with , or end with ] at character 4"},
        {"\"abc", "a string that does not end at character 5"},
        {"\"a\tb\"", "a control character in a string at character 3"},
        {"\"\\x\"", "an unknown escape in a string at character 4"},
        {"\"\\ud83d\"", "a broken surrogate pair at character 8"},
        {"\"\\u12g4\"", "a \\u escape without four hex digits at character 6"},
        {"tru", "not a JSON value at character 1"},
        {"-", "not a JSON value at character 2"},
        {"[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]", "nesting too deep at character 34"},
        {"{\"a\":{\"a\":{\"a\":{\"a\":{\"a\":{\"a\":{\"a\":{\"a\":{\"a\":{\"a\":{\"a\":{\"a\":{\"a\":{\"a\":{\"a\":{\"a\":"
         "{\"a\":{\"a\":{\"a\":{\"a\":{\"a\":{\"a\":{\"a\":{\"a\":{\"a\":{\"a\":{\"a\":{\"a\":{\"a\":{\"a\":{\"a\":{\"a\":"
         "{\"a\":1}}}}}}}}}}}}}}}}}}}}}}}}}}}}}}}}}",
         "nesting too deep at character 166"},
        {"\"\\ud83d\\udfff\"", ""},
        {"\"\\ud800\"", "a broken surrogate pair at character 8"},
        {"\"\\ud83d\\u0041\"", "a broken surrogate pair at character 14"},
        {"\"\\ud83d\\u12g4\"", "a \\u escape without four hex digits at character 12"},
    };
    for (const auto& test : cases) {
        JsonValue value;
        std::string wrong;
        EXPECT_EQ(test.wrong[0] == 0, ParseJson(test.text, &value, &wrong)) << test.text;
        EXPECT_EQ(test.wrong, wrong) << test.text;
    }
    JsonValue value;
    std::string wrong;
    ASSERT_TRUE(ParseJson("{\"pairs\":[{\"source\":\"\\u00e9\\ud83d\\ude00\"}],\"on\":true}", &value, &wrong));
    const JsonValue* pairs = JsonMember(value, "pairs");
    ASSERT_TRUE(pairs != nullptr && pairs->kind == JSON_ARRAY && pairs->items.size() == 1);
    EXPECT_EQ("\xc3\xa9\xf0\x9f\x98\x80", JsonMember(pairs->items[0], "source")->text);
    EXPECT_TRUE(JsonMember(value, "on")->boolean);
    EXPECT_EQ(nullptr, JsonMember(value, "off"));
    // Each length of UTF-8, at its edges.
    ASSERT_TRUE(ParseJson("\"\\u007f\\u0080\\u00e0\\u20ac\\uffff\"", &value, &wrong));
    EXPECT_EQ("\x7f\xc2\x80\xc3\xa0\xe2\x82\xac\xef\xbf\xbf", value.text);
    ASSERT_TRUE(ParseJson("\"\\ud800\\udc00\\udbff\\udfff\"", &value, &wrong));
    EXPECT_EQ("\xf0\x90\x80\x80\xf4\x8f\xbf\xbf", value.text);
}

// A stored text or an argument shown to a person: control characters and backslashes escaped,
// an argument cut after sixty characters and said to be.
TEST(PrintableTextTest, EscapesAndShortens)
{
    EXPECT_EQ("a\\x1b[2J\\\\b\\x7f", PrintableText("a\x1b[2J\\b\x7f"));
    EXPECT_EQ("caf\xe9", PrintableText("caf\xe9")) << "a letter of the code page is a letter";
    const std::string sixty(60, 'x');
    EXPECT_EQ(sixty, ShortenedArgument(sixty.c_str()));
    EXPECT_EQ(sixty + "...", ShortenedArgument((sixty + "y").c_str()));
    EXPECT_EQ("\\x01" + std::string(59, 'x') + "...", ShortenedArgument(("\x01" + sixty).c_str()));
}

}  // namespace
