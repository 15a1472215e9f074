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
    // Where a direction lands in a plot of the given size (degrees).
    static QPointF Project(double azimuth, double elevation, QSizeF size);

    QSize sizeHint() const override { return QSize(360, 360); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPointF At(double jd) const;  // the track's point at a time, between rows

    std::vector<PassDetailRow> rows_;
    double culmination_ = 0.0;
};

}  // namespace orvanta
