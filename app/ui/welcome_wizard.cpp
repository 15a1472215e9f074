#include "app/ui/welcome_wizard.h"

#include <QCheckBox>
#include <QDateTime>
#include <QFormLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QPushButton>
#include <QTimeZone>
#include <QVBoxLayout>
#include <algorithm>

#include "app/satellite_presets.h"
#include "location/city_list.h"
#include "location/ui/gps_receiver.h"
#include "location/ui/user_settings_dialog.h"
#include "location/user_location.h"
#include "platform/directories.h"
#include "platform/time_zone.h"

namespace orvanta {

namespace {

// Enough to pick from while typing; the rest is one more letter away.
constexpr int kMaxListed = 200;

QString ComputerZoneText() {
    const std::int64_t now = QDateTime::currentSecsSinceEpoch();
    const platform::ZoneInfo info = platform::SystemTimeZone()->At(now);
    const QString name = QTimeZone::systemTimeZone().displayName(
        QDateTime::fromSecsSinceEpoch(now, Qt::UTC), QTimeZone::LongName);
    const std::string label = LocalTimeLabel(name.toStdString(), info.abbreviation, info.known);
    return QStringLiteral(
               "Pass times are shown in %1, this computer's time zone "
               "(Settings > User... chooses local time or UTC).")
        .arg(QString::fromStdString(label));
}

// "Name, Region" of a city line, the part a user types and reads.
QString CityTitle(const QString& line) {
    const QStringList f = line.split(QLatin1Char(','));
    return f.size() >= 2 ? f[0].trimmed() + QStringLiteral(", ") + f[1].trimmed() : line;
}

// Up and Down in a search field move through the list under it, so typing and picking
// need no mouse.
class ListKeys : public QObject {
public:
    ListKeys(QLineEdit* field, QListWidget* list) : QObject(field), list_(list) {
        field->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if ((key == Qt::Key_Up || key == Qt::Key_Down) && list_->count() > 0) {
                const int row = std::clamp(list_->currentRow() + (key == Qt::Key_Down ? 1 : -1), 0,
                                           list_->count() - 1);
                list_->setCurrentRow(row);
                return true;
            }
        }
        return QObject::eventFilter(watched, event);
    }

private:
    QListWidget* list_;
};

}  // namespace

WelcomeWizard::WelcomeWizard(QWidget* parent, const KeplerCatalogue& catalogue,
                             WelcomeOptions options)
    : QWizard(parent), catalogue_(catalogue), options_(std::move(options)) {
    setObjectName(QStringLiteral("welcomeWizard"));
    setWindowTitle(QStringLiteral("Welcome to Orvanta"));
    setWizardStyle(QWizard::ClassicStyle);
    setOption(QWizard::NoBackButtonOnStartPage);
    // Alt+S is Skip's; the finish button takes Alt+P.
    setButtonText(QWizard::CancelButton, QStringLiteral("&Skip"));
    setButtonText(QWizard::FinishButton, QStringLiteral("Show &passes"));
    setPage(PlacePage, BuildPlacePage());
    setPage(SatellitesPage, BuildSatellitesPage());
    setPage(ElementsPage, BuildElementsPage());
    resize(520, 440);
}

WelcomeWizard::~WelcomeWizard() = default;

