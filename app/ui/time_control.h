#pragma once
// View > "Time Control...": a small non-modal dialog that sets the program clock to any
// instant, runs it faster, slower, backwards or not at all, and returns it to the present.
#include <QDialog>
#include <functional>
#include <optional>

#include "common/clock.h"

class QComboBox;
class QDateTimeEdit;
class QPushButton;

namespace orvanta {

// The status-bar field while the time is simulated: "Simulated 2026-12-09 21:00:00 UTC ×60",
// in the display zone (UTC or the machine's local time); "paused" instead of a rate.
QString SimulatedTimeText(double julian, double rate, bool paused, bool displayUtc);

class TimeControlDialog : public QDialog {
    Q_OBJECT
public:
    // jumped: the program time was set or stepped (the pass list may need a new search);
    // changed: any change, the rate included; nextAos: the instant "Next AOS" goes to, or
    // nothing (the button is then disabled).
    TimeControlDialog(Clock& clock, bool displayUtc, std::function<void()> jumped,
                      std::function<void()> changed,
                      std::function<std::optional<double>()> nextAos = nullptr,
                      QWidget* parent = nullptr);

    // Shows the clock's time and rate again (each tick, and after the views' Up and Down).
    void Refresh();

    QDateTimeEdit* DateTime() const { return dateTime_; }
    QComboBox* RateList() const { return rates_; }
    // The step buttons, by their label ("+1 h", "Next AOS"), and "Now"; null when there is
    // none.
    QPushButton* Button(const QString& text) const;

private:
    void Step(double minutes);
    void ApplyRate(int index);
    void Jumped();

    Clock& clock_;
    bool displayUtc_;
    std::function<void()> jumped_;
    std::function<void()> changed_;
    std::function<std::optional<double>()> nextAos_;
    QPushButton* nextAosButton_ = nullptr;
    QDateTimeEdit* dateTime_ = nullptr;
    QComboBox* rates_ = nullptr;
    bool refreshing_ = false;  // the field set from the clock is no edit of the user's
};

}  // namespace orvanta
