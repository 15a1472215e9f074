#pragma once
// One pass as curves against time from AOS to LOS: the elevation on the left scale
// (0 to 90 degrees, coloured as the polar plot colours the track) and the azimuth on the
// right one (0 to 360 degrees), with time labels in the display zone.
#include <QPointF>
#include <QRectF>
#include <QWidget>
#include <vector>

#include "catalogue/pass_details.h"

namespace orvanta {

class PassElevationGraph : public QWidget {
    Q_OBJECT
public:
    explicit PassElevationGraph(QWidget* parent = nullptr);

    // The rows of the pass (AOS first, LOS last), its culmination and visible window
    // (Julian dates; the window 0 to 0 when it cannot be seen).
    void SetTrack(std::vector<PassDetailRow> rows, double culminationJd, double visibleStart,
                  double visibleEnd);

    // Where a time lands across the plot area: its left edge at AOS, its right edge at LOS.
    static double TimeToX(double jd, double aosJd, double losJd, const QRectF& area);
    // The azimuth curve as runs of points in the area; a run ends where the azimuth wraps
    // through north and the next starts on the other edge, so 359 to 1 draws no line
    // across the plot.
    static std::vector<std::vector<QPointF>> AzimuthRuns(const std::vector<PassDetailRow>& rows,
                                                         const QRectF& area);

    QSize sizeHint() const override { return QSize(420, 300); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QRectF PlotArea() const;

    std::vector<PassDetailRow> rows_;
    double culmination_ = 0.0;
    double visibleStart_ = 0.0;
    double visibleEnd_ = 0.0;
};

}  // namespace orvanta
