// A whole constellation (the built-in file's 10,000 STARLINK sets) applied from the
// satellite settings: the window thread hands the search to the workers and keeps turning.
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "catalogue/pass_search_gate.h"
#include "catalogue/ui/pass_list_model.h"
#include "ui_test_support.h"

using namespace orvanta;
using namespace orvanta::testing;

namespace {

class ConstellationApplyTest : public MainWindowTest {};

}  // namespace

TEST_F(ConstellationApplyTest, TheWindowNeverWaitsForTheSearchOfTenThousandSatellites) {
    std::filesystem::copy_file(std::string(ORVANTA_TEST_DATA_DIR) + "/../../resources/data/keplers",
                               home_ / "keplers",
                               std::filesystem::copy_options::overwrite_existing);
    WriteObserver();
    WriteSelection({25544});
    WriteDword("Number of passes", 1);
    MainWindow& w = Start();
    ASSERT_TRUE(w.WaitForSearch(60000));

    // Held at the gate, the search cannot finish: any wait for it on the window thread
    // would hang the dialog's click or a poll below.
    gate_->Close();
    int added = 0;
    QTimer::singleShot(0, [&added] {
        QWidget* dialog = QApplication::activeModalWidget();
        ASSERT_NE(dialog, nullptr);
        dialog->findChild<QLineEdit*>("filterEdit")->setText("STARLINK");
        dialog->findChild<QPushButton*>("filterButton")->click();
        auto* available = dialog->findChild<QListWidget*>("availableList");
        available->setFocus();
        QTest::keyClick(available, Qt::Key_A, Qt::ControlModifier);
        dialog->findChild<QPushButton*>("addButton")->click();
        added = dialog->findChild<QListWidget*>("selectedList")->count();
        dialog->findChild<QPushButton*>("okUpdateButton")->click();
    });
    FindAction(&w, "&Satellites...")->trigger();
    ASSERT_GT(added, 10000);
    EXPECT_EQ(w.Selection().size(), static_cast<std::size_t>(added));  // the ISS and the group
    // The search starts on the next turn of the event loop.
    QApplication::processEvents();
    ASSERT_TRUE(w.SearchRunning());
    gate_->Allow(50);
    ASSERT_TRUE(gate_->WaitUntilHeld(1, std::chrono::seconds(60)));
    w.PollPassSearch();
    w.TickClock();
    EXPECT_TRUE(w.SearchRunning());
    EXPECT_TRUE(w.StatusText().startsWith("Finding passes: "));
    EXPECT_EQ(w.PassList()->Model()->rowCount(), 0);  // the old rows went with the old selection

    gate_->Open();
    ASSERT_TRUE(w.WaitForSearch(600000));
    PassListModel* m = w.PassList()->Model();
    ASSERT_GT(m->rowCount(), 1000);
    EXPECT_TRUE(Logged("Passlist updated. Total of " + std::to_string(m->rowCount()) +
                       " passes displayed in "));
    const std::vector<PassRecord>& table = w.PassTable();
    for (int row = 1; row < 50; ++row)
        EXPECT_LE(table[static_cast<std::size_t>(m->RecordIndex(row - 1))].aos,
                  table[static_cast<std::size_t>(m->RecordIndex(row))].aos);
    EXPECT_EQ(w.StatusText(), "Ready");
}
