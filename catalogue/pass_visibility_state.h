#pragma once
// Inside the visibility computation: the satellite's state at one second of a pass, shared
// by the shadow search and by the brightness and culmination steps.
#include <cmath>

#include "catalogue/pass_visibility.h"

namespace orvanta {

namespace visibility {

inline double Dot(const cVector& a, const cVector& b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
inline double Norm(const cVector& a) {
    return std::sqrt(Dot(a, a));
}

}  // namespace visibility

struct PassVisibility::State {
    double t = 0.0;  // seconds from AOS
    cEci eci;
    double el = 0.0;         // radians
    double range = 0.0;      // km
    double elDot = 0.0;      // rad/s
    cVector lineOfSight;     // site to satellite, km
    cVector sun;             // km
    Sunlight light;
    double r = 0.0, rdot = 0.0, speed = 0.0;
    double marginRate = 0.0;  // d(light.margin)/dt, rad/s, the Sun held still
    double theta = 0.0;       // angle at the satellite between the Earth's centre and the Sun
};

}  // namespace orvanta
