// The main window's start-up, closing, menus and layout.
#include <QAction>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <cstdio>
#include <filesystem>
#if defined(__unix__)
#include <sys/wait.h>
#endif

#include "app/ui/about_dialog.h"
#include "common/ui/help_window.h"

#include "catalogue/ui/pass_list_model.h"
#include "ui_test_support.h"

using namespace orvanta;
using namespace orvanta::testing;

namespace {

std::vector<std::uint8_t> ReadBinary(const std::string& name) {
    CRegistry reg;
    reg.OpenSettings();
    std::vector<std::uint8_t> bytes(reg.ValueSize(name));
    reg.ReadBinary(name, bytes);
    return bytes;
}

}  // namespace

TEST_F(MainWindowTest, FirstStartLogsItsLinesAndUsesTheDefaults) {
    processors_ = 1;
    MainWindow& w = Start();
    const std::vector<std::string> lines = LogLines();
    ASSERT_FALSE(lines.empty());
    // Oldest entry at the bottom: the start line, with the singular for one processor.
    EXPECT_EQ(lines.back(), "Software started. 1 Processor detected");
    EXPECT_TRUE(Logged("5 Kepler elements loaded from file", LOG_INFORMATION));
    EXPECT_TRUE(Logged("Automatic Kepler update is turned OFF", LOG_INFORMATION));
    EXPECT_TRUE(
        Logged("Your location does not appear to be set up properly! Go to the "
               "'Settings' -> 'User' menu to set your location",
               LOG_WARNING));
    // Nothing selected: no search, an idle status bar, an empty list.
    EXPECT_FALSE(w.SearchRunning());
    EXPECT_EQ(w.PassList()->Model()->rowCount(), 0);
    EXPECT_EQ(w.StatusText(), "Ready");
    Settings defaults;  // but for the element services, which the fixture keeps local
    defaults.celesTrakUrl = defaults.spaceTrackUrl = "http://127.0.0.1:9";
    defaults.elementServerHost = "127.0.0.1";
    defaults.elementServerPort = 9;
    EXPECT_EQ(w.CurrentSettings(), defaults);
    EXPECT_EQ(w.windowTitle(), "Orvanta");

    Close();
    CRegistry reg;
    ASSERT_TRUE(reg.OpenSettings());
    EXPECT_EQ(reg.ValueSize("MainWindow"), WINDOW_PLACEMENT_SIZE);
    EXPECT_EQ(reg.ValueSize("Passlist"), 16u * 4u);  // with "Mag" and "Visible"
    EXPECT_EQ(reg.ValueSize("Passlist_ColOrder"), 16u * 4u);
    EXPECT_EQ(reg.ValueSize("Eventlog"), 2u * 4u);
    EXPECT_EQ(reg.ReadDword("Skyview Open", -1), 0);
    EXPECT_EQ(reg.ReadDword("Earthview Open", -1), 0);
    EXPECT_EQ(reg.ReadDword("Number of Sats", -1), 0);
}

TEST_F(MainWindowTest, StartLineUsesThePluralForSeveralProcessors) {
    processors_ = 4;
    Start();
    EXPECT_EQ(LogLines().back(), "Software started. 4 Processors detected");
}

TEST_F(MainWindowTest, ResetAtStartWithShiftCtrlStartsFromDefaults) {
    WriteDword("Number of Passes", 9);
    shiftCtrl_ = true;
    prompt_.answers = {PromptAnswer::Yes, PromptAnswer::No};  // reset yes, removal at exit no
    MainWindow& w = Start();
    ASSERT_FALSE(prompt_.asked.empty());
    EXPECT_EQ(prompt_.asked[0].text,
              "This will reset Orvanta registry settings to default. Are you sure?");
    EXPECT_EQ(w.CurrentSettings().numberOfPasses, 5);
    Close();
    ASSERT_EQ(prompt_.asked.size(), 2u);
    EXPECT_EQ(prompt_.asked[1].text,
              "This will remove Orvanta registry settings from your system. Are you sure?");
}

TEST_F(MainWindowTest, DecliningTheResetKeepsTheSettings) {
    WriteDword("Number of Passes", 9);
    shiftCtrl_ = true;
    prompt_.answers = {PromptAnswer::No, PromptAnswer::No};
    EXPECT_EQ(Start().CurrentSettings().numberOfPasses, 9);
}

