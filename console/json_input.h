// JSON as a resource's instance arrives on standard input: parsed into values, strictly (one
// document, nothing after it, no duplicate member), so that a malformed instance is refused
// before anything is planned.
#pragma once

#include <string>
#include <utility>
#include <vector>

enum JsonKind { JSON_NULL, JSON_BOOLEAN, JSON_NUMBER, JSON_STRING, JSON_ARRAY, JSON_OBJECT };

struct JsonValue {
    JsonKind kind = JSON_NULL;
    bool boolean = false;
    std::string text;  // a string's characters in UTF-8, or a number as written
    std::vector<JsonValue> items;
    std::vector<std::pair<std::string, JsonValue>> members;
};

// Parses `text` as one JSON document. False, with where and what was wrong in `wrong`.
bool ParseJson(const std::string& text, JsonValue* value, std::string* wrong);
// The member `name` of an object, or NULL.
const JsonValue* JsonMember(const JsonValue& object, const char* name);
