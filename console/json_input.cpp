// A small strict JSON reader: what DSC sends is one compact object.
#include "console/json_input.h"
#include "console/pairs_texts.h"

#include <ctype.h>
#include <stdio.h>

namespace {

// Nesting deeper than any instance has is refused rather than followed.
const int kMaxDepth = 32;

struct Reader {
    const std::string& text;
    size_t at;
    std::string* wrong;

    bool Fail(const char* what)
    {
        char where[64];
        snprintf(where, sizeof where, TEXT_JSON_AT_CHARACTER, (unsigned)at + 1);
        *wrong = std::string(what) + where;
        return false;
    }
    void SkipSpace()
    {
        while (at < text.size() && (text[at] == ' ' || text[at] == '\t' || text[at] == '\n' || text[at] == '\r')) ++at;
    }
    // Whether the next character is `end`, taken when it is.
    bool Closes(char end)
    {
        if (at >= text.size() || text[at] != end) return false;
        ++at;
        return true;
    }
    bool Literal(const char* word)
    {
        for (size_t i = 0; word[i]; ++i)
            if (at + i >= text.size() || text[at + i] != word[i]) return Fail(TEXT_JSON_NOT_A_VALUE);
        for (size_t i = 0; word[i]; ++i) ++at;
        return true;
    }
    static void PutUtf8(unsigned code, std::string* out)
    {
        if (code < 0x80) {
            *out += (char)code;
        } else if (code < 0x800) {
            *out += (char)(0xC0 | code >> 6);
            *out += (char)(0x80 | (code & 0x3F));
        } else if (code < 0x10000) {
            *out += (char)(0xE0 | code >> 12);
            *out += (char)(0x80 | (code >> 6 & 0x3F));
            *out += (char)(0x80 | (code & 0x3F));
        } else {
            *out += (char)(0xF0 | code >> 18);
            *out += (char)(0x80 | (code >> 12 & 0x3F));
            *out += (char)(0x80 | (code >> 6 & 0x3F));
            *out += (char)(0x80 | (code & 0x3F));
        }
    }
    bool Hex4(unsigned* code)
    {
        *code = 0;
        for (int i = 0; i < 4; ++i, ++at) {
            if (at >= text.size() || !isxdigit((unsigned char)text[at])) return Fail(TEXT_JSON_SHORT_ESCAPE);
            char c = text[at];
            *code = *code * 16 + (unsigned)(isdigit((unsigned char)c) ? c - '0' : tolower((unsigned char)c) - 'a' + 10);
        }
        return true;
    }
    bool String(std::string* out)
    {
        ++at;  // the opening quote
        for (;;) {
            if (at >= text.size()) return Fail(TEXT_JSON_UNENDED_STRING);
            unsigned char c = (unsigned char)text[at];
            if (c == '"') {
                ++at;
                return true;
            }
            if (c < 0x20) return Fail(TEXT_JSON_CONTROL_CHARACTER);
            if (c != '\\') {
                *out += (char)c;
                ++at;
                continue;
            }
            if (++at >= text.size()) return Fail(TEXT_JSON_UNENDED_STRING);
            char escape = text[at++];
            const char* simple = "\"\\/bfnrt";
            const char* meant = "\"\\/\b\f\n\r\t";
            size_t which = 0;
            while (simple[which] && simple[which] != escape) ++which;
            if (simple[which]) {
                *out += meant[which];
                continue;
            }
            if (escape != 'u') return Fail(TEXT_JSON_UNKNOWN_ESCAPE);
            unsigned code;
            if (!Hex4(&code)) return false;
            if (code >= 0xD800 && code < 0xDC00 && text.compare(at, 2, "\\u") == 0) {
                at += 2;
                unsigned low;
                if (!Hex4(&low)) return false;
                if (low < 0xDC00 || low > 0xDFFF) return Fail(TEXT_JSON_BROKEN_SURROGATE);
                code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
            } else if (code >= 0xD800 && code < 0xE000) {
                return Fail(TEXT_JSON_BROKEN_SURROGATE);
            }
            PutUtf8(code, out);
        }
    }
    bool Number(JsonValue* value)
    {
        size_t start = at;
        if (text[at] == '-') ++at;
        while (at < text.size() && (isdigit((unsigned char)text[at]) || text[at] == '.' || text[at] == 'e' ||
                                    text[at] == 'E' || text[at] == '+' || text[at] == '-'))
            ++at;
        value->kind = JSON_NUMBER;
        value->text = text.substr(start, at - start);
        return at > start + (text[start] == '-' ? 1 : 0) || Fail(TEXT_JSON_NOT_A_VALUE);
    }
    bool Value(JsonValue* value, int depth)
    {
        SkipSpace();
        if (depth > kMaxDepth) return Fail(TEXT_JSON_TOO_DEEP);
        if (at >= text.size()) return Fail("no value");
        char c = text[at];
        if (c == '{') return Object(value, depth);
        if (c == '[') return Array(value, depth);
        if (c == '"') {
            value->kind = JSON_STRING;
            return String(&value->text);
        }
        if (c == 't' || c == 'f') {
            value->kind = JSON_BOOLEAN;
            value->boolean = c == 't';
            return Literal(c == 't' ? "true" : "false");
        }
        if (c == 'n') {
            value->kind = JSON_NULL;
            return Literal("null");
        }
        if (c == '-' || isdigit((unsigned char)c)) return Number(value);
        return Fail(TEXT_JSON_NOT_A_VALUE);
    }
    bool Array(JsonValue* value, int depth)
    {
        value->kind = JSON_ARRAY;
        ++at;
        SkipSpace();
        if (Closes(']')) return true;
        for (;;) {
            value->items.emplace_back();
            if (!Value(&value->items.back(), depth + 1)) return false;
            SkipSpace();
            if (at < text.size() && text[at] == ',') {
                ++at;
                continue;
            }
            if (Closes(']')) return true;
            return Fail(TEXT_JSON_ARRAY_BROKEN);
        }
    }
    bool Object(JsonValue* value, int depth)
    {
        value->kind = JSON_OBJECT;
        ++at;
        SkipSpace();
        if (Closes('}')) return true;
        for (;;) {
            SkipSpace();
            if (at >= text.size() || text[at] != '"') return Fail(TEXT_JSON_UNQUOTED_NAME);
            std::string name;
            if (!String(&name)) return false;
            if (JsonMember(*value, name.c_str()) != nullptr) return Fail(TEXT_JSON_MEMBER_TWICE);
            SkipSpace();
            if (at >= text.size() || text[at] != ':') return Fail(TEXT_JSON_NAME_WITHOUT_COLON);
            ++at;
            value->members.emplace_back(name, JsonValue());
            if (!Value(&value->members.back().second, depth + 1)) return false;
            SkipSpace();
            if (at < text.size() && text[at] == ',') {
                ++at;
                continue;
            }
            if (Closes('}')) return true;
            return Fail(TEXT_JSON_OBJECT_BROKEN);
        }
    }
};

}  // namespace

bool ParseJson(const std::string& text, JsonValue* value, std::string* wrong)
{
    Reader reader = {text, 0, wrong};
    *value = JsonValue();
    if (!reader.Value(value, 0)) return false;
    reader.SkipSpace();
    return reader.at == text.size() || reader.Fail(TEXT_JSON_MORE_AFTER);
}

const JsonValue* JsonMember(const JsonValue& object, const char* name)
{
    for (const auto& member : object.members)
        if (member.first == name) return &member.second;
    return nullptr;
}
