#pragma once
// The welcome a new user sees when there are no settings yet: the place, the satellites
// and fresh element sets in three pages, every one usable from the keyboard. It only
// gathers the choices; the main window stores them and runs the download and the search.
// Skip (Escape) leaves everything as a first start without the assistant.
#include <QWizard>
#include <cstdint>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "catalogue/element_file.h"
#include "common/settings.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace orvanta {

class IPrompt;

struct WelcomeChoices {
    std::optional<ObserverLocation> place;  // nothing when the fields were left empty
    std::vector<int> presets;               // indices into SatellitePresets()
    std::vector<int> extraNumbers;          // picked one by one, ascending
    bool download = false;
    bool keepUpToDate = false;
};

struct WelcomeOptions {
    // The compressed city list; empty: the list built into the program.
    std::optional<std::string> cityListData;
    // The element sets at hand are older than the age the pass list calls very inaccurate.
    bool elementsStale = false;
    // "Pass times are shown in ..." for the place page; empty: the computer's zone now.
    QString zoneText;
    // The GPS port setting when a serial port is there to read it; empty: no "Use GPS".
    std::string gpsPort;
    IPrompt* prompt = nullptr;  // tells how a GPS reading failed; needed with gpsPort
    int gpsTimeoutMs = 10000;
};

class WelcomeWizard : public QWizard {
    Q_OBJECT
public:
    enum PageId { PlacePage, SatellitesPage, ElementsPage };

    WelcomeWizard(QWidget* parent, const KeplerCatalogue& catalogue, WelcomeOptions options = {});
    ~WelcomeWizard() override;

    WelcomeChoices Choices() const;
    int CityCount() const { return static_cast<int>(cities_.size()); }

    bool validateCurrentPage() override;

private:
    QWizardPage* BuildPlacePage();
    QWizardPage* BuildSatellitesPage();
    QWizardPage* BuildElementsPage();
    void FilterCities(const QString& typed);
    void CityChosen(int row);
    void FilterSatellites(const QString& typed);
    void ReadGps();

    const KeplerCatalogue& catalogue_;
    WelcomeOptions options_;
    std::vector<QString> cities_;  // "Name, Region, Longitude, Latitude, Elevation"

    QLineEdit* citySearch_ = nullptr;
    QListWidget* cityList_ = nullptr;
    QLineEdit* latitude_ = nullptr;
    QLineEdit* longitude_ = nullptr;
    QLineEdit* altitude_ = nullptr;
    QLabel* placeError_ = nullptr;
    QPushButton* gpsButton_ = nullptr;
    std::optional<ObserverLocation> place_;

    std::vector<QCheckBox*> presetBoxes_;
    QLineEdit* satelliteSearch_ = nullptr;
    QListWidget* satelliteList_ = nullptr;
    std::set<int> extraNumbers_;

    QCheckBox* download_ = nullptr;
    QCheckBox* keepUpToDate_ = nullptr;
    QLabel* laterHint_ = nullptr;
};

}  // namespace orvanta
