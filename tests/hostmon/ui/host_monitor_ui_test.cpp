// Tiles, the tile menu, the host settings dialog, the colour chooser and the trace route
// dialog, with a scripted prompt and pings that never leave the process.
#include <gtest/gtest.h>

#include <QAction>
#include <QLabel>
#include <QSlider>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <thread>

#include "common/prompt.h"
#include "common/registry.h"
#include "common/ui/colour_chooser_dialog.h"
#include "common/ui/drawing_objects.h"
#include "hostmon/host_statistics.h"
#include "hostmon/ui/host_monitor_panel.h"
#include "hostmon/ui/host_settings_dialog.h"
#include "hostmon/ui/host_tile.h"
#include "hostmon/ui/trace_route_dialog.h"
#include "platform/settings_store.h"
#include "tests/support/qt_wait.h"

namespace orvanta {
namespace {

constexpr int kWaitMs = 30000;  // generous: CI shares two cores

HostRecord Host(const std::string& tag, const std::string& address) {
    HostRecord h;
    h.tag = tag;
    h.address = address;
    return h;
}

QColor At(const QImage& image, int x, int y) {
    return QColor(image.pixel(x, y));
}

TEST(HostTilePaint, BackgroundTextsBoxAndGraph) {
    PingParameters p;
    HostRecord h = Host("gw", "127.0.0.1");
    h.successes = 99;
    h.failures = 1;
    h.lastResult = -1;
    h.history[0] = 100;
    h.history[1] = 50;
    const QSize size(46, 56);
    const QImage image = PaintHostTile(h, p, size);
    EXPECT_EQ(At(image, 1, 50), QColor(0, 255, 0)) << "99 % is the OK limit: green";
    // The orange box spans the width just below the third line.
    EXPECT_EQ(At(image, 2, 36), QColor(255, 170, 0));
    // Newest result in the rightmost column, 15 pixels; the one before at half height.
    for (int y = 55; y > 55 - 15; --y) EXPECT_EQ(At(image, 45, y), QColor(Qt::black)) << y;
    EXPECT_NE(At(image, 45, 55 - 15), QColor(Qt::black));
    EXPECT_EQ(At(image, 44, 55 - 6), QColor(Qt::black));
    EXPECT_NE(At(image, 44, 55 - 8), QColor(Qt::black));

    h.successes = 0;
    h.lastResult = 12;
    EXPECT_EQ(At(PaintHostTile(h, p, size), 1, 50), QColor(255, 0, 0)) << "no success yet";
    EXPECT_NE(At(PaintHostTile(h, p, size), 2, 36), QColor(255, 170, 0)) << "no box";
}

// A settings store of its own and pings answered by the test.
class HostUiTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetSettingsStore(platform::MakeMemorySettingsStore());
        env_.prompt = &prompt_;
        env_.hooks.ping = [this](const std::string& address, const std::atomic<bool>*) {
            PingOutcome o;
            o.code = address == "down" ? PING_TIMED_OUT : PING_SUCCESS;
            o.address = {127, 0, 0, 1};
            o.rttMs = 3;
            ++pings_;
            return o;
        };
        env_.hooks.reverseLookup = [](const Ipv4Address&) { return std::string("localhost"); };
        env_.testPing = [this](const std::string& address) {
            return env_.hooks.ping(address, nullptr);
        };
        env_.chooseColour = [this](QWidget*, const QColor& initial) {
            offered_ = initial;
            return chosen_;
        };
        parent_.resize(675, 480);
    }
    void TearDown() override {
        panel_.reset();
        SetSettingsStore(nullptr);
    }
    HostMonitorPanel& Panel(std::vector<HostRecord> hosts) {
        CRegistry reg;
        SaveHostList(reg, hosts);
        panel_ = std::make_unique<HostMonitorPanel>(&parent_, env_);
        panel_->LoadAndStart();
        return *panel_;
    }
    static std::vector<HostRecord> Stored() {
        CRegistry reg;
        return LoadHostList(reg);
    }

    ScriptedPrompt prompt_;
    HostMonitorEnvironment env_;
    QWidget parent_;
    std::unique_ptr<HostMonitorPanel> panel_;
    std::atomic<int> pings_{0};
    QColor offered_, chosen_{10, 20, 30};
};

