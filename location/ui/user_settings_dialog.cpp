#include "location/ui/user_settings_dialog.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QFile>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimeZone>
#include <QVBoxLayout>
#include <algorithm>
#include <tuple>

#include "common/event_log.h"
#include "common/prompt.h"
#include "common/registry.h"
#include "common/ui/hyperlink_label.h"
#include "location/city_list.h"
#include "location/rise_set_recompute.h"
#include "location/ui/gps_receiver.h"
#include "location/units.h"
#include "location/user_location.h"
#include "platform/directories.h"

// Qt resources of a static library must be registered by name, outside any namespace.
static void InitCityResource() {
    Q_INIT_RESOURCE(cities);
}

namespace orvanta {

namespace {

constexpr int kMaxPortChars = 29;
constexpr int kMaxLoginChars = 254;

std::pair<std::string, bool> SystemZoneName() {
    QTimeZone zone = QTimeZone::systemTimeZone();
    if (!zone.isValid()) return {std::string(), false};
    QDateTime now = QDateTime::currentDateTime();
    auto kind = zone.isDaylightTime(now) ? QTimeZone::DaylightTime : QTimeZone::StandardTime;
    QString name = zone.displayName(kind, QTimeZone::LongName);
    if (name.isEmpty()) name = zone.displayName(kind, QTimeZone::ShortName);
    if (name.isEmpty()) return {std::string(), false};
    return {name.toStdString(), true};
}

std::optional<std::string> BuiltInCityList() {
    InitCityResource();
    QFile file(QStringLiteral(":/location/cities.gz"));
    if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
    QByteArray bytes = file.readAll();
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

QString Q(const std::string& s) {
    return QString::fromStdString(s);
}

}  // namespace

UserSettingsDialog::UserSettingsDialog(QWidget* parent, Settings& settings, IPrompt& prompt,
                                       UserSettingsOptions options)
    : TaskDialog(parent, kHelpContext), settings_(settings), prompt_(prompt), options_(std::move(options)) {
    setObjectName(QStringLiteral("userSettingsDialog"));
    setWindowTitle(QStringLiteral("User Settings"));
    // Blocks its owner only, so the help that F1 opens and the views stay usable meanwhile.
    setWindowModality(Qt::WindowModal);
    BuildControls();
    FillControls();
    LoadCities();
    PlaceBesideOwner();
}

UserSettingsDialog::~UserSettingsDialog() = default;

void UserSettingsDialog::BuildControls() {
    auto named = [](QWidget* w, const char* name) {
        w->setObjectName(QLatin1String(name));
        return w;
    };

    auto* timeBox = new QGroupBox(QStringLiteral("Time Display"), this);
    localTime_ = new QRadioButton(QStringLiteral("Local Time"), timeBox);
    utc_ = new QRadioButton(QStringLiteral("UTC"), timeBox);
    use24h_ = new QCheckBox(
        QStringLiteral("Always display satellite pass times in 24h time format"), timeBox);
    named(localTime_, "localTimeRadio");
    named(utc_, "utcRadio");
    named(use24h_, "use24hCheck");
    auto* timeLayout = new QVBoxLayout(timeBox);
    auto* timeRadios = new QHBoxLayout;
    timeRadios->addWidget(localTime_);
    timeRadios->addWidget(utc_);
    timeRadios->addStretch(1);
    timeLayout->addLayout(timeRadios);
    timeLayout->addWidget(use24h_);
    auto* timeGroup = new QButtonGroup(this);
    timeGroup->addButton(localTime_);
    timeGroup->addButton(utc_);

    auto* locationBox = new QGroupBox(QStringLiteral("Location"), this);
    latitude_ = new QLineEdit(locationBox);
    longitude_ = new QLineEdit(locationBox);
    altitude_ = new QLineEdit(locationBox);
    gpsButton_ = new QPushButton(QStringLiteral("Use &GPS"), locationBox);
    gpsButton_->setAutoDefault(false);
    ports_ = new QComboBox(locationBox);
    cities_ = new QComboBox(locationBox);
    cities_->setMaxVisibleItems(20);
    named(latitude_, "latitudeEdit");
    named(longitude_, "longitudeEdit");
    named(altitude_, "altitudeEdit");
    named(gpsButton_, "gpsButton");
    named(ports_, "portCombo");
    named(cities_, "cityCombo");
    auto* grid = new QGridLayout(locationBox);
    grid->addWidget(new QLabel(QStringLiteral("Lat (N=+ S=-)"), locationBox), 0, 0);
    grid->addWidget(latitude_, 0, 1);
    grid->addWidget(gpsButton_, 0, 2);
    grid->addWidget(new QLabel(QStringLiteral("Lon (W=- E=+)"), locationBox), 1, 0);
    grid->addWidget(longitude_, 1, 1);
    grid->addWidget(ports_, 1, 2);
    grid->addWidget(new QLabel(QStringLiteral("Altitude (m)"), locationBox), 2, 0);
    grid->addWidget(altitude_, 2, 1);
    grid->addWidget(new QLabel(QStringLiteral("Or, select your city from here:"), locationBox), 3,
                    0, 1, 3);
    grid->addWidget(cities_, 4, 0, 1, 3);
    grid->setColumnStretch(1, 1);

    auto* unitsBox = new QGroupBox(QStringLiteral("Display Units"), this);
    metric_ = new QRadioButton(QStringLiteral("SI / Metric"), unitsBox);
    statute_ = new QRadioButton(QStringLiteral("US / Statute"), unitsBox);
    nautical_ = new QRadioButton(QStringLiteral("Nautical"), unitsBox);
    named(metric_, "metricRadio");
    named(statute_, "statuteRadio");
    named(nautical_, "nauticalRadio");
    auto* unitsLayout = new QHBoxLayout(unitsBox);
    auto* unitsGroup = new QButtonGroup(this);
    for (QRadioButton* r : {metric_, statute_, nautical_}) {
        unitsLayout->addWidget(r);
        unitsGroup->addButton(r);
    }
    unitsLayout->addStretch(1);

    auto* loginBox = new QGroupBox(QStringLiteral("Space Track Login"), this);
    registration_ = new HyperlinkLabel(
        QStringLiteral("Registration is free. Click here to register."), loginBox);
    login_ = new QLineEdit(loginBox);
    password_ = new QLineEdit(loginBox);
    password_->setEchoMode(QLineEdit::Password);
    login_->setMaxLength(kMaxLoginChars);
    password_->setMaxLength(kMaxLoginChars);
    named(registration_, "registrationLink");
    named(login_, "loginEdit");
    named(password_, "passwordEdit");
    auto* loginGrid = new QGridLayout(loginBox);
    loginGrid->addWidget(registration_, 0, 0, 1, 2);
    loginGrid->addWidget(new QLabel(QStringLiteral("Login"), loginBox), 1, 0);
    loginGrid->addWidget(login_, 1, 1);
    loginGrid->addWidget(new QLabel(QStringLiteral("Password"), loginBox), 2, 0);
    loginGrid->addWidget(password_, 2, 1);
    // Where "Download Keplers" fetches from; CelesTrak needs no account.
    elementSource_ = new QComboBox(loginBox);
    elementSource_->addItem(QStringLiteral("CelesTrak (no account)"), QStringLiteral("CelesTrak"));
    elementSource_->addItem(QStringLiteral("Space-Track"), QStringLiteral("Space-Track"));
    elementSource_->addItem(QStringLiteral("Element server (legacy)"), QStringLiteral("Legacy"));
    named(elementSource_, "elementSourceCombo");
    loginGrid->addWidget(new QLabel(QStringLiteral("Element Source"), loginBox), 3, 0);
    loginGrid->addWidget(elementSource_, 3, 1);

    buttons_ = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons_->button(QDialogButtonBox::Ok)->setText(QStringLiteral("OK"));
    buttons_->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Cancel"));

    auto* top = new QVBoxLayout(this);
    top->addWidget(timeBox);
    top->addWidget(locationBox);
    top->addWidget(unitsBox);
    top->addWidget(loginBox);
    top->addWidget(buttons_);
    top->setSizeConstraint(QLayout::SetFixedSize);

    connect(buttons_, &QDialogButtonBox::accepted, this, &UserSettingsDialog::accept);
    connect(buttons_, &QDialogButtonBox::rejected, this, &UserSettingsDialog::reject);
    connect(gpsButton_, &QPushButton::clicked, this, &UserSettingsDialog::ReadGps);
    connect(cities_, &QComboBox::activated, this, &UserSettingsDialog::CitySelected);
    connect(ports_, &QComboBox::activated, this, &UserSettingsDialog::PortSelected);
    connect(registration_, &HyperlinkLabel::clicked, this, [this] {
        QUrl url(Q(options_.registrationUrl));
        if (options_.openUrl)
            options_.openUrl(url);
        else
            QDesktopServices::openUrl(url);
    });
}

void UserSettingsDialog::FillControls() {
    // A stored value outside the choices checks no radio, as a damaged setting should show.
    if (settings_.displayUtc)
        utc_->setChecked(true);
    else
        localTime_->setChecked(true);
    use24h_->setChecked(settings_.use24hTime != 0);
    if (settings_.metric == UNIT_KILOMETRES) metric_->setChecked(true);
    if (settings_.metric == UNIT_STATUTE_MILES) statute_->setChecked(true);
    if (settings_.metric == UNIT_NAUTICAL_MILES) nautical_->setChecked(true);

    auto [zoneName, known] = options_.timeZoneName ? options_.timeZoneName() : SystemZoneName();
    localTime_->setText(Q(LocalTimeLabel(zoneName, known)));

    ShowLocation(settings_.observer);
    login_->setText(Q(settings_.spaceTrackUsername));
    password_->setText(Q(settings_.spaceTrackPassword));
    const int source = elementSource_->findData(Q(settings_.elementSource), Qt::UserRole,
                                                Qt::MatchFixedString);
    elementSource_->setCurrentIndex(source < 0 ? 0 : source);
    EnumerateSerialPorts(ports_, settings_.gpsComPort);
}

void UserSettingsDialog::ShowLocation(const ObserverLocation& loc) {
    altitude_->setText(Q(FormatAltitudeField(loc.altitudeMetres)));
    latitude_->setText(Q(FormatAngleField(loc.latitude)));
    longitude_->setText(Q(FormatAngleField(loc.longitude)));
}

void UserSettingsDialog::LoadCities() {
    std::optional<std::string> data =
        options_.cityListData ? options_.cityListData : BuiltInCityList();
    platform::PrivateTempDir work;
    if (!data || !work.Ok()) {
        LogEvent(kCityListUnableText, LOG_ERROR);
        return;
    }
    std::vector<std::string> lines = LoadCityList(*data, work.Path());
    QStringList entries;
    entries.reserve(static_cast<qsizetype>(lines.size()));
    for (const auto& l : lines) entries.append(Q(l));
    // The drop-down is a sorted list whatever order the file has.
    std::stable_sort(entries.begin(), entries.end(), [](const QString& a, const QString& b) {
        return a.compare(b, Qt::CaseInsensitive) < 0;
    });
    cities_->addItems(entries);
    cities_->setCurrentIndex(-1);
}

int UserSettingsDialog::CityCount() const {
    return cities_->count();
}

void UserSettingsDialog::PlaceBesideOwner() {
    QWidget* owner = parentWidget() ? parentWidget()->window() : nullptr;
    if (!owner) return;
    QRect r = (owner->isMaximized() || owner->isMinimized() || owner->isFullScreen())
                  ? owner->normalGeometry()
                  : owner->frameGeometry();
    if (r.isNull()) return;
    move(r.left(), r.top() + 150);
}

void UserSettingsDialog::CitySelected(int index) {
    if (index < 0) return;
    if (prompt_.Ask("Question", kReplaceLocationQuestion, PromptButtons::YesNo,
                    PromptIcon::Question) != PromptAnswer::Yes)
        return;
    auto text = CityLocationFields(cities_->itemText(index).toStdString());
    if (!text) return;
    longitude_->setText(Q(text->longitude));
    latitude_->setText(Q(text->latitude));
    altitude_->setText(Q(text->altitude));
}

void UserSettingsDialog::PortSelected(int index) {
    if (index < 0) return;
    settings_.gpsComPort = ports_->itemText(index).left(kMaxPortChars).toStdString();
}

void UserSettingsDialog::ReadGps() {
    RunTask({gpsButton_, buttons_}, [this] {
        // The reading fills the fields only; the location itself changes on OK, so Cancel
        // leaves the program where it was.
        ObserverLocation reading;
        reading.altitudeMetres = ReadAltitudeField(altitude_->text().toStdString());
        reading.latitude = ReadAngleField(latitude_->text().toStdString());
        reading.longitude = ReadAngleField(longitude_->text().toStdString());
        GpsReadingOptions gps;
        gps.capture.timeoutMs = options_.gpsTimeoutMs;
        gps.capture.progressParent = this;
        gps.positionTaken = [this](const ObserverLocation& loc) { ShowLocation(loc); };
        ReadGpsPosition(settings_.gpsComPort, prompt_, reading, gps);
    });
}

void UserSettingsDialog::accept() {
    if (TaskRunning()) return;
    // A place off the globe would be stored and then shown as a different one; nothing is
    // stored until both angles are right.
    for (auto [field, limit, message] :
         {std::tuple{latitude_, kLatitudeLimit, kLatitudeOutOfRange},
          std::tuple{longitude_, kLongitudeLimit, kLongitudeOutOfRange}}) {
        if (AngleFieldInRange(field->text().toStdString(), limit)) continue;
        prompt_.Tell("Error", message, PromptIcon::Error);
        field->setFocus();
        field->selectAll();
        return;
    }
    const ObserverLocation before = settings_.observer;

    settings_.displayUtc = localTime_->isChecked() ? 0 : 1;
    settings_.use24hTime = use24h_->isChecked() ? 1 : 0;
    settings_.metric = MetricFromUnitRadios(metric_->isChecked(), statute_->isChecked());
    settings_.observer.latitude = ReadAngleField(latitude_->text().toStdString());
    settings_.observer.longitude = ReadAngleField(longitude_->text().toStdString());
    settings_.observer.altitudeMetres = ReadAltitudeField(altitude_->text().toStdString());
    settings_.spaceTrackUsername = login_->text().left(kMaxLoginChars).toStdString();
    settings_.spaceTrackPassword = password_->text().left(kMaxLoginChars).toStdString();
    settings_.elementSource = elementSource_->currentData().toString().toStdString();

    bool stored =
        WriteSettings(settings_, {"DisplayUTC", "Use 24h Time", "Metric", "Obs", "GPS Com Port",
                                  "SpaceTrack Username", "SpaceTrack Password",
                                  "Element Source"});
    if (!stored)
        prompt_.Tell("Error",
                     "Unable to store the user settings! They apply until the program ends.",
                     PromptIcon::Error);

    // The rise and set times depend on the place and on the time display.
    RequestRiseSetRecompute();
    emit settingsSaved();
    if (!(settings_.observer == before)) emit locationChanged();
    QDialog::accept();
}

}  // namespace orvanta
