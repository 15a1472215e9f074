#pragma once
// One pass drawn over the Sky view: the chart at one moment of the pass (stars, Sun and Moon
// as they stand then) with the whole track from AOS to LOS, its time ticks, AOS and LOS
// labelled, and the satellite where it is at that moment. `orvanta --render passchart` and
// the pass details window's star chart both draw it.
#include <QImage>
#include <QPointF>
#include <QSize>
#include <QWidget>
#include <string>
#include <vector>

#include "catalogue/pass_details.h"
#include "catalogue/ui/render_context.h"
#include "common/settings_records.h"
#include "skyview/sky_view_state.h"

class QPainter;

namespace orvanta {

struct PassChartInput {
    SkyViewState options;  // projection, heading, stars and sky as the Sky view has them
    ObserverLocation observer;
    std::string name;
    std::vector<PassDetailRow> rows;  // AOS first, LOS last
    double atJd = 0.0;                // where the satellite is shown
    // The visible window (Julian dates), both 0 when the pass cannot be seen.
    double visibleStart = 0.0;
    double visibleEnd = 0.0;
};

QImage RenderPassChart(const PassChartInput& input, QSize size);

// The Sky view's symbols centred on a point: the Sun a yellow disc with an orange rim, the
// Moon a dark disc with its lit part, the bright limb toward limbAngleRad (screen angle,
// x right, y down).
void DrawSunSymbol(QPainter& p, QPointF at);
void DrawMoonSymbol(QPainter& p, QPointF at, double illuminated, double limbAngleRad);

// `orvanta --render passchart`: pass request.passNumber (from 1) of satellite
// request.satellite after the request's instant, at its highlight time; a null image and
// the reason in *request.error when the satellite or the pass does not exist.
QImage RenderPassChartView(const RenderContext& context, const RenderRequest& request);

// The chart as a widget, drawn again when its size or pass changes.
class PassStarChart : public QWidget {
    Q_OBJECT
public:
    explicit PassStarChart(QWidget* parent = nullptr);
    void SetPass(PassChartInput input);
    QSize sizeHint() const override { return QSize(420, 420); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    PassChartInput input_;
    QImage cache_;
};

}  // namespace orvanta
