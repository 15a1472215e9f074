#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QUrl>
#include <algorithm>
#include <cstdlib>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "app/registry_settings_writer.h"
#include "app/ui/about_dialog.h"
#include "app/ui/satellite_settings_dialog.h"
#include "common/prompt.h"
#include "common/ui/help_window.h"
#include "common/ui/hyperlink_label.h"
#include "platform/directories.h"
#include "platform/settings_store.h"
#include "tests/app/test_catalogue.h"

// Readable failure messages for Qt strings.
inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}

using namespace orvanta;
using orvanta::testing::SampleCatalogue;
using orvanta::testing::Sel;

namespace {

// One application for the whole run; the tests run on the offscreen platform.
QApplication& App() {
    static int argc = 1;
    static char name[] = "test_app_dialogs";
    static char* argv[] = {name, nullptr};
    static QApplication* app = [] {
        if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
        return new QApplication(argc, argv);
    }();
    return *app;
}

struct MapWriter : ISettingsWriter {
    std::vector<std::string> order;
    std::map<std::string, std::uint32_t> dwords;
    std::map<std::string, double> doubles;
    std::map<std::string, std::vector<std::uint8_t>> blobs;
    void WriteDword(const std::string& n, std::uint32_t v) override {
        order.push_back(n);
        dwords[n] = v;
    }
    void WriteDouble(const std::string& n, double v) override {
        order.push_back(n);
        doubles[n] = v;
    }
    void WriteBinary(const std::string& n, const std::vector<std::uint8_t>& b) override {
        order.push_back(n);
        blobs[n] = b;
    }
};

constexpr double kNow = 2461168.25;

class SatelliteDialogTest : public ::testing::Test {
protected:
    void SetUp() override { App(); }

