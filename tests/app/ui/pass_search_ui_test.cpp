// The pass search as the window runs it, and the pass list it fills and keeps current.
#include <QDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTest>
#include <QTimer>
#include <cstdlib>

#include "catalogue/pass_list_format.h"
#include "catalogue/ui/pass_list_model.h"
#include "ui_test_support.h"

using namespace orvanta;
using namespace orvanta::testing;

namespace {

constexpr int kIss = 25544, kCss = 48274, kHst = 20580, kIridium = 41917, kGps = 24876;

QString Cell(PassListModel* m, int row, int column) {
    return m->data(m->index(row, column), Qt::DisplayRole).toString();
}
QColor Foreground(PassListModel* m, int row) {
    return m->data(m->index(row, 0), Qt::ForegroundRole).value<QColor>();
}

class PassSearchUiTest : public MainWindowTest {
protected:
    MainWindow& StartWithSearch(std::vector<int> sats = {kIss, kIridium, kGps}) {
        WriteObserver();
        WriteSelection(sats);
        WriteDword("DisplayUTC", 1);
        WriteDword("Use 24h Time", 1);
        MainWindow& w = Start();
        EXPECT_TRUE(w.WaitForSearch(60000));
        return w;
    }
};

}  // namespace

TEST_F(PassSearchUiTest, AFreshCopyOfOldSetsIsReportedAsOld) {
    // The file was written half a day ago, but its newest set is from 40 days before now
    // (2026-05-07 17:10:46 UTC): a copy, not a download, so the sets' age counts.
    utc_ = kStartJd + 40.0;
    using namespace std::chrono;
    std::filesystem::last_write_time(
        home_ / "keplers",
        file_clock::from_sys(sys_seconds(seconds(
            static_cast<long long>((utc_ - 0.5 - 2440587.5) * 86400)))));
    StartWithSearch();
    EXPECT_TRUE(Logged("Kepler age: 966h 49m! Predictions very inaccurate. Last updated ",
                       LOG_ERROR));
}

TEST_F(PassSearchUiTest, StartUpSearchFillsTheListInAosOrder) {
    MainWindow& w = StartWithSearch();
    PassListModel* m = w.PassList()->Model();
    EXPECT_TRUE(Logged("Kepler age: 12h 00m", LOG_SUCCESS));
    EXPECT_TRUE(
        Logged("Started searching for passes. Search options used: Lunar passes OFF, "
               "Iridium flares: OFF",
               LOG_INFORMATION));
    EXPECT_TRUE(Logged("Passlist updated. Total of " +
                           std::to_string(w.PassList()->Model()->rowCount()) +
                           " passes displayed in ",
                       LOG_INFORMATION));
    EXPECT_TRUE(Logged("Passlist will autorefresh at: "));
    EXPECT_EQ(w.StatusText(), "Ready");
    EXPECT_EQ(w.SearchProgressBar(), nullptr);

    ASSERT_GE(m->rowCount(), 10);
    const std::vector<PassRecord>& table = w.PassTable();
    double previousAos = 0;
    for (int row = 0; row < m->rowCount(); ++row) {
        const PassRecord& r = table[static_cast<std::size_t>(m->RecordIndex(row))];
        EXPECT_EQ(r.listed, 1);
        EXPECT_GE(r.aos, previousAos);
        previousAos = r.aos;
    }
    EXPECT_EQ(m->headerData(COL_AOS, Qt::Horizontal, Qt::DisplayRole).toString(), "AOS  (UTC)");
    EXPECT_EQ(m->headerData(COL_LOS, Qt::Horizontal, Qt::DisplayRole).toString(), "LOS  (UTC)");
    // Every satellite shows up under its own name.
    QStringList names;
    for (int row = 0; row < m->rowCount(); ++row) names << Cell(m, row, COL_SATELLITE);
    EXPECT_TRUE(names.join("|").contains("(25544)"));
    EXPECT_TRUE(names.join("|").contains("(41917)"));
    EXPECT_TRUE(names.join("|").contains("(24876)"));
    // Passes that have not begun: no live values, grey text by maximum elevation.
    const PassRecord& first = table[static_cast<std::size_t>(m->RecordIndex(0))];
    if (first.aos > w.Now()) {
        EXPECT_EQ(Cell(m, 0, COL_AZ), "--");
        EXPECT_EQ(Cell(m, 0, COL_RANGE), "");
        const int grey = static_cast<int>(first.maxElevation * 1.81 + 92) % 256;
        EXPECT_EQ(Foreground(m, 0), QColor(grey, grey, grey));
    }
}

