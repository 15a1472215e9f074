// The satellite details window on the main window's fake clock, its way in from the Earth
// view, and the time control's "Next AOS".
#include <QItemSelectionModel>
#include <QPushButton>
#include <QTest>
#include <string>

#include "app/ui/pass_details_window.h"
#include "app/ui/satellite_details_window.h"
#include "app/ui/time_control.h"
#include "catalogue/pass_record.h"
#include "catalogue/satellite_details.h"
#include "catalogue/ui/pass_list_model.h"
#include "common/time_format.h"
#include "earthview/ui/earth_view.h"
#include "orbit/julian_date.h"
#include "tests/app/ui/ui_test_support.h"

namespace orvanta::testing {
namespace {

constexpr double kSecond = 1.0 / 86400.0;

class SatelliteDetailsUiTest : public MainWindowTest {
protected:
    MainWindow& StartIss() {
        WriteObserver();
        WriteSelection({25544});
        WriteDword("DisplayUTC", 1);
        WriteDword("Number of Passes", 3);
        MainWindow& w = Start();
        EXPECT_TRUE(w.WaitForSearch(120000));
        return w;
    }
    static std::string At(double jd) { return FormatDateTime(cJulianDate::FromJd(jd)) + " UTC"; }
};

TEST_F(SatelliteDetailsUiTest, ValuesFollowTheProgramClockAndTheTitleSaysSimulated) {
    MainWindow& w = StartIss();
    EXPECT_EQ(w.OpenSatelliteDetails(99999), nullptr);  // not in the catalogue
    SatelliteDetailsWindow* d = w.OpenSatelliteDetails(25544);
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->windowTitle(), "Satellite Details - ISS (ZARYA)");
    EXPECT_EQ(w.OpenSatelliteDetails(25544), d);  // one window per satellite

    // The next AOS is the pass list's first, which the pass search for the satellite alone
    // agrees with.
    double firstAos = 0.0;
    for (const PassRecord& p : w.PassTable())
        if (!p.IsEmpty() && (firstAos == 0.0 || p.aos < firstAos)) firstAos = p.aos;
    ASSERT_GT(firstAos, w.Now());
    EXPECT_TRUE(d->Value("Next AOS").startsWith(QString::fromStdString(At(firstAos))))
        << d->Value("Next AOS").toStdString();
    const cElementSet iss(
        "ISS (ZARYA)", "1 25544U 98067A   26127.42525608  .00005474  00000+0  10695-3 0  9993",
        "2 25544  51.6306 141.8725 0007388  32.8924 327.2523 15.49130994565437");
    const auto searched = NextAos(iss, {46, 51.4779, -0.0015}, w.Now());
    ASSERT_TRUE(searched.has_value());
    EXPECT_NEAR((*searched - firstAos) / kSecond, 0.0, 1.0);
    EXPECT_EQ(d->Value("Elements age"), "0.6 days");
    EXPECT_EQ(d->Value("Inclination"), QString::fromUtf8("51.6306°"));

    // A minute on the clock moves the ISS some 450 km: the readouts follow at the next tick.
    const QString latitude = d->Value("Latitude");
    const QString range = d->Value("Range");
    w.ProgramClock().AddMinutes(1.0);
    w.TickClock();
    EXPECT_NE(d->Value("Latitude"), latitude);
    EXPECT_NE(d->Value("Range"), range);
    EXPECT_EQ(d->windowTitle(), "Satellite Details - ISS (ZARYA) (simulated)");

    // Past the listed passes the satellite's own search answers, from the new time.
    w.ProgramClock().AddMinutes(3 * 1440.0);
    w.TickClock();
    const auto later = NextAos(iss, {46, 51.4779, -0.0015}, w.Now());
    ASSERT_TRUE(later.has_value());
    EXPECT_TRUE(d->Value("Next AOS").startsWith(QString::fromStdString(At(*later))))
        << d->Value("Next AOS").toStdString();

    w.ProgramClock().ResetToNow();
    w.TickClock();
    EXPECT_EQ(d->windowTitle(), "Satellite Details - ISS (ZARYA)");
}

TEST_F(SatelliteDetailsUiTest, DoubleClickOnAnEarthViewMarkerOpensItsDetails) {
    WriteObserver();
    SelectedSat shown;
    shown.catalogueNumber = 20580;
    shown.shown = 1;
    {
        CRegistry reg;
        ASSERT_TRUE(reg.OpenSettings());
        reg.WriteBinary("Selected Satellites", SelectionToBlob({shown}));
        reg.WriteDword("Number of Sats", 1);
    }
    MainWindow& w = Start();
    ASSERT_TRUE(w.WaitForSearch(120000));
    w.OpenEarthView(QSize(800, 400));
    EarthView* view = w.EarthViewWindow();
    ASSERT_NE(view, nullptr);
    view->RenderMap();  // the markers' hit boxes come from a paint
    const TrackRecord& r = view->Records()[0];
    const QPoint marker((r.hitLeft + r.hitRight) / 2, (r.hitTop + r.hitBottom) / 2);
    QTest::mouseDClick(view, Qt::LeftButton, {}, marker);
    auto* d = w.findChild<SatelliteDetailsWindow*>();
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->CatalogueNumber(), 20580);
    EXPECT_TRUE(d->windowTitle().startsWith("Satellite Details - HST"));
    QTest::mouseDClick(view, Qt::LeftButton, {}, marker);
    EXPECT_EQ(w.findChildren<SatelliteDetailsWindow*>().size(), 1);
}

TEST_F(SatelliteDetailsUiTest, PassDetailsOpensTheDetailsOfItsSatellite) {
    MainWindow& w = StartIss();
    PassDetailsWindow* pass = w.OpenPassDetails(0);
    ASSERT_NE(pass, nullptr);
    QPushButton* button = nullptr;
    for (QPushButton* b : pass->findChildren<QPushButton*>())
        if (b->text() == "Satellite Details...") button = b;
    ASSERT_NE(button, nullptr);
    QTest::mouseClick(button, Qt::LeftButton);
    auto* d = w.findChild<SatelliteDetailsWindow*>();
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->CatalogueNumber(), 25544);
}

TEST_F(SatelliteDetailsUiTest, NextAosGoesToTheSelectedPassElseTheNextListed) {
    MainWindow& w = StartIss();
    w.OpenTimeControl();
    QPushButton* next = w.TimeControl()->Button("Next AOS");
    ASSERT_NE(next, nullptr);
    const PassListModel* model = w.PassList()->Model();
    ASSERT_EQ(model->rowCount(), 3);
    const auto aosOfRow = [&](int row) {
        return w.PassTable()[static_cast<std::size_t>(model->RecordIndex(row))].aos;
    };
    const double first = aosOfRow(0), third = aosOfRow(2);
    ASSERT_LT(aosOfRow(1), third);

    ASSERT_TRUE(next->isEnabled());
    QTest::mouseClick(next, Qt::LeftButton);
    EXPECT_NEAR((w.Now() - first) / kSecond, 0.0, 1e-3);

    // A chosen row wins over the next listed one.
    QItemSelectionModel* chosen = w.PassList()->selectionModel();
    chosen->select(model->index(2, 0),
                   QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    QTest::mouseClick(next, Qt::LeftButton);
    EXPECT_NEAR((w.Now() - third) / kSecond, 0.0, 1e-3);

    // The earlier passes have ended and the last is at its AOS: nothing listed lies after.
    chosen->clearSelection();
    EXPECT_FALSE(next->isEnabled());
}

}  // namespace
}  // namespace orvanta::testing
