#include "location/ui/system_settings_dialog.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QToolTip>
#include <QVBoxLayout>
#include <algorithm>

#include "common/prompt.h"
#include "location/clock_sync.h"
#include "location/sntp.h"
#include "location/ui/clock_sync_runner.h"
#include "location/ui/gps_receiver.h"

namespace orvanta {

namespace {

constexpr int kMaxPortChars = 29;
constexpr int kMaxServerChars = 255;

QString Q(const std::string& s) {
    return QString::fromStdString(s);
}

template <class W>
W* Named(W* w, const char* name) {
    w->setObjectName(QLatin1String(name));
    return w;
}

}  // namespace

SystemSettingsDialog::SystemSettingsDialog(QWidget* parent, Settings& settings, IPrompt& prompt,
                                           SystemSettingsOptions options)
    : TaskDialog(parent, kHelpContext), settings_(settings), prompt_(prompt), options_(std::move(options)) {
    if (!options_.clock) options_.clock = platform::MachineClock();
    setObjectName(QStringLiteral("systemSettingsDialog"));
    setWindowTitle(QStringLiteral("System Settings"));
    setWindowModality(Qt::WindowModal);
    BuildControls();
    FillControls();
    PlaceBelowOwner();
}

SystemSettingsDialog::~SystemSettingsDialog() = default;

void SystemSettingsDialog::BuildControls() {
    auto* timeBox = new QGroupBox(QStringLiteral("Time Synchronisation"), this);
    internet_ = Named(new QRadioButton(QStringLiteral("Use the Internet"), timeBox), "internetRadio");
    gps_ = Named(new QRadioButton(QStringLiteral("Use GPS"), timeBox), "gpsRadio");
    noSync_ = Named(new QRadioButton(QStringLiteral("Don't synchronize"), timeBox), "noSyncRadio");
    servers_ = Named(new QComboBox(timeBox), "serverCombo");
    ports_ = Named(new QComboBox(timeBox), "portCombo");
    syncNow_ = Named(new QPushButton(QStringLiteral("&Synchronize now..."), timeBox), "syncButton");
    syncNow_->setAutoDefault(false);
    auto* note = new QLabel(
        QStringLiteral("The program will attempt to set your computer clock every 3 hours. "
                       "Check the Event Log in the main window for information on clock "
                       "updates."),
        timeBox);
    note->setWordWrap(true);
    auto* timeGroup = new QButtonGroup(this);
    auto* timeGrid = new QGridLayout(timeBox);
    int row = 0;
    for (QRadioButton* r : {internet_, gps_, noSync_}) {
        timeGroup->addButton(r);
        timeGrid->addWidget(r, row++, 0);
    }
    timeGrid->addWidget(new QLabel(QStringLiteral("Time server to use:"), timeBox), 0, 1);
    timeGrid->addWidget(servers_, 0, 2);
    timeGrid->addWidget(new QLabel(QStringLiteral("Serial port for GPS:"), timeBox), 1, 1);
    timeGrid->addWidget(ports_, 1, 2);
    timeGrid->addWidget(syncNow_, 2, 2);
    timeGrid->addWidget(note, 3, 0, 1, 3);
    timeGrid->setColumnStretch(2, 1);

    auto* shotBox = new QGroupBox(QStringLiteral("Screenshots"), this);
    noDesktop_ = Named(new QRadioButton(QStringLiteral("No desktop image"), shotBox), "noDesktopRadio");
    skyviewDesktop_ = Named(
        new QRadioButton(QStringLiteral("Set Skyview as desktop background image"), shotBox),
        "skyviewDesktopRadio");
    earthviewDesktop_ = Named(
        new QRadioButton(QStringLiteral("Set Earthview as desktop background image"), shotBox),
        "earthviewDesktopRadio");
    auto* desktopGroup = new QButtonGroup(this);
    auto* shotLayout = new QVBoxLayout(shotBox);
    for (QRadioButton* r : {noDesktop_, skyviewDesktop_, earthviewDesktop_}) {
        desktopGroup->addButton(r);
        shotLayout->addWidget(r);
    }
    auto viewBlock = [&](const char* check, const char* prefix, QCheckBox*& box, QSlider*& slider,
                         QLineEdit*& file, QLineEdit*& command) {
        auto* grid = new QGridLayout;
        box = new QCheckBox(QLatin1String(check), shotBox);
        box->setObjectName(QLatin1String(prefix) + QStringLiteral("ShotCheck"));
        slider = new QSlider(Qt::Horizontal, shotBox);
        slider->setObjectName(QLatin1String(prefix) + QStringLiteral("UpdateSlider"));
        slider->setRange(1, 60);
        slider->setTickPosition(QSlider::TicksBelow);
        slider->setTickInterval(5);
        file = new QLineEdit(shotBox);
        file->setObjectName(QLatin1String(prefix) + QStringLiteral("FileEdit"));
        file->setMaxLength(kMaxFilenameChars);
        command = new QLineEdit(shotBox);
        command->setObjectName(QLatin1String(prefix) + QStringLiteral("CommandEdit"));
        command->setMaxLength(kMaxCommandChars);
        grid->addWidget(box, 0, 0);
        grid->addWidget(new QLabel(QStringLiteral("Update every (mins):"), shotBox), 0, 1);
        grid->addWidget(slider, 0, 2);
        // The value beside the slider, kept up to date while the thumb is dragged.
        auto* value = new QLabel(shotBox);
        value->setObjectName(QLatin1String(prefix) + QStringLiteral("UpdateValue"));
        value->setMinimumWidth(value->fontMetrics().horizontalAdvance(QStringLiteral("60 min")));
        grid->addWidget(value, 0, 3);
        auto showValue = [value](int minutes) { value->setText(QStringLiteral("%1 min").arg(minutes)); };
        showValue(slider->value());
        connect(slider, &QSlider::valueChanged, value, showValue);
        connect(slider, &QSlider::sliderMoved, value, showValue);
        grid->addWidget(new QLabel(QStringLiteral("Save to filename:"), shotBox), 1, 0, 1, 4);
        grid->addWidget(file, 2, 0, 1, 4);
        grid->addWidget(
            new QLabel(QStringLiteral("and then run the following command:"), shotBox), 3, 0, 1, 4);
        grid->addWidget(command, 4, 0, 1, 4);
        grid->setColumnStretch(2, 1);
        shotLayout->addLayout(grid);
        // The value shows in a tip above the thumb while it moves.
        QSlider* s = slider;
        connect(s, &QSlider::sliderPressed, this, [this, s] { ShowSliderValue(s); });
        connect(s, &QSlider::valueChanged, this, [this, s] {
            if (s->isSliderDown() || s->hasFocus()) ShowSliderValue(s);
        });
    };
    viewBlock("Skyview screen shot", "skyview", skyviewShot_, skyviewUpdate_, skyviewFile_,
              skyviewCommand_);
    viewBlock("Earthview screen shot", "earthview", earthviewShot_, earthviewUpdate_,
              earthviewFile_, earthviewCommand_);

    buttons_ = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons_->button(QDialogButtonBox::Ok)->setText(QStringLiteral("OK"));
    buttons_->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Cancel"));

    auto* top = new QVBoxLayout(this);
    top->addWidget(timeBox);
    top->addWidget(shotBox);
    top->addWidget(buttons_);
    top->setSizeConstraint(QLayout::SetFixedSize);

    connect(buttons_, &QDialogButtonBox::accepted, this, &SystemSettingsDialog::accept);
    connect(buttons_, &QDialogButtonBox::rejected, this, &SystemSettingsDialog::reject);
    connect(syncNow_, &QPushButton::clicked, this, &SystemSettingsDialog::SynchronizeNow);
    for (QRadioButton* r : {internet_, gps_, noSync_})
        connect(r, &QRadioButton::clicked, this, [this] { settings_.timeSync = TimeSourceFromRadios(); });
    connect(ports_, &QComboBox::activated, this, [this](int index) {
        if (index >= 0) settings_.gpsComPort = ports_->itemText(index).left(kMaxPortChars).toStdString();
    });
    connect(servers_, &QComboBox::activated, this, [this](int index) {
        if (index >= 0)
            settings_.timeServer =
                servers_->itemData(index).toString().left(kMaxServerChars).toStdString();
    });
}

void SystemSettingsDialog::FillControls() {
    // A stored value outside the choices checks no radio.
    if (settings_.timeSync == TIME_SYNC_NONE) noSync_->setChecked(true);
    if (settings_.timeSync == TIME_SYNC_INTERNET) internet_->setChecked(true);
    if (settings_.timeSync == TIME_SYNC_GPS) gps_->setChecked(true);
    if (settings_.desktopBackground == 0) noDesktop_->setChecked(true);
    if (settings_.desktopBackground == 1) skyviewDesktop_->setChecked(true);
    if (settings_.desktopBackground == 2) earthviewDesktop_->setChecked(true);
    skyviewShot_->setChecked(settings_.skyviewScreenshot != 0);
    earthviewShot_->setChecked(settings_.earthviewScreenshot != 0);
    skyviewFile_->setText(Q(settings_.skyviewScreenshotFilename));
    skyviewCommand_->setText(Q(settings_.skyviewScreenshotCommand));
    earthviewFile_->setText(Q(settings_.earthviewScreenshotFilename));
    earthviewCommand_->setText(Q(settings_.earthviewScreenshotCommand));
    EnumerateSerialPorts(ports_, settings_.gpsComPort);

    // Sorted by label; the chosen server is selected (a host typed into the settings by
    // hand shows as itself, so it is neither lost nor hidden).
    QList<std::pair<QString, QString>> entries;
    for (const TimeServerEntry& e : kTimeServerTable)
        entries.append({QLatin1String(e.label), QLatin1String(e.host)});
    const QString chosen = Q(settings_.timeServer);
    bool known = chosen.isEmpty();
    for (const auto& e : entries) known = known || e.second == chosen;
    if (!known) entries.append({chosen, chosen});
    std::sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) {
        return a.first.compare(b.first, Qt::CaseInsensitive) < 0;
    });
    for (const auto& e : entries) servers_->addItem(e.first, e.second);
    servers_->setCurrentIndex(chosen.isEmpty() ? -1 : servers_->findData(chosen));

    skyviewUpdate_->setValue(settings_.skyviewUpdate);
    earthviewUpdate_->setValue(settings_.earthviewUpdate);
}