TEST_F(MainWindowTest, MenusCarryTheirTextsAndShortcuts) {
    MainWindow& w = Start();
    QStringList menus;
    for (QAction* a : w.menuBar()->actions()) menus << a->text();
    EXPECT_EQ(menus, QStringList({"&File", "&Settings", "&View", "&Help"}));
    for (const char* text :
         {"E&xit", "&Satellites...", "S&ystem...", "&User...", "&Download Keplers...",
          "&Update Passlist now...", "&Skyview Window", "&Earthview Window",
          "Check for &updates...", "&Help...", "&About ..."})
        EXPECT_NE(FindAction(&w, text), nullptr) << text;
    EXPECT_EQ(FindAction(&w, "E&xit")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_X));
    EXPECT_EQ(FindAction(&w, "&Help...")->shortcut(), QKeySequence(Qt::Key_F1));
    EXPECT_TRUE(
        FindAction(&w, "&About ...")->shortcuts().contains(QKeySequence(Qt::ALT | Qt::Key_Slash)));

    // About shows the version line; Help opens the help window.
    QString version;
    QTimer::singleShot(0, [&] {
        auto* about = qobject_cast<AboutDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(about, nullptr);
        version = about->VersionText();
        about->reject();
    });
    FindAction(&w, "&About ...")->trigger();
    EXPECT_EQ(version, sizeof(void*) == 4 ? "Orvanta Version 1.1.14 (32-bit edition)"
                                          : "Orvanta Version 1.1.14 (64-bit edition)");
    FindAction(&w, "&Help...")->trigger();
    ASSERT_NE(HelpWindow::Instance(), nullptr);
    EXPECT_TRUE(HelpWindow::Instance()->isVisible());
    HelpWindow::CloseShared();

    // F1 on an open menu opens the main window's own page, not the contents.
    QMenu* settingsMenu = w.menuBar()->actions()[1]->menu();
    ASSERT_NE(settingsMenu, nullptr);
    settingsMenu->popup(QPoint(0, 0));
    QApplication::processEvents();
    QTest::keyClick(settingsMenu, Qt::Key_F1);
    ASSERT_NE(HelpWindow::Instance(), nullptr);
    EXPECT_EQ(HelpWindow::Instance()->CurrentPage(), HelpWindow::PageForContext(80));
    EXPECT_NE(HelpWindow::PageForContext(80), HelpWindow::PageForContext(HELP_DEFAULT_TOPIC));
    EXPECT_FALSE(settingsMenu->isVisible());
    HelpWindow::CloseShared();

    // The Earth view opens without a question.
    prompt_.asked.clear();
    FindAction(&w, "&Earthview Window")->trigger();
    EXPECT_TRUE(prompt_.asked.empty());
    EXPECT_NE(w.EarthViewWindow(), nullptr);
    // The element download runs without a question (to a closed local port here).
    prompt_.asked.clear();
    FindAction(&w, "&Download Keplers...")->trigger();
    EXPECT_TRUE(prompt_.asked.empty());
    EXPECT_TRUE(Logged("Downloading the \"active\" element sets from CelesTrak..."));
}

TEST_F(MainWindowTest, LayoutGivesThePassListTwoThirds) {
    const MainWindowLayout l = ComputeMainWindowLayout(675, 420, 20, false, 16);
    EXPECT_EQ(l.passList, QRect(0, 0, 675, 280));
    EXPECT_EQ(l.eventLog, QRect(0, 280, 675, 120));
    EXPECT_EQ(l.searchProgress, QRect(305, 2, 350, 16));
    EXPECT_EQ(l.downloadProgress, QRect(450, 2, 205, 16));
    // Host tiles take the top 100 pixels from the pass list only.
    const MainWindowLayout h = ComputeMainWindowLayout(675, 420, 20, true, 16);
    EXPECT_EQ(h.passList, QRect(0, 100, 675, 180));
    EXPECT_EQ(h.eventLog, l.eventLog);

    MainWindow& w = Start();
    w.resize(800, 600);
    QApplication::processEvents();
    const QRect pass = w.PassList()->geometry(), log = w.EventLog()->geometry();
    EXPECT_EQ(pass.width(), w.centralWidget()->width());
    EXPECT_EQ(pass.bottom() + 1, log.top());
    EXPECT_EQ(log.bottom() + 1, w.centralWidget()->height());
    EXPECT_NEAR(pass.height(), 2 * (log.height() + w.statusBar()->height()), 3);
}

TEST_F(MainWindowTest, StatusBarHasAFixedFirstPartAndASecondToTheRightEdge) {
    MainWindow& w = Start();
    w.show();
    for (int width : {675, 1000}) {
        w.resize(width, 480);
        QApplication::processEvents();
        auto* first = w.statusBar()->findChild<QLabel*>("statusText");
        auto* second = w.statusBar()->findChild<QLabel*>("statusRight");
        ASSERT_NE(first, nullptr);
        ASSERT_NE(second, nullptr);
        EXPECT_EQ(first->width(), 300);
        EXPECT_TRUE(first->isVisible());
        EXPECT_TRUE(second->isVisible());
        EXPECT_GT(second->x(), first->geometry().right());
        // Only the size grip may stand between the second part and the edge.
        EXPECT_GE(second->geometry().right(), w.statusBar()->width() - 32) << width;
        // Both parts are drawn as separate panels.
        EXPECT_NE(first->frameShape(), QFrame::NoFrame);
        EXPECT_NE(second->frameShape(), QFrame::NoFrame);
    }
    EXPECT_EQ(w.StatusText(), "Ready");
}

