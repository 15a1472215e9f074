#pragma once
// "System Settings": the time source of the clock synchronisation with its server and
// GPS port, "Synchronize now...", and the periodic screenshots of both views with the
// desktop image. Modal; OK stores everything, Cancel stores nothing (a source or port
// clicked meanwhile stays chosen for this session).
#include <memory>

#include "common/settings.h"
#include "common/ui/task_dialog.h"
#include "platform/system_clock.h"

class QCheckBox;
class QComboBox;
class QDialogButtonBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSlider;

namespace orvanta {

class IPrompt;

struct SystemSettingsOptions {
    // The clock "Synchronize now..." sets; null: the machine's clock.
    std::shared_ptr<platform::ISystemClock> clock;
    int gpsTimeoutMs = 10000;
    int serverTimeoutMs = 5000;
};

class SystemSettingsDialog : public TaskDialog {
    Q_OBJECT
public:
    static constexpr int kHelpContext = 50;
    static constexpr int kMaxFilenameChars = 259;
    static constexpr int kMaxCommandChars = 1023;

    // settings is the program's copy: OK writes the dialog's values into it and into the
    // settings store; the time source, server and port change in it at once.
    SystemSettingsDialog(QWidget* parent, Settings& settings, IPrompt& prompt,
                         SystemSettingsOptions options = {});
    ~SystemSettingsDialog() override;

    bool Synchronizing() const { return TaskRunning(); }

public slots:
    void accept() override;
    // "&Synchronize now...".
    void SynchronizeNow();

signals:
    void settingsSaved();

private:
    void BuildControls();
    void FillControls();
    void PlaceBelowOwner();
    int TimeSourceFromRadios() const;
    void ShowSliderValue(QSlider* slider);

    Settings& settings_;
    IPrompt& prompt_;
    SystemSettingsOptions options_;

    QRadioButton* internet_ = nullptr;
    QRadioButton* gps_ = nullptr;
    QRadioButton* noSync_ = nullptr;
    QComboBox* servers_ = nullptr;
    QComboBox* ports_ = nullptr;
    QPushButton* syncNow_ = nullptr;
    QRadioButton* noDesktop_ = nullptr;
    QRadioButton* skyviewDesktop_ = nullptr;
    QRadioButton* earthviewDesktop_ = nullptr;
    QCheckBox* skyviewShot_ = nullptr;
    QCheckBox* earthviewShot_ = nullptr;
    QSlider* skyviewUpdate_ = nullptr;
    QSlider* earthviewUpdate_ = nullptr;
    QLineEdit* skyviewFile_ = nullptr;
    QLineEdit* skyviewCommand_ = nullptr;
    QLineEdit* earthviewFile_ = nullptr;
    QLineEdit* earthviewCommand_ = nullptr;
    QDialogButtonBox* buttons_ = nullptr;
};

}  // namespace orvanta
