// SPDX-License-Identifier: MIT
// Every message box and input box of Arbolith goes through this interface:
// the desktop program shows real dialogs, tests script the answers and read
// what was asked. Code below the windows never opens a dialog itself.
#pragma once

#include <deque>
#include <optional>
#include <string>
#include <vector>

namespace arbolith {

enum class PromptIcon { None, Critical, Question, Exclamation, Information };
enum class PromptButtons { Ok, OkCancel, YesNo, YesNoCancel, RetryCancel };
enum class PromptAnswer { Ok, Cancel, Yes, No, Retry };

struct PromptMessage {
    std::string text;
    PromptIcon icon = PromptIcon::None;
    PromptButtons buttons = PromptButtons::Ok;
    PromptAnswer defaultAnswer = PromptAnswer::Ok;
    std::string title;  // empty: the program's title
};

class Prompt {
public:
    virtual ~Prompt() = default;
    // Shows a message box and returns the button chosen.
    virtual PromptAnswer Ask(const PromptMessage& message) = 0;
    // Shows an input box; nothing when the user cancels.
    virtual std::optional<std::string> Input(const std::string& text, const std::string& title,
                                             const std::string& defaultText) = 0;

    // A message with the OK button only.
    void Tell(std::string text, PromptIcon icon = PromptIcon::None)
    {
        Ask(PromptMessage{std::move(text), icon, PromptButtons::Ok, PromptAnswer::Ok, {}});
    }
};

// Answers from a script, for tests: each Ask takes the next scripted answer
// (the message's default answer when the script has run out) and every
// message is kept for the test to read.
class ScriptedPrompt : public Prompt {
public:
    std::deque<PromptAnswer> answers;
    std::deque<std::optional<std::string>> inputs;
    std::vector<PromptMessage> asked;
    std::vector<std::string> inputTexts;

    PromptAnswer Ask(const PromptMessage& message) override
    {
        asked.push_back(message);
        if (answers.empty()) return message.defaultAnswer;
        const PromptAnswer answer = answers.front();
        answers.pop_front();
        return answer;
    }

    std::optional<std::string> Input(const std::string& text, const std::string&,
                                     const std::string& defaultText) override
    {
        inputTexts.push_back(text);
        if (inputs.empty()) return defaultText;
        auto answer = inputs.front();
        inputs.pop_front();
        return answer;
    }
};

}  // namespace arbolith