void SystemSettingsDialog::PlaceBelowOwner() {
    QWidget* owner = parentWidget() ? parentWidget()->window() : nullptr;
    if (!owner) return;
    const QRect r = (owner->isMaximized() || owner->isMinimized() || owner->isFullScreen())
                        ? owner->normalGeometry()
                        : owner->frameGeometry();
    if (r.isNull()) return;
    move(r.left(), r.top() + 150);
}

int SystemSettingsDialog::TimeSourceFromRadios() const {
    if (internet_->isChecked()) return TIME_SYNC_INTERNET;
    if (gps_->isChecked()) return TIME_SYNC_GPS;
    return TIME_SYNC_NONE;
}

void SystemSettingsDialog::ShowSliderValue(QSlider* slider) {
    QStyleOptionSlider option;
    option.initFrom(slider);
    option.orientation = slider->orientation();
    option.minimum = slider->minimum();
    option.maximum = slider->maximum();
    option.sliderPosition = slider->sliderPosition();
    option.sliderValue = slider->value();
    const QRect handle =
        slider->style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, slider);
    const QString text = QString::number(slider->sliderPosition());
    const int tipHeight = slider->fontMetrics().height() + 8;
    QToolTip::showText(slider->mapToGlobal(QPoint(handle.center().x(), handle.top() - tipHeight)),
                       text, slider);
}

