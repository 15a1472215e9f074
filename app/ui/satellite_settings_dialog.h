#pragma once
// "Satellite settings": the user picks the tracked satellites from the catalogue and sets
// the prediction options. The dialog writes them through the writer it is given and tells
// its owner by signals; it knows nothing of the main window.
#include <QDialog>
#include <cstdint>
#include <functional>
#include <set>
#include <vector>

#include "app/satellite_selection.h"

class QCheckBox;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace orvanta {

class IPrompt;

class SatelliteSettingsDialog : public QDialog {
    Q_OBJECT
public:
    // The catalogue must outlive the dialog. `now` gives the program's current time as a
    // UTC Julian date (for the next automatic element update).
    SatelliteSettingsDialog(QWidget* parent, const KeplerCatalogue& catalogue,
                            const std::vector<SelectedSat>& selection,
                            const SatelliteOptions& options, IPrompt& prompt,
                            ISettingsWriter& writer, std::function<double()> now);

    static constexpr int kHelpContext = 60;

    // The options as last written: after any press of a save button, even one refused for
    // its number of passes (the first seven values are written before the check).
    const SatelliteOptions& Options() const { return options_; }
    bool OptionsWritten() const { return optionsWritten_; }
    // The selection after a successful save (catalogue indices set, display flags 0), and
    // the one the dialog was opened with.
    const std::vector<SelectedSat>& NewSelection() const { return newSelection_; }
    const std::vector<SelectedSat>& FormerSelection() const { return formerSelection_; }
    // The pass table still numbers satellites by the former selection until the next
    // search: for each former index its new index, or -1 (then its rows must not show).
    std::vector<int> FormerToNewIndices() const {
        return MapSelectionIndices(formerSelection_, newSelection_);
    }
    bool Saved() const { return saved_; }
    bool SearchRequested() const { return searchRequested_; }

    const SatelliteChooser& Chooser() const { return chooser_; }

    // Pass alerts: once given, each selected satellite has an "Alert" check box; the set
    // holds the catalogue numbers checked (the owner stores it after a save).
    void SetAlertSatellites(std::set<std::int32_t> numbers);
    const std::set<std::int32_t>& AlertSatellites() const { return alertSatellites_; }

signals:
    // Emitted in this order on a successful save, before the dialog closes:
    // the owner adopts Options() and NewSelection() and clears the pass list's rows, then
    // sets the pass-list headers;
    void selectionSaved();
    // the Earth view, when open, rebuilds its per-satellite state and redraws;
    void earthViewRebuildRequested();
    // "OK && Update": start a pass search (connect queued, so it runs after the close);
    void startPassSearchRequested();
    // "Just Save": refill the pass list from the existing pass table, showing only the
    // rows whose satellite is still selected (FormerToNewIndices()).
    void passListRefillRequested();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildWidgets();
    void PlaceBesideParent(QWidget* parent);
    void ShowLists();
    void ApplyFilter();
    void ToggleHide(bool hide);
    void MoveSelected(bool add);
    void Save(bool startSearch);
    void MarkAlerts();

    IPrompt& prompt_;
    ISettingsWriter& writer_;
    std::function<double()> now_;
    SatelliteOptions options_;
    SatelliteChooser chooser_;
    std::vector<SelectedSat> formerSelection_;
    std::vector<SelectedSat> newSelection_;
    bool optionsWritten_ = false;
    bool saved_ = false;
    bool searchRequested_ = false;

    QLineEdit* filterEdit_ = nullptr;
    QPushButton* filterButton_ = nullptr;
    QListWidget* availableList_ = nullptr;
    QListWidget* selectedList_ = nullptr;
    QPushButton* addButton_ = nullptr;
    QPushButton* deleteButton_ = nullptr;
    QCheckBox* hideBox_ = nullptr;
    QLineEdit* passesEdit_ = nullptr;
    QCheckBox* flaresBox_ = nullptr;
    QCheckBox* lunarBox_ = nullptr;
    QCheckBox* reportNvsBox_ = nullptr;
    QCheckBox* visibleOnlyBox_ = nullptr;
    QCheckBox* autorefreshBox_ = nullptr;
    QCheckBox* keplerUpdateBox_ = nullptr;
    QCheckBox* checkUpdatesBox_ = nullptr;
    QPushButton* okUpdateButton_ = nullptr;
    QPushButton* justSaveButton_ = nullptr;
    QPushButton* cancelButton_ = nullptr;
    std::set<std::int32_t> alertSatellites_;
    bool alertBoxes_ = false;
    bool markingAlerts_ = false;
};

}  // namespace orvanta
