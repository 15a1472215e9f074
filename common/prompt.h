#pragma once
// Every message box and question goes through this interface: Qt message boxes in the
// program, a scripted stand-in in tests, so each branch of a dialog can run unattended.
#include <deque>
#include <string>
#include <vector>

namespace orvanta {

enum class PromptButtons { Ok, OkCancel, YesNo, YesNoCancel, RetryCancel };
enum class PromptIcon { None, Information, Warning, Error, Question };
enum class PromptAnswer { Ok, Cancel, Yes, No, Retry };

class IPrompt {
public:
    virtual ~IPrompt() = default;
    virtual PromptAnswer Ask(const std::string& caption, const std::string& text,
                             PromptButtons buttons, PromptIcon icon) = 0;
    void Tell(const std::string& caption, const std::string& text, PromptIcon icon) {
        Ask(caption, text, PromptButtons::Ok, icon);
    }
};

// Test stand-in: records every question and answers from a script; when the script is
// empty it answers the first button's affirmative (Ok / Yes / Retry).
class ScriptedPrompt : public IPrompt {
public:
    struct Asked {
        std::string caption;
        std::string text;
        PromptButtons buttons;
        PromptIcon icon;
    };

    PromptAnswer Ask(const std::string& caption, const std::string& text, PromptButtons buttons,
                     PromptIcon icon) override {
        asked.push_back({caption, text, buttons, icon});
        if (!answers.empty()) {
            PromptAnswer a = answers.front();
            answers.pop_front();
            return a;
        }
        switch (buttons) {
            case PromptButtons::YesNo:
            case PromptButtons::YesNoCancel: return PromptAnswer::Yes;
            case PromptButtons::RetryCancel: return PromptAnswer::Retry;
            default: return PromptAnswer::Ok;
        }
    }

    std::deque<PromptAnswer> answers;
    std::vector<Asked> asked;
};

}  // namespace orvanta
