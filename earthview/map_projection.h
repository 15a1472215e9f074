#pragma once
// The world map's equirectangular projection, turned by a centre offset (radians, positive
// west: the longitude at the map's centre is minus the offset).
#include "orbit/globals.h"

namespace orvanta {

struct MapPoint {
    int x = 0;
    int y = 0;
};

// Latitude and east longitude in radians to the pixel of a width x height map. The
// longitude may lie anywhere in [-pi, 2 pi]; x is wrapped onto the map once.
inline MapPoint ProjectToMap(double lat, double lon, int width, int height, double offset) {
    MapPoint p;
    p.y = static_cast<int>(height / 2 - (height * lat / PI + 0.5));
    p.x = static_cast<int>(width * offset / TWOPI - 0.5) +
          static_cast<int>(width * (lon + PI) / TWOPI - 0.5);
    if (p.x > width)
        p.x -= width;
    else if (p.x < 0)
        p.x += width;
    return p;
}

struct MapCoordinates {
    double lat = 0.0;      // radians, north positive
    double westLon = 0.0;  // radians in [-pi, pi], WEST positive
};

// The place under the pixel centre (x, y).
inline MapCoordinates MapToCoordinates(int x, int y, int width, int height, double offset) {
    MapCoordinates c;
    c.lat = PI / 2 - (y + 0.5) * PI / height;
    c.westLon = offset - ((x + 0.5) * TWOPI / width + PI);
    while (c.westLon < -PI) c.westLon += TWOPI;
    while (c.westLon > PI) c.westLon -= TWOPI;
    return c;
}

// Turns the map by a drag of dx pixels (positive: the mouse moved left) and keeps the
// offset within [-pi, pi].
inline double DragOffset(double offset, int dx, int width) {
    offset -= dx * TWOPI / width;
    if (offset < -PI) offset += TWOPI;
    if (offset > PI) offset -= TWOPI;
    return offset;
}

}  // namespace orvanta
