#include "orbit/orbit.h"

#include <cmath>

#include "orbit/globals.h"

namespace orvanta {

cOrbit::cOrbit(const cElementSet& elementSet) : elements(elementSet) {
    if (!elements.IsValid()) return;

    epoch = elements.Epoch();

    // Recover the Brouwer mean motion and semi-major axis from the Kozai mean motion of the
    // element set.
    const double n0 = elements.FieldValue(FLD_MMOTION, U_NATIVE) * 2.0 * PI / MIN_PER_DAY;
    const double a1 = std::pow(XKE / n0, 2.0 / 3.0);
    const double e = elements.FieldValue(FLD_E, U_NATIVE);
    const double i = elements.FieldValue(FLD_I, U_RAD);
    const double cosi = std::cos(i);
    const double temp = 1.5 * CK2 * (3.0 * cosi * cosi - 1.0) / std::pow(1.0 - e * e, 1.5);
    const double delta1 = temp / (a1 * a1);
    const double a0 =
        a1 * (1.0 - delta1 * (0.3333333333333333 + delta1 * (1.0 + 1.654320987654321 * delta1)));
    const double delta0 = temp / (a0 * a0);
    brouwerMeanMotion = n0 / (1.0 + delta0);
    brouwerSemiMajor = a0 / (1.0 - delta0);

    periodSec = brouwerMeanMotion == 0.0 ? 0.0 : TWOPI / brouwerMeanMotion * 60.0;

    // A set without a usable mean motion or eccentricity has no orbit to propagate; nor has
    // one so eccentric and fast that the Brouwer recovery gives a negative semi-major axis.
    if (!(n0 > 0.0) || !(e >= 0.0 && e < 1.0) || !(brouwerSemiMajor > 0.0) ||
        !std::isfinite(brouwerSemiMajor) || !(brouwerMeanMotion > 0.0)) {
        if (!(n0 > 0.0)) periodSec = 0.0;
        return;
    }

    // The switch uses the Brouwer period, 225 minutes inclusive.
    if (TWOPI / brouwerMeanMotion >= 225.0)
        model.emplace<cNoradSDP4>(*this);
    else
        model.emplace<cNoradSGP4>(*this);
}

const cNoradBase* cOrbit::Model() const {
    if (const auto* p = std::get_if<cNoradSGP4>(&model)) return p;
    if (const auto* p = std::get_if<cNoradSDP4>(&model)) return p;
    return nullptr;
}

bool cOrbit::PositionAt(double tsince, cEci& eci) const {
    bool ok;
    switch (model.index()) {
        case 1:
            ok = std::get<1>(model).PositionAt(tsince, eci);
            break;
        case 2:
            ok = std::get<2>(model).PositionAt(tsince, eci);
            break;
        default:
            return false;
    }
    eci.ToKilometres();
    return ok;
}

}  // namespace orvanta
