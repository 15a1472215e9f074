#pragma once
// Apparent places of the Sun and the Moon, apparent sidereal time, and their
// azimuth and elevation for an observer. Low-precision methods of Meeus,
// Astronomical Algorithms (2nd ed.), chapters 12, 22, 25 and 47.
//
// Every function here is pure: no shared state, no allocation, safe from any
// thread. Times are Julian dates used directly as dynamical time (no delta-T).
// Angles are degrees unless a name says otherwise.

namespace orvanta {

// Julian centuries from J2000.0: (jd - 2451545) / 36525.
double JulianCenturies(double jd);

// Brings an angle into [0, 360) by whole turns. Reduced with fmod, which is
// exact: the value whole-turn steps would give, without their rounding or
// their thousands of turns for sidereal angles. A non-finite angle gives NaN.
void NormalizeDegrees(double& angle);

// Mean obliquity of the ecliptic (Laskar's series in U = T/100), degrees.
double MeanObliquity(double t);

// Low-precision nutation in longitude and obliquity, arc seconds.
struct NutationArcsec {
    double longitude = 0;   // delta psi
    double obliquity = 0;   // delta epsilon
};
// t: Julian centuries; moonMeanLongitude: the Moon's mean longitude in degrees
// (callers differ in which series they use for it).
NutationArcsec Nutation(double t, double moonMeanLongitude);

// Greenwich mean sidereal time, degrees in [0, 360).
double MeanSiderealTime(double jd);
// Greenwich apparent sidereal time, degrees in [0, 360).
double ApparentSiderealTime(double jd);

// Apparent right ascension in (-180, 180] and declination of the Sun, degrees.
void SunEquatorial(double jd, double& ra, double& dec);
// The same two values in radians (for the day/night terminator).
void SunEquatorialRadians(double jd, double& raRad, double& decRad);

// Apparent right ascension in (-180, 180] and declination of the Moon, degrees,
// and the distance between the centres of Earth and Moon, km.
void MoonEquatorial(double jd, double& ra, double& dec, double& distanceKm);

// The Moon's geometric ecliptic longitude and latitude (mean equinox of date,
// before nutation), degrees, and its distance, km.
void MoonEcliptic(double jd, double& longitude, double& latitude, double& distanceKm);

// Ecliptic (longitude, latitude) to equatorial (ra in (-180, 180], dec) for
// the obliquity eps; all degrees.
void EclipticToEquatorial(double longitude, double latitude, double eps, double& ra, double& dec);

// Observer for horizontal coordinates: latitude north and longitude east, in
// degrees. Keeps the latitude's sine and cosine so per-step calls skip them.
class AstroSite {
public:
    AstroSite() = default;
    AstroSite(double latitudeDeg, double longitudeDeg);
    static AstroSite FromRadians(double latitudeRad, double longitudeRad);

    double LatitudeDeg() const { return latDeg_; }
    double LongitudeDeg() const { return lonDeg_; }
    double SinLat() const { return sinLat_; }
    double CosLat() const { return cosLat_; }

private:
    double latDeg_ = 0;
    double lonDeg_ = 0;
    double sinLat_ = 0;
    double cosLat_ = 1;
};

// Azimuth (from north through east, in (0, 360]) and elevation of a place
// (ra, dec in degrees) at Greenwich apparent sidereal time gastDeg.
// Geocentric: no parallax, no refraction.
void EquatorialToHorizontal(double ra, double dec, double gastDeg, const AstroSite& site,
                            double& az, double& el);

// Azimuth in (0, 360] and elevation of the Sun for the observer, degrees.
// Callers wanting "now" pass their clock's current Julian date.
void SunHorizontal(double jd, const AstroSite& site, double& az, double& el);
// Azimuth, elevation (degrees) and distance (km) of the Moon for the observer.
void MoonHorizontal(double jd, const AstroSite& site, double& az, double& el, double& distanceKm);

// Coarse angular proximity of two directions (degrees): azimuths within tol
// of 360 are first taken as negative so 359 and 0.5 compare as neighbours;
// both differences must be strictly below tol.
bool WithinBox(double az1, double el1, double az2, double el2, double tol);

}  // namespace orvanta
