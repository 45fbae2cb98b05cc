// The sheet's save conversation answered and recorded in the tests: the questions asked,
// answered from a list, and what the boxes told.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "editor/save_answers.h"
#include "resources/program_texts.h"

// What the sheet's conversation says and asks, recorded.
struct Conversation {
    std::vector<bool> answers;  // in turn; "No" once they run out
    std::function<void()> whileAsked;  // another writer, while the first question is up
    std::vector<std::string> asked, told;
};

inline const SaveAnswers kRecordedAnswers = {
    [](const char* question, void* context) {
        Conversation* talk = (Conversation*)context;
        talk->asked.push_back(question == std::string(TEXT_STORE_CHANGED_QUESTION)     ? "changed"
                              : question == std::string(TEXT_STORE_UNCHECKED_QUESTION) ? "unchecked"
                                                                                       : question);
        if (talk->whileAsked && talk->asked.size() == 1) talk->whileAsked();
        bool yes = talk->asked.size() <= talk->answers.size() && talk->answers[talk->asked.size() - 1];
        return yes;
    },
    [](const char* text, bool error, void* context) {
        ((Conversation*)context)->told.push_back(std::string(error ? "error: " : "warning: ") + text);
    },
    NULL, NULL};

