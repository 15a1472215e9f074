#pragma once
// One satellite at the program time: where it is, how the site sees it, its orbit and the
// age of its elements, and its next rise. Non-modal, one per satellite, refreshed by its
// owner each second.
#include <QWidget>
#include <functional>
#include <map>
#include <optional>
#include <string>

#include "common/settings_records.h"
#include "orbit/element_set.h"
#include "orbit/orbit.h"

class QFormLayout;
class QLabel;

namespace orvanta {

struct SatelliteDetailsInput {
    cElementSet elements;
    std::string name;  // as lists show it
    ObserverLocation observer;
    std::function<double()> now;      // program time, UTC Julian date
    std::function<bool()> simulated;  // program time not real (null: real)
    // The pass list's next AOS of this satellite after the given instant, when it knows
    // one; null or nothing: the pass search for this satellite answers.
    std::function<std::optional<double>(double)> listedAos;
};

class SatelliteDetailsWindow : public QWidget {
    Q_OBJECT
public:
    explicit SatelliteDetailsWindow(SatelliteDetailsInput input, QWidget* parent = nullptr);

    int CatalogueNumber() const { return catalogueNumber_; }
    // Reads the program time again and shows the values at it.
    void Refresh();
    // Newer elements of the same satellite (a catalogue replaced by a download).
    void SetElements(const cElementSet& elements);
    // The shown value of a row by its label ("Altitude"); empty for no such row.
    QString Value(const QString& label) const;

private:
    std::optional<double> NextAosAt(double now);

    SatelliteDetailsInput input_;
    cOrbit orbit_;
    int catalogueNumber_ = 0;
    std::map<QString, QLabel*> values_;
    // The last search's answer and the instant it was asked for: the first rise after t0
    // is also the first after any later t before it, so a search a second is not needed.
    bool searched_ = false;
    double searchedFrom_ = 0.0;
    std::optional<double> searchedAos_;
};

}  // namespace orvanta