TEST_F(PassSearchUiTest, RowsLeaveAtTheirLosAndLivePassesTurnAmberLow) {
    MainWindow& w = StartWithSearch();
    PassListModel* m = w.PassList()->Model();
    const std::vector<PassRecord>& table = w.PassTable();
    ASSERT_GE(m->rowCount(), 3);

    // A pass high enough to be green at its middle.
    int row = -1;
    for (int r = 0; r < m->rowCount() && row < 0; ++r)
        if (table[static_cast<std::size_t>(m->RecordIndex(r))].maxElevation > 25) row = r;
    ASSERT_GE(row, 0);
    const int recordIndex = m->RecordIndex(row);
    const PassRecord pass = table[static_cast<std::size_t>(recordIndex)];

    utc_ = (pass.aos + pass.los) / 2;
    w.TickClock();
    // Every pass that ended before now has left; the rest keep their order and records.
    int live = -1;
    for (int r = 0; r < m->rowCount(); ++r) {
        EXPECT_GE(table[static_cast<std::size_t>(m->RecordIndex(r))].los, utc_);
        if (m->RecordIndex(r) == recordIndex) live = r;
    }
    ASSERT_GE(live, 0);
    EXPECT_NE(Cell(m, live, COL_AZ), "--");
    EXPECT_FALSE(Cell(m, live, COL_RANGE).isEmpty());
    EXPECT_EQ(Foreground(m, live), QColor(0, 255, 0));
    EXPECT_NEAR(table[static_cast<std::size_t>(recordIndex)].currentElevation, pass.maxElevation,
                1.0);
    // AOS is in the past: no day prefix; the countdown runs to LOS.
    EXPECT_FALSE(Cell(m, live, COL_AOS).startsWith("+"));
    EXPECT_EQ(Cell(m, live, COL_COUNTDOWN).toStdString(), FormatCountdown(pass.los, utc_));

    // Twenty seconds before LOS the satellite is low: amber.
    utc_ = pass.los - 20.0 / 86400.0;
    w.TickClock();
    ASSERT_EQ(m->RecordIndex(live), recordIndex);
    EXPECT_LT(table[static_cast<std::size_t>(recordIndex)].currentElevation, 10.0);
    EXPECT_EQ(Foreground(m, live), QColor(185, 146, 30));

    // One second after LOS the row is gone; the others are the same rows as before.
    std::vector<int> before;
    for (int r = 0; r < m->rowCount(); ++r) before.push_back(m->RecordIndex(r));
    utc_ = pass.los + 1.0 / 86400.0;
    w.TickClock();
    std::vector<int> after;
    for (int r = 0; r < m->rowCount(); ++r) after.push_back(m->RecordIndex(r));
    std::vector<int> expected;
    for (int index : before)
        if (table[static_cast<std::size_t>(index)].los >= utc_) expected.push_back(index);
    EXPECT_EQ(after, expected);
    EXPECT_EQ(std::count(after.begin(), after.end(), recordIndex), 0);
    EXPECT_EQ(table[static_cast<std::size_t>(recordIndex)].listed, 0);
}

TEST_F(PassSearchUiTest, HeadersCarryTheZoneWithoutDisplayUtc) {
    const char* old = std::getenv("TZ");
    const std::string saved = old ? old : "";
    setenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3", 1);
    tzset();
    WriteObserver();
    MainWindow& w = Start();
    PassListModel* m = w.PassList()->Model();
    // 8 May: summer time.
    EXPECT_EQ(m->headerData(COL_AOS, Qt::Horizontal, Qt::DisplayRole).toString(), "AOS  (CEST)");
    EXPECT_EQ(m->headerData(COL_LOS, Qt::Horizontal, Qt::DisplayRole).toString(), "LOS  (CEST)");
    // The user moves to another zone while the program runs: the next tick notices.
    QSignalSpy resets(m, &QAbstractItemModel::modelReset);
    setenv("TZ", "EST5EDT,M3.2.0,M11.1.0", 1);
    tzset();
    w.TickClock();
    EXPECT_EQ(m->headerData(COL_AOS, Qt::Horizontal, Qt::DisplayRole).toString(), "AOS  (EDT)");
    EXPECT_EQ(resets.count(), 1);
    w.TickClock();
    EXPECT_EQ(resets.count(), 1);
    if (old)
        setenv("TZ", saved.c_str(), 1);
    else
        unsetenv("TZ");
    tzset();
}

