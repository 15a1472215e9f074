#pragma once
// The host settings dialog: the host list with Edit, Add / Update and Delete, the three
// success-rate limits with their colours, and a test ping.
#include <QDialog>
#include <atomic>
#include <memory>
#include <thread>

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QSlider;

namespace orvanta {

class HostMonitorPanel;
struct PingOutcome;

class HostSettingsDialog : public QDialog {
    Q_OBJECT
public:
    HostSettingsDialog(QWidget* mainWindow, HostMonitorPanel& panel);
    ~HostSettingsDialog() override;

    void EditSelected();
    void AddOrUpdate();
    void DeleteSelected();
    void PickColour(int which);  // 0 OK, 1 warning, 2 failure
    void TestPing();
    void accept() override;

    bool TestRunning() const { return testThread_ != nullptr; }
    int RememberedIndex() const { return editIndex_; }

    QListWidget* hostList = nullptr;
    QLineEdit *address = nullptr, *tag = nullptr;
    QLineEdit* limits[3] = {};
    QPushButton *editButton = nullptr, *addButton = nullptr, *deleteButton = nullptr;
    QPushButton* colourButtons[3] = {};
    QPushButton* testButton = nullptr;
    QSlider* interval = nullptr;
    QLabel* intervalValue = nullptr;  // the slider's value, beside it

signals:
    void testFinished();

private:
    void FillList();
    void PaintLimits();
    void ShowTestResult(const PingOutcome& outcome, const std::string& reverse);
    void JoinTest();

    HostMonitorPanel& panel_;
    int editIndex_ = -1;
    std::unique_ptr<std::thread> testThread_;
};

}  // namespace orvanta
