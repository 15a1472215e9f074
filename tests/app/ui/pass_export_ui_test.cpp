// Passes for visual observers in the main window: the mark and tooltip of visible rows,
// "Visible Only", and File > Export Passes... as CSV and iCalendar.
#include <QFile>
#include <QIcon>
#include <string>

#include "catalogue/pass_export.h"
#include "catalogue/pass_list.h"
#include "catalogue/ui/pass_list_model.h"
#include "ui_test_support.h"

using namespace orvanta;
using namespace orvanta::testing;

namespace {

class VisiblePassUiTest : public MainWindowTest {
protected:
    MainWindow& StartIss(bool visibleOnly) {
        WriteObserver();
        WriteSelection({25544});
        WriteDword("DisplayUTC", 1);
        WriteDword("Use 24h Time", 1);
        WriteDword("Number of Passes", 12);
        WriteDword("Visible Only", visibleOnly ? 1 : 0);
        MainWindow& w = Start();
        EXPECT_TRUE(w.WaitForSearch(120000));
        return w;
    }
    const PassRecord& Row(MainWindow& w, int row) {
        return w.PassTable()[static_cast<std::size_t>(w.PassList()->Model()->RecordIndex(row))];
    }
};

}  // namespace

TEST_F(VisiblePassUiTest, VisibleRowsCarryAMarkAndTheirTimesInTheTooltip) {
    MainWindow& w = StartIss(false);
    PassListModel* m = w.PassList()->Model();
    ASSERT_EQ(m->rowCount(), 12);
    int visible = 0;
    for (int row = 0; row < m->rowCount(); ++row) {
        const PassRecord& r = Row(w, row);
        const QString tip = m->data(m->index(row, COL_AOS), Qt::ToolTipRole).toString();
        const QIcon icon = qvariant_cast<QIcon>(m->data(m->index(row, 0), Qt::DecorationRole));
        if (r.HasVisibleWindow()) {
            ++visible;
            // UTC and 24-hour time, as the row shows its AOS.
            const std::string start = FormatRowTime(r.visibleStart, r.visibleStart, {0, true});
            EXPECT_TRUE(tip.startsWith(QString::fromStdString("Visible " + start + "\xE2\x80\x93")))
                << tip.toStdString();
            EXPECT_TRUE(tip.contains(QStringLiteral(" mag at "))) << tip.toStdString();
            EXPECT_TRUE(tip.contains(QStringLiteral("culmination "))) << tip.toStdString();
            // The marked image (the row's own with a star) is made once per image.
            const QIcon again = w.PassList()->Model()->data(m->index(row, 0), Qt::DecorationRole)
                                    .value<QIcon>();
            EXPECT_FALSE(icon.isNull());
            EXPECT_EQ(again.cacheKey(), icon.cacheKey());  // made once, then cached
        } else {
            EXPECT_TRUE(tip.startsWith(QStringLiteral("Culmination "))) << tip.toStdString();
        }
    }
    EXPECT_GE(visible, 2);
    EXPECT_LT(visible, 12);
}

TEST_F(VisiblePassUiTest, VisibleOnlyHidesTheRest) {
    MainWindow& w = StartIss(true);
    PassListModel* m = w.PassList()->Model();
    ASSERT_GE(m->rowCount(), 2);
    EXPECT_LT(m->rowCount(), 12);
    for (int row = 0; row < m->rowCount(); ++row) EXPECT_TRUE(Row(w, row).HasVisibleWindow());
}

TEST_F(VisiblePassUiTest, ExportWritesTheListedRowsAsCsvAndICalendar) {
    MainWindow& w = StartIss(false);
    const int rows = w.PassList()->Model()->rowCount();
    const QString csv = QString::fromStdString((home_ / "passes.csv").string());
    const QString ics = QString::fromStdString((home_ / "passes.ics").string());
    ASSERT_TRUE(w.ExportPassesTo(csv, false));
    ASSERT_TRUE(w.ExportPassesTo(ics, true));
    EXPECT_EQ(w.StatusText(), QStringLiteral("Passes exported to ") + ics);

    QFile c(csv);
    ASSERT_TRUE(c.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = c.readAll().split('\n');
    ASSERT_EQ(lines.size(), rows + 2);  // header, rows, and the empty rest after the last
    EXPECT_EQ(lines[0].toStdString(), PassCsvHeader());
    EXPECT_TRUE(lines[1].startsWith("25544,ISS (ZARYA),"));

    QFile i(ics);
    ASSERT_TRUE(i.open(QIODevice::ReadOnly));
    const QByteArray cal = i.readAll();
    EXPECT_TRUE(cal.startsWith("BEGIN:VCALENDAR\r\n"));
    EXPECT_TRUE(cal.endsWith("END:VCALENDAR\r\n"));
    EXPECT_EQ(cal.count("BEGIN:VEVENT\r\n"), rows);
    // Each event reminds as far ahead as the pass alerts (10 minutes unless set).
    EXPECT_EQ(cal.count("TRIGGER:-PT10M\r\n"), rows);

    // A folder that does not exist: refused with a reason, nothing half written.
    QString error;
    const QString bad = QString::fromStdString((home_ / "missing" / "passes.csv").string());
    EXPECT_FALSE(w.ExportPassesTo(bad, false, &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_FALSE(QFile::exists(bad));
}