TEST_F(PassSearchUiTest, EscapeAbortsWithTheInterruptedLine) {
    WriteObserver();
    WriteSelection({kGps, kIss, kCss, kHst, kIridium});
    processors_ = 1;
    // The one worker searches the first satellite and is then held: the search is still
    // running, a fifth of the way through, however fast the machine is.
    gate_->Close();
    gate_->Allow(1);
    MainWindow& w = Start();
    ASSERT_TRUE(w.SearchRunning());
    ASSERT_TRUE(gate_->WaitUntilHeld(1, std::chrono::minutes(2)));
    w.PollPassSearch();
    ASSERT_NE(w.SearchProgressBar(), nullptr);
    // In the status bar from x 305 to 20 pixels short of its right edge, its bottom two
    // pixels above the bar's.
    const QRect bar = w.SearchProgressBar()->geometry();
    EXPECT_EQ(w.SearchProgressBar()->parentWidget(), w.statusBar());
    EXPECT_EQ(bar.x(), 305);
    EXPECT_EQ(bar.width(), w.statusBar()->width() - 325);
    EXPECT_EQ(bar.bottom(), w.statusBar()->height() - 3);
    EXPECT_EQ(w.StatusText(), "Finding passes: 20.00% and going. Press <ESC> to abort.");
    EXPECT_EQ(w.SearchProgressBar()->value(), 20);

    QTest::keyClick(w.PassList(), Qt::Key_Escape);
    w.PollPassSearch();
    EXPECT_TRUE(Logged("User aborted passlist generation after ", LOG_ERROR));
    EXPECT_EQ(w.SearchProgressBar(), nullptr);
    ASSERT_TRUE(w.WaitForSearch(60000));
    // 20 % of 5 satellites x 5 passes.
    EXPECT_TRUE(Logged("Passlist updated, but interrupted. Approximately 5 passes are displayed",
                       LOG_WARNING));
    EXPECT_FALSE(Logged("Passlist updated. Total of"));
    EXPECT_EQ(w.StatusText(), "Ready");
    EXPECT_EQ(gate_->Passed(), 1);
    // Only the first satellite's passes are listed.
    PassListModel* m = w.PassList()->Model();
    ASSERT_GT(m->rowCount(), 0);
    for (int r = 0; r < m->rowCount(); ++r)
        EXPECT_TRUE(Cell(m, r, COL_SATELLITE).contains("(24876)")) << r;
}

TEST_F(PassSearchUiTest, ClosingDuringASearchStopsTheWorkers) {
    WriteObserver();
    WriteSelection({kGps, kIss, kCss, kHst, kIridium});
    gate_->Close();
    MainWindow& w = Start();
    ASSERT_TRUE(w.SearchRunning());
    ASSERT_TRUE(gate_->WaitUntilHeld(2, std::chrono::minutes(2)));
    Close();  // must return promptly and leave no worker touching freed data
    EXPECT_EQ(gate_->Passed(), 0);
    CRegistry reg;
    ASSERT_TRUE(reg.OpenSettings());
    EXPECT_EQ(reg.ReadDword("Number of Sats", -1), 5);
}

