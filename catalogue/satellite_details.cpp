#include "catalogue/satellite_details.h"

#include <array>
#include <cmath>

#include "catalogue/pass_finder.h"
#include "catalogue/pass_visibility.h"
#include "orbit/globals.h"
#include "orbit/site.h"

namespace orvanta {

double FootprintDiameterKm(double altitudeKm) {
    if (!(altitudeKm > 0.0)) return 0.0;
    return 2.0 * XKMPER * std::acos(XKMPER / (XKMPER + altitudeKm));
}

SatelliteDetails ComputeSatelliteDetails(const cOrbit& orbit,
                                         const std::optional<ObserverLocation>& site, double jd) {
    SatelliteDetails d;
    const cElementSet& elements = orbit.Elements();
    d.periodMin = orbit.Period() / 60.0;
    const double e = elements.FieldValue(FLD_E, U_NATIVE);
    const double aKm = orbit.SemiMajor() * XKMPER;
    d.apogeeKm = aKm * (1.0 + e) - XKMPER;
    d.perigeeKm = aKm * (1.0 - e) - XKMPER;
    d.inclinationDeg = elements.FieldValue(FLD_I, U_DEG);
    d.epochJd = orbit.Epoch().Date();
    d.ageDays = jd - d.epochJd;

    cEci eci;
    if (!orbit.PositionAt(cJulianDate::FromJd(jd), eci)) return d;
    d.positionKnown = true;
    const cVector& v = eci.Vel();
    d.speedKms = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
    d.sunlit = SunlightAt(eci.Pos(), SunPositionKm(jd)).Sunlit();
    if (site) {
        // Whole kilometres, as the pass search takes the site.
        const cSite observer(site->latitude, site->longitude,
                             static_cast<double>(site->altitudeMetres / 1000));
        const cCoordTopo topo = observer.LookAngles(eci);
        d.view = SiteView{RadToDeg(topo.az), RadToDeg(topo.el), topo.range, topo.rangeRate};
    }
    const cCoordGeo geo = eci.ToGeodetic();
    d.latitudeDeg = RadToDeg(geo.lat);
    d.longitudeDeg = RadToDeg(geo.lon);
    if (d.longitudeDeg >= 180.0) d.longitudeDeg -= 360.0;
    d.altitudeKm = geo.alt;
    d.footprintKm = FootprintDiameterKm(geo.alt);
    return d;
}

std::optional<double> NextAos(const cElementSet& elements, const ObserverLocation& site,
                              double jd) {
    if (!elements.IsValid()) return std::nullopt;
    PassSearchSatellite satellite;
    satellite.name = elements.Name();
    satellite.catalogueNumber = elements.CatalogueNumber();
    satellite.line1 = elements.Line1();
    satellite.line2 = elements.Line2();
    SatelliteSearchContext context;
    context.now = jd;
    context.observer = site;
    // A pass in progress comes first, from its own rise; the one after it is the next.
    context.options.passesPerSatellite = 2;
    context.options.reportNvs = false;
    std::array<PassRecord, 2> slots{};
    const SatelliteSearchResult result = SearchSatellitePasses(satellite, 0, context, slots.data());
    for (int k = 0; k < result.passes && k < 2; ++k)
        if (slots[static_cast<std::size_t>(k)].aos > jd) return slots[static_cast<std::size_t>(k)].aos;
    return std::nullopt;
}

}  // namespace orvanta