TEST_F(HostUiTest, TilesSitInARowWithTheirMenuAndTooltip) {
    auto& panel = Panel({Host("gw", "127.0.0.1"), Host("dns", "down")});
    ASSERT_EQ(panel.Tiles().size(), 2u);
    EXPECT_EQ(panel.Tiles()[0]->geometry(), QRect(60, 10, 50, 60));
    EXPECT_EQ(panel.Tiles()[1]->geometry(), QRect(110, 10, 50, 60));
    QStringList texts;
    for (QAction* a : panel.Tiles()[1]->ContextMenu()->actions())
        if (!a->isSeparator()) texts << a->text();
    EXPECT_EQ(texts, (QStringList{"dns's Menu", "&Reset 24h statistics", "&Trace route to host",
                                  "&Delete this host", "&Settings..."}));
    EXPECT_FALSE(panel.Tiles()[1]->ContextMenu()->actions()[0]->isEnabled());
    ASSERT_TRUE(orvanta::testing::WaitFor([&] { return panel.Monitor().Snapshot(1).failures >= 1; },
                                          kWaitMs));
    ASSERT_TRUE(orvanta::testing::WaitFor(
        [&] { return panel.Tiles()[0]->ToolTipHtml().contains("Reverse DNS"); }, kWaitMs));
    const QString tip = panel.Tiles()[0]->ToolTipHtml();
    EXPECT_TRUE(tip.contains("<td>Reverse DNS:</td><td>localhost</td>")) << tip.toStdString();
    EXPECT_TRUE(tip.contains("24h reset in:")) << tip.toStdString();
}

TEST_F(HostUiTest, TileFiguresAreNamedAndTheIntervalSliderShowsItsValue) {
    auto& panel = Panel({Host("gw", "127.0.0.1")});
    ASSERT_TRUE(orvanta::testing::WaitFor(
        [&] { return panel.Monitor().Snapshot(0).successes >= 1; }, kWaitMs));
    const QString tip = panel.Tiles()[0]->ToolTipHtml();
    EXPECT_TRUE(tip.contains("<td>Success rate:</td><td>100.00% (1 of 1 pings)</td>"))
        << tip.toStdString();
    EXPECT_TRUE(tip.contains("<td>avg (reply time):</td><td>3 ms</td>")) << tip.toStdString();
    EXPECT_TRUE(tip.contains("<td>last (last ping):</td><td>3 ms</td>")) << tip.toStdString();
    if (const char* png = std::getenv("ORVANTA_RENDER"))
        PaintHostTile(panel.Monitor().Snapshot(0), PingParameters{}, QSize(46, 56))
            .scaled(184, 224)
            .save(QString::fromUtf8(png));

    HostSettingsDialog d(nullptr, panel);
    EXPECT_EQ(d.intervalValue->text(), "15 s");
    d.interval->setRange(5, 60);
    d.interval->setValue(30);  // as a drag does, step by step
    EXPECT_EQ(d.intervalValue->text(), "30 s");
}

TEST_F(HostUiTest, ResetAndDeleteAskFirst) {
    auto& panel = Panel({Host("a", "127.0.0.1"), Host("b", "down"), Host("c", "127.0.0.1")});
    ASSERT_TRUE(orvanta::testing::WaitFor(
        [&] { return panel.Monitor().Snapshot(0).successes >= 1; }, kWaitMs));

    prompt_.answers = {PromptAnswer::No};
    panel.AskResetStatistics(0);
    ASSERT_EQ(prompt_.asked.size(), 1u);
    EXPECT_EQ(prompt_.asked[0].caption, "Confirm");
    EXPECT_EQ(prompt_.asked[0].text,
              "Are you sure you want to reset the statistics for this host?");
    EXPECT_EQ(prompt_.asked[0].buttons, PromptButtons::YesNo);
    EXPECT_EQ(prompt_.asked[0].icon, PromptIcon::Question);
    EXPECT_GE(panel.Monitor().Snapshot(0).successes, 1);

    // The monitors go on, so stop them to look at the reset in peace.
    panel.StopMonitors();
    panel.AskResetStatistics(0);
    const HostRecord reset = panel.Monitor().Snapshot(0);
    EXPECT_EQ(reset.successes, 0);
    EXPECT_EQ(reset.cycles, 1);
    EXPECT_EQ(reset.history[0], 0);
    panel.StartMonitors();

    prompt_.answers = {PromptAnswer::No};
    panel.AskDeleteHost(1);
    EXPECT_EQ(prompt_.asked.back().text, "Are you sure you want to delete this host?");
    EXPECT_EQ(panel.Monitor().Count(), 3u);
    panel.AskDeleteHost(1);
    ASSERT_EQ(panel.Monitor().Count(), 2u);
    EXPECT_EQ(panel.Monitor().Snapshot(1).tag, "c");
    EXPECT_EQ(panel.Tiles().size(), 2u);
    const auto stored = Stored();
    ASSERT_EQ(stored.size(), 2u);
    EXPECT_EQ(stored[1].tag, "c");
    EXPECT_TRUE(panel.Monitor().Running());
}