TEST_F(MainWindowTest, CloseAndRestartRestoresPlacementAndColumns) {
    MainWindow& w = Start();
    w.setGeometry(120, 140, 700, 500);
    QHeaderView* header = w.PassList()->header();
    header->resizeSection(0, 211);
    header->moveSection(3, 0);  // "T-" first
    w.EventLog()->header()->resizeSection(0, 133);  // the message column takes the rest
    const QRect placed = w.geometry();
    Close();

    MainWindow& again = Start();
    EXPECT_EQ(again.geometry().size(), placed.size());
    EXPECT_EQ(again.PassList()->header()->sectionSize(0), 211);
    EXPECT_EQ(again.PassList()->header()->logicalIndex(0), 3);
    EXPECT_EQ(again.PassList()->header()->logicalIndex(1), 0);
    EXPECT_EQ(again.EventLog()->header()->sectionSize(0), 133);
    // The stored widths are per logical column.
    const std::vector<std::int32_t> widths =
        Int32ArrayFromBlob(ReadBinary("Passlist").data(), 14 * 4, 14);
    EXPECT_EQ(widths[0], 211);
    EXPECT_EQ(widths[1], 80);
}

TEST_F(MainWindowTest, MissingElementFileIsReportedAndTheWindowStillStarts) {
    std::filesystem::remove(home_ / "keplers");
    QTemporaryDir emptyBuiltIn;
    MainWindowEnvironment env = Environment();
    env.builtInDirectory = emptyBuiltIn.path().toStdString();
    window_ = std::make_unique<MainWindow>(env);
    ASSERT_FALSE(prompt_.asked.empty());
    EXPECT_EQ(prompt_.asked[0].caption, "Problem");
    EXPECT_EQ(prompt_.asked[0].text,
              "Your application needs to be reinstalled. The Keplers file is missing!");
    EXPECT_EQ(window_->Catalogue().Count(), 0);
    EXPECT_EQ(window_->StartPassSearch(), 0);
}

TEST_F(MainWindowTest, DamagedElementFileOffersADownloadAndYesStartsIt) {
    {
        std::ofstream damaged(home_ / "keplers", std::ios::binary | std::ios::trunc);
        damaged << "<html>not elements</html>";
    }
    prompt_.answers = {PromptAnswer::Yes};
    Start();
    // The question, then word that the download has begun; it starts once the settings
    // are read (here towards a closed local port).
    ASSERT_EQ(prompt_.asked.size(), 2u);
    EXPECT_EQ(prompt_.asked[0].buttons, PromptButtons::YesNo);
    EXPECT_EQ(prompt_.asked[1].text.rfind("Download has been initiated!", 0), 0u);
    QApplication::processEvents();
    EXPECT_TRUE(Logged("Downloading the \"active\" element sets from CelesTrak..."));
}

TEST_F(MainWindowTest, FirstStartInstallsTheBuiltInElementFile) {
    QTemporaryDir program;
    MainWindowEnvironment env = Environment();
    env.programDirectory = program.path().toStdString();
    env.builtInDirectory = home_;  // holds the fixture's keplers
    window_ = std::make_unique<MainWindow>(env);
    EXPECT_TRUE(std::filesystem::exists(env.programDirectory / "keplers"));
    EXPECT_EQ(window_->Catalogue().Count(), 5);
    EXPECT_TRUE(prompt_.asked.empty());
}

TEST_F(MainWindowTest, APlacementOffEveryScreenIsIgnored) {
    WindowPlacement wp;
    wp.normal = {-9000, -9000, -8300, -8500};
    ASSERT_TRUE(SavePlacement("MainWindow", wp));
    MainWindow& w = Start();
    EXPECT_EQ(w.size(), QSize(675, 480));
    EXPECT_TRUE(
        QGuiApplication::primaryScreen()->availableVirtualGeometry().intersects(w.geometry()));
}

#if defined(__unix__) && !defined(__APPLE__)
TEST(ProgramStart, WithoutADisplayItSaysSoAndEndsInsteadOfAborting) {
    const std::filesystem::path program = std::filesystem::path(ORVANTA_BINARY_DIR) / "bin/orvanta";
    if (!std::filesystem::exists(program)) GTEST_SKIP() << "orvanta is not built";
    QTemporaryDir home;
    const std::string command = "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM HOME='" +
                                home.path().toStdString() + "' ORVANTA_HOME='" +
                                home.path().toStdString() + "' '" + program.string() + "' 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string output;
    char buffer[256];
    while (std::fgets(buffer, sizeof buffer, pipe)) output += buffer;
    const int status = pclose(pipe);
    ASSERT_TRUE(WIFEXITED(status)) << output;  // not killed by an abort
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_NE(output.find("no display found"), std::string::npos) << output;
    EXPECT_NE(output.find("orvanta-cli passes"), std::string::npos) << output;
}
#endif
