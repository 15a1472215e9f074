// Published verification vectors: the two sets of Spacetrack Report No. 3 and the Vallado
// verification sets ("Revisiting Spacetrack Report #3", AIAA 2006-6753) with positions of the
// 2006 code in its AFSPC mode. This model is the 1980 one, so each class of set is held to the
// bound its known differences from the 2006 code explain.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "orbit/orbit.h"
#include "orbit/tle_file.h"

namespace orvanta {
namespace {

struct Row {
    int cat;
    double t;
    double r[3];
    double v[3];
};

std::vector<Row> ReadRows(const std::string& path, bool reportLines = false) {
    std::vector<Row> rows;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream s(line);
        if (reportLines) {
            std::string hash, tag;
            if (!(s >> hash >> tag) || hash != "#" || tag != "REPORT") continue;
        } else if (line.empty() || line[0] == '#') {
            continue;
        }
        Row row{};
        if (s >> row.cat >> row.t >> row.r[0] >> row.r[1] >> row.r[2] >> row.v[0] >> row.v[1] >>
            row.v[2])
            rows.push_back(row);
    }
    return rows;
}

std::vector<TleRecord> ReadSets(const std::string& name) {
    TleReadResult result;
    std::string error;
    EXPECT_TRUE(ReadTleFile(std::string(ORVANTA_TEST_DATA_DIR) + "/orbit/" + name, result, error))
        << error;
    return result.records;
}

struct Difference {
    double pos = 0.0;  // km
    double vel = 0.0;  // km/s
    int compared = 0;
    int failed = 0;  // reference has a state, this model reports failure
    std::vector<double> excluded;
};

Difference Compare(const cOrbit& orbit, const std::vector<Row>& rows, bool skipCircularised) {
    Difference d;
    for (const Row& row : rows) {
        if (skipCircularised) {
            const cNoradSGP4* sgp4 = orbit.NearEarthModel();
            if (sgp4 && sgp4->MeanEccentricityAt(row.t) < 1e-6) {
                d.excluded.push_back(row.t);
                continue;
            }
        }
        cEci eci;
        if (!orbit.PositionAt(row.t, eci)) {
            ++d.failed;
            continue;
        }
        ++d.compared;
        const double dp =
            std::hypot(eci.Pos().x - row.r[0], eci.Pos().y - row.r[1], eci.Pos().z - row.r[2]);
        const double dv =
            std::hypot(eci.Vel().x - row.v[0], eci.Vel().y - row.v[1], eci.Vel().z - row.v[2]);
        d.pos = std::max(d.pos, dp);
        d.vel = std::max(d.vel, dv);
    }
    return d;
}

// Rows of the reference file, grouped in file order with the sets they belong to (one
// catalogue number appears twice in the set file).
std::vector<std::pair<TleRecord, std::vector<Row>>> Pair(const std::vector<TleRecord>& sets,
                                                         const std::vector<Row>& rows) {
    std::vector<std::pair<TleRecord, std::vector<Row>>> out;
    std::size_t i = 0;
    for (const TleRecord& set : sets) {
        const int cat = cElementSet("", set.line1, set.line2).CatalogueNumber();
        std::vector<Row> mine;
        while (i < rows.size() && rows[i].cat == cat) mine.push_back(rows[i++]);
        out.emplace_back(set, std::move(mine));
    }
    EXPECT_EQ(i, rows.size()) << "reference rows left without a set";
    return out;
}

TEST(SpacetrackReport3, MeetsReportPrintedValuesToAFewMetres) {
    // The report printed single precision with older constants: the file's own comparison
    // puts the report within 10 m (88888) and 29 m (11801) of the double-precision code.
    const auto sets = ReadSets("str3.tle");
    ASSERT_EQ(sets.size(), 2u);
    const auto report = ReadRows(std::string(ORVANTA_TEST_DATA_DIR) + "/orbit/str3.txt", true);
    ASSERT_EQ(report.size(), 10u);
    for (const auto& [set, rows] : Pair(sets, report)) {
        const cOrbit orbit(cElementSet("", set.line1, set.line2));
        const Difference d = Compare(orbit, rows, false);
        EXPECT_EQ(d.compared, 5) << set.line1;
        EXPECT_LT(d.pos, orbit.IsDeepSpace() ? 0.035 : 0.012) << set.line1;
        EXPECT_LT(d.vel, 2e-5) << set.line1;
    }
}

TEST(SpacetrackReport3, MatchesModernCodeOnReportSets) {
    const auto sets = ReadSets("str3.tle");
    const auto ref = ReadRows(std::string(ORVANTA_TEST_DATA_DIR) + "/orbit/str3.txt");
    ASSERT_EQ(ref.size(), 10u);
    for (const auto& [set, rows] : Pair(sets, ref)) {
        const cOrbit orbit(cElementSet("", set.line1, set.line2));
        const Difference d = Compare(orbit, rows, false);
        EXPECT_EQ(d.compared, 5);
        // 88888: near-earth, e > 1e-4; 11801: deep space on the direct branch, e < 0.9.
        EXPECT_LT(d.pos, orbit.IsDeepSpace() ? 0.050 : 0.010) << set.line1;
    }
}

// Sets held at their own measured largest difference (km, a little above the measured value)
// instead of a class bound, keyed by catalogue number and occurrence in the file (one number
// appears twice):
// - the Lyddane branch other than geostationary, and the sets whose epoch inclination lies
//   just above 0.2 rad: the 2006 code chooses the branch by the perturbed inclination, this
//   model by the epoch one (4632, 20413), so whole stretches run on different branches;
// - e >= 0.9: the 1980 Kepler iteration (no step limit, 1e-6 stop) goes astray at such
//   eccentricities, which the 2006 code mends (23333, 33333).
struct MeasuredBound {
    int cat;
    int occurrence;
    double km;
};
const MeasuredBound kMeasured[] = {
    {4632, 1, 8.0},  {20413, 1, 6.5},     {20413, 2, 26300.0}, {23177, 1, 6.5},
    {23599, 1, 1.1}, {23333, 1, 89500.0}, {33333, 1, 3500.0},
};

const MeasuredBound* FindMeasured(int cat, int occurrence) {
    for (const MeasuredBound& m : kMeasured)
        if (m.cat == cat && m.occurrence == occurrence) return &m;
    return nullptr;
}

TEST(VerificationSets, EachClassWithinItsBound) {
    const auto sets = ReadSets("SGP4-VER.TLE");
    ASSERT_EQ(sets.size(), 33u);
    const auto ref = ReadRows(std::string(ORVANTA_TEST_DATA_DIR) + "/orbit/sgp4ver_a.txt");
    std::printf("%6s %-22s %4s %4s %12s %12s %9s  %s\n", "cat", "class", "cmp", "fail",
                "max dpos km", "max dvel km/s", "bound km", "left out (min)");
    std::map<int, int> seen;
    for (const auto& [set, rows] : Pair(sets, ref)) {
        cElementSet elements("", set.line1, set.line2);
        const cOrbit orbit(elements);
        ASSERT_TRUE(orbit.IsValid());
        const int cat = orbit.CatalogueNumber();
        const int occurrence = ++seen[cat];
        const double e = elements.FieldValue(FLD_E, U_NATIVE);
        const cNoradSDP4* deep = orbit.DeepSpaceModel();
        // Once drag has driven the eccentricity below 1e-6 the 2006 code clamps it and this
        // model lets it go negative: those times are not comparable.
        const Difference d = Compare(orbit, rows, !deep);

        std::string cls;
        double bound;
        if (!deep) {
            cls = e > 1e-4 ? "near-earth" : "near-earth e<=1e-4";
            bound = e > 1e-4 ? 0.010 : 0.100;
        } else if (deep->UsesLyddane() && deep->IsSynchronous()) {
            cls = "geostationary Lyddane";
            bound = 30.0;
        } else if (deep->UsesLyddane()) {
            cls = "deep Lyddane";
            bound = 0.0;
        } else if (e >= 0.9) {
            cls = "deep e>=0.9";
            bound = 0.0;
        } else {
            cls = deep->IsResonant() && !deep->IsSynchronous() ? "deep direct 12h" : "deep direct";
            bound = 0.050;
        }
        if (const MeasuredBound* m = FindMeasured(cat, occurrence)) bound = m->km;

        std::string left;
        for (double t : d.excluded) left += std::to_string(static_cast<int>(t)) + " ";
        std::printf("%6d %-22s %4d %4d %12.6f %12.9f %9.3f  %s\n", cat, cls.c_str(), d.compared,
                    d.failed, d.pos, d.vel, bound, left.c_str());
        EXPECT_LE(d.pos, bound) << cat << " " << cls;
        EXPECT_LE(d.vel, bound * 2e-3) << cat << " " << cls;
        // Failures only where this model's limits are tighter than the 2006 code's: beyond
        // 84483.784 km from the centre (the 2006 code has no upper limit).
        if (d.failed > 0) {
            EXPECT_TRUE(cat == 23333 || cat == 20413) << cat;
        }
        if (bound < 1.0) {
            EXPECT_EQ(d.failed, 0) << cat;
        }
    }
}

TEST(VerificationSets, FailsWhereTheReferenceFails) {
    // The reference file marks propagation failures with ERROR rows; this model must report
    // failure too where the orbit has decayed below 6370 km or become hyperbolic.
    const auto sets = ReadSets("SGP4-VER.TLE");
    struct Case {
        int cat;
        double t;
    };
    // Decayed (radius below the limit) and eccentricity pushed past 1 by drag.
    for (const Case c : {Case{28872, 55.0}, Case{29141, 440.0}, Case{33333, 25.0}}) {
        bool found = false;
        for (const TleRecord& set : sets) {
            const cOrbit orbit(cElementSet("", set.line1, set.line2));
            if (orbit.CatalogueNumber() != c.cat) continue;
            found = true;
            cEci before;
            cEci eci = before;
            EXPECT_FALSE(orbit.PositionAt(c.t, eci)) << c.cat << " at " << c.t;
            EXPECT_EQ(eci.Units(), UNITS_NONE) << "output touched on failure";
        }
        EXPECT_TRUE(found) << c.cat;
    }
}

}  // namespace
}  // namespace orvanta
