#include "common/ui/task_dialog.h"

#include <QCloseEvent>
#include <QKeyEvent>

namespace orvanta {

TaskDialog::TaskDialog(QWidget* parent, int helpContext)
    : QDialog(parent), helpContext_(helpContext) {}

void TaskDialog::RunTask(std::initializer_list<QWidget*> disabled,
                         const std::function<void()>& task) {
    if (taskRunning_) return;
    taskRunning_ = true;
    for (QWidget* w : disabled) w->setEnabled(false);
    task();
    for (QWidget* w : disabled) w->setEnabled(true);
    taskRunning_ = false;
}

void TaskDialog::reject() {
    if (taskRunning_) return;
    QDialog::reject();
}

void TaskDialog::closeEvent(QCloseEvent* event) {
    if (taskRunning_) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void TaskDialog::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_F1) {
        emit helpRequested(helpContext_);
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

}  // namespace orvanta
