#pragma once
// The program's prompt: each question is a modal QMessageBox over the given parent.
#include <QPointer>
#include <QWidget>

#include "common/prompt.h"

namespace orvanta {

class QtPrompt : public IPrompt {
public:
    explicit QtPrompt(QWidget* parent = nullptr) : parent_(parent) {}
    void SetParent(QWidget* parent) { parent_ = parent; }

    PromptAnswer Ask(const std::string& caption, const std::string& text, PromptButtons buttons,
                     PromptIcon icon) override;

private:
    QPointer<QWidget> parent_;  // may close before the prompt; then boxes go top-level
};

}  // namespace orvanta
