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
#include <QLocale>
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
#include "platform/time_zone.h"

// Qt resources of a static library must be registered by name, outside any namespace.
static void InitCityResource() {
    Q_INIT_RESOURCE(cities);
}

namespace orvanta {

namespace {

struct ZoneLabel {
    std::string name;
    std::string abbreviation;
    bool known = false;
};

constexpr int kMaxPortChars = 29;
constexpr int kMaxLoginChars = 254;

// The zone's name and abbreviation as they are at the instant: standard or daylight time
// as the pass list shows it then.
ZoneLabel SystemZoneLabel(std::int64_t unixSeconds) {
    const platform::ZoneInfo info = platform::SystemTimeZone()->At(unixSeconds);
    QTimeZone zone = QTimeZone::systemTimeZone();
    if (!info.known || !zone.isValid()) return {};
    const QDateTime at = QDateTime::fromSecsSinceEpoch(unixSeconds, Qt::UTC);
    QString name = zone.displayName(at, QTimeZone::LongName);
    if (name.isEmpty()) name = QString::fromStdString(info.abbreviation);
    if (name.isEmpty()) return {};
    return {name.toStdString(), info.abbreviation, true};
}

// The user's decimal mark besides the point, so "48,1374" reads as the user meant it.
std::string DecimalMark() {
    return QLocale().decimalPoint().toStdString();
}

QString Q(const std::string& s) {
    return QString::fromStdString(s);
}

}  // namespace

std::optional<std::string> BuiltInCityList() {
    InitCityResource();
    QFile file(QStringLiteral(":/location/cities.gz"));
    if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
    QByteArray bytes = file.readAll();
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

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
    named(loginBox, "loginGroup");
    loginBox_ = loginBox;
    // Where "Download Keplers" fetches from; CelesTrak needs no account, so the login shows
    // only for the sources that ask for one.
    elementSource_ = new QComboBox(this);
    elementSource_->addItem(QStringLiteral("CelesTrak (no account)"), QStringLiteral("CelesTrak"));
    elementSource_->addItem(QStringLiteral("Space-Track"), QStringLiteral("Space-Track"));
    elementSource_->addItem(QStringLiteral("Element server (legacy)"), QStringLiteral("Legacy"));
    named(elementSource_, "elementSourceCombo");
    auto* sourceRow = new QHBoxLayout;
    sourceRow->addWidget(new QLabel(QStringLiteral("Element Source"), this));
    sourceRow->addWidget(elementSource_, 1);

    buttons_ = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons_->button(QDialogButtonBox::Ok)->setText(QStringLiteral("OK"));
    buttons_->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Cancel"));

    auto* top = new QVBoxLayout(this);
    top->addWidget(timeBox);
    top->addWidget(locationBox);
    locations_ = new LocationListWidget(
        this, prompt_, [this] { return ReadPlaceFields(); },
        [this](const ObserverLocation& place) { ShowLocation(place); }, options_.askLocationName);
    top->addWidget(locations_);
    top->addWidget(unitsBox);
    top->addLayout(sourceRow);
    top->addWidget(loginBox);
    top->addWidget(buttons_);
    top->setSizeConstraint(QLayout::SetFixedSize);

    connect(buttons_, &QDialogButtonBox::accepted, this, &UserSettingsDialog::accept);
    connect(buttons_, &QDialogButtonBox::rejected, this, &UserSettingsDialog::reject);
    connect(gpsButton_, &QPushButton::clicked, this, &UserSettingsDialog::ReadGps);
    connect(cities_, &QComboBox::activated, this, &UserSettingsDialog::CitySelected);
    connect(ports_, &QComboBox::activated, this, &UserSettingsDialog::PortSelected);
    connect(elementSource_, &QComboBox::currentIndexChanged, this,
            [this] { loginBox_->setVisible(SourceNeedsAccount()); });
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

    const std::int64_t now =
        options_.now ? options_.now() : QDateTime::currentSecsSinceEpoch();
    ZoneLabel zone;
    if (options_.timeZoneName) {
        std::tie(zone.name, zone.known) = options_.timeZoneName();
    } else {
        zone = SystemZoneLabel(now);
    }
    localTime_->setText(Q(LocalTimeLabel(zone.name, zone.abbreviation, zone.known)));

    ShowLocation(settings_.observer);
    login_->setText(Q(settings_.spaceTrackUsername));
    password_->setText(Q(settings_.spaceTrackPassword));
    const int source = elementSource_->findData(Q(settings_.elementSource), Qt::UserRole,
                                                Qt::MatchFixedString);
    elementSource_->setCurrentIndex(source < 0 ? 0 : source);
    loginBox_->setVisible(SourceNeedsAccount());
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

bool UserSettingsDialog::SourceNeedsAccount() const {
    return elementSource_->currentData().toString() != QStringLiteral("CelesTrak");
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
        const std::string mark = DecimalMark();
        ObserverLocation reading;
        reading.altitudeMetres =
            static_cast<int>(ParseAltitudeField(altitude_->text().toStdString(), mark).value);
        reading.latitude =
            ParseAngleField(latitude_->text().toStdString(), kLatitudeLimit, mark).value;
        reading.longitude =
            ParseAngleField(longitude_->text().toStdString(), kLongitudeLimit, mark).value;
        GpsReadingOptions gps;
        gps.capture.timeoutMs = options_.gpsTimeoutMs;
        gps.capture.progressParent = this;
        gps.positionTaken = [this](const ObserverLocation& loc) { ShowLocation(loc); };
        ReadGpsPosition(settings_.gpsComPort, prompt_, reading, gps);
    });
}

