// The details window of one pass, opened from the pass list: header, table, export, plot.
#include <QFile>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <cmath>
#include <cstdlib>
#include <string>

#include "app/ui/pass_details_window.h"
#include "app/ui/pass_polar_plot.h"
#include "catalogue/ui/pass_list_model.h"
#include "common/time_format.h"
#include "orbit/julian_date.h"
#include "ui_test_support.h"

using namespace orvanta;
using namespace orvanta::testing;

namespace {

class PassDetailsUiTest : public MainWindowTest {
protected:
    MainWindow& StartIss() {
        WriteObserver();
        WriteSelection({25544});
        WriteDword("DisplayUTC", 1);
        WriteDword("Use 24h Time", 1);
        WriteDword("Number of Passes", 3);
        MainWindow& w = Start();
        EXPECT_TRUE(w.WaitForSearch(120000));
        return w;
    }
    // The details window opened by Enter on the first row.
    PassDetailsWindow* OpenFirst(MainWindow& w) {
        PassListView* list = w.PassList();
        list->setCurrentIndex(list->Model()->index(0, 0));
        QTest::keyClick(list, Qt::Key_Return);
        return w.findChild<PassDetailsWindow*>();
    }
    const PassRecord& FirstPass(MainWindow& w) {
        return w.PassTable()[static_cast<std::size_t>(w.PassList()->Model()->RecordIndex(0))];
    }
};

}  // namespace

TEST_F(PassDetailsUiTest, EnterOnARowShowsThePassFromAosToLos) {
    MainWindow& w = StartIss();
    PassDetailsWindow* d = OpenFirst(w);
    ASSERT_NE(d, nullptr);
    const PassRecord& pass = FirstPass(w);
    EXPECT_EQ(d->windowTitle().toStdString(), "Pass Details - ISS (ZARYA)");
    const QString header = d->HeaderText();
    EXPECT_TRUE(
        header.contains(QString::fromStdString(FormatDateTime(cJulianDate::FromJd(pass.aos)))))
        << header.toStdString();
    EXPECT_TRUE(
        header.contains(QString::fromStdString(FormatDateTime(cJulianDate::FromJd(pass.los)))))
        << header.toStdString();
    EXPECT_TRUE(header.contains(QStringLiteral("Culmination: ")));

    // Rows from AOS to LOS at the default step (a LEO pass: 10 s), the times as displayed.
    const QTableWidget* t = d->Table();
    ASSERT_GE(t->rowCount(), 3);
    EXPECT_EQ(t->item(0, 0)->text().toStdString(), FormatTime(cJulianDate::FromJd(pass.aos)));
    EXPECT_EQ(t->item(t->rowCount() - 1, 0)->text().toStdString(),
              FormatTime(cJulianDate::FromJd(pass.los)));
    EXPECT_NEAR(d->Rows()[1].time - d->Rows()[0].time, 10.0 / 86400.0, 1e-9);
    // The elevation starts and ends near the horizon, higher in between.
    EXPECT_LT(std::abs(d->Rows().front().elevation), 1.0);
    EXPECT_LT(std::abs(d->Rows().back().elevation), 1.0);

    const int rowsAt10 = t->rowCount();
    d->SetStepSeconds(60);
    EXPECT_LT(t->rowCount(), rowsAt10 / 4);
    EXPECT_EQ(t->item(t->rowCount() - 1, 0)->text().toStdString(),
              FormatTime(cJulianDate::FromJd(pass.los)));
}

TEST_F(PassDetailsUiTest, ExportWritesTheTableAsCsvAndThePlotAsPng) {
    MainWindow& w = StartIss();
    PassDetailsWindow* d = OpenFirst(w);
    ASSERT_NE(d, nullptr);
    d->SetFrequencyHz(145.8e6);
    const QString csv = QString::fromStdString((home_ / "pass.csv").string());
    ASSERT_TRUE(d->ExportTo(csv));
    QFile file(csv);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), d->Table()->rowCount() + 1);
    EXPECT_EQ(lines[0],
              QStringLiteral("time_utc,azimuth,elevation,range_km,range_rate_kms,doppler_hz,"
                             "magnitude,sunlit"));
    const QStringList first = lines[1].split(',');
    ASSERT_EQ(first.size(), 8);
    EXPECT_EQ(first[0].toStdString(), FormatIsoUtcSeconds(FirstPass(w).aos));
    // Approaching at AOS: the received frequency is raised.
    EXPECT_GT(first[5].toLongLong(), 0);

    const QString png = QString::fromStdString((home_ / "pass.png").string());
    ASSERT_TRUE(d->ExportTo(png));
    QImage image(png);
    EXPECT_FALSE(image.isNull());
    if (const char* dir = std::getenv("ORVANTA_SCREENSHOT_DIR")) {
        image.save(QString::fromUtf8(dir) + QStringLiteral("/pass_details_plot.png"));
        d->grab().save(QString::fromUtf8(dir) + QStringLiteral("/pass_details.png"));
    }
}

TEST_F(PassDetailsUiTest, ShowInSkyViewJumpsToTheCulmination) {
    MainWindow& w = StartIss();
    PassDetailsWindow* d = OpenFirst(w);
    ASSERT_NE(d, nullptr);
    QPushButton* sky = nullptr;
    for (QPushButton* b : d->findChildren<QPushButton*>())
        if (b->text() == QStringLiteral("Show in Sky View")) sky = b;
    ASSERT_NE(sky, nullptr);
    const double culmination = d->CulminationJd();
    ASSERT_GT(culmination, FirstPass(w).aos);
    sky->click();
    EXPECT_NEAR(w.Now(), culmination, 2.0 / 86400.0);
    EXPECT_FALSE(w.ProgramClock().IsRealTime());
    EXPECT_NE(w.SkyView(), nullptr);
}