QWizardPage* WelcomeWizard::BuildPlacePage() {
    auto* page = new QWizardPage;
    page->setTitle(QStringLiteral("1 of 3: Where are you?"));
    page->setSubTitle(QStringLiteral("Type a city or enter your coordinates."));
    citySearch_ = new QLineEdit(page);
    citySearch_->setObjectName(QStringLiteral("citySearch"));
    citySearch_->setPlaceholderText(QStringLiteral("City, country"));
    cityList_ = new QListWidget(page);
    cityList_->setObjectName(QStringLiteral("cityList"));
    latitude_ = new QLineEdit(page);
    longitude_ = new QLineEdit(page);
    altitude_ = new QLineEdit(page);
    latitude_->setObjectName(QStringLiteral("latitudeEdit"));
    longitude_->setObjectName(QStringLiteral("longitudeEdit"));
    altitude_->setObjectName(QStringLiteral("altitudeEdit"));
    placeError_ = new QLabel(page);
    placeError_->setObjectName(QStringLiteral("placeError"));
    placeError_->setWordWrap(true);
    placeError_->setStyleSheet(QStringLiteral("color: #b00000"));
    auto* zone =
        new QLabel(options_.zoneText.isEmpty() ? ComputerZoneText() : options_.zoneText, page);
    zone->setWordWrap(true);

    auto* coordinates = new QFormLayout;
    coordinates->addRow(QStringLiteral("&Latitude (north +):"), latitude_);
    coordinates->addRow(QStringLiteral("L&ongitude (east +):"), longitude_);
    coordinates->addRow(QStringLiteral("&Altitude (m):"), altitude_);
    auto* layout = new QVBoxLayout(page);
    auto* searchLabel = new QLabel(QStringLiteral("&City:"), page);
    searchLabel->setBuddy(citySearch_);
    layout->addWidget(searchLabel);
    layout->addWidget(citySearch_);
    layout->addWidget(cityList_, 1);
    layout->addLayout(coordinates);
    if (!options_.gpsPort.empty() && options_.prompt) {
        gpsButton_ = new QPushButton(QStringLiteral("Use &GPS"), page);
        gpsButton_->setObjectName(QStringLiteral("gpsButton"));
        layout->addWidget(gpsButton_, 0, Qt::AlignLeft);
        connect(gpsButton_, &QPushButton::clicked, this, &WelcomeWizard::ReadGps);
    }
    layout->addWidget(zone);
    layout->addWidget(placeError_);

    std::optional<std::string> data =
        options_.cityListData ? options_.cityListData : BuiltInCityList();
    platform::PrivateTempDir work;
    if (data && work.Ok())
        for (const std::string& line : LoadCityList(*data, work.Path()))
            cities_.push_back(QString::fromStdString(line));
    std::stable_sort(cities_.begin(), cities_.end(), [](const QString& a, const QString& b) {
        return a.compare(b, Qt::CaseInsensitive) < 0;
    });

    new ListKeys(citySearch_, cityList_);
    connect(citySearch_, &QLineEdit::textEdited, this, &WelcomeWizard::FilterCities);
    connect(cityList_, &QListWidget::currentRowChanged, this, &WelcomeWizard::CityChosen);
    return page;
}

void WelcomeWizard::FilterCities(const QString& typed) {
    cityList_->clear();
    const QString text = typed.trimmed();
    if (text.isEmpty()) return;
    // Names that start with the text come first: "Paris" before "Villeparisis".
    std::vector<int> starts, contains;
    for (int i = 0; i < static_cast<int>(cities_.size()); ++i) {
        const QString title = CityTitle(cities_[static_cast<std::size_t>(i)]);
        if (title.startsWith(text, Qt::CaseInsensitive))
            starts.push_back(i);
        else if (title.contains(text, Qt::CaseInsensitive))
            contains.push_back(i);
    }
    starts.insert(starts.end(), contains.begin(), contains.end());
    if (starts.size() > kMaxListed) starts.resize(kMaxListed);
    for (int i : starts) {
        auto* item = new QListWidgetItem(CityTitle(cities_[static_cast<std::size_t>(i)]));
        item->setData(Qt::UserRole, i);
        cityList_->addItem(item);
    }
    // The best match is taken at once, so Enter goes on with it.
    if (cityList_->count() > 0) cityList_->setCurrentRow(0);
}

void WelcomeWizard::CityChosen(int row) {
    QListWidgetItem* item = cityList_->item(row);
    if (!item) return;
    const std::string line =
        cities_[static_cast<std::size_t>(item->data(Qt::UserRole).toInt())].toStdString();
    const std::optional<CityLocationText> fields = CityLocationFields(line);
    if (!fields) return;
    latitude_->setText(QString::fromStdString(fields->latitude).trimmed());
    longitude_->setText(QString::fromStdString(fields->longitude).trimmed());
    altitude_->setText(QString::fromStdString(fields->altitude).trimmed());
    placeError_->clear();
}