std::optional<ObserverLocation> UserSettingsDialog::ReadPlaceFields() {
    const std::string mark = DecimalMark();
    const FieldReading lat = ParseAngleField(latitude_->text().toStdString(), kLatitudeLimit, mark);
    const FieldReading lon =
        ParseAngleField(longitude_->text().toStdString(), kLongitudeLimit, mark);
    const FieldReading alt = ParseAltitudeField(altitude_->text().toStdString(), mark);
    for (auto [field, reading, notANumber, outOfRange] :
         {std::tuple{latitude_, lat, kLatitudeNotANumber, kLatitudeOutOfRange},
          std::tuple{longitude_, lon, kLongitudeNotANumber, kLongitudeOutOfRange},
          std::tuple{altitude_, alt, kAltitudeNotANumber, kAltitudeNotANumber}}) {
        if (reading.status == FieldStatus::Ok) continue;
        prompt_.Tell("Error", reading.status == FieldStatus::NotANumber ? notANumber : outOfRange,
                     PromptIcon::Error);
        field->setFocus();
        field->selectAll();
        return std::nullopt;
    }
    ObserverLocation place;
    place.latitude = lat.value;
    place.longitude = lon.value;
    place.altitudeMetres = static_cast<int>(alt.value);
    return place;
}

void UserSettingsDialog::accept() {
    if (TaskRunning()) return;
    // Text that is no number, or a place off the globe, would be stored as a different
    // place; nothing is stored until every field reads right.
    const std::optional<ObserverLocation> place = ReadPlaceFields();
    if (!place) return;
    const ObserverLocation before = settings_.observer;

    settings_.displayUtc = localTime_->isChecked() ? 0 : 1;
    settings_.use24hTime = use24h_->isChecked() ? 1 : 0;
    settings_.metric = MetricFromUnitRadios(metric_->isChecked(), statute_->isChecked());
    settings_.observer = *place;
    settings_.spaceTrackUsername = login_->text().left(kMaxLoginChars).toStdString();
    settings_.spaceTrackPassword = password_->text().left(kMaxLoginChars).toStdString();
    settings_.elementSource = elementSource_->currentData().toString().toStdString();

    bool stored =
        WriteSettings(settings_, {"DisplayUTC", "Use 24h Time", "Metric", "Obs", "GPS Com Port",
                                  "SpaceTrack Username", "SpaceTrack Password",
                                  "Element Source"});
    // The active named location is the place just stored.
    stored = locations_->Store(settings_.observer) && stored;
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
