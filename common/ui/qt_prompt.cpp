#include "common/ui/qt_prompt.h"

#include <QMessageBox>

namespace orvanta {

namespace {

QMessageBox::Icon ToQtIcon(PromptIcon icon) {
    switch (icon) {
        case PromptIcon::Information:
            return QMessageBox::Information;
        case PromptIcon::Warning:
            return QMessageBox::Warning;
        case PromptIcon::Error:
            return QMessageBox::Critical;
        case PromptIcon::Question:
            return QMessageBox::Question;
        case PromptIcon::None:
            break;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons ToQtButtons(PromptButtons buttons) {
    switch (buttons) {
        case PromptButtons::Ok:
            return QMessageBox::Ok;
        case PromptButtons::OkCancel:
            return QMessageBox::Ok | QMessageBox::Cancel;
        case PromptButtons::YesNo:
            return QMessageBox::Yes | QMessageBox::No;
        case PromptButtons::YesNoCancel:
            return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
        case PromptButtons::RetryCancel:
            return QMessageBox::Retry | QMessageBox::Cancel;
    }
    return QMessageBox::Ok;
}

// The first button is the default, as the boxes of the program have always behaved.
QMessageBox::StandardButton DefaultButton(PromptButtons buttons) {
    switch (buttons) {
        case PromptButtons::YesNo:
        case PromptButtons::YesNoCancel:
            return QMessageBox::Yes;
        case PromptButtons::RetryCancel:
            return QMessageBox::Retry;
        default:
            return QMessageBox::Ok;
    }
}

// Closing a box with Escape or its title bar gives the "no" answer of its button set.
PromptAnswer EscapeAnswer(PromptButtons buttons) {
    switch (buttons) {
        case PromptButtons::Ok:
            return PromptAnswer::Ok;
        case PromptButtons::YesNo:
            return PromptAnswer::No;
        default:
            return PromptAnswer::Cancel;
    }
}

}  // namespace

PromptAnswer QtPrompt::Ask(const std::string& caption, const std::string& text,
                           PromptButtons buttons, PromptIcon icon) {
    QMessageBox box(ToQtIcon(icon), QString::fromStdString(caption), QString::fromStdString(text),
                    ToQtButtons(buttons), parent_.data());
    box.setTextFormat(Qt::PlainText);
    box.setDefaultButton(DefaultButton(buttons));
    switch (box.exec()) {
        case QMessageBox::Ok:
            return PromptAnswer::Ok;
        case QMessageBox::Yes:
            return PromptAnswer::Yes;
        case QMessageBox::No:
            return PromptAnswer::No;
        case QMessageBox::Retry:
            return PromptAnswer::Retry;
        case QMessageBox::Cancel:
            return PromptAnswer::Cancel;
        default:
            return EscapeAnswer(buttons);
    }
}

}  // namespace orvanta
