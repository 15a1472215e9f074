#pragma once
// Drawing the Earth view's map area: background turned by the centre offset, home cross,
// cloud map line, and for every shown satellite its radio horizon, tracks, markers and
// name; the centre-longitude marker while the map is dragged. Used by the window, the
// off-screen render and the benchmark alike.
#include <QFont>
#include <QImage>
#include <QStaticText>
#include <map>
#include <string>
#include <vector>

#include "catalogue/element_file.h"
#include "common/settings_records.h"
#include "common/ui/drawing_objects.h"
#include "earthview/earth_tracks.h"

namespace orvanta {

struct EarthPaintInput {
    const QImage* background = nullptr;  // the display map (any size); null: black
    double offset = 0.0;                 // centre offset, radians, positive west
    bool showHome = true;
    ObserverLocation home;
    bool showCloudLine = false;          // clouds on and a cloud layer exists
    std::string cloudLine;
    const KeplerCatalogue* catalogue = nullptr;
    const std::vector<SelectedSat>* selection = nullptr;
    std::vector<TrackRecord>* records = nullptr;  // hit rectangles are written
    bool dragging = false;               // draw the centre-longitude marker
    int statusBarHeight = 0;
};

// What a paint can reuse from the last one: the background scaled to the map size (so a
// paint copies it instead of stretching 2 million pixels every second) and the laid-out
// satellite names.
class EarthBackgroundCache {
public:
    // The background stretched to width x height (nearest pixel), rebuilt when the image
    // or the size changed.
    const QImage& Scaled(const QImage& background, int width, int height);
    void Invalidate() { key_ = 0; }
    // The name laid out once in the font.
    const QStaticText& Label(const std::string& text, const QFont& font);

private:
    std::map<std::string, QStaticText> labels_;
    QFont labelFont_;
    QImage scaled_;
    qint64 key_ = 0;
    QSize size_;
};

// Where names already stand on the map, bucketed by area so that thousands of names test
// only their neighbours: a name is drawn only where it covers none drawn before.
class LabelOccupancy {
public:
    LabelOccupancy(int width, int height);
    bool Free(const QRect& box) const;
    void Take(const QRect& box);

private:
    template <typename Fn> void ForCells(const QRect& box, Fn fn) const;
    static constexpr int kCell = 64;
    int columns_, rows_;
    std::vector<std::vector<QRect>> cells_;
};

// Paints the whole map area into target (its size is the map area).
void PaintEarthMap(QImage& target, const EarthPaintInput& in, const DrawingObjects& objects,
                   EarthBackgroundCache* cache = nullptr);

// The catalogue name without the blank padding of the element file.
std::string TrimmedName(const KeplerRecord& record);

// Status bar part 1: "%s: %s %02.2f  %s %03.2f Altitude: %03.2f %s Az:%03.1f El:%02.1f".
std::string DetailLine(const std::string& name, const TrackRecord& record, int metric);
// Status bar part 0: "Mouse: %s %02.2f  %s %03.2f" for the pixel under the mouse.
std::string MouseLine(int x, int y, int width, int height, double offset);

}  // namespace orvanta