// A thread inside a name lookup does not see the stop flag; adding a host meanwhile must
// neither freeze the window nor wait for the lookup.
TEST_F(HostUiTest, AddingAHostWhileALookupHangsKeepsTheWindowServed) {
    struct Gate {
        std::atomic<bool> entered{false}, release{false};
    };
    auto gate = std::make_shared<Gate>();
    env_.hooks.ping = [gate](const std::string&, const std::atomic<bool>*) {
        gate->entered = true;
        for (int i = 0; i < 1000 && !gate->release; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        return PingOutcome{};
    };
    env_.hooks.stopWait = std::chrono::milliseconds(300);
    auto& panel = Panel({Host("slow", "slow.example")});
    ASSERT_TRUE(orvanta::testing::WaitFor([&] { return gate->entered.load(); }, kWaitMs));
    int ticks = 0;
    QTimer timer;
    timer.setInterval(10);
    QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
    timer.start();
    panel.AddHost("127.0.0.2", "new");
    EXPECT_GT(ticks, 0) << "the window was frozen while the monitors stopped";
    EXPECT_EQ(panel.Monitor().Abandoned(), 1);
    EXPECT_FALSE(gate->release.load());
    ASSERT_EQ(panel.Monitor().Count(), 2u);
    EXPECT_EQ(panel.Tiles().size(), 2u);
    EXPECT_EQ(Stored().size(), 2u);
    gate->release = true;
}

TEST_F(HostUiTest, SettingsDialogAddsEditsDeletesAndSaves) {
    auto& panel = Panel({});
    QSignalSpy tiles(&panel, &HostMonitorPanel::tilesChanged);
    HostSettingsDialog d(nullptr, panel);
    EXPECT_EQ(d.windowTitle(), "Settings");
    EXPECT_EQ(d.limits[0]->text(), "99.00");
    EXPECT_EQ(d.limits[1]->text(), "80.00");
    EXPECT_EQ(d.limits[2]->text(), "60.00");

    d.address->setText("127.0.0.1");
    d.AddOrUpdate();
    ASSERT_EQ(prompt_.asked.size(), 1u);
    EXPECT_EQ(prompt_.asked[0].caption, "Error");
    EXPECT_EQ(prompt_.asked[0].text,
              "Both Hostname/IP address as well as a display tag must be given!");
    EXPECT_EQ(prompt_.asked[0].icon, PromptIcon::Error);
    EXPECT_EQ(panel.Monitor().Count(), 0u);

    d.tag->setText("loop");
    d.AddOrUpdate();
    d.address->setText("down");
    d.tag->setText("lost");
    d.AddOrUpdate();
    ASSERT_EQ(d.hostList->count(), 2);
    EXPECT_EQ(d.hostList->item(0)->text(), "loop (127.0.0.1)");
    EXPECT_EQ(panel.Tiles().size(), 2u);
    EXPECT_FALSE(tiles.isEmpty());
    EXPECT_TRUE(tiles.back().at(0).toBool());
    EXPECT_EQ(Stored().size(), 2u);

    d.hostList->setCurrentRow(1);
    d.EditSelected();
    EXPECT_EQ(d.address->text(), "down");
    EXPECT_EQ(d.RememberedIndex(), 1);
    d.address->setText("127.0.0.2");
    d.tag->setText("two");
    d.AddOrUpdate();
    EXPECT_EQ(d.RememberedIndex(), -1);
    EXPECT_EQ(d.hostList->item(1)->text(), "two (127.0.0.2)");
    EXPECT_EQ(panel.Tiles()[1]->ContextMenu()->actions()[0]->text(), "two's Menu");
    EXPECT_EQ(panel.Monitor().Count(), 2u);
    EXPECT_EQ(Stored()[1].address, "127.0.0.2");

    d.hostList->setCurrentRow(0);
    d.DeleteSelected();
    ASSERT_EQ(d.hostList->count(), 1);
    EXPECT_EQ(d.hostList->item(0)->text(), "two (127.0.0.2)");
    EXPECT_EQ(Stored().size(), 1u);
    d.hostList->setCurrentRow(0);
    d.DeleteSelected();
    EXPECT_EQ(panel.Tiles().size(), 0u);
    EXPECT_FALSE(tiles.back().at(0).toBool());
}

TEST_F(HostUiTest, TestPingTellsWhatHappened) {
    auto& panel = Panel({});
    HostSettingsDialog d(nullptr, panel);
    d.TestPing();
    ASSERT_EQ(prompt_.asked.size(), 1u);
    EXPECT_EQ(prompt_.asked[0].caption, "Error");
    EXPECT_EQ(prompt_.asked[0].text, "You must enter a Hostname or IP address!");

    QSignalSpy done(&d, &HostSettingsDialog::testFinished);
    d.address->setText("127.0.0.1");
    d.TestPing();
    ASSERT_TRUE(done.wait(kWaitMs));
    ASSERT_EQ(prompt_.asked.size(), 2u);
    EXPECT_EQ(prompt_.asked[1].caption, "Ping reply");
    EXPECT_EQ(prompt_.asked[1].text, "127.0.0.1 [localhost], replied in 3ms");
    EXPECT_EQ(prompt_.asked[1].icon, PromptIcon::Information);

    d.address->setText("down");
    d.TestPing();
    ASSERT_TRUE(done.wait(kWaitMs));
    ASSERT_EQ(prompt_.asked.size(), 3u);
    EXPECT_EQ(prompt_.asked[2].caption, "Ping error");
    EXPECT_EQ(prompt_.asked[2].text, "Failed in call to ping, packet timed out!");
    EXPECT_EQ(prompt_.asked[2].icon, PromptIcon::Warning);
    EXPECT_TRUE(d.testButton->isEnabled());
}

TEST_F(HostUiTest, LimitsMustBeNumbersAndColoursComeFromTheChooser) {
    auto& panel = Panel({});
    QSignalSpy recreated(&panel, &HostMonitorPanel::drawingObjectsChanged);
    HostSettingsDialog d(nullptr, panel);
    const char* messages[3] = {"Ping OK limit is not numerical!",
                               "Ping Warning limit is not numerical!",
                               "Ping Failure limit is not numerical!"};
    for (int i = 0; i < 3; ++i) {
        for (int k = 0; k < 3; ++k) d.limits[k]->setText(k == i ? "9x" : "50");
        prompt_.asked.clear();
        d.accept();
        ASSERT_EQ(prompt_.asked.size(), 1u);
        EXPECT_EQ(prompt_.asked[0].text, messages[i]);
        EXPECT_EQ(d.result(), QDialog::Rejected);
    }
    EXPECT_EQ(panel.Parameters().okLimit, 99.0f) << "nothing taken while one is wrong";

    d.PickColour(1);
    EXPECT_EQ(offered_, QColor(255, 255, 0));
    EXPECT_EQ(panel.Parameters().warningColour, 0x001E140Au);  // RGB(10, 20, 30)
    EXPECT_EQ(d.limits[1]->palette().color(QPalette::Base), QColor(10, 20, 30));
    EXPECT_EQ(recreated.size(), 1);
    EXPECT_EQ(SharedDrawingObjects().hostBrushes[1].color(), QColor(10, 20, 30));

    d.limits[0]->setText("95.5");
    d.limits[1]->setText("70");
    d.limits[2]->setText("50");
    d.accept();
    EXPECT_EQ(d.result(), QDialog::Accepted);
    EXPECT_EQ(panel.Parameters().okLimit, 95.5f);
    EXPECT_EQ(panel.Parameters().warningLimit, 70.0f);
    EXPECT_EQ(panel.Parameters().failureLimit, 50.0f);
    panel.SaveAndStop();
    CRegistry reg;
    EXPECT_EQ(LoadPingParameters(reg).okLimit, 95.5f);
}

TEST(ColourChooser, FieldsFollowEachOtherAndCancelKeepsTheOldColour) {
    ColourChooserDialog d(nullptr, QColor(255, 0, 0));
    EXPECT_EQ(d.windowTitle(), "Color chooser...");
    EXPECT_EQ(d.hue->value(), 0);
    EXPECT_EQ(d.saturation->value(), 100);
    EXPECT_EQ(d.brightness->value(), 100);
    d.green->setValue(255);  // yellow
    EXPECT_EQ(d.Chosen(), QColor(255, 255, 0));
    EXPECT_EQ(d.hue->value(), 60);
    d.brightness->setValue(50);
    EXPECT_EQ(d.Chosen(), QColor(127, 127, 0));
    EXPECT_EQ(d.red->value(), 127);
    EXPECT_EQ(d.oldSwatch->palette().color(QPalette::Window), QColor(255, 0, 0));
    EXPECT_EQ(d.newSwatch->palette().color(QPalette::Window), QColor(127, 127, 0));
    QAction* orange = nullptr;
    for (QAction* a : d.PresetMenu()->actions())
        if (a->text() == "Orange") orange = a;
    ASSERT_NE(orange, nullptr);
    orange->trigger();
    EXPECT_EQ(d.Chosen(), QColor(255, 170, 0));
    EXPECT_EQ(d.blue->value(), 0);

    QTimer::singleShot(0, [] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* c = qobject_cast<ColourChooserDialog*>(w); c && c->isVisible()) {
                c->red->setValue(1);
                c->reject();
            }
    });
    EXPECT_EQ(ChooseColour(nullptr, QColor(0, 255, 0)), QColor(0, 255, 0));
    QTimer::singleShot(0, [] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* c = qobject_cast<ColourChooserDialog*>(w); c && c->isVisible()) {
                c->blue->setValue(9);
                c->accept();
            }
    });
    EXPECT_EQ(ChooseColour(nullptr, QColor(0, 255, 0)), QColor(0, 255, 9));
}

