#pragma once
// The Sky view window: a chart of the sky above the site, repainted once a second from an
// off-screen image, with a popup menu of display options, a heading drag, the time keys,
// F2 screenshots and tooltips for the Sun, the Moon, satellites and stars.
#include <QImage>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "catalogue/element_file.h"
#include "catalogue/pass_record.h"
#include "common/settings.h"
#include "skyview/sky_view_state.h"
#include "skyview/ui/sky_drawing.h"

class QLabel;
class QMenu;

namespace orvanta {

class IDateTimeRenderer;

// What the view takes from the main window (which owns the clock, the pass table, the
// catalogue, the selection and the settings). Tests supply their own.
class ISkyViewHost {
public:
    virtual ~ISkyViewHost() = default;
    virtual double Now() const = 0;
    // The Up and Down keys move the program time offset by a minute.
    virtual void ShiftTimeMinutes(int minutes) = 0;
    // True while the program time is not real time; the title says so.
    virtual bool Simulated() const { return false; }
    virtual std::vector<PassRecord>* SkyPasses() = 0;
    virtual const KeplerCatalogue& SkyCatalogue() const = 0;
    virtual const std::vector<SelectedSat>& SkySelection() const = 0;
    virtual const Settings& SkySettings() const = 0;
    // The locale's time format for AOS and LOS texts without "Use 24h Time" (null: the
    // built-in "h:mm:ss AM").
    virtual const IDateTimeRenderer* LocaleTime() const { return nullptr; }
    // Saves a screenshot with the view's file name and command (and wallpaper choice).
    virtual void SaveSkyScreenshot(const QImage& image) = 0;
    // The view is closing (its state has been saved).
    virtual void SkyViewClosed() {}
};

class SkyViewWindow : public QWidget {
    Q_OBJECT
public:
    using TickSource = std::function<std::uint32_t()>;  // milliseconds, may wrap

    // state lives as long as the program; null tick source: a monotonic clock.
    SkyViewWindow(ISkyViewHost& host, SkyViewState& state, TickSource tick = {},
                  bool startTimer = true);
    ~SkyViewWindow() override;

    // Timer 1 body: title, periodic screenshot, rise and set, repaint, tracks, tooltip.
    void OnSkyTimer();
    // The chart as the next repaint draws it (also what a screenshot holds).
    QImage RenderChart();

    // For tests.
    SkyViewState& State() { return state_; }
    QMenu* PopupMenu() const { return menu_; }
    bool TooltipShown() const;
    QString TooltipText() const { return tooltipText_; }

    static constexpr int kDefaultWidth = 600;
    static constexpr int kDefaultHeight = 600;

protected:
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void BuildMenu();
    void RefreshMenuChecks();
    SkyPaintInput PaintInput();
    QSize DrawingSize() const;
    // Saves chart_ when a screenshot is asked for (F2 or the periodic one).
    void SaveRequestedScreenshot();
    void ShowTooltip();
    void HideTooltip();
    std::string PassTooltip(int index);
    const KeplerRecord* SatelliteOf(const PassRecord& r) const;

    ISkyViewHost& host_;
    SkyViewState& state_;
    TickSource tick_;
    SkyFonts fonts_;
    QTimer timer_;
    QMenu* menu_ = nullptr;
    QPointer<QLabel> tooltip_;
    QString tooltipText_;
    QImage chart_;             // the last chart drawn
    bool chartFresh_ = false;  // drawn by the timer and not yet shown
    bool closed_ = false;
};

// The tooltip's text ("\r" lines, "\t" columns) as a small two-column table.
QString SkyTooltipHtml(const std::string& text);

}  // namespace orvanta