void WelcomeWizard::ReadGps() {
    gpsButton_->setEnabled(false);
    // An altitude the receiver leaves out keeps what the fields hold.
    ObserverLocation reading;
    const FieldReading altitude = ParseAltitudeField(altitude_->text().toStdString());
    reading.altitudeMetres =
        altitude.status == FieldStatus::Ok ? static_cast<int>(altitude.value) : 0;
    GpsReadingOptions gps;
    gps.capture.timeoutMs = options_.gpsTimeoutMs;
    gps.capture.progressParent = this;
    gps.positionTaken = [this](const ObserverLocation& loc) {
        latitude_->setText(QString::fromStdString(FormatAngleField(loc.latitude)));
        longitude_->setText(QString::fromStdString(FormatAngleField(loc.longitude)));
        altitude_->setText(QString::fromStdString(FormatAltitudeField(loc.altitudeMetres)));
        placeError_->clear();
    };
    ReadGpsPosition(options_.gpsPort, *options_.prompt, reading, gps);
    gpsButton_->setEnabled(true);
}

QWizardPage* WelcomeWizard::BuildSatellitesPage() {
    auto* page = new QWizardPage;
    page->setTitle(QStringLiteral("2 of 3: Which satellites?"));
    page->setSubTitle(
        QStringLiteral("Pick groups, and add any other satellite by name or number."));
    auto* layout = new QVBoxLayout(page);
    int index = 0;
    for (const SatellitePreset& preset : SatellitePresets()) {
        auto* box = new QCheckBox(QString::fromUtf8(preset.title), page);
        box->setObjectName(QStringLiteral("preset%1").arg(index));
        // The bright ones and the stations are what most first looks are after.
        box->setChecked(index <= 1);
        presetBoxes_.push_back(box);
        layout->addWidget(box);
        ++index;
    }
    satelliteSearch_ = new QLineEdit(page);
    satelliteSearch_->setObjectName(QStringLiteral("satelliteSearch"));
    satelliteSearch_->setPlaceholderText(QStringLiteral("Name or catalogue number"));
    satelliteList_ = new QListWidget(page);
    satelliteList_->setObjectName(QStringLiteral("satelliteList"));
    auto* searchLabel =
        new QLabel(QStringLiteral("&Other satellites (Tab to the list, Space ticks one):"), page);
    searchLabel->setBuddy(satelliteSearch_);
    layout->addWidget(searchLabel);
    layout->addWidget(satelliteSearch_);
    layout->addWidget(satelliteList_, 1);

    new ListKeys(satelliteSearch_, satelliteList_);
    connect(satelliteSearch_, &QLineEdit::textEdited, this, &WelcomeWizard::FilterSatellites);
    connect(satelliteList_, &QListWidget::itemChanged, this, [this](QListWidgetItem* item) {
        const int number = item->data(Qt::UserRole).toInt();
        if (item->checkState() == Qt::Checked)
            extraNumbers_.insert(number);
        else
            extraNumbers_.erase(number);
    });
    return page;
}

void WelcomeWizard::FilterSatellites(const QString& typed) {
    const QSignalBlocker block(satelliteList_);
    satelliteList_->clear();
    const QString text = typed.trimmed();
    if (text.isEmpty()) return;
    bool isNumber = false;
    const int number = text.toInt(&isNumber);
    const std::string upper = text.toUpper().toStdString();
    for (const KeplerRecord& record : catalogue_.records) {
        const bool match = isNumber ? record.catalogueNumber == number
                                    : std::string(record.Name()).find(upper) != std::string::npos;
        if (!match) continue;
        auto* item = new QListWidgetItem(QString::fromStdString(FormatCatalogueItem(record)));
        item->setData(Qt::UserRole, record.catalogueNumber);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(extraNumbers_.count(record.catalogueNumber) ? Qt::Checked
                                                                        : Qt::Unchecked);
        satelliteList_->addItem(item);
        if (satelliteList_->count() >= kMaxListed) break;
    }
    if (satelliteList_->count() > 0) satelliteList_->setCurrentRow(0);
}

