#pragma once
// The sky over the site as seen lying on one's back: north up, east to the left, rings at
// 0, 30 and 60 degrees of elevation, and one pass's track from AOS to LOS on it.
#include <QPointF>
#include <QWidget>
#include <vector>

#include "catalogue/pass_details.h"

namespace orvanta {

class PassPolarPlot : public QWidget {
    Q_OBJECT
public:
    explicit PassPolarPlot(QWidget* parent = nullptr);

    // The rows of the pass (AOS first, LOS last) and the time of its highest point.
    void SetTrack(std::vector<PassDetailRow> rows, double culminationJd);
    // The visible window (Julian dates, 0 to 0 when the pass cannot be seen): its part of
    // the track is drawn thicker than the rest of the sunlit part.
    void SetVisibleWindow(double start, double end);
    // The Sun and Moon at the culmination (degrees), each drawn while above the horizon;
    // the Moon's lit fraction 0 ... 1.
    void SetSunMoon(double sunAz, double sunEl, double moonAz, double moonEl,
                    double moonIlluminated);
    // Where a direction lands in a plot of the given size (degrees).
    static QPointF Project(double azimuth, double elevation, QSizeF size);

    QSize sizeHint() const override { return QSize(360, 360); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPointF At(double jd) const;  // the track's point at a time, between rows

    std::vector<PassDetailRow> rows_;
    double culmination_ = 0.0;
    double visibleStart_ = 0.0;
    double visibleEnd_ = 0.0;
    double sunAz_ = 0.0, sunEl_ = -90.0;
    double moonAz_ = 0.0, moonEl_ = -90.0, moonLit_ = 0.0;
};

}  // namespace orvanta
