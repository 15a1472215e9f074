#pragma once
// One pass in detail: its times and highest point, the table at a step the user picks with
// the Doppler shift of a downlink, and the track on a polar plot. Opened from the pass list.
#include <QWidget>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "catalogue/pass_details.h"
#include "catalogue/pass_record.h"
#include "common/settings_records.h"
#include "orbit/element_set.h"

class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QTabWidget;
class QTableWidget;

namespace orvanta {

class IPrompt;
class PassElevationGraph;
class PassPolarPlot;
class PassStarChart;

struct PassDetailsInput {
    cElementSet elements;
    std::string name;  // as lists show it
    PassRecord pass;
    ObserverLocation observer;
    double now = 0.0;                  // Julian date (UTC), for the element set's age
    std::optional<double> downlinkHz;  // the satellite's first known downlink
    IPrompt* prompt = nullptr;         // tells a failed export
    // "Show in Sky View" / "Show in Earth View": the program time to the culmination and
    // that view opened (true: the Sky view); null: no such buttons.
    std::function<void(double culminationJd, bool skyView)> showInView;
};

// The first downlink of a satellite in the transmitters data (the user's entries first).
std::optional<double> FirstKnownDownlinkHz(int catalogueNumber);

class PassDetailsWindow : public QWidget {
    Q_OBJECT
public:
    explicit PassDetailsWindow(PassDetailsInput input, QWidget* parent = nullptr);

    QString HeaderText() const;
    QTableWidget* Table() const { return table_; }
    PassPolarPlot* Plot() const { return plot_; }
    PassElevationGraph* Graph() const { return graph_; }
    PassStarChart* StarChart() const { return chart_; }
    // "Sky Plot", "Graph" and "Star Chart", beside the table.
    QTabWidget* Pictures() const { return pictures_; }
    const std::vector<PassDetailRow>& Rows() const { return rows_; }
    // Table step in seconds, one of the chooser's (1, 5, 10, 30, 60).
    void SetStepSeconds(int seconds);
    // Frequency for the Doppler column, 0 for none.
    void SetFrequencyHz(double hz);

    // The table as CSV (the columns of orvanta-cli pass-details).
    std::string TableCsv() const { return PassDetailsCsv(rows_); }
    // "Export...": the table as CSV, or the plot as an image when the name ends in .png;
    // false with the reason when the file cannot be written.
    bool ExportTo(const QString& path, QString* error = nullptr) const;
    void Export();
    // "Copy": the table as CSV on the clipboard.
    void Copy() const;
    // Time of the highest point: the search's culmination, else the highest row's.
    double CulminationJd() const { return culmination_; }

signals:
    // "Satellite Details...": the pass's satellite.
    void SatelliteDetailsRequested(int catalogueNumber);

private:
    void Recompute();
    void FillHeader();
    void FillPictures();

    PassDetailsInput input_;
    std::vector<PassDetailRow> rows_;
    double culmination_ = 0.0;
    QLabel* header_ = nullptr;
    QComboBox* step_ = nullptr;
    QDoubleSpinBox* frequency_ = nullptr;  // MHz
    QTableWidget* table_ = nullptr;
    QTabWidget* pictures_ = nullptr;
    PassPolarPlot* plot_ = nullptr;
    PassElevationGraph* graph_ = nullptr;
    PassStarChart* chart_ = nullptr;
};

}  // namespace orvanta