// Answers every probe: hop 1 from a router, hop 2 from the target; or never.
class FakeTraceSocket : public platform::IcmpSocket {
public:
    explicit FakeTraceSocket(bool silent) : silent_(silent) {}
    platform::IcmpSocketKind Kind() const override { return platform::IcmpSocketKind::Raw; }
    int KernelIdentifier() const override { return 77; }
    bool SetTimeToLive(int ttl) override {
        ttl_ = ttl;
        return true;
    }
    bool Send(const std::vector<std::uint8_t>& m, const Ipv4Address&) override {
        sent_ = m;
        pending_ = true;
        return true;
    }
    platform::IcmpReceive Receive(int timeoutMs, platform::IcmpDatagram& out) override {
        if (silent_ || !pending_) {
            std::this_thread::sleep_for(std::chrono::milliseconds(std::min(timeoutMs, 20)));
            return platform::IcmpReceive::TimedOut;
        }
        pending_ = false;
        out.form = platform::IcmpDatagram::Form::ErrorReport;
        out.bytes = sent_;
        out.errorType = ttl_ == 1 ? 11 : 3;
        out.from = {198, 18, 0, static_cast<std::uint8_t>(ttl_)};
        return platform::IcmpReceive::Message;
    }

private:
    bool silent_;
    int ttl_ = 0;
    bool pending_ = false;
    std::vector<std::uint8_t> sent_;
};

