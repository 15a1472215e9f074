#include "orbit/norad_base.h"

#include <cmath>

#include "orbit/globals.h"
#include "orbit/orbit.h"

namespace orvanta {

cNoradBase::cNoradBase(const cOrbit& orbit) : epoch(orbit.Epoch()) {
    const cElementSet& el = orbit.Elements();
    xmo = el.FieldValue(FLD_M, U_RAD);
    xnodeo = el.FieldValue(FLD_RAAN, U_RAD);
    omegao = el.FieldValue(FLD_ARGPER, U_RAD);
    bstar = el.FieldValue(FLD_BSTAR, U_NATIVE);

    xincl = el.FieldValue(FLD_I, U_RAD);
    eo = el.FieldValue(FLD_E, U_NATIVE);
    cosio = std::cos(xincl);
    theta2 = cosio * cosio;
    x3thm1 = 3.0 * theta2 - 1.0;
    eosq = eo * eo;
    betao2 = 1.0 - eosq;
    betao = std::sqrt(betao2);

    aodp = orbit.SemiMajor();
    xnodp = orbit.MeanMotion();

    perigee = (aodp * (1.0 - eo) - AE) * XKMPER;
    s4 = S;
    qoms24 = QOMS2T;
    if (perigee < 156.0) {
        s4 = perigee - 78.0;
        if (perigee <= 98.0) s4 = 20.0;
        qoms24 = std::pow((120.0 - s4) * AE / XKMPER, 4.0);
        s4 = s4 / XKMPER + AE;
    }

    const double pinvsq = 1.0 / (aodp * aodp * betao2 * betao2);
    tsi = 1.0 / (aodp - s4);
    eta = aodp * eo * tsi;
    etasq = eta * eta;
    eeta = eo * eta;
    const double psisq = std::fabs(1.0 - etasq);
    coef = qoms24 * std::pow(tsi, 4.0);
    coef1 = coef / std::pow(psisq, 3.5);

    const double c2 = coef1 * xnodp *
                      (aodp * (1.0 + 1.5 * etasq + eeta * (4.0 + etasq)) +
                       0.75 * CK2 * tsi / psisq * x3thm1 * (8.0 + 3.0 * etasq * (8.0 + etasq)));
    c1 = bstar * c2;
    sinio = std::sin(xincl);
    const double a3ovk2 = -XJ3 / CK2 * AE * AE * AE;
    // A circular orbit would divide by zero here; its c3 term vanishes in the limit the later
    // revisions of the model use, so it is taken as 0.
    c3 = eo != 0.0 ? coef * tsi * a3ovk2 * xnodp * AE * sinio / eo : 0.0;
    x1mth2 = 1.0 - theta2;
    c4 = 2.0 * xnodp * coef1 * aodp * betao2 *
         (eta * (2.0 + 0.5 * etasq) + eo * (0.5 + 2.0 * etasq) -
          2.0 * CK2 * tsi / (aodp * psisq) *
              (-3.0 * x3thm1 * (1.0 - 2.0 * eeta + etasq * (1.5 - 0.5 * eeta)) +
               0.75 * x1mth2 * (2.0 * etasq - eeta * (1.0 + etasq)) * std::cos(2.0 * omegao)));

    const double theta4 = theta2 * theta2;
    const double temp1 = 3.0 * CK2 * pinvsq * xnodp;
    const double temp2 = temp1 * CK2 * pinvsq;
    const double temp3 = 1.25 * CK4 * pinvsq * pinvsq * xnodp;
    xmdot = xnodp + 0.5 * temp1 * betao * x3thm1 +
            0.0625 * temp2 * betao * (13.0 - 78.0 * theta2 + 137.0 * theta4);
    const double x1m5th = 1.0 - 5.0 * theta2;
    omgdot = -0.5 * temp1 * x1m5th + 0.0625 * temp2 * (7.0 - 114.0 * theta2 + 395.0 * theta4) +
             temp3 * (3.0 - 36.0 * theta2 + 49.0 * theta4);
    const double xhdot1 = -temp1 * cosio;
    xnodot =
        xhdot1 + (0.5 * temp2 * (4.0 - 19.0 * theta2) + 2.0 * temp3 * (3.0 - 7.0 * theta2)) * cosio;
    xnodcf = 3.5 * betao2 * xhdot1 * c1;
    t2cof = 1.5 * c1;
    xlcof = 0.125 * a3ovk2 * sinio * (3.0 + 5.0 * cosio) / (1.0 + cosio);
    aycof = 0.25 * a3ovk2 * sinio;
    x7thm1 = 7.0 * theta2 - 1.0;
}

bool cNoradBase::FinishState(double incl, double omega, double e, double a, double xl, double xnode,
                             double xn, double tsince, cEci& eci) const {
    // Written as !(x <= limit) so a NaN from a degenerate set fails instead of passing.
    if (!(e * e <= 1.0) || !(a > 0.0)) return false;

    const double beta = std::sqrt(1.0 - e * e);
    // Long-period periodics.
    const double axn = e * std::cos(omega);
    double temp = 1.0 / (a * beta * beta);
    const double xll = temp * xlcof * axn;
    const double aynl = temp * aycof;
    const double xlt = xl + xll;
    const double ayn = e * std::sin(omega) + aynl;

    // Kepler's equation; the state of the pass that met the tolerance is kept, not the
    // corrected anomaly it produced.
    const double capu = Fmod2p(xlt - xnode);
    double epw = capu;
    double sinepw = 0, cosepw = 0, temp3 = 0, temp4 = 0, temp5 = 0, temp6 = 0;
    for (int i = 0; i < 10; ++i) {
        sinepw = std::sin(epw);
        cosepw = std::cos(epw);
        temp3 = axn * sinepw;
        temp4 = ayn * cosepw;
        temp5 = axn * cosepw;
        temp6 = ayn * sinepw;
        const double next = (capu - temp4 + temp3 - epw) / (1.0 - temp5 - temp6) + epw;
        if (std::fabs(next - epw) <= 1e-6) break;
        epw = next;
    }

    // Short-period preliminaries.
    const double ecose = temp5 + temp6;
    const double esine = temp3 - temp4;
    const double elsq = axn * axn + ayn * ayn;
    temp = 1.0 - elsq;
    const double pl = a * temp;
    const double r = a * (1.0 - ecose);
    double temp1 = 1.0 / r;
    const double rdot = XKE * std::sqrt(a) * esine * temp1;
    const double rfdot = XKE * std::sqrt(pl) * temp1;
    double temp2 = a * temp1;
    const double betal = std::sqrt(temp);
    temp3 = 1.0 / (1.0 + betal);
    const double cosu = temp2 * (cosepw - axn + ayn * esine * temp3);
    const double sinu = temp2 * (sinepw - ayn - axn * esine * temp3);
    const double u = AcTan(sinu, cosu);
    const double sin2u = 2.0 * sinu * cosu;
    const double cos2u = 2.0 * cosu * cosu - 1.0;
    temp = 1.0 / pl;
    temp1 = CK2 * temp;
    temp2 = temp1 * temp;

    // Short-period update.
    const double rk = r * (1.0 - 1.5 * temp2 * betal * x3thm1) + 0.5 * temp1 * x1mth2 * cos2u;
    const double uk = u - 0.25 * temp2 * x7thm1 * sin2u;
    const double xnodek = xnode + 1.5 * temp2 * cosio * sin2u;
    const double xinck = incl + 1.5 * temp2 * cosio * sinio * cos2u;
    const double rdotk = rdot - xn * temp1 * x1mth2 * sin2u;
    const double rfdotk = rfdot + xn * temp1 * (x1mth2 * cos2u + 1.5 * x3thm1);

    // Orientation vectors.
    const double sinuk = std::sin(uk), cosuk = std::cos(uk);
    const double sinik = std::sin(xinck), cosik = std::cos(xinck);
    const double sinnok = std::sin(xnodek), cosnok = std::cos(xnodek);
    const double xmx = -sinnok * cosik;
    const double xmy = cosnok * cosik;
    const double ux = xmx * sinuk + cosnok * cosuk;
    const double uy = xmy * sinuk + sinnok * cosuk;
    const double uz = sinik * sinuk;
    const double vx = xmx * cosuk - cosnok * sinuk;
    const double vy = xmy * cosuk - sinnok * sinuk;
    const double vz = sinik * cosuk;

    const cVector pos(rk * ux, rk * uy, rk * uz, 0.0);
    // Decayed below 6370 km from the centre, or beyond twice the geosynchronous radius.
    const double radius = pos.Magnitude() * XKMPER / AE;
    if (!(radius >= 6370.0 && radius <= 84483.784)) return false;

    const cVector vel(rdotk * ux + rfdotk * vx, rdotk * uy + rfdotk * vy, rdotk * uz + rfdotk * vz,
                      0.0);
    cJulianDate date = epoch;
    date.AddMin(tsince);
    eci = cEci(pos, vel, date, true);
    return true;
}

}  // namespace orvanta