TEST_F(PassSearchUiTest, SatelliteDialogOkAndUpdateSearchesJustSaveDoesNot) {
    WriteObserver();
    MainWindow& w = Start();
    ASSERT_EQ(w.Selection().size(), 0u);

    auto runDialog = [&](const char* button, const char* passes) {
        QTimer::singleShot(0, [=] {
            QWidget* dialog = QApplication::activeModalWidget();
            ASSERT_NE(dialog, nullptr);
            auto* available = dialog->findChild<QListWidget*>("availableList");
            for (int i = 0; i < available->count(); ++i)
                if (available->item(i)->text().contains("ISS") ||
                    available->item(i)->text().contains("IRIDIUM"))
                    available->item(i)->setSelected(true);
            dialog->findChild<QPushButton*>("addButton")->click();
            dialog->findChild<QLineEdit*>("numberOfPasses")->setText(passes);
            dialog->findChild<QPushButton*>(button)->click();
            if (dialog->isVisible()) dialog->findChild<QPushButton*>("cancelButton")->click();
        });
        for (QAction* a : w.findChildren<QAction*>())
            if (a->text() == "&Satellites...") a->trigger();
    };

    runDialog("justSaveButton", "3");
    QApplication::processEvents();
    EXPECT_EQ(w.Selection().size(), 2u);
    EXPECT_FALSE(w.SearchRunning());
    EXPECT_EQ(w.CurrentSettings().numberOfPasses, 3);

    runDialog("okUpdateButton", "2");
    QApplication::processEvents();
    ASSERT_TRUE(w.SearchRunning());
    ASSERT_TRUE(w.WaitForSearch(60000));
    EXPECT_TRUE(Logged("Passlist updated. Total of 4 passes displayed in "));
    EXPECT_GE(w.PassList()->Model()->rowCount(), 2);

    // A refused number keeps the dialog open with its message.
    prompt_.asked.clear();
    runDialog("okUpdateButton", "1a");
    ASSERT_FALSE(prompt_.asked.empty());
    EXPECT_EQ(prompt_.asked[0].text, "Number of passes is not numerical!");
    EXPECT_EQ(prompt_.asked[0].caption, "Error");
    EXPECT_FALSE(w.SearchRunning());

    // An empty field is 0 passes: the search has nothing to find and the list empties.
    runDialog("okUpdateButton", "");
    QApplication::processEvents();
    EXPECT_EQ(w.CurrentSettings().numberOfPasses, 0);
    ASSERT_TRUE(w.WaitForSearch(60000));
    EXPECT_EQ(w.PassList()->Model()->rowCount(), 0);
    w.TickClock();
}

TEST_F(PassSearchUiTest, JustSaveShowsOnlyRowsOfSatellitesStillSelected) {
    MainWindow& w = StartWithSearch({kIss, kIridium});
    PassListModel* m = w.PassList()->Model();
    ASSERT_GT(m->rowCount(), 0);
    // Keep only the Iridium.
    QTimer::singleShot(0, [] {
        QWidget* dialog = QApplication::activeModalWidget();
        ASSERT_NE(dialog, nullptr);
        auto* selected = dialog->findChild<QListWidget*>("selectedList");
        for (int i = 0; i < selected->count(); ++i)
            selected->item(i)->setSelected(selected->item(i)->text().contains("ISS"));
        dialog->findChild<QPushButton*>("deleteButton")->click();
        dialog->findChild<QPushButton*>("justSaveButton")->click();
    });
    for (QAction* a : w.findChildren<QAction*>())
        if (a->text() == "&Satellites...") a->trigger();
    QApplication::processEvents();
    ASSERT_EQ(w.Selection().size(), 1u);
    ASSERT_GT(m->rowCount(), 0);
    for (int r = 0; r < m->rowCount(); ++r)
        EXPECT_TRUE(Cell(m, r, COL_SATELLITE).contains("(41917)")) << r;
}

TEST_F(PassSearchUiTest, UserSettingsSwitchUtcAndANewPlaceSearchesAgain) {
    WriteObserver();
    WriteSelection({kIss});
    MainWindow& w = Start();
    ASSERT_TRUE(w.WaitForSearch(60000));
    PassListModel* m = w.PassList()->Model();

    QTimer::singleShot(0, [] {
        QWidget* dialog = QApplication::activeModalWidget();
        ASSERT_NE(dialog, nullptr);
        dialog->findChild<QRadioButton*>("utcRadio")->setChecked(true);
        dialog->findChild<QLineEdit*>("latitudeEdit")->setText("48.8566");
        dialog->findChild<QLineEdit*>("longitudeEdit")->setText("2.3522");
        static_cast<QDialog*>(dialog)->accept();
    });
    for (QAction* a : w.findChildren<QAction*>())
        if (a->text() == "&User...") a->trigger();
    EXPECT_EQ(m->headerData(COL_AOS, Qt::Horizontal, Qt::DisplayRole).toString(), "AOS  (UTC)");
    ASSERT_TRUE(w.SearchRunning());
    ASSERT_TRUE(w.WaitForSearch(60000));
    EXPECT_NEAR(w.CurrentSettings().observer.latitude, 48.8566, 1e-9);
}