QWizardPage* WelcomeWizard::BuildElementsPage() {
    auto* page = new QWizardPage;
    page->setTitle(QStringLiteral("3 of 3: Fresh element sets"));
    page->setSubTitle(
        options_.elementsStale
            ? QStringLiteral("The element sets built into Orvanta are too old for good "
                             "predictions.")
            : QStringLiteral("The element sets at hand are recent enough for good predictions."));
    download_ = new QCheckBox(
        QStringLiteral("&Download today's element sets now (CelesTrak, no account)"), page);
    keepUpToDate_ =
        new QCheckBox(QStringLiteral("&Keep them up to date automatically (once a day)"), page);
    download_->setObjectName(QStringLiteral("downloadCheck"));
    keepUpToDate_->setObjectName(QStringLiteral("keepUpToDateCheck"));
    download_->setChecked(options_.elementsStale);
    keepUpToDate_->setChecked(options_.elementsStale);
    auto* rules = new QLabel(
        QStringLiteral("CelesTrak asks for one download of a group every 2 hours at most; "
                       "Orvanta keeps to that."),
        page);
    rules->setWordWrap(true);
    laterHint_ = new QLabel(
        QStringLiteral("You can download them later with Settings > Download Keplers..., and "
                       "turn on the daily update in Settings > Satellites..."),
        page);
    laterHint_->setObjectName(QStringLiteral("laterHint"));
    laterHint_->setWordWrap(true);
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(download_);
    layout->addWidget(keepUpToDate_);
    layout->addWidget(rules);
    layout->addWidget(laterHint_);
    layout->addStretch(1);
    auto showHint = [this] {
        laterHint_->setVisible(!download_->isChecked() || !keepUpToDate_->isChecked());
    };
    connect(download_, &QCheckBox::toggled, this, showHint);
    connect(keepUpToDate_, &QCheckBox::toggled, this, showHint);
    showHint();
    return page;
}

bool WelcomeWizard::validateCurrentPage() {
    if (currentId() != PlacePage) return QWizard::validateCurrentPage();
    const QString lat = latitude_->text().trimmed(), lon = longitude_->text().trimmed(),
                  alt = altitude_->text().trimmed();
    place_.reset();
    // No place yet is allowed: the program then asks for it as it always has.
    if (lat.isEmpty() && lon.isEmpty() && alt.isEmpty()) return true;
    const std::string mark = QLocale().decimalPoint().toStdString();
    const FieldReading la = ParseAngleField(lat.toStdString(), kLatitudeLimit, mark);
    const FieldReading lo = ParseAngleField(lon.toStdString(), kLongitudeLimit, mark);
    const FieldReading al = alt.isEmpty() ? FieldReading{FieldStatus::Ok, 0.0}
                                          : ParseAltitudeField(alt.toStdString(), mark);
    for (auto [field, reading, notANumber, outOfRange] :
         {std::tuple{latitude_, la, kLatitudeNotANumber, kLatitudeOutOfRange},
          std::tuple{longitude_, lo, kLongitudeNotANumber, kLongitudeOutOfRange},
          std::tuple{altitude_, al, kAltitudeNotANumber, kAltitudeNotANumber}}) {
        if (reading.status == FieldStatus::Ok) continue;
        placeError_->setText(
            QString::fromUtf8(reading.status == FieldStatus::NotANumber ? notANumber : outOfRange));
        field->setFocus();
        field->selectAll();
        return false;
    }
    placeError_->clear();
    ObserverLocation place;
    place.latitude = la.value;
    place.longitude = lo.value;
    place.altitudeMetres = static_cast<int>(al.value);
    place_ = place;
    return true;
}

WelcomeChoices WelcomeWizard::Choices() const {
    WelcomeChoices c;
    c.place = place_;
    for (int i = 0; i < static_cast<int>(presetBoxes_.size()); ++i)
        if (presetBoxes_[static_cast<std::size_t>(i)]->isChecked()) c.presets.push_back(i);
    c.extraNumbers.assign(extraNumbers_.begin(), extraNumbers_.end());
    c.download = download_->isChecked();
    c.keepUpToDate = keepUpToDate_->isChecked();
    return c;
}

}  // namespace orvanta
