#include "orbit/norad_sdp4.h"

#include <cmath>

#include "orbit/globals.h"
#include "orbit/orbit.h"

namespace orvanta {

namespace {

constexpr double ZNS = 1.19459e-5, ZES = 0.01675, ZNL = 1.5835218e-4, ZEL = 0.05490;
constexpr double C1SS = 2.9864797e-6, C1L = 4.7968065e-7;
constexpr double ZSINIS = 0.39785416, ZCOSIS = 0.91744867;
constexpr double ZSINGS = -0.98088458, ZCOSGS = 0.1945905;
constexpr double Q22 = 1.7891679e-6, Q31 = 2.1460748e-6, Q33 = 2.2123015e-7;
constexpr double THDT = 4.3752691e-3;
constexpr double ROOT22 = 1.7891679e-6, ROOT32 = 3.7393792e-7, ROOT44 = 7.3636953e-9;
constexpr double ROOT52 = 1.1428639e-7, ROOT54 = 2.1765803e-9;
constexpr double G22 = 5.7686396, G32 = 0.95240898, G44 = 1.8014998, G52 = 1.0508330;
constexpr double G54 = 4.4108898;
constexpr double FASX2 = 0.13130908, FASX4 = 2.8843198, FASX6 = 0.37448087;
constexpr double STEPP = 720.0, STEPN = -720.0, STEP2 = 259200.0;

// Lunar orbit quantities that depend only on the epoch.
struct LunarTerms {
    double zcosil, zsinil, zsinhl, zcoshl, zmol, zcosgl, zsingl, zmos;
};

LunarTerms LunarTermsAt(double epochJd) {
    LunarTerms l{};
    const double day = epochJd - 2415020.0;
    const double xnodce = 4.5236020 - 9.2422029e-4 * day;
    const double stem = std::sin(xnodce);
    const double ctem = std::cos(xnodce);
    l.zcosil = 0.91375164 - 0.03568096 * ctem;
    l.zsinil = std::sqrt(1.0 - l.zcosil * l.zcosil);
    l.zsinhl = 0.089683511 * stem / l.zsinil;
    l.zcoshl = std::sqrt(1.0 - l.zsinhl * l.zsinhl);
    const double c = 4.7199672 + 0.22997150 * day;
    const double gam = 5.8351514 + 0.0019443680 * day;
    l.zmol = Fmod2p(c - gam);
    double zx = 0.39785416 * stem / l.zsinil;
    const double zy = l.zcoshl * ctem + 0.91744867 * l.zsinhl * stem;
    zx = AcTan(zx, zy) + gam - xnodce;
    l.zcosgl = std::cos(zx);
    l.zsingl = std::sin(zx);
    l.zmos = Fmod2p(6.2565837 + 0.017201977 * day);
    return l;
}

// Long-period coefficients and secular rates of one perturbing body.
struct ThirdBody {
    double se, si, sl, sgh, sh;
    double ee2, e3, xi2, xi3, xl2, xl3, xl4, xgh2, xgh3, xgh4, xh2, xh3;
};

}  // namespace

cNoradSDP4::cNoradSDP4(const cOrbit& orbit) : cNoradBase(orbit) {
    sing = std::sin(omegao);
    cosg = std::cos(omegao);
    // Everything below depends only on the elements, so it is done once rather than at
    // every request; the positions are the same.
    DeepInit();
}

void cNoradSDP4::DeepInit() {
    const double eqsq = eosq, siniq = sinio, cosiq = cosio, rteqsq = betao;
    const double cosq2 = theta2, bsq = betao2;
    const double xlldot = xmdot;

    thgr = epoch.ToGmst();
    const double eq = eo;
    xnq = xnodp;
    const double aqnv = 1.0 / aodp;
    xqncl = xincl;
    const double xmao = xmo;
    const double xpidot = omgdot + xnodot;
    const double sinq = std::sin(xnodeo);
    const double cosq = std::cos(xnodeo);
    omegaq = omegao;

    const LunarTerms lunar = LunarTermsAt(epoch.Date());
    zmol = lunar.zmol;
    zmos = lunar.zmos;

    auto body = [&](double zcosg, double zsing, double zcosi, double zsini, double zcosh,
                    double zsinh, double cc, double zn, double ze, double xnoi) {
        ThirdBody b{};
        const double a1 = zcosg * zcosh + zsing * zcosi * zsinh;
        const double a3 = -zsing * zcosh + zcosg * zcosi * zsinh;
        const double a7 = -zcosg * zsinh + zsing * zcosi * zcosh;
        const double a8 = zsing * zsini;
        const double a9 = zsing * zsinh + zcosg * zcosi * zcosh;
        const double a10 = zcosg * zsini;
        const double a2 = cosiq * a7 + siniq * a8;
        const double a4 = cosiq * a9 + siniq * a10;
        const double a5 = -siniq * a7 + cosiq * a8;
        const double a6 = -siniq * a9 + cosiq * a10;

        const double x1 = a1 * cosg + a2 * sing;
        const double x2 = a3 * cosg + a4 * sing;
        const double x3 = -a1 * sing + a2 * cosg;
        const double x4 = -a3 * sing + a4 * cosg;
        const double x5 = a5 * sing;
        const double x6 = a6 * sing;
        const double x7 = a5 * cosg;
        const double x8 = a6 * cosg;

        const double z31 = 12.0 * x1 * x1 - 3.0 * x3 * x3;
        const double z32 = 24.0 * x1 * x2 - 6.0 * x3 * x4;
        const double z33 = 12.0 * x2 * x2 - 3.0 * x4 * x4;
        double z1 = 3.0 * (a1 * a1 + a2 * a2) + z31 * eqsq;
        double z2 = 6.0 * (a1 * a3 + a2 * a4) + z32 * eqsq;
        double z3 = 3.0 * (a3 * a3 + a4 * a4) + z33 * eqsq;
        const double z11 = -6.0 * a1 * a5 + eqsq * (-24.0 * x1 * x7 - 6.0 * x3 * x5);
        const double z12 = -6.0 * (a1 * a6 + a3 * a5) +
                           eqsq * (-24.0 * (x2 * x7 + x1 * x8) - 6.0 * (x3 * x6 + x4 * x5));
        const double z13 = -6.0 * a3 * a6 + eqsq * (-24.0 * x2 * x8 - 6.0 * x4 * x6);
        const double z21 = 6.0 * a2 * a5 + eqsq * (24.0 * x1 * x5 - 6.0 * x3 * x7);
        const double z22 = 6.0 * (a4 * a5 + a2 * a6) +
                           eqsq * (24.0 * (x2 * x5 + x1 * x6) - 6.0 * (x4 * x7 + x3 * x8));
        const double z23 = 6.0 * a4 * a6 + eqsq * (24.0 * x2 * x6 - 6.0 * x4 * x8);
        z1 = z1 + z1 + bsq * z31;
        z2 = z2 + z2 + bsq * z32;
        z3 = z3 + z3 + bsq * z33;
        const double s3 = cc * xnoi;
        const double s2 = -0.5 * s3 / rteqsq;
        const double s4 = s3 * rteqsq;
        const double s1 = -15.0 * eq * s4;
        const double s5 = x1 * x3 + x2 * x4;
        const double s6 = x2 * x3 + x1 * x4;
        const double s7 = x2 * x4 - x1 * x3;
        b.se = s1 * zn * s5;
        b.si = s2 * zn * (z11 + z13);
        b.sl = -zn * s3 * (z1 + z3 - 14.0 - 6.0 * eqsq);
        b.sgh = s4 * zn * (z31 + z33 - 6.0);
        b.sh = -zn * s2 * (z21 + z23);
        // Below 3 degrees the node rate is ill-defined (it is divided by sin i).
        if (xqncl < 5.2359877e-2) b.sh = 0.0;
        b.ee2 = 2.0 * s1 * s6;
        b.e3 = 2.0 * s1 * s7;
        b.xi2 = 2.0 * s2 * z12;
        b.xi3 = 2.0 * s2 * (z13 - z11);
        b.xl2 = -2.0 * s3 * z2;
        b.xl3 = -2.0 * s3 * (z3 - z1);
        b.xl4 = -2.0 * s3 * (-21.0 - 9.0 * eqsq) * ze;
        b.xgh2 = 2.0 * s4 * z32;
        b.xgh3 = 2.0 * s4 * (z33 - z31);
        b.xgh4 = -18.0 * s4 * ze;
        b.xh2 = -2.0 * s2 * z22;
        b.xh3 = -2.0 * s2 * (z23 - z21);
        return b;
    };

    const double xnoi = 1.0 / xnq;
    // Solar terms.
    const ThirdBody sun = body(ZCOSGS, ZSINGS, ZCOSIS, ZSINIS, cosq, sinq, C1SS, ZNS, ZES, xnoi);
    sse = sun.se;
    ssi = sun.si;
    ssl = sun.sl;
    ssh = sun.sh / siniq;
    ssg = sun.sgh - cosiq * ssh;
    se2 = sun.ee2;
    si2 = sun.xi2;
    sl2 = sun.xl2;
    sgh2 = sun.xgh2;
    sh2 = sun.xh2;
    se3 = sun.e3;
    si3 = sun.xi3;
    sl3 = sun.xl3;
    sgh3 = sun.xgh3;
    sh3 = sun.xh3;
    sl4 = sun.xl4;
    sgh4 = sun.xgh4;

    // Lunar terms.
    const double zcosh = lunar.zcoshl * cosq + lunar.zsinhl * sinq;
    const double zsinh = sinq * lunar.zcoshl - cosq * lunar.zsinhl;
    const ThirdBody moon = body(lunar.zcosgl, lunar.zsingl, lunar.zcosil, lunar.zsinil, zcosh,
                                zsinh, C1L, ZNL, ZEL, xnoi);
    ee2 = moon.ee2;
    e3 = moon.e3;
    xi2 = moon.xi2;
    xi3 = moon.xi3;
    xl2 = moon.xl2;
    xl3 = moon.xl3;
    xl4 = moon.xl4;
    xgh2 = moon.xgh2;
    xgh3 = moon.xgh3;
    xgh4 = moon.xgh4;
    xh2 = moon.xh2;
    xh3 = moon.xh3;
    sse += moon.se;
    ssi += moon.si;
    ssl += moon.sl;
    ssg += moon.sgh - cosiq / siniq * moon.sh;
    ssh += moon.sh / siniq;

    // Geopotential resonance.
    iresfl = 0;
    isynfl = 0;
    double bfact;
    if (xnq > 0.0034906585 && xnq < 0.0052359877) {
        // Synchronous (24-hour) orbits.
        iresfl = 1;
        isynfl = 1;
        const double g200 = 1.0 + eqsq * (-2.5 + 0.8125 * eqsq);
        const double g310 = 1.0 + 2.0 * eqsq;
        const double g300 = 1.0 + eqsq * (-6.0 + 6.60937 * eqsq);
        const double f220 = 0.75 * (1.0 + cosiq) * (1.0 + cosiq);
        const double f311 = 0.9375 * siniq * siniq * (1.0 + 3.0 * cosiq) - 0.75 * (1.0 + cosiq);
        double f330 = 1.0 + cosiq;
        f330 = 1.875 * f330 * f330 * f330;
        del1 = 3.0 * xnq * xnq * aqnv * aqnv;
        del2 = 2.0 * del1 * f220 * g200 * Q22;
        del3 = 3.0 * del1 * f330 * g300 * Q33 * aqnv;
        del1 = del1 * f311 * g310 * Q31 * aqnv;
        fasx2 = FASX2;
        fasx4 = FASX4;
        fasx6 = FASX6;
        xlamo = xmao + xnodeo + omegao - thgr;
        bfact = xlldot + xpidot - THDT;
        bfact = bfact + ssl + ssg + ssh;
    } else if (xnq >= 8.26e-3 && xnq <= 9.24e-3 && eq >= 0.5) {
        // 12-hour orbits.
        iresfl = 1;
        const double eoc = eq * eqsq;
        const double g201 = -0.306 - (eq - 0.64) * 0.440;
        double g211, g310, g322, g410, g422, g520, g521, g532, g533;
        if (eq <= 0.65) {
            g211 = 3.616 - 13.247 * eq + 16.290 * eqsq;
            g310 = -19.302 + 117.390 * eq - 228.419 * eqsq + 156.591 * eoc;
            g322 = -18.9068 + 109.7927 * eq - 214.6334 * eqsq + 146.5816 * eoc;
            g410 = -41.122 + 242.694 * eq - 471.094 * eqsq + 313.953 * eoc;
            g422 = -146.407 + 841.880 * eq - 1629.014 * eqsq + 1083.435 * eoc;
            g520 = -532.114 + 3017.977 * eq - 5740.032 * eqsq + 3708.276 * eoc;
        } else {
            g211 = -72.099 + 331.819 * eq - 508.738 * eqsq + 266.724 * eoc;
            g310 = -346.844 + 1582.851 * eq - 2415.925 * eqsq + 1246.113 * eoc;
            g322 = -342.585 + 1554.908 * eq - 2366.899 * eqsq + 1215.972 * eoc;
            g410 = -1052.797 + 4758.686 * eq - 7193.992 * eqsq + 3651.957 * eoc;
            g422 = -3581.69 + 16178.11 * eq - 24462.77 * eqsq + 12422.52 * eoc;
            if (eq > 0.715)
                g520 = -5149.66 + 29936.92 * eq - 54087.36 * eqsq + 31324.56 * eoc;
            else
                g520 = 1464.74 - 4664.75 * eq + 3763.64 * eqsq;
        }
        if (eq < 0.7) {
            g533 = -919.2277 + 4988.61 * eq - 9064.77 * eqsq + 5542.21 * eoc;
            g521 = -822.71072 + 4568.6173 * eq - 8491.4146 * eqsq + 5337.524 * eoc;
            g532 = -853.666 + 4690.25 * eq - 8624.77 * eqsq + 5341.4 * eoc;
        } else {
            g533 = -37995.78 + 161616.52 * eq - 229838.2 * eqsq + 109377.94 * eoc;
            g521 = -51752.104 + 218913.95 * eq - 309468.16 * eqsq + 146349.42 * eoc;
            g532 = -40023.88 + 170470.89 * eq - 242699.48 * eqsq + 115605.82 * eoc;
        }
        const double sini2 = siniq * siniq;
        const double f220 = 0.75 * (1.0 + 2.0 * cosiq + cosq2);
        const double f221 = 1.5 * sini2;
        const double f321 = 1.875 * siniq * (1.0 - 2.0 * cosiq - 3.0 * cosq2);
        const double f322 = -1.875 * siniq * (1.0 + 2.0 * cosiq - 3.0 * cosq2);
        const double f441 = 35.0 * sini2 * f220;
        const double f442 = 39.3750 * sini2 * sini2;
        const double f522 = 9.84375 * siniq *
                            (sini2 * (1.0 - 2.0 * cosiq - 5.0 * cosq2) +
                             0.33333333 * (-2.0 + 4.0 * cosiq + 6.0 * cosq2));
        const double f523 = siniq * (4.92187512 * sini2 * (-2.0 - 4.0 * cosiq + 10.0 * cosq2) +
                                     6.56250012 * (1.0 + 2.0 * cosiq - 3.0 * cosq2));
        const double f542 =
            29.53125 * siniq * (2.0 - 8.0 * cosiq + cosq2 * (-12.0 + 8.0 * cosiq + 10.0 * cosq2));
        const double f543 =
            29.53125 * siniq * (-2.0 - 8.0 * cosiq + cosq2 * (12.0 + 8.0 * cosiq - 10.0 * cosq2));
        const double xno2 = xnq * xnq;
        const double ainv2 = aqnv * aqnv;
        double temp1 = 3.0 * xno2 * ainv2;
        double temp = temp1 * ROOT22;
        d2201 = temp * f220 * g201;
        d2211 = temp * f221 * g211;
        temp1 = temp1 * aqnv;
        temp = temp1 * ROOT32;
        d3210 = temp * f321 * g310;
        d3222 = temp * f322 * g322;
        temp1 = temp1 * aqnv;
        temp = 2.0 * temp1 * ROOT44;
        d4410 = temp * f441 * g410;
        d4422 = temp * f442 * g422;
        temp1 = temp1 * aqnv;
        temp = temp1 * ROOT52;
        d5220 = temp * f522 * g520;
        d5232 = temp * f523 * g532;
        temp = 2.0 * temp1 * ROOT54;
        d5421 = temp * f542 * g521;
        d5433 = temp * f543 * g533;
        xlamo = xmao + xnodeo + xnodeo - thgr - thgr;
        bfact = xlldot + xnodot + xnodot - THDT - THDT;
        bfact = bfact + ssl + ssh + ssh;
    } else {
        return;
    }
    xfact = bfact - xnq;
    stepp = STEPP;
    stepn = STEPN;
    step2 = STEP2;
}

void cNoradSDP4::DotTerms(double xli, double xni, double atime, double& xndot, double& xnddt,
                          double& xldot) const {
    if (isynfl) {
        xndot = del1 * std::sin(xli - fasx2) + del2 * std::sin(2.0 * (xli - fasx4)) +
                del3 * std::sin(3.0 * (xli - fasx6));
        xnddt = del1 * std::cos(xli - fasx2) + 2.0 * del2 * std::cos(2.0 * (xli - fasx4)) +
                3.0 * del3 * std::cos(3.0 * (xli - fasx6));
    } else {
        const double xomi = omegaq + omgdot * atime;
        const double x2omi = xomi + xomi;
        const double x2li = xli + xli;
        xndot = d2201 * std::sin(x2omi + xli - G22) + d2211 * std::sin(xli - G22) +
                d3210 * std::sin(xomi + xli - G32) + d3222 * std::sin(-xomi + xli - G32) +
                d4410 * std::sin(x2omi + x2li - G44) + d4422 * std::sin(x2li - G44) +
                d5220 * std::sin(xomi + xli - G52) + d5232 * std::sin(-xomi + xli - G52) +
                d5421 * std::sin(xomi + x2li - G54) + d5433 * std::sin(-xomi + x2li - G54);
        xnddt = d2201 * std::cos(x2omi + xli - G22) + d2211 * std::cos(xli - G22) +
                d3210 * std::cos(xomi + xli - G32) + d3222 * std::cos(-xomi + xli - G32) +
                d5220 * std::cos(xomi + xli - G52) + d5232 * std::cos(-xomi + xli - G52) +
                2.0 * (d4410 * std::cos(x2omi + x2li - G44) + d4422 * std::cos(x2li - G44) +
                       d5421 * std::cos(xomi + x2li - G54) + d5433 * std::cos(-xomi + x2li - G54));
    }
    xldot = xni + xfact;
    xnddt = xnddt * xldot;
}

int cNoradSDP4::IntegratorSteps(double t) const {
    if (!iresfl) return 0;
    int steps = 0;
    const double delt = t >= 0.0 ? stepp : stepn;
    for (double atime = 0.0; std::fabs(t - atime) >= stepp; atime += delt) ++steps;
    return steps;
}

void cNoradSDP4::DeepSecular(double t, Secular& s) const {
    s.xll += ssl * t;
    s.omgasm += ssg * t;
    s.xnodes += ssh * t;
    s.em = eo + sse * t;
    s.xinc = xincl + ssi * t;
    if (s.xinc < 0.0) {
        s.xinc = -s.xinc;
        s.xnodes += PI;
        s.omgasm -= PI;
    }
    if (!iresfl) return;

    // The resonance integrator restarts from epoch at every request, so requests may come
    // in any order and give the same answer.
    const double delt = t >= 0.0 ? stepp : stepn;
    double atime = 0.0;
    double xni = xnq;
    double xli = xlamo;
    double xndot, xnddt, xldot;
    while (std::fabs(t - atime) >= stepp) {
        DotTerms(xli, xni, atime, xndot, xnddt, xldot);
        xli += xldot * delt + xndot * step2;
        xni += xndot * delt + xnddt * step2;
        atime += delt;
    }
    const double ft = t - atime;
    DotTerms(xli, xni, atime, xndot, xnddt, xldot);
    s.xn = xni + xndot * ft + xnddt * ft * ft * 0.5;
    const double xl = xli + xldot * ft + xndot * ft * ft * 0.5;
    const double temp = -s.xnodes + thgr + t * THDT;
    s.xll = isynfl ? xl - s.omgasm + temp : xl + temp + temp;
}

void cNoradSDP4::DeepPeriodics(double t, double& e, double& xinc, double& omgasm, double& xnodes,
                               double& xll) const {
    const double sinis = std::sin(xinc);
    const double cosis = std::cos(xinc);

    double zm = zmos + ZNS * t;
    double zf = zm + 2.0 * ZES * std::sin(zm);
    double sinzf = std::sin(zf);
    double f2 = 0.5 * sinzf * sinzf - 0.25;
    double f3 = -0.5 * sinzf * std::cos(zf);
    const double ses = se2 * f2 + se3 * f3;
    const double sis = si2 * f2 + si3 * f3;
    const double sls = sl2 * f2 + sl3 * f3 + sl4 * sinzf;
    const double sghs = sgh2 * f2 + sgh3 * f3 + sgh4 * sinzf;
    const double shs = sh2 * f2 + sh3 * f3;
    zm = zmol + ZNL * t;
    zf = zm + 2.0 * ZEL * std::sin(zm);
    sinzf = std::sin(zf);
    f2 = 0.5 * sinzf * sinzf - 0.25;
    f3 = -0.5 * sinzf * std::cos(zf);
    const double sel = ee2 * f2 + e3 * f3;
    const double sil = xi2 * f2 + xi3 * f3;
    const double sll = xl2 * f2 + xl3 * f3 + xl4 * sinzf;
    const double sghl = xgh2 * f2 + xgh3 * f3 + xgh4 * sinzf;
    const double shl = xh2 * f2 + xh3 * f3;
    const double pe = ses + sel;
    const double pinc = sis + sil;
    const double pl = sls + sll;
    double pgh = sghs + sghl;
    double ph = shs + shl;

    xinc += pinc;
    e += pe;

    if (xqncl >= 0.2) {
        ph = ph / sinio;
        pgh = pgh - cosio * ph;
        omgasm += pgh;
        xnodes += ph;
        xll += pl;
        return;
    }

    // Low inclination: the periodics are applied to the components of the node vector
    // (Lyddane), which stay defined as the inclination goes to zero.
    const double sinok = std::sin(xnodes);
    const double cosok = std::cos(xnodes);
    const double alfdp = sinis * sinok + ph * cosok + pinc * cosis * sinok;
    const double betdp = sinis * cosok - ph * sinok + pinc * cosis * cosok;
    const double xls = xll + omgasm + cosis * xnodes + pl + pgh - pinc * xnodes * sinis;
    const double oldNode = xnodes;
    xnodes = AcTan(alfdp, betdp);
    // AcTan gives the node modulo 2 pi. The argument of perigee below is formed from the
    // difference to the old, unreduced node, so the new one must stay on the same turn;
    // otherwise every wrap costs 2 pi (1 - cos i) in perigee and node and the position jumps.
    xnodes += TWOPI * std::round((oldNode - xnodes) / TWOPI);
    xll += pl;
    omgasm = xls - xll - std::cos(xinc) * xnodes;
}

bool cNoradSDP4::PositionAt(double t, cEci& eci) const {
    Secular s;
    s.xll = xmo + xmdot * t;         // xmdf
    s.omgasm = omegao + omgdot * t;  // omgadf
    const double xnoddf = xnodeo + xnodot * t;
    const double tsq = t * t;
    s.xnodes = xnoddf + xnodcf * tsq;
    const double tempa = 1.0 - c1 * t;
    const double tempe = bstar * c4 * t;
    const double templ = t2cof * tsq;
    s.xn = xnodp;
    s.em = eo;
    s.xinc = xincl;

    DeepSecular(t, s);

    const double a = std::pow(XKE / s.xn, 2.0 / 3.0) * tempa * tempa;
    double e = s.em - tempe;
    double xmam = s.xll + xnodp * templ;
    double xinc = s.xinc;
    double omgadf = s.omgasm;
    double xnode = s.xnodes;

    DeepPeriodics(t, e, xinc, omgadf, xnode, xmam);

    const double xl = xmam + omgadf + xnode;
    const double xn = XKE / std::pow(a, 1.5);
    return FinishState(xinc, omgadf, e, a, xl, xnode, xn, t, eci);
}

}  // namespace orvanta