TEST_F(PassSearchUiTest, SavingSatellitesDuringASearchSearchesAgainWithTheNewSettings) {
    WriteObserver();
    WriteSelection({kIss, kIridium});
    gate_->Close();  // the start-up search stays under way
    MainWindow& w = Start();
    ASSERT_TRUE(w.SearchRunning());
    QTimer::singleShot(0, [] {
        QWidget* dialog = QApplication::activeModalWidget();
        ASSERT_NE(dialog, nullptr);
        dialog->findChild<QLineEdit*>("numberOfPasses")->setText("3");
        dialog->findChild<QPushButton*>("justSaveButton")->click();
    });
    for (QAction* a : w.findChildren<QAction*>())
        if (a->text() == "&Satellites...") a->trigger();
    QApplication::processEvents();
    // The held search was replaced by one with the new number of passes; the list does not
    // stay empty until the user updates it by hand.
    EXPECT_TRUE(Logged("The satellite settings changed while passes were being searched: the "
                       "search starts again with the new settings.",
                       LOG_INFORMATION));
    ASSERT_TRUE(w.SearchRunning());
    gate_->Open();
    ASSERT_TRUE(w.WaitForSearch(60000));
    EXPECT_TRUE(Logged("Passlist updated. Total of 6 passes displayed in "));
    EXPECT_GT(w.PassList()->Model()->rowCount(), 0);
}

TEST_F(PassSearchUiTest, UserSettingsDuringASearchChangeHeadersAndRowsTogether) {
    const char* old = std::getenv("TZ");
    const std::string saved = old ? old : "";
    setenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3", 1);
    tzset();
    {
        MainWindow& w = StartWithSearch({kIss});
        PassListModel* m = w.PassList()->Model();
        ASSERT_GT(m->rowCount(), 0);
        auto aosCell = [&](int offsetMinutes) {
            RowTimeOptions options;
            options.displayOffsetMinutes = offsetMinutes;
            options.use24h = true;
            const PassRecord& r = w.PassTable()[static_cast<std::size_t>(m->RecordIndex(0))];
            return QString::fromStdString(FormatRowTime(r.aos, w.Now(), options));
        };
        // Local summer time first, then UTC chosen while a search is under way.
        QTimer::singleShot(0, [] {
            QWidget* dialog = QApplication::activeModalWidget();
            ASSERT_NE(dialog, nullptr);
            dialog->findChild<QRadioButton*>("localTimeRadio")->setChecked(true);
            static_cast<QDialog*>(dialog)->accept();
        });
        for (QAction* a : w.findChildren<QAction*>())
            if (a->text() == "&User...") a->trigger();
        ASSERT_EQ(m->headerData(COL_AOS, Qt::Horizontal, Qt::DisplayRole).toString(),
                  "AOS  (CEST)");
        ASSERT_EQ(Cell(m, 0, COL_AOS), aosCell(120));

        gate_->Close();
        for (QAction* a : w.findChildren<QAction*>())
            if (a->text() == "&Update Passlist now...") a->trigger();
        ASSERT_TRUE(w.SearchRunning());
        QTimer::singleShot(0, [] {
            QWidget* dialog = QApplication::activeModalWidget();
            ASSERT_NE(dialog, nullptr);
            dialog->findChild<QRadioButton*>("utcRadio")->setChecked(true);
            static_cast<QDialog*>(dialog)->accept();
        });
        for (QAction* a : w.findChildren<QAction*>())
            if (a->text() == "&User...") a->trigger();
        ASSERT_TRUE(w.SearchRunning());
        EXPECT_EQ(m->headerData(COL_AOS, Qt::Horizontal, Qt::DisplayRole).toString(),
                  "AOS  (UTC)");
        ASSERT_GT(m->rowCount(), 0);
        EXPECT_EQ(Cell(m, 0, COL_AOS), aosCell(0));
        gate_->Open();
        EXPECT_TRUE(w.WaitForSearch(60000));
        EXPECT_EQ(Cell(m, 0, COL_AOS), aosCell(0));
    }
    if (old)
        setenv("TZ", saved.c_str(), 1);
    else
        unsetenv("TZ");
    tzset();
}