TEST(TraceRouteWindow, RowsArriveAndClosingStopsTheTrace) {
    TraceRequest r;
    r.host = "198.18.0.9";
    r.opener = [](std::string*) { return std::make_unique<FakeTraceSocket>(false); };
    TraceRouteDialog d(nullptr, r);
    EXPECT_EQ(d.windowTitle(), "Traceroute result");
    QSignalSpy finished(&d, &TraceRouteDialog::traceFinished);
    ASSERT_TRUE(finished.wait(kWaitMs));
    ASSERT_TRUE(
        orvanta::testing::WaitFor([&] { return d.List()->topLevelItemCount() == 2; }, kWaitMs));
    EXPECT_EQ(d.List()->headerItem()->text(3), "Message");
    EXPECT_EQ(d.List()->topLevelItem(0)->text(1), "198.18.0.1");
    EXPECT_EQ(d.List()->topLevelItem(1)->text(1), "198.18.0.2");
    EXPECT_EQ(d.List()->topLevelItem(1)->text(3), "Destination unreachable!");
    EXPECT_EQ(d.List()->topLevelItem(1)->text(2), "");

    // Ten silent hops of ten minutes each: closing must not wait for them.
    r.opener = [](std::string*) { return std::make_unique<FakeTraceSocket>(true); };
    r.hopTimeoutMs = 600000;
    auto quiet = std::make_unique<TraceRouteDialog>(nullptr, r);
    QTest::qWait(300);  // the trace has started
    const auto start = std::chrono::steady_clock::now();
    quiet->done(QDialog::Accepted);
    quiet.reset();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
}

}  // namespace
}  // namespace orvanta
