// Settings > Location: the named locations to switch to, and a switch that moves the
// observer and searches the passes again.
#include <QMenu>

#include "catalogue/pass_list.h"
#include "catalogue/ui/pass_list_model.h"
#include "location/named_locations.h"
#include "orbit/element_set.h"
#include "orbit/orbit.h"
#include "orbit/site.h"
#include "ui_test_support.h"

using namespace orvanta;
using namespace orvanta::testing;

namespace {

const ObserverLocation kGreenwich{46, 51.4779, -0.0015}, kSydney{58, -33.8688, 151.2093};

class LocationMenuTest : public MainWindowTest {};

TEST_F(LocationMenuTest, SwitchingStoresObsAndSearchesForTheNewPlace) {
    WriteObserver();
    WriteSelection({25544});
    {
        CRegistry reg;
        ASSERT_TRUE(reg.OpenSettings());
        ASSERT_TRUE(WriteLocationBook(reg, {{{"Greenwich", kGreenwich}, {"Sydney", kSydney}}, 0}));
    }
    MainWindow& w = Start();
    ASSERT_TRUE(w.WaitForSearch(60000));
    const double firstAos = w.PassTable().back().aos;

    auto* menu = w.findChild<QMenu*>("locationMenu");
    ASSERT_NE(menu, nullptr);
    emit menu->aboutToShow();
    const QList<QAction*> actions = menu->actions();
    ASSERT_EQ(actions.size(), 4);  // the two, a separator and "Mutual Visibility With"
    EXPECT_EQ(actions[0]->text(), "Greenwich");
    EXPECT_TRUE(actions[0]->isChecked());
    EXPECT_FALSE(actions[1]->isChecked());

    actions[1]->trigger();
    ASSERT_TRUE(w.WaitForSearch(60000));
    EXPECT_EQ(w.CurrentSettings().observer, kSydney);
    EXPECT_NE(w.PassTable().back().aos, firstAos);
    CRegistry reg;
    ASSERT_TRUE(reg.OpenSettings());
    std::array<std::uint8_t, 24> obs{};
    ASSERT_TRUE(reg.ReadRecord24("Obs", obs));
    EXPECT_EQ(ParseObserver(obs), kSydney);
    EXPECT_EQ(ReadLocationBook(reg).active, 1);
    EXPECT_FALSE(w.SwitchLocation(2));
}

}  // namespace

namespace {

// True when some second of the pass has the satellite above both horizons.
bool SeenFromBoth(MainWindow& w, const PassRecord& r, const ObserverLocation& there) {
    const KeplerRecord* sat = PassSatellite(r, w.PassList()->Model()->Context());
    const cOrbit orbit(cElementSet(std::string(sat->Name()), sat->line1, sat->line2));
    const ObserverLocation& here = w.CurrentSettings().observer;
    const cSite a(here.latitude, here.longitude, here.altitudeMetres / 1000);
    const cSite b(there.latitude, there.longitude, there.altitudeMetres / 1000);
    for (double t = r.aos; t < r.los; t += 1.0 / 86400.0) {
        cEci eci;
        orbit.PositionAt(cJulianDate::FromJd(t), eci);
        if (a.LookAngles(eci).el > 0.0 && b.LookAngles(eci).el > 0.0) return true;
    }
    return false;
}

TEST_F(LocationMenuTest, MutualFilterKeepsThePassesTheOtherSiteSeesToo) {
    // About 3500 km away: some passes reach both sites, not all.
    const ObserverLocation cairo{23, 30.0444, 31.2357};
    WriteObserver();
    WriteSelection({25544, 41917});
    {
        CRegistry reg;
        ASSERT_TRUE(reg.OpenSettings());
        ASSERT_TRUE(WriteLocationBook(
            reg, {{{"Greenwich", kGreenwich}, {"Cairo", cairo}, {"Sydney", kSydney}}, 0}));
    }
    MainWindow& w = Start();
    ASSERT_TRUE(w.WaitForSearch(60000));
    PassListModel* m = w.PassList()->Model();
    const int all = m->rowCount();
    ASSERT_GT(all, 4);

    auto* menu = w.findChild<QMenu*>("locationMenu");
    emit menu->aboutToShow();
    auto* mutual = w.findChild<QMenu*>("mutualMenu");
    ASSERT_NE(mutual, nullptr);
    ASSERT_EQ(mutual->actions().size(), 3);  // Off and the two other sites
    mutual->actions()[1]->trigger();         // Cairo
    int kept = 0;
    for (const PassRecord& r : w.PassTable()) {
        if (r.IsEmpty()) continue;
        EXPECT_EQ(r.listed != 0, SeenFromBoth(w, r, cairo)) << r.aos;
        kept += r.listed;
    }
    EXPECT_EQ(m->rowCount(), kept);
    EXPECT_LT(kept, all);
    EXPECT_GT(kept, 0);

    w.ShowMutualPasses("Sydney", kSydney);
    EXPECT_EQ(m->rowCount(), 0);
    w.ShowMutualPasses("", {});
    EXPECT_EQ(m->rowCount(), all);
}

}  // namespace
