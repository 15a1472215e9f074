// The Earth view as the main window opens it: from the View menu, again at start when it
// was open at exit, and rebuilt for a new selection.
#include <QAction>
#include <QMenu>
#include <QTest>

#include "earthview/ui/earth_view.h"
#include "ui_test_support.h"

using namespace orvanta;
using namespace orvanta::testing;

TEST_F(MainWindowTest, EarthViewOpensFromTheViewMenuAndReopensAtStart) {
    MainWindow& w = Start();
    EXPECT_EQ(w.EarthViewWindow(), nullptr);
    QAction* open = FindAction(&w, QStringLiteral("&Earthview Window"));
    ASSERT_NE(open, nullptr);
    open->trigger();
    EarthView* view = w.EarthViewWindow();
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->size(), QSize(1000, 600));
    open->trigger();  // a second time raises the same window
    EXPECT_EQ(w.EarthViewWindow(), view);

    // A new selection reaches the view's satellite menu.
    SelectedSat iss;
    iss.catalogueNumber = 25544;
    iss.shown = 1;
    w.SetSelection({iss});
    ASSERT_NE(view->Action(CMD_SATELLITE_BASE), nullptr);
    EXPECT_TRUE(view->Action(CMD_SATELLITE_BASE)->isChecked());
    EXPECT_EQ(view->Records().size(), 1u);

    Close();
    {
        CRegistry reg;
        ASSERT_TRUE(reg.OpenSettings());
        EXPECT_EQ(reg.ReadDword("Earthview Open", -1), 1);
        EXPECT_EQ(reg.ReadDword("Earthview Show Home Marker", -1), 1);
        EXPECT_EQ(reg.ValueSize("Earthview"), WINDOW_PLACEMENT_SIZE);
    }

    MainWindow& again = Start();
    ASSERT_NE(again.EarthViewWindow(), nullptr);
    // Closed by the user before the program: not re-opened next time.
    again.EarthViewWindow()->close();
    QApplication::processEvents();
    QTest::qWait(10);
    EXPECT_EQ(again.EarthViewWindow(), nullptr);
    Close();
    CRegistry reg;
    ASSERT_TRUE(reg.OpenSettings());
    EXPECT_EQ(reg.ReadDword("Earthview Open", -1), 0);
}
