// Settings > Location: the named locations to switch to, and a switch that moves the
// observer and searches the passes again.
#include <QMenu>

#include "location/named_locations.h"
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
    ASSERT_EQ(actions.size(), 2);
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
