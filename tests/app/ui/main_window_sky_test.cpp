// The main window's part in the Sky view: the star catalogue at start-up, the View menu
// command, closing with the program and re-opening at the next start.
#include <gtest/gtest.h>

#include <QAction>
#include <QMenuBar>

#include "skyview/star_catalogue.h"
#include "skyview/ui/sky_view_window.h"
#include "ui_test_support.h"

using namespace orvanta;
using namespace orvanta::testing;

namespace {

QAction* MenuAction(QWidget* window, const QString& text) {
    for (QAction* a : window->findChildren<QAction*>())
        if (a->text() == text) return a;
    return nullptr;
}

}  // namespace

TEST_F(MainWindowTest, StartLoadsTheStarsAndTheViewMenuOpensOneSkyView) {
    MainWindow& w = Start();
    EXPECT_TRUE(Logged("9110 stars loaded from the Yale Bright Star Catalog", LOG_INFORMATION));
    ASSERT_TRUE(GetStarCatalogue());
    EXPECT_EQ(w.SkyView(), nullptr);
    QAction* open = MenuAction(&w, "&Skyview Window");
    ASSERT_NE(open, nullptr);
    open->trigger();
    SkyViewWindow* view = w.SkyView();
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->windowTitle(), "Skyview");
    EXPECT_EQ(view->size(), QSize(600, 600));
    open->trigger();  // a second time raises the same window
    EXPECT_EQ(w.SkyView(), view);
    view->State().heading = 77;

    Close();
    CRegistry reg;
    ASSERT_TRUE(reg.OpenSettings());
    EXPECT_EQ(reg.ReadDword("Skyview Open", -1), 1);
    EXPECT_EQ(reg.ReadDword("Skyview Orientation", -1), 77);
    EXPECT_EQ(reg.ValueSize("Skyview"), WINDOW_PLACEMENT_SIZE);

    MainWindow& again = Start();
    ASSERT_NE(again.SkyView(), nullptr);
    EXPECT_EQ(again.SkyView()->State().heading, 77);
    // Closed by the user before the program: not re-opened next time.
    again.SkyView()->close();
    QApplication::processEvents();
    EXPECT_EQ(again.SkyView(), nullptr);
    Close();
    ASSERT_TRUE(reg.OpenSettings());
    EXPECT_EQ(reg.ReadDword("Skyview Open", -1), 0);
}
