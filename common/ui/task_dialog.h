#pragma once
// A modal dialog that shows its help page on F1 and can run one long task at a time (a GPS
// reading, a clock synchronisation). Such a task holds the event loop in a progress window
// of its own; while it runs the dialog refuses to close, since closing it would free what
// the task still uses.
#include <QDialog>
#include <functional>
#include <initializer_list>

namespace orvanta {

class TaskDialog : public QDialog {
    Q_OBJECT
public:
    TaskDialog(QWidget* parent, int helpContext);

    bool TaskRunning() const { return taskRunning_; }

public slots:
    void reject() override;

signals:
    // F1: the help at this dialog's context.
    void helpRequested(int context);

protected:
    // Runs the task with the given widgets disabled; does nothing while another task runs.
    void RunTask(std::initializer_list<QWidget*> disabled, const std::function<void()>& task);

    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    int helpContext_;
    bool taskRunning_ = false;
};

}  // namespace orvanta
