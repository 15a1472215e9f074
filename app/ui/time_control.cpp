#include "app/ui/time_control.h"

#include <QComboBox>
#include <QDateTime>
#include <QDateTimeEdit>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTimeZone>
#include <QVBoxLayout>
#include <cmath>

namespace orvanta {

namespace {

constexpr double kSecondsPerDay = 86400.0;
// Rates offered, program seconds per real second; 0 in the list stands for "paused".
constexpr double kRates[] = {0, 1, 10, 60, 600, 3600, -1, -10, -60, -600, -3600};

QDateTime ToDateTime(double julian, bool displayUtc) {
    const auto ms =
        static_cast<qint64>(std::llround((julian - kUnixEpochJulian) * kSecondsPerDay * 1000.0));
    const QDateTime utc = QDateTime::fromMSecsSinceEpoch(ms, QTimeZone::utc());
    return displayUtc ? utc : utc.toLocalTime();
}

double ToJulian(const QDateTime& t) {
    return kUnixEpochJulian + static_cast<double>(t.toMSecsSinceEpoch()) / 1000.0 / kSecondsPerDay;
}

QString RateText(double rate) {
    return rate == 0 ? QStringLiteral("Paused") : QStringLiteral("×%1").arg(rate);
}

}  // namespace

QString SimulatedTimeText(double julian, double rate, bool paused, bool displayUtc) {
    const QDateTime t = ToDateTime(julian, displayUtc);
    const QString zone = displayUtc ? QStringLiteral("UTC") : t.timeZoneAbbreviation();
    return QStringLiteral("Simulated %1 %2 %3")
        .arg(t.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")), zone,
             paused ? QStringLiteral("paused") : RateText(rate));
}

TimeControlDialog::TimeControlDialog(Clock& clock, bool displayUtc, std::function<void()> jumped,
                                     std::function<void()> changed,
                                     std::function<std::optional<double>()> nextAos,
                                     QWidget* parent)
    : QDialog(parent),
      clock_(clock),
      displayUtc_(displayUtc),
      jumped_(std::move(jumped)),
      changed_(std::move(changed)),
      nextAos_(std::move(nextAos)) {
    setWindowTitle(QStringLiteral("Time Control"));
    setModal(false);
    auto* layout = new QVBoxLayout(this);

    auto* top = new QHBoxLayout;
    dateTime_ = new QDateTimeEdit(this);
    dateTime_->setTimeSpec(displayUtc ? Qt::UTC : Qt::LocalTime);
    dateTime_->setDisplayFormat(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    dateTime_->setCalendarPopup(true);
    // A typed date jumps once, when it is complete, not at every digit (each jump may start
    // a pass search).
    dateTime_->setKeyboardTracking(false);
    top->addWidget(
        new QLabel(displayUtc ? QStringLiteral("Time (UTC):") : QStringLiteral("Time:"), this));
    top->addWidget(dateTime_, 1);
    rates_ = new QComboBox(this);
    for (double r : kRates) rates_->addItem(RateText(r), r);
    top->addWidget(new QLabel(QStringLiteral("Rate:"), this));
    top->addWidget(rates_);
    layout->addLayout(top);

    auto* steps = new QHBoxLayout;
    const std::pair<const char*, double> buttons[] = {{"-1 day", -1440}, {"-1 h", -60},
                                                      {"-1 min", -1},    {"+1 min", 1},
                                                      {"+1 h", 60},      {"+1 day", 1440}};
    for (const auto& [text, minutes] : buttons) {
        auto* b = new QPushButton(QString::fromLatin1(text), this);
        b->setAutoDefault(false);
        connect(b, &QPushButton::clicked, this, [this, m = minutes] { Step(m); });
        steps->addWidget(b);
    }
    nextAosButton_ = new QPushButton(QStringLiteral("Next AOS"), this);
    nextAosButton_->setAutoDefault(false);
    nextAosButton_->setToolTip(
        QStringLiteral("To the AOS of the selected pass, else of the next listed one"));
    connect(nextAosButton_, &QPushButton::clicked, this, [this] {
        const std::optional<double> aos = nextAos_ ? nextAos_() : std::nullopt;
        if (!aos) return;
        clock_.SetProgramTime(*aos);
        Refresh();
        Jumped();
    });
    steps->addWidget(nextAosButton_);
    auto* now = new QPushButton(QStringLiteral("Now"), this);
    now->setAutoDefault(false);
    now->setToolTip(QStringLiteral("Back to real time"));
    connect(now, &QPushButton::clicked, this, [this] {
        clock_.ResetToNow();
        Refresh();
        Jumped();
    });
    steps->addWidget(now);
    layout->addLayout(steps);

    connect(dateTime_, &QDateTimeEdit::dateTimeChanged, this, [this](const QDateTime& t) {
        if (refreshing_) return;
        clock_.SetProgramTime(ToJulian(t));
        Jumped();
    });
    connect(rates_, &QComboBox::activated, this, &TimeControlDialog::ApplyRate);
    Refresh();
}

QPushButton* TimeControlDialog::Button(const QString& text) const {
    for (QPushButton* b : findChildren<QPushButton*>())
        if (b->text() == text) return b;
    return nullptr;
}

void TimeControlDialog::Refresh() {
    refreshing_ = true;
    // A field being typed into keeps what the user has typed so far.
    if (!dateTime_->hasFocus()) dateTime_->setDateTime(ToDateTime(clock_.Now(), displayUtc_));
    const double rate = clock_.Paused() ? 0.0 : clock_.Rate();
    const int index = rates_->findData(rate);
    if (index >= 0) rates_->setCurrentIndex(index);
    nextAosButton_->setEnabled(nextAos_ && nextAos_().has_value());
    refreshing_ = false;
}

void TimeControlDialog::Step(double minutes) {
    clock_.AddMinutes(minutes);
    Refresh();
    Jumped();
}

void TimeControlDialog::Jumped() {
    if (jumped_) jumped_();
    if (changed_) changed_();
}

void TimeControlDialog::ApplyRate(int index) {
    const double rate = rates_->itemData(index).toDouble();
    if (rate == 0) {
        clock_.Pause();
    } else {
        clock_.SetRate(rate);
        if (clock_.Paused()) clock_.Resume();
    }
    if (changed_) changed_();
}

}  // namespace orvanta
