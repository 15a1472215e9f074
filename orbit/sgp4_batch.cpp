#include "orbit/sgp4_batch.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "orbit/globals.h"
#include "orbit/sgp4_batch_math.h"


namespace orvanta {

namespace {

using sgp4batch::ARG_LIMIT;

// clang-format off
enum Field {
    F_XMO, F_XNODEO, F_OMEGAO, F_BSTAR, F_XINCL, F_EO, F_COSIO, F_SINIO, F_X3THM1, F_X1MTH2,
    F_X7THM1, F_AODP, F_XNODP, F_ETA, F_C1, F_C4, F_C5, F_OMGCOF, F_XMCOF, F_DELMO, F_SINMO,
    F_SIMPLE, F_D2, F_D3, F_D4, F_T2COF, F_T3COF, F_T4COF, F_T5COF, F_XMDOT, F_OMGDOT, F_XNODOT,
    F_XNODCF, F_XLCOF, F_AYCOF, F_COUNT
};
// clang-format on

// Lanes per block: the intermediates of one block stay in the first-level cache.
constexpr std::size_t kBlock = 64;
// The fewest lanes a block of requests computes: requests go in blocks of 64, 32, 16 and 8
// lanes, so that few lanes are padding. A lane's answer does not depend on its block.
constexpr std::size_t kSmallBlock = 8;

// Lane results: position, velocity and a code (0 ok, 1 failed, 2 left to the scalar path).
enum Out { O_X, O_Y, O_Z, O_VX, O_VY, O_VZ, O_CODE, O_COUNT };
constexpr double CODE_OK = 0.0, CODE_FAILED = 1.0, CODE_SCALAR = 2.0;

// One block of kBlock lanes (a fixed count, so no loop needs a scalar remainder); lane i reads its
// constants at base[field * fs + i * S] (S = 1: a set per lane, S = 0: one set, a time per lane)
// and its time at t[i]. The same steps as cNoradSGP4::PositionAt and cNoradBase::FinishState,
// written as loops over the lanes.
template <int S, std::size_t N = kBlock>
inline __attribute__((always_inline)) void Block(const double* __restrict base, std::size_t fs,
                                                 const double* __restrict t,
                                                 double* __restrict out) {
    constexpr std::size_t n = N;  // lanes computed; out keeps the stride of kBlock
// A macro rather than a lambda: a captured pointer loses __restrict, and the stores would then
// need run-time alias checks.
#define K(f) base[(f)*fs + i * S]
    alignas(64) double a[kBlock], xn[kBlock], xnode[kBlock], axn[kBlock], ayn[kBlock];
    alignas(64) double capu[kBlock], epw[kBlock], done[kBlock], code[kBlock];
    alignas(64) double sinepw[kBlock], cosepw[kBlock], tp3[kBlock], tp4[kBlock], tp5[kBlock],
        tp6[kBlock];

    // Secular gravity and drag, long-period periodics.
    for (std::size_t i = 0; i < n; ++i) {
        const double ti = t[i];
        const double xmdf = K(F_XMO) + K(F_XMDOT) * ti;
        const double omgadf = K(F_OMEGAO) + K(F_OMGDOT) * ti;
        const double xnoddf = K(F_XNODEO) + K(F_XNODOT) * ti;
        const double tsq = ti * ti;
        const double node = xnoddf + K(F_XNODCF) * tsq;
        const double tempa0 = 1.0 - K(F_C1) * ti;
        const double bstar = K(F_BSTAR);
        const double tempe0 = bstar * K(F_C4) * ti;
        const double templ0 = K(F_T2COF) * tsq;

        double sinDummy, cosXmdf;
        sgp4batch::SinCos(xmdf, sinDummy, cosXmdf);
        const double delomg = K(F_OMGCOF) * ti;
        const double cube = 1.0 + K(F_ETA) * cosXmdf;
        const double delm = K(F_XMCOF) * (cube * cube * cube - K(F_DELMO));
        const double temp = delomg + delm;
        const double xmpFull = xmdf + temp;
        const double omegaFull = omgadf - temp;
        const double tcube = tsq * ti;
        const double tfour = ti * tcube;
        double sinXmp, cosDummy;
        sgp4batch::SinCos(xmpFull, sinXmp, cosDummy);
        // Both forms are computed and one chosen: a load under a condition would stop the
        // vectoriser.
        const double tempaFull = tempa0 - K(F_D2) * tsq - K(F_D3) * tcube - K(F_D4) * tfour;
        const double tempeFull = tempe0 + bstar * K(F_C5) * (sinXmp - K(F_SINMO));
        const double templFull =
            templ0 + K(F_T3COF) * tcube + tfour * (K(F_T4COF) + ti * K(F_T5COF));
        const bool simple = K(F_SIMPLE) != 0.0;
        const double xmp = simple ? xmdf : xmpFull;
        const double omega = simple ? omgadf : omegaFull;
        const double tempa = simple ? tempa0 : tempaFull;
        const double tempe = simple ? tempe0 : tempeFull;
        const double templ = simple ? templ0 : templFull;

        const double ai = K(F_AODP) * tempa * tempa;
        const double e = K(F_EO) - tempe;
        const double xl = xmp + omega + node + K(F_XNODP) * templ;
        xn[i] = XKE / (ai * std::sqrt(ai));
        const bool failed = !(e * e <= 1.0) | !(ai > 0.0);

        const double beta = std::sqrt(1.0 - e * e);
        double sinOmega, cosOmega;
        sgp4batch::SinCos(omega, sinOmega, cosOmega);
        const double ax = e * cosOmega;
        const double tmp = 1.0 / (ai * beta * beta);
        const double xlt = xl + tmp * K(F_XLCOF) * ax;
        const double ay = e * sinOmega + tmp * K(F_AYCOF);
        const double arg = xlt - node;
        // Arguments the vector reduction does not cover (and NaNs) go to the scalar code. The
        // conditions are combined with & and | throughout: no branch, so the loop vectorises.
        auto larger = [](double p, double q) { return p > q ? p : q; };
        const double largest = larger(larger(larger(std::fabs(xmdf), std::fabs(xmpFull)),
                                             larger(std::fabs(omega), std::fabs(node))),
                                      std::fabs(arg));
        const bool outOfRange = !(largest <= ARG_LIMIT) | (arg != arg) | (xmpFull != xmpFull);
        code[i] = failed ? CODE_FAILED : (outOfRange ? CODE_SCALAR : CODE_OK);
        a[i] = ai;
        xnode[i] = node;
        axn[i] = ax;
        ayn[i] = ay;
        capu[i] = sgp4batch::Fmod2p(arg);
        epw[i] = capu[i];
        done[i] = code[i] != CODE_OK ? 1.0 : 0.0;
    }

    // Kepler's equation: each lane keeps the state of its own pass that met 1e-6, at most ten,
    // exactly as the scalar loop; finished lanes are masked until the slowest is done.
    for (int pass = 0; pass < 10; ++pass) {
        double open = 0.0;
        for (std::size_t i = 0; i < n; ++i) {
            double s, c;
            sgp4batch::SinCos(epw[i], s, c);
            const double t3 = axn[i] * s, t4 = ayn[i] * c, t5 = axn[i] * c, t6 = ayn[i] * s;
            const double next = (capu[i] - t4 + t3 - epw[i]) / (1.0 - t5 - t6) + epw[i];
            const bool met = std::fabs(next - epw[i]) <= 1e-6;
            const bool live = done[i] == 0.0;
            // The first pass fills every lane, so lanes that failed early hold numbers too.
            const bool keep = live | (pass == 0);
            sinepw[i] = keep ? s : sinepw[i];
            cosepw[i] = keep ? c : cosepw[i];
            tp3[i] = keep ? t3 : tp3[i];
            tp4[i] = keep ? t4 : tp4[i];
            tp5[i] = keep ? t5 : tp5[i];
            tp6[i] = keep ? t6 : tp6[i];
            epw[i] = (live & !met) ? next : epw[i];
            done[i] = (live & !met) ? 0.0 : 1.0;
            open += done[i] == 0.0 ? 1.0 : 0.0;
        }
        if (open == 0.0) break;
    }

    // Short-period terms and the state vector.
    for (std::size_t i = 0; i < n; ++i) {
        const double ecose = tp5[i] + tp6[i];
        const double esine = tp3[i] - tp4[i];
        const double elsq = axn[i] * axn[i] + ayn[i] * ayn[i];
        double temp = 1.0 - elsq;
        const double pl = a[i] * temp;
        const double r = a[i] * (1.0 - ecose);
        double temp1 = 1.0 / r;
        const double rdot = XKE * std::sqrt(a[i]) * esine * temp1;
        const double rfdot = XKE * std::sqrt(pl) * temp1;
        double temp2 = a[i] * temp1;
        const double betal = std::sqrt(temp);
        const double temp3 = 1.0 / (1.0 + betal);
        const double cosu = temp2 * (cosepw[i] - axn[i] + ayn[i] * esine * temp3);
        const double sinu = temp2 * (sinepw[i] - ayn[i] - axn[i] * esine * temp3);
        const double u = sgp4batch::AcTan(sinu, cosu);
        const double sin2u = 2.0 * sinu * cosu;
        const double cos2u = 2.0 * cosu * cosu - 1.0;
        temp = 1.0 / pl;
        temp1 = CK2 * temp;
        temp2 = temp1 * temp;

        const double x3thm1 = K(F_X3THM1), x1mth2 = K(F_X1MTH2), cosio = K(F_COSIO);
        const double rk = r * (1.0 - 1.5 * temp2 * betal * x3thm1) + 0.5 * temp1 * x1mth2 * cos2u;
        const double uk = u - 0.25 * temp2 * K(F_X7THM1) * sin2u;
        const double xnodek = xnode[i] + 1.5 * temp2 * cosio * sin2u;
        const double xinck = K(F_XINCL) + 1.5 * temp2 * cosio * K(F_SINIO) * cos2u;
        const double rdotk = rdot - xn[i] * temp1 * x1mth2 * sin2u;
        const double rfdotk = rfdot + xn[i] * temp1 * (x1mth2 * cos2u + 1.5 * x3thm1);

        double sinuk, cosuk, sinik, cosik, sinnok, cosnok;
        sgp4batch::SinCos(uk, sinuk, cosuk);
        sgp4batch::SinCos(xinck, sinik, cosik);
        sgp4batch::SinCos(xnodek, sinnok, cosnok);
        const double xmx = -sinnok * cosik;
        const double xmy = cosnok * cosik;
        const double ux = xmx * sinuk + cosnok * cosuk;
        const double uy = xmy * sinuk + sinnok * cosuk;
        const double uz = sinik * sinuk;
        const double vx = xmx * cosuk - cosnok * sinuk;
        const double vy = xmy * cosuk - sinnok * sinuk;
        const double vz = sinik * cosuk;

        const double px = rk * ux, py = rk * uy, pz = rk * uz;
        const double radius = std::sqrt(px * px + py * py + pz * pz) * XKMPER / AE;
        const bool inside = (radius >= 6370.0) & (radius <= 84483.784);
        const double c = ((code[i] == CODE_OK) & !inside) ? CODE_FAILED : code[i];
        const double keep = c == CODE_OK ? 1.0 : 0.0;
        out[O_X * kBlock + i] = keep * (px * (XKMPER / AE));
        out[O_Y * kBlock + i] = keep * (py * (XKMPER / AE));
        out[O_Z * kBlock + i] = keep * (pz * (XKMPER / AE));
        out[O_VX * kBlock + i] = keep * ((rdotk * ux + rfdotk * vx) * KM_PER_S_PER_ER_PER_MIN);
        out[O_VY * kBlock + i] = keep * ((rdotk * uy + rfdotk * vy) * KM_PER_S_PER_ER_PER_MIN);
        out[O_VZ * kBlock + i] = keep * ((rdotk * uz + rfdotk * vz) * KM_PER_S_PER_ER_PER_MIN);
        out[O_CODE * kBlock + i] = c;
    }
#undef K
}

ORVANTA_LANE_CLONES void BlockOfSets(const double* base, std::size_t fs, const double* t,
                                     double* out) {
    Block<1>(base, fs, t, out);
}

ORVANTA_LANE_CLONES void Lanes32OfSets(const double* base, const double* t, double* out) {
    Block<1, 32>(base, kBlock, t, out);
}

ORVANTA_LANE_CLONES void Lanes16OfSets(const double* base, const double* t, double* out) {
    Block<1, 16>(base, kBlock, t, out);
}

ORVANTA_LANE_CLONES void Lanes8OfSets(const double* base, const double* t, double* out) {
    Block<1, kSmallBlock>(base, kBlock, t, out);
}

// size lanes (64, 32, 16 or 8) of constants laid out with the stride of kBlock.
void LanesOfSets(std::size_t size, const double* base, const double* t, double* out) {
    switch (size) {
        case kBlock: BlockOfSets(base, kBlock, t, out); break;
        case 32: Lanes32OfSets(base, t, out); break;
        case 16: Lanes16OfSets(base, t, out); break;
        default: Lanes8OfSets(base, t, out); break;
    }
}

ORVANTA_LANE_CLONES void BlockOfTimes(const double* base, std::size_t fs, const double* t,
                                      double* out) {
    Block<0>(base, fs, t, out);
}

}  // namespace

cSgp4Batch::cSgp4Batch(std::vector<cOrbit> orbitsIn) : orbits(std::move(orbitsIn)) {
    laneOf.assign(orbits.size(), -1);
    for (std::size_t i = 0; i < orbits.size(); ++i) {
        if (orbits[i].NearEarthModel() == nullptr) continue;
        laneOf[i] = static_cast<int>(nearIndex.size());
        nearIndex.push_back(i);
    }
    // Whole blocks of columns; the padding repeats the last set and is never read out.
    const std::size_t cols = nearIndex.size();
    columns = (cols + kBlock - 1) / kBlock * kBlock;
    consts.assign(F_COUNT * columns, 0.0);
    setConsts.reserve(F_COUNT * nearIndex.size());
    for (std::size_t col = 0; col < columns && cols > 0; ++col) {
        const cNoradSGP4& m = *orbits[nearIndex[std::min(col, cols - 1)]].NearEarthModel();
        const double simple = m.isimp ? 1.0 : 0.0;
        // In the order of Field.
        // clang-format off
        const double v[F_COUNT] = {
            m.xmo, m.xnodeo, m.omegao, m.bstar, m.xincl, m.eo, m.cosio, m.sinio, m.x3thm1,
            m.x1mth2, m.x7thm1, m.aodp, m.xnodp, m.eta, m.c1, m.c4, m.c5, m.omgcof, m.xmcof,
            m.delmo, m.sinmo, simple, m.d2, m.d3, m.d4, m.t2cof, m.t3cof, m.t4cof, m.t5cof,
            m.xmdot, m.omgdot, m.xnodot, m.xnodcf, m.xlcof, m.aycof};
        // clang-format on
        for (int f = 0; f < F_COUNT; ++f) consts[f * columns + col] = v[f];
        if (col < cols) setConsts.insert(setConsts.end(), v, v + F_COUNT);
    }
}

void cSgp4Batch::Propagate(const std::vector<double>& tsince, cSgp4BatchStates& out) const {
    Run(tsince.size(), tsince.data(), nullptr, nullptr, out);
}

void cSgp4Batch::PropagateAt(const std::vector<cJulianDate>& when, cSgp4BatchStates& out) const {
    Run(when.size(), nullptr, when.data(), nullptr, out);
}

void cSgp4Batch::PropagateAt(const cJulianDate& when, const std::vector<double>& minutesAfter,
                             cSgp4BatchStates& out) const {
    Run(minutesAfter.size(), nullptr, &when, minutesAfter.data(), out);
}

namespace {

void Resize(cSgp4BatchStates& out, std::size_t sets, std::size_t times) {
    out.sets = sets;
    out.times = times;
    const std::size_t total = sets * times;
    // Every element is written afterwards; resizing alone spares a pass over memory per call.
    for (auto* v : {&out.x, &out.y, &out.z, &out.vx, &out.vy, &out.vz}) v->resize(total);
    out.status.resize(total);
}

}  // namespace

void cSgp4Batch::PropagateSet(std::size_t set, const std::vector<double>& tsince,
                              cSgp4BatchStates& out) const {
    const std::size_t nTimes = tsince.size();
    Resize(out, 1, nTimes);
    if (laneOf[set] < 0) {
        for (std::size_t k = 0; k < nTimes; ++k) Scalar(set, tsince[k], k, out);
        return;
    }
    alignas(64) double t[kBlock];
    alignas(64) double lanes[O_COUNT * kBlock];
    std::size_t sets[kBlock], index[kBlock];
    for (std::size_t t0 = 0; t0 < nTimes; t0 += kBlock) {
        const std::size_t n = std::min(kBlock, nTimes - t0);
        for (std::size_t j = 0; j < kBlock; ++j) {
            t[j] = tsince[t0 + std::min(j, n - 1)];
            sets[j] = set;
            index[j] = t0 + j;
        }
        BlockOfTimes(consts.data() + laneOf[set], columns, t, lanes);
        Collect(lanes, t, n, sets, index, out);
    }
}

void cSgp4Batch::PropagateRequests(const std::vector<std::size_t>& sets,
                                   const std::vector<double>& tsince,
                                   cSgp4BatchStates& out) const {
    const std::size_t n = std::min(sets.size(), tsince.size());
    Resize(out, 1, n);
    // Each lane's constants copied into a block of their own, from the set's own row: 35
    // loads a request, against the model's hundreds of operations.
    alignas(64) double block[F_COUNT * kBlock];
    alignas(64) double t[kBlock];
    alignas(64) double lanes[O_COUNT * kBlock];
    std::size_t laneSet[kBlock], index[kBlock];
    std::size_t filled = 0;
    auto run = [&] {
        // Blocks of 64, 32, 16 and 8 lanes in turn, so that few lanes are padding; the
        // padding repeats the last request.
        const std::size_t padded = (filled + kSmallBlock - 1) / kSmallBlock * kSmallBlock;
        for (std::size_t j = filled; j < padded; ++j) {
            t[j] = t[filled - 1];
            for (int f = 0; f < F_COUNT; ++f)
                block[f * kBlock + j] = block[f * kBlock + filled - 1];
        }
        std::size_t done = 0;
        for (std::size_t size = kBlock; size >= kSmallBlock; size /= 2) {
            if (padded - done < size) continue;
            // The block's constants and results keep the stride of kBlock.
            LanesOfSets(size, block + done, t + done, lanes + done);
            done += size;
        }
        Collect(lanes, t, filled, laneSet, index, out);
        filled = 0;
    };
    for (std::size_t k = 0; k < n; ++k) {
        const std::size_t set = sets[k];
        if (laneOf[set] < 0) {
            Scalar(set, tsince[k], k, out);
            continue;
        }
        const double* row = setConsts.data() + static_cast<std::size_t>(laneOf[set]) * F_COUNT;
        double* lane = block + filled;
        // Unrolled, the copy is a load and a store a field at fixed offsets.
#pragma GCC unroll 40
        for (int f = 0; f < F_COUNT; ++f) lane[f * kBlock] = row[f];
        t[filled] = tsince[k];
        laneSet[filled] = set;
        index[filled] = k;
        if (++filled == kBlock) run();
    }
    if (filled > 0) run();
}

void cSgp4Batch::Collect(const double* lanes, const double* t, std::size_t n,
                         const std::size_t* sets, const std::size_t* index,
                         cSgp4BatchStates& out) const {
    for (std::size_t j = 0; j < n; ++j) {
        const std::size_t idx = index[j];
        if (lanes[O_CODE * kBlock + j] == CODE_SCALAR) {
            Scalar(sets[j], t[j], idx, out);
            continue;
        }
        out.status[idx] = lanes[O_CODE * kBlock + j] == CODE_OK ? SGP4_BATCH_OK : SGP4_BATCH_FAILED;
        out.x[idx] = lanes[O_X * kBlock + j];
        out.y[idx] = lanes[O_Y * kBlock + j];
        out.z[idx] = lanes[O_Z * kBlock + j];
        out.vx[idx] = lanes[O_VX * kBlock + j];
        out.vy[idx] = lanes[O_VY * kBlock + j];
        out.vz[idx] = lanes[O_VZ * kBlock + j];
    }
}

void cSgp4Batch::Scalar(std::size_t set, double t, std::size_t index, cSgp4BatchStates& out) const {
    const cOrbit& o = orbits[set];
    cEci eci;  // zero vectors, which a failed request leaves as they are
    const bool ok = o.PositionAt(t, eci);
    out.x[index] = eci.Pos().x;
    out.y[index] = eci.Pos().y;
    out.z[index] = eci.Pos().z;
    out.vx[index] = eci.Vel().x;
    out.vy[index] = eci.Vel().y;
    out.vz[index] = eci.Vel().z;
    out.status[index] = !o.IsValid() ? SGP4_BATCH_INVALID : ok ? SGP4_BATCH_OK : SGP4_BATCH_FAILED;
}

void cSgp4Batch::Run(std::size_t nTimes, const double* tsince, const cJulianDate* when,
                     const double* minutesAfter, cSgp4BatchStates& out) const {
    const std::size_t nSets = orbits.size(), cols = nearIndex.size();
    Resize(out, nSets, nTimes);

    // As cOrbit::PositionAt forms tsince from a date.
    auto since = [&](std::size_t time, std::size_t set) {
        if (!when) return tsince[time];
        const double epoch = orbits[set].Epoch().Date();
        if (minutesAfter) return (when->Date() - epoch) * 1440.0 + minutesAfter[time];
        return (when[time].Date() - epoch) * 1440.0;
    };
    for (std::size_t set = 0; set < nSets; ++set) {
        if (laneOf[set] >= 0) continue;
        for (std::size_t time = 0; time < nTimes; ++time)
            Scalar(set, since(time, set), out.Index(time, set), out);
    }

    alignas(64) double t[kBlock];
    alignas(64) double lanes[O_COUNT * kBlock];
    std::size_t sets[kBlock], index[kBlock];

    if (nTimes > cols) {
        // Few sets, many times: the lanes are the times of one set.
        for (std::size_t col = 0; col < cols; ++col) {
            const std::size_t set = nearIndex[col];
            for (std::size_t t0 = 0; t0 < nTimes; t0 += kBlock) {
                const std::size_t n = std::min(kBlock, nTimes - t0);
                for (std::size_t j = 0; j < kBlock; ++j) {
                    t[j] = since(t0 + std::min(j, n - 1), set);
                    sets[j] = set;
                    index[j] = out.Index(t0 + j, set);
                }
                BlockOfTimes(consts.data() + col, columns, t, lanes);
                Collect(lanes, t, n, sets, index, out);
            }
        }
    } else {
        // Many sets: the lanes are the sets at one time.
        for (std::size_t time = 0; time < nTimes; ++time) {
            for (std::size_t c0 = 0; c0 < cols; c0 += kBlock) {
                const std::size_t n = std::min(kBlock, cols - c0);
                for (std::size_t j = 0; j < kBlock; ++j) {
                    sets[j] = nearIndex[std::min(c0 + j, cols - 1)];
                    t[j] = since(time, sets[j]);
                    index[j] = out.Index(time, sets[j]);
                }
                BlockOfSets(consts.data() + c0, columns, t, lanes);
                Collect(lanes, t, n, sets, index, out);
            }
        }
    }
}

}  // namespace orvanta