    std::unique_ptr<SatelliteSettingsDialog> Open(std::vector<SelectedSat> selection = {}) {
        return std::make_unique<SatelliteSettingsDialog>(nullptr, catalogue, selection, options,
                                                         prompt, writer, [] { return kNow; });
    }
    template <class W>
    static W* Child(QWidget* d, const char* name) {
        W* w = d->findChild<W*>(QLatin1String(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    static QStringList Texts(QListWidget* list) {
        QStringList t;
        for (int i = 0; i < list->count(); ++i) t << list->item(i)->text();
        return t;
    }
    static void SelectRow(QListWidget* list, const QString& text) {
        const auto found = list->findItems(text, Qt::MatchExactly);
        ASSERT_EQ(found.size(), 1) << text.toStdString();
        found.front()->setSelected(true);
    }

    KeplerCatalogue catalogue = SampleCatalogue();
    SatelliteOptions options;
    ScriptedPrompt prompt;
    MapWriter writer;
};

TEST_F(SatelliteDialogTest, OpensWithTheOptionsAndBothListsFilled) {
    options.numberOfPasses = 5;
    options.searchIridiumFlares = 1;
    options.reportNvs = 0;
    options.automaticKeplerUpdate = kNow + 0.5;
    auto d = Open({Sel(25544)});
    EXPECT_EQ(d->windowTitle(), "Satellite settings");
    EXPECT_EQ(Child<QLineEdit>(d.get(), "numberOfPasses")->text(), "05");
    EXPECT_EQ(Child<QLineEdit>(d.get(), "numberOfPasses")->maxLength(), 2);
    EXPECT_TRUE(Child<QCheckBox>(d.get(), "searchIridiumFlares")->isChecked());
    EXPECT_FALSE(Child<QCheckBox>(d.get(), "reportNvs")->isChecked());
    EXPECT_TRUE(Child<QCheckBox>(d.get(), "autoKeplerUpdate")->isChecked());
    EXPECT_TRUE(Child<QCheckBox>(d.get(), "hideGeostationary")->isChecked());
    EXPECT_EQ(Texts(Child<QListWidget>(d.get(), "selectedList")),
              QStringList{"ISS (ZARYA)   (25544)"});
    auto* avail = Child<QListWidget>(d.get(), "availableList");
    EXPECT_EQ(avail->count(), 4);  // 8 records less the ISS twice and two geostationary
    EXPECT_EQ(avail->selectionMode(), QAbstractItemView::ExtendedSelection);
    EXPECT_EQ(avail->item(0)->data(Qt::UserRole).toInt(), 20580);
    auto* ok = Child<QPushButton>(d.get(), "okUpdateButton");
    EXPECT_EQ(ok->text(), "OK && &Update");
    EXPECT_TRUE(ok->isDefault());
}

TEST_F(SatelliteDialogTest, AlertBoxesFollowTheSatellitesThroughMovesAndRefills) {
    auto d = Open({Sel(25544)});
    auto* sel = Child<QListWidget>(d.get(), "selectedList");
    EXPECT_FALSE(sel->item(0)->data(Qt::CheckStateRole).isValid());  // only once asked for
    d->SetAlertSatellites({25544});
    EXPECT_EQ(sel->item(0)->checkState(), Qt::Checked);
    SelectRow(Child<QListWidget>(d.get(), "availableList"), "IRIDIUM 106   (41917)");
    QTest::mouseClick(Child<QPushButton>(d.get(), "addButton"), Qt::LeftButton);
    ASSERT_EQ(sel->count(), 2);
    EXPECT_EQ(sel->item(0)->checkState(), Qt::Unchecked);  // the added IRIDIUM 106
    sel->item(0)->setCheckState(Qt::Checked);
    sel->item(1)->setCheckState(Qt::Unchecked);
    EXPECT_EQ(d->AlertSatellites(), (std::set<std::int32_t>{41917}));
    // A refill (the geostationary filter) keeps the boxes.
    Child<QCheckBox>(d.get(), "hideGeostationary")->click();
    EXPECT_EQ(sel->item(0)->checkState(), Qt::Checked);
    EXPECT_EQ(sel->item(1)->checkState(), Qt::Unchecked);
}

TEST_F(SatelliteDialogTest, OkAndUpdateStoresTheNewSelectionAndAsksForASearch) {
    auto d = Open({Sel(25544)});
    auto* avail = Child<QListWidget>(d.get(), "availableList");
    auto* sel = Child<QListWidget>(d.get(), "selectedList");
    SelectRow(avail, "IRIDIUM 106   (41917)");
    SelectRow(avail, "NAVSTAR 81 (USA 319)   (48859)");
    QTest::mouseClick(Child<QPushButton>(d.get(), "addButton"), Qt::LeftButton);
    EXPECT_EQ(Texts(sel), (QStringList{"IRIDIUM 106   (41917)", "ISS (ZARYA)   (25544)",
                                       "NAVSTAR 81 (USA 319)   (48859)"}));
    EXPECT_EQ(avail->count(), 2);
    // The widget rows carry their numbers in the same order as the chooser.
    for (int i = 0; i < sel->count(); ++i)
        EXPECT_EQ(sel->item(i)->data(Qt::UserRole).toInt(),
                  d->Chooser().Selected()[static_cast<std::size_t>(i)].catalogueNumber);

    std::vector<std::string> signals_;
    QObject::connect(d.get(), &SatelliteSettingsDialog::selectionSaved,
                     [&] { signals_.push_back("saved"); });
    QObject::connect(d.get(), &SatelliteSettingsDialog::earthViewRebuildRequested,
                     [&] { signals_.push_back("earth"); });
    QObject::connect(d.get(), &SatelliteSettingsDialog::startPassSearchRequested,
                     [&] { signals_.push_back("search"); });
    QObject::connect(d.get(), &SatelliteSettingsDialog::passListRefillRequested,
                     [&] { signals_.push_back("refill"); });
    Child<QLineEdit>(d.get(), "numberOfPasses")->setText("7");
    Child<QCheckBox>(d.get(), "autoKeplerUpdate")->setChecked(true);
    QTest::mouseClick(Child<QPushButton>(d.get(), "okUpdateButton"), Qt::LeftButton);

    EXPECT_EQ(signals_, (std::vector<std::string>{"saved", "earth", "search"}));
    EXPECT_EQ(d->result(), QDialog::Accepted);
    EXPECT_TRUE(d->SearchRequested());
    EXPECT_TRUE(prompt.asked.empty());
    EXPECT_EQ(writer.dwords["Number of passes"], 7u);
    EXPECT_EQ(writer.dwords["Number of Sats"], 3u);
    EXPECT_DOUBLE_EQ(writer.doubles["Automatic Kepler Update"], kNow + 1.0);
    EXPECT_EQ(SelectionFromBlob(writer.blobs["Selected Satellites"], 3), d->NewSelection());
    EXPECT_EQ(d->NewSelection(),
              (std::vector<SelectedSat>{Sel(41917, 4), Sel(25544, 0), Sel(48859, 2)}));
    EXPECT_EQ(d->Options().numberOfPasses, 7u);
    EXPECT_EQ(d->FormerToNewIndices(), (std::vector<int>{1}));
}

TEST_F(SatelliteDialogTest, JustSaveRefillsWithoutASearchAndDropsRemovedSatellites) {
    auto d = Open({Sel(25544), Sel(20580)});
    QSignalSpy search(d.get(), &SatelliteSettingsDialog::startPassSearchRequested);
    QSignalSpy refill(d.get(), &SatelliteSettingsDialog::passListRefillRequested);
    SelectRow(Child<QListWidget>(d.get(), "selectedList"), "HST   (20580)");
    QTest::mouseClick(Child<QPushButton>(d.get(), "deleteButton"), Qt::LeftButton);
    QTest::mouseClick(Child<QPushButton>(d.get(), "justSaveButton"), Qt::LeftButton);
    EXPECT_EQ(search.count(), 0);
    EXPECT_EQ(refill.count(), 1);
    EXPECT_FALSE(d->SearchRequested());
    EXPECT_EQ(d->result(), QDialog::Accepted);
    // Former order ISS, HST; the ISS stays at index 0, HST is gone.
    EXPECT_EQ(d->FormerToNewIndices(), (std::vector<int>{0, -1}));
}

TEST_F(SatelliteDialogTest, NonNumericalPassesAreRefusedAndAnEmptyFieldSavesZero) {
    auto d = Open({Sel(25544)});
    QSignalSpy saved(d.get(), &SatelliteSettingsDialog::selectionSaved);
    auto* passes = Child<QLineEdit>(d.get(), "numberOfPasses");
    passes->setText("1a");
    QTest::mouseClick(Child<QPushButton>(d.get(), "okUpdateButton"), Qt::LeftButton);
    ASSERT_EQ(prompt.asked.size(), 1u);
    EXPECT_EQ(prompt.asked[0].caption, "Error");
    EXPECT_EQ(prompt.asked[0].text, "Number of passes is not numerical!");
    EXPECT_EQ(prompt.asked[0].icon, PromptIcon::Error);
    EXPECT_EQ(saved.count(), 0);
    EXPECT_FALSE(d->Saved());
    EXPECT_TRUE(d->OptionsWritten());
    EXPECT_EQ(writer.order.size(), 7u);  // the values before the check stay written

    passes->setText("");
    QTest::mouseClick(Child<QPushButton>(d.get(), "justSaveButton"), Qt::LeftButton);
    EXPECT_EQ(prompt.asked.size(), 1u);
    EXPECT_EQ(saved.count(), 1);
    EXPECT_EQ(writer.dwords["Number of passes"], 0u);
}

TEST_F(SatelliteDialogTest, EnterInTheFilterFiltersInsteadOfSaving) {
    auto d = Open();
    QSignalSpy saved(d.get(), &SatelliteSettingsDialog::selectionSaved);
    d->show();
    auto* filter = Child<QLineEdit>(d.get(), "filterEdit");
    filter->setFocus();
    QTest::keyClicks(filter, "iri");
    QTest::keyClick(filter, Qt::Key_Return);
    EXPECT_EQ(saved.count(), 0);
    EXPECT_TRUE(d->isVisible());
    EXPECT_EQ(Texts(Child<QListWidget>(d.get(), "availableList")),
              QStringList{"IRIDIUM 106   (41917)"});

    // The hide box refills without the filter, now with the geostationary satellites.
    Child<QCheckBox>(d.get(), "hideGeostationary")->setChecked(false);
    EXPECT_EQ(Child<QListWidget>(d.get(), "availableList")->count(), 7);
    EXPECT_EQ(d->Options().hideGeostationary, 0u);
    QTest::mouseClick(Child<QPushButton>(d.get(), "cancelButton"), Qt::LeftButton);
    EXPECT_EQ(d->result(), QDialog::Rejected);
    EXPECT_TRUE(writer.order.empty());
}

TEST_F(SatelliteDialogTest, ManyItemsMoveAtOnceAndTheWidgetFollowsTheChooser) {
    // A catalogue the size of a full download moves in one click.
    KeplerCatalogue big;
    const KeplerRecord iss = SampleCatalogue().records[0];
    for (int i = 0; i < 3000; ++i) {
        KeplerRecord r = iss;
        std::snprintf(r.name, sizeof r.name, "SAT %04d", (i * 7919) % 3000);
        r.catalogueNumber = 10000 + i;
        big.records.push_back(r);
    }
    catalogue = big;
    auto d = Open({Sel(10005)});
    auto* avail = Child<QListWidget>(d.get(), "availableList");
    auto* sel = Child<QListWidget>(d.get(), "selectedList");
    avail->selectAll();
    QTest::mouseClick(Child<QPushButton>(d.get(), "addButton"), Qt::LeftButton);
    EXPECT_EQ(avail->count(), 0);
    ASSERT_EQ(sel->count(), 3000);
    for (int i = 1; i < sel->count(); ++i)
        ASSERT_LT(sel->item(i - 1)->text(), sel->item(i)->text());
    // A few back, row by row.
    sel->clearSelection();
    for (int row : {0, 10, 2999}) sel->item(row)->setSelected(true);
    QTest::mouseClick(Child<QPushButton>(d.get(), "deleteButton"), Qt::LeftButton);
    ASSERT_EQ(avail->count(), 3);
    EXPECT_TRUE(avail->item(0)->text().startsWith("SAT 0000   ("));
    EXPECT_TRUE(avail->item(1)->text().startsWith("SAT 0010   ("));
    EXPECT_TRUE(avail->item(2)->text().startsWith("SAT 2999   ("));
    ASSERT_EQ(sel->count(), 2997);
    for (int i = 0; i < sel->count(); ++i)
        ASSERT_EQ(sel->item(i)->text().toStdString(),
                  d->Chooser().Selected()[static_cast<std::size_t>(i)].text);
}

TEST_F(SatelliteDialogTest, AWholeConstellationIsAddedOnceInOrderFromTheFilter) {
    // 10,000 of a constellation among other sets, one of them listed twice in the file and
    // one already selected.
    KeplerCatalogue big;
    const KeplerRecord iss = SampleCatalogue().records[0];
    for (int i = 0; i < 12000; ++i) {
        KeplerRecord r = iss;
        const int n = (i * 7919) % 12000;
        std::snprintf(r.name, sizeof r.name, n < 10000 ? "STARLINK-%d" : "OTHER %d", n);
        r.catalogueNumber = 40000 + n;
        big.records.push_back(r);
    }
    big.records.push_back(big.records[5]);
    catalogue = big;
    auto d = Open({Sel(40000 + 1234)});
    auto* avail = Child<QListWidget>(d.get(), "availableList");
    auto* sel = Child<QListWidget>(d.get(), "selectedList");
    Child<QLineEdit>(d.get(), "filterEdit")->setText("starlink");
    QTest::mouseClick(Child<QPushButton>(d.get(), "filterButton"), Qt::LeftButton);
    ASSERT_EQ(avail->count(), 9999);
    avail->setFocus();
    QTest::keyClick(avail, Qt::Key_A, Qt::ControlModifier);
    QTest::mouseClick(Child<QPushButton>(d.get(), "addButton"), Qt::LeftButton);
    EXPECT_EQ(avail->count(), 0);
    ASSERT_EQ(sel->count(), 10000);
    std::set<int> numbers;
    for (int i = 0; i < sel->count(); ++i) {
        numbers.insert(sel->item(i)->data(Qt::UserRole).toInt());
        ASSERT_EQ(sel->item(i)->text().toStdString(),
                  d->Chooser().Selected()[static_cast<std::size_t>(i)].text);
        if (i > 0) ASSERT_LT(sel->item(i - 1)->text().compare(sel->item(i)->text()), 0) << i;
    }
    EXPECT_EQ(numbers.size(), 10000u);
    // The filter again offers none of them; the saved selection holds each once.
    QTest::mouseClick(Child<QPushButton>(d.get(), "filterButton"), Qt::LeftButton);
    EXPECT_EQ(avail->count(), 0);
    QTest::mouseClick(Child<QPushButton>(d.get(), "justSaveButton"), Qt::LeftButton);
    ASSERT_EQ(d->NewSelection().size(), 10000u);
    EXPECT_EQ(d->NewSelection().front().catalogueIndex,
              FindCatalogueIndex(catalogue, d->NewSelection().front().catalogueNumber));
    const auto five = std::find_if(
        d->NewSelection().begin(), d->NewSelection().end(),
        [&](const SelectedSat& s) { return s.catalogueNumber == big.records[5].catalogueNumber; });
    ASSERT_NE(five, d->NewSelection().end());
    EXPECT_EQ(five->catalogueIndex, 5);  // the first of the two records
}

TEST_F(SatelliteDialogTest, OpensAtTheOwnersLeftEdge150PixelsBelowItsTop) {
    QWidget owner;
    owner.setGeometry(120, 90, 675, 480);
    owner.show();
    SatelliteSettingsDialog d(&owner, catalogue, {}, options, prompt, writer, [] { return kNow; });
    EXPECT_EQ(d.pos(), QPoint(owner.frameGeometry().left(), owner.frameGeometry().top() + 150));
    EXPECT_EQ(d.windowModality(), Qt::WindowModal);
}

TEST_F(SatelliteDialogTest, ScreenshotWhenAsked) {
    const char* dir = std::getenv("ORVANTA_SCREENSHOT_DIR");
    if (!dir) GTEST_SKIP() << "set ORVANTA_SCREENSHOT_DIR to save a picture of the dialog";
    auto d = Open({Sel(25544), Sel(41917)});
    d->SetAlertSatellites({25544});  // as the program opens it
    d->show();
    QApplication::processEvents();
    EXPECT_TRUE(d->grab().save(QDir(dir).filePath("satellite-settings.png")));
    AboutDialog about;
    about.show();
    QApplication::processEvents();
    EXPECT_TRUE(about.grab().save(QDir(dir).filePath("about.png")));
    HelpWindow::ShowContext(HELP_MAIN_WINDOW);
    QApplication::processEvents();
    EXPECT_TRUE(HelpWindow::Instance()->grab().save(QDir(dir).filePath("help.png")));
    HelpWindow::CloseShared();
}

TEST_F(SatelliteDialogTest, SavesIntoTheSettingsFileThatTheNextStartReads) {
    platform::PrivateTempDir dir;
    ASSERT_TRUE(dir.Ok());
    const auto file = dir.Path() / "Orvanta.reg";
    SetSettingsStore(platform::OpenFileSettingsStore(file));
    Settings before = ReadAllSettings();
    before.displayUtc = 1;  // as the user settings would have it
    RegistrySettingsWriter registry;
    SatelliteSettingsDialog d(nullptr, catalogue, {}, SatelliteOptionsFrom(before), prompt,
                              registry, [] { return kNow; });
    SelectRow(Child<QListWidget>(&d, "availableList"), "ISS (ZARYA)   (25544)");
    QTest::mouseClick(Child<QPushButton>(&d, "addButton"), Qt::LeftButton);
    Child<QLineEdit>(&d, "numberOfPasses")->setText("7");
    Child<QCheckBox>(&d, "searchLunarPasses")->setChecked(true);
    QTest::mouseClick(Child<QPushButton>(&d, "okUpdateButton"), Qt::LeftButton);
    ASSERT_TRUE(d.Saved());
    ApplySatelliteOptions(d.Options(), before);
    ApplySelection(d.NewSelection(), before);

    // A fresh store over the same file, as at the next start.
    SetSettingsStore(platform::OpenFileSettingsStore(file));
    const Settings after = ReadAllSettings();
    SetSettingsStore(nullptr);
    // "Number of passes" and "Number of Passes" are one value.
    EXPECT_EQ(after.numberOfPasses, 7);
    EXPECT_EQ(after.displayUtc, 1);
    EXPECT_EQ(after.searchLunarPasses, 1);
    EXPECT_EQ(after.numberOfSats, 1);
    EXPECT_EQ(SelectionFromBlob(after.selectedSatellites, 1),
              (std::vector<SelectedSat>{Sel(25544, 0)}));
    EXPECT_EQ(after.numberOfPasses, before.numberOfPasses);
    EXPECT_EQ(after.selectedSatellites, before.selectedSatellites);
}

// ---- help --------------------------------------------------------------------------

TEST_F(SatelliteDialogTest, F1OpensTheSatelliteSettingsPage) {
    auto d = Open();
    d->show();
    QApplication::setActiveWindow(d.get());
    QTest::keyClick(d.get(), Qt::Key_F1);
    EXPECT_EQ(HelpWindow::Instance()->CurrentPage().fileName(), "satellite_settings.html");
    HelpWindow::CloseShared();
}

// ---- About box -------------------------------------------------------------------

TEST(AboutBox, ShowsTheVersionLineAndOpensTheWebsite) {
    App();
    EXPECT_EQ(AboutVersionText("1.1.14", false),
              sizeof(void*) == 4 ? "Orvanta Version 1.1.14 (32-bit edition)"
                                 : "Orvanta Version 1.1.14 (64-bit edition)");
    EXPECT_EQ(AboutVersionText("1.1.14", true),
              "Orvanta Version 1.1.14 (32-bit edition)\nYou're on a 64-bit system, you should "
              "download and run the 64-bit edition of Orvanta!");
    if (sizeof(void*) == 8) {
        EXPECT_FALSE(IsThirtyTwoBitOnSixtyFourBit());
    }

    QUrl opened;
    AboutDialog about(nullptr, [&](const QUrl& u) { opened = u; });
    EXPECT_TRUE(about.VersionText().startsWith(sizeof(void*) == 4
                                                   ? "Orvanta Version 1.1.14 (32-bit edition)"
                                                   : "Orvanta Version 1.1.14 (64-bit edition)"));
    EXPECT_EQ(about.WebsiteLink()->text(), "Click here to visit our website");
    about.show();
    // Enter right after opening closes the box; it does not open the browser.
    QApplication::setActiveWindow(&about);
    QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : &about,
                    Qt::Key_Return);
    EXPECT_TRUE(opened.isEmpty());
    EXPECT_EQ(about.result(), QDialog::Accepted);
    about.show();
    QTest::mouseClick(about.WebsiteLink(), Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(opened, QUrl(kWebsiteUrl));
    auto* credits = about.findChild<QLabel*>("credits");
    ASSERT_NE(credits, nullptr);
    for (const char* who : {"CelesTrak", "GeoNames", "CC BY 4.0", "NASA Earth Observatory",
                            "Yale Bright Star Catalogue"})
        EXPECT_TRUE(credits->text().contains(who)) << who;
}

}  // namespace

namespace {

// The data sources ask for these credits wherever the program shows its data.
TEST(AboutCredits, NameEverySourceAndItsLicence) {
    App();
    AboutDialog about;
    const auto* credits = about.findChild<QLabel*>("credits");
    ASSERT_NE(credits, nullptr);
    for (const char* needed : {"CelesTrak", "GeoNames", "CC BY 4.0", "NASA Earth Observatory",
                               "Yale Bright Star Catalogue", "SatNOGS DB", "CC BY-SA 4.0"})
        EXPECT_TRUE(credits->text().contains(QLatin1String(needed))) << needed;
}

}  // namespace
