#pragma once
// Deep-space model (period of 225 minutes or more): the near-earth secular terms plus lunar
// and solar perturbations and the 12-hour and 24-hour resonances.
#include "orbit/norad_base.h"

namespace orvanta {

class cNoradSDP4 : public cNoradBase {
public:
    explicit cNoradSDP4(const cOrbit& orbit);
    cNoradSDP4(const cNoradSDP4&) = default;
    cNoradSDP4& operator=(const cNoradSDP4&) = default;

    bool PositionAt(double tsince, cEci& eci) const override;

    bool IsResonant() const { return iresfl != 0; }
    bool IsSynchronous() const { return isynfl != 0; }
    // Epoch inclination below 0.2 rad: periodics applied in the Lyddane form.
    bool UsesLyddane() const { return xqncl < 0.2; }
    // Resonance integration steps of 720 minutes a request at tsince takes (0 if not resonant).
    int IntegratorSteps(double tsince) const;

private:
    struct Secular {
        double xll, omgasm, xnodes, em, xinc, xn;
    };
    void DeepInit();
    void DeepSecular(double t, Secular& s) const;
    void DeepPeriodics(double t, double& e, double& xinc, double& omgasm, double& xnodes,
                       double& xll) const;
    void DotTerms(double xli, double xni, double atime, double& xndot, double& xnddt,
                  double& xldot) const;

    double sing = 0, cosg = 0;

    double thgr = 0, xnq = 0, xqncl = 0, omegaq = 0, zmol = 0, zmos = 0;
    double se2 = 0, se3 = 0, si2 = 0, si3 = 0, sl2 = 0, sl3 = 0, sl4 = 0;
    double sgh2 = 0, sgh3 = 0, sgh4 = 0, sh2 = 0, sh3 = 0;
    double ee2 = 0, e3 = 0, xi2 = 0, xi3 = 0, xl2 = 0, xl3 = 0, xl4 = 0;
    double xgh2 = 0, xgh3 = 0, xgh4 = 0, xh2 = 0, xh3 = 0;
    double sse = 0, ssi = 0, ssl = 0, ssg = 0, ssh = 0;
    int iresfl = 0, isynfl = 0;
    double d2201 = 0, d2211 = 0, d3210 = 0, d3222 = 0, d4410 = 0, d4422 = 0;
    double d5220 = 0, d5232 = 0, d5421 = 0, d5433 = 0;
    double del1 = 0, del2 = 0, del3 = 0, fasx2 = 0, fasx4 = 0, fasx6 = 0;
    double xlamo = 0, xfact = 0;
    double stepp = 0, stepn = 0, step2 = 0;
};

}  // namespace orvanta
