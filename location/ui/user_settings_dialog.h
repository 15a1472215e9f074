#pragma once
// "User Settings": the observer location (typed, from the city list or from the GPS), the
// time and distance display and the element-service login. Modal; OK stores everything,
// Cancel stores nothing.
#include <QUrl>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "common/settings.h"
#include "common/ui/task_dialog.h"
#include "location/ui/location_list_widget.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QDialogButtonBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace orvanta {

class IPrompt;
class HyperlinkLabel;

inline constexpr char kSpaceTrackRegistrationUrl[] =
    "https://www.space-track.org/auth/createAccount";
inline constexpr char kReplaceLocationQuestion[] =
    "This selection will replace your current location settings. Are you sure?";

struct UserSettingsOptions {
    std::string registrationUrl = kSpaceTrackRegistrationUrl;
    // Opens the registration page; null: the system's default browser.
    std::function<void(const QUrl&)> openUrl;
    // The compressed city list; empty: the list built into the program.
    std::optional<std::string> cityListData;
    // The zone name for the "Local Time" label and whether the system knows a zone;
    // null: the system's zone at the instant below.
    std::function<std::pair<std::string, bool>()> timeZoneName;
    // Seconds since 1970 UTC of the instant the zone is named for; null: now.
    std::function<std::int64_t()> now;
    int gpsTimeoutMs = 10000;
    // Asks for a name for the location list; null: a Qt input dialog.
    LocationNameAsker askLocationName;
};

// The compressed city list built into the program; nothing when it cannot be read.
std::optional<std::string> BuiltInCityList();

class UserSettingsDialog : public TaskDialog {
    Q_OBJECT
public:
    static constexpr int kHelpContext = 120;

    // settings is the program's copy: OK writes the changed values into it and into the
    // settings store; a port picked from the list goes into it at once.
    UserSettingsDialog(QWidget* parent, Settings& settings, IPrompt& prompt,
                       UserSettingsOptions options = {});
    ~UserSettingsDialog() override;

    // Number of cities in the drop-down.
    int CityCount() const;
    // True while a GPS reading runs (the dialog then refuses to close).
    bool ReadingGps() const { return TaskRunning(); }
    LocationListWidget* Locations() const { return locations_; }

public slots:
    void accept() override;
    // The "Use GPS" button.
    void ReadGps();

signals:
    // After OK: the pass list headers and contents should be refreshed. The Sky view's rise
    // and set recompute flag is already raised then (location/rise_set_recompute.h).
    void settingsSaved();
    // After OK when the location differs from before: the passes need a new search.
    void locationChanged();

private:
    void BuildControls();
    void FillControls();
    void LoadCities();
    void PlaceBesideOwner();
    void CitySelected(int index);
    void PortSelected(int index);
    void ShowLocation(const ObserverLocation& loc);
    bool SourceNeedsAccount() const;
    // The place in the fields; nothing (after telling which field is wrong) when one does
    // not read.
    std::optional<ObserverLocation> ReadPlaceFields();

    Settings& settings_;
    IPrompt& prompt_;
    UserSettingsOptions options_;

    QRadioButton* localTime_ = nullptr;
    QRadioButton* utc_ = nullptr;
    QCheckBox* use24h_ = nullptr;
    QLineEdit* latitude_ = nullptr;
    QLineEdit* longitude_ = nullptr;
    QLineEdit* altitude_ = nullptr;
    QPushButton* gpsButton_ = nullptr;
    QComboBox* ports_ = nullptr;
    QComboBox* cities_ = nullptr;
    QRadioButton* metric_ = nullptr;
    QRadioButton* statute_ = nullptr;
    QRadioButton* nautical_ = nullptr;
    HyperlinkLabel* registration_ = nullptr;
    QLineEdit* login_ = nullptr;
    QLineEdit* password_ = nullptr;
    QGroupBox* loginBox_ = nullptr;  // the account fields
    QComboBox* elementSource_ = nullptr;  // "Element Source": where fresh elements come from
    QDialogButtonBox* buttons_ = nullptr;
    LocationListWidget* locations_ = nullptr;
};

}  // namespace orvanta