void SystemSettingsDialog::SynchronizeNow() {
    RunTask({syncNow_, buttons_}, [this] {
        ClockSyncOptions sync;
        sync.mode = ClockSyncMode::Interactive;
        sync.gpsTimeoutMs = options_.gpsTimeoutMs;
        sync.serverTimeoutMs = options_.serverTimeoutMs;
        sync.progressParent = this;
        setCursor(Qt::BusyCursor);
        SynchronizeClock(settings_, prompt_, *options_.clock, sync);
        unsetCursor();
    });
}

void SystemSettingsDialog::accept() {
    if (TaskRunning()) return;
    settings_.timeSync = TimeSourceFromRadios();
    // With no radio checked (a damaged stored value) the choice stays as it was rather
    // than turning into the Earth view's wallpaper.
    if (noDesktop_->isChecked())
        settings_.desktopBackground = 0;
    else if (skyviewDesktop_->isChecked())
        settings_.desktopBackground = 1;
    else if (earthviewDesktop_->isChecked())
        settings_.desktopBackground = 2;
    settings_.skyviewScreenshot = skyviewShot_->isChecked() ? 1 : 0;
    settings_.earthviewScreenshot = earthviewShot_->isChecked() ? 1 : 0;
    settings_.skyviewUpdate = skyviewUpdate_->value();
    settings_.earthviewUpdate = earthviewUpdate_->value();
    settings_.skyviewScreenshotFilename = skyviewFile_->text().left(kMaxFilenameChars).toStdString();
    settings_.skyviewScreenshotCommand = skyviewCommand_->text().left(kMaxCommandChars).toStdString();
    settings_.earthviewScreenshotFilename =
        earthviewFile_->text().left(kMaxFilenameChars).toStdString();
    settings_.earthviewScreenshotCommand =
        earthviewCommand_->text().left(kMaxCommandChars).toStdString();

    const bool stored = WriteSettings(
        settings_, {"Time Sync", "Skyview Screenshot", "Skyview Update",
                    "Skyview Screenshot Filename", "Skyview Screenshot Command",
                    "Earthview Screenshot", "Earthview Update", "Earthview Screenshot Filename",
                    "Earthview Screenshot Command", "Desktop Background", "Time Server"});
    if (!stored)
        prompt_.Tell("Error",
                     "Unable to store the system settings! They apply until the program ends.",
                     PromptIcon::Error);
    emit settingsSaved();
    QDialog::accept();
}

}  // namespace orvanta
