// The main window's lists as a user first meets them: their widths, the pass list's
// optional columns and its column menu, and names in menus.
#include <QHeaderView>
#include <QMenu>
#include <QScrollBar>

#include "catalogue/ui/pass_list_model.h"
#include "earthview/ui/earth_view.h"
#include "ui_test_support.h"

using namespace orvanta;
using namespace orvanta::testing;

TEST_F(MainWindowTest, FirstStartShowsEveryPassListColumnAndTheLogFillsTheWidth) {
    MainWindow& w = Start();
    QHeaderView* pass = w.PassList()->header();
    EXPECT_LE(pass->length(), w.PassList()->viewport()->width());
    // "Lunar Pass Start" is wider than the column's 80 pixels in most fonts.
    EXPECT_GE(pass->sectionSize(COL_LUNAR_START), pass->sectionSizeHint(COL_LUNAR_START));

    w.resize(1400, 600);
    QApplication::processEvents();
    QHeaderView* log = w.EventLog()->header();
    EXPECT_EQ(log->sectionSize(0) + log->sectionSize(1), w.EventLog()->viewport()->width());
}

TEST_F(MainWindowTest, MagAndVisibleColumnsComeFromTheColumnMenuAndAreKept) {
    MainWindow& w = Start();
    QHeaderView* header = w.PassList()->header();
    EXPECT_TRUE(header->isSectionHidden(COL_MAGNITUDE));
    EXPECT_TRUE(header->isSectionHidden(COL_VISIBLE));
    QMenu menu;
    w.PassList()->FillColumnMenu(&menu);
    QAction* visible = nullptr;
    for (QAction* a : menu.actions())
        if (a->text() == "Visible") visible = a;
    ASSERT_NE(visible, nullptr);
    EXPECT_FALSE(visible->isChecked());
    visible->trigger();
    EXPECT_FALSE(header->isSectionHidden(COL_VISIBLE));
    EXPECT_GT(header->sectionSize(COL_VISIBLE), 0);
    header->moveSection(header->visualIndex(COL_VISIBLE), 1);
    header->hideSection(COL_RANGE);
    Close();

    MainWindow& again = Start();
    QHeaderView* h = again.PassList()->header();
    EXPECT_FALSE(h->isSectionHidden(COL_VISIBLE));
    EXPECT_EQ(h->logicalIndex(1), COL_VISIBLE);
    EXPECT_TRUE(h->isSectionHidden(COL_MAGNITUDE));
    EXPECT_TRUE(h->isSectionHidden(COL_RANGE));
}

TEST_F(MainWindowTest, SizeOfAWindowAtTheScreensLeftEdgeIsRestored) {
    MainWindow& w = Start();
    w.setGeometry(0, 40, 1000, 700);
    Close();
    EXPECT_EQ(Start().size(), QSize(1000, 700));
}

TEST_F(MainWindowTest, AnAmpersandInANameStaysInTheEarthViewMenu) {
    // The fixture's HST, renamed as a rocket body with "&" in its name.
    {
        std::ifstream in(std::string(ORVANTA_TEST_DATA_DIR) + "/app_ui/satellites.tle");
        std::stringstream text;
        text << in.rdbuf();
        std::string s = text.str();
        s.replace(s.find("HST        "), 11, "RS-44 & B R");
        gzFile gz = gzopen((home_ / "keplers").string().c_str(), "wb");
        gzwrite(gz, s.data(), static_cast<unsigned>(s.size()));
        gzclose(gz);
    }
    MainWindow& w = Start();
    SelectedSat rs;
    rs.catalogueNumber = 20580;
    rs.shown = 1;
    w.SetSelection({rs});
    FindAction(&w, "&Earthview Window")->trigger();
    ASSERT_NE(w.EarthViewWindow(), nullptr);
    QAction* item = w.EarthViewWindow()->Action(CMD_SATELLITE_BASE);
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->text(), "RS-44 && B R");
}
