// The "Radio & Rotator" window against stand-in daemons on loopback: connecting, asking the
// rotator's limits, pointing and tuning once tracking starts, and reporting a daemon that is
// not there. The clock is fixed, and each second is a call to Tick, so nothing depends on
// the machine's speed.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "common/event_log.h"
#include "common/ui/help_window.h"
#include "orbit/tle_file.h"
#include "radio/ui/radio_window.h"
#include "tests/support/qt_wait.h"

namespace orvanta {
namespace {

using testing::WaitFor;

// 2026-05-08 20:27:30 UTC: 27 s into the ISS's evening pass over Greenwich.
constexpr double kInPass = 2461169.35 + 210.0 / 86400.0;
const ObserverLocation kGreenwich{46, 51.4779, -0.0015};

cElementSet Iss() {
    TleReadResult file;
    std::string error;
    ReadTleFile(std::string(ORVANTA_BINARY_DIR) + "/bin/sample.tle", file, error);
    for (const TleRecord& r : file.records) {
        cElementSet e(r.name, r.line1, r.line2);
        if (e.CatalogueNumber() == 25544) return e;
    }
    return cElementSet("", "", "");
}

// Answers every line as a Hamlib daemon would: limits for \dump_state, RPRT 0 otherwise.
class StandIn {
public:
    StandIn() {
        server.listen(QHostAddress::LocalHost);
        QObject::connect(&server, &QTcpServer::newConnection, [this] {
            QTcpSocket* c = server.nextPendingConnection();
            QObject::connect(c, &QTcpSocket::readyRead, [this, c] {
                pending += c->readAll().toStdString();
                for (std::size_t eol; (eol = pending.find('\n')) != std::string::npos;) {
                    const std::string line = pending.substr(0, eol);
                    pending.erase(0, eol + 1);
                    lines.push_back(line);
                    c->write(line == "\\dump_state"
                                 ? "1\n1\nmin_az=0.000000\nmax_az=360.000000\nmin_el=0.000000\n"
                                   "max_el=180.000000\ndone\n"
                                 : "RPRT 0\n");
                }
            });
        });
    }
    QString Address() const { return QStringLiteral("127.0.0.1:%1").arg(server.serverPort()); }
    bool Got(const std::string& prefix) const {
        for (const auto& l : lines)
            if (l.rfind(prefix, 0) == 0) return true;
        return false;
    }
    std::string Last(const std::string& prefix) const {
        for (auto it = lines.rbegin(); it != lines.rend(); ++it)
            if (it->rfind(prefix, 0) == 0) return *it;
        return {};
    }

    QTcpServer server;
    std::string pending;
    std::vector<std::string> lines;
};

class RadioWindowTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        static int argc = 1;
        static char name[] = "test_radio_ui";
        static char* argv[] = {name, nullptr};
        if (!QApplication::instance()) new QApplication(argc, argv);
    }
    std::unique_ptr<RadioWindow> MakeWindow() {
        RadioWindowContext context;
        context.now = [this] { return now; };
        context.observer = [] { return kGreenwich; };
        context.selectedSatellite = [] { return std::optional<cElementSet>(Iss()); };
        return std::make_unique<RadioWindow>(std::move(context));
    }
    double now = kInPass;
};

TEST_F(RadioWindowTest, PointsAndTunesOnceTrackingStarts) {
    StandIn rotator, radio;
    EventRecorder log;
    auto w = MakeWindow();
    w->RotatorAddress()->setText(rotator.Address());
    w->RadioAddress()->setText(radio.Address());
    // The ISS's transmitters from the built-in table, lowest frequency first.
    ASSERT_GT(w->TransmitterList()->count(), 10);
    EXPECT_TRUE(w->TransmitterList()->itemText(0).startsWith("121.100 MHz FM"));

    QTest::mouseClick(w->RotatorButton(), Qt::LeftButton);
    QTest::mouseClick(w->RadioButton(), Qt::LeftButton);
    ASSERT_TRUE(WaitFor([&] { return rotator.Got("\\dump_state"); }));
    ASSERT_TRUE(WaitFor([&] { return w->StatusText().contains("elevation 0..180"); }));
    EXPECT_TRUE(log.Contains("Rotator connected at " + rotator.Address().toStdString(), LOG_SUCCESS));
    // Not tracking yet: the window shows values but commands nothing.
    w->Tick();
    QTest::qWait(50);
    EXPECT_FALSE(rotator.Got("P "));

    ASSERT_TRUE(WaitFor([&] { return w->StatusText().contains("| connected |"); }));
    ASSERT_TRUE(WaitFor([&] { return radio.Got("M FM 0"); }));  // the transmitter's mode
    QTest::mouseClick(w->TrackButton(), Qt::LeftButton);
    ASSERT_TRUE(WaitFor([&] { return rotator.Got("P "); }));
    ASSERT_TRUE(WaitFor([&] { return radio.Got("F "); }));
    const TrackStep step = const_cast<SatelliteTracker*>(w->Tracker())->Step(now);
    double az = 0, el = 0;
    ASSERT_EQ(std::sscanf(rotator.Last("P ").c_str(), "P %lf %lf", &az, &el), 2);
    EXPECT_NEAR(az, step.look.az, 1.0);
    EXPECT_NEAR(el, step.look.el, 1.0);
    long long hz = 0;
    ASSERT_EQ(std::sscanf(radio.Last("F ").c_str(), "F %lld", &hz), 1);
    const double base = w->Tracker()->Settings().downlinkHz;
    EXPECT_NEAR(static_cast<double>(hz), DopplerDownlink(base, step.rangeRateKmS), 20.0);

    // A second later the satellite has moved less than the threshold: nothing new is sent.
    const std::size_t sent = rotator.lines.size();
    now += 1.0 / 86400.0;
    w->Tick();
    QTest::qWait(50);
    EXPECT_EQ(rotator.lines.size(), sent);

    // Stopping the track stops the rotator.
    QTest::mouseClick(w->TrackButton(), Qt::LeftButton);
    ASSERT_TRUE(WaitFor([&] { return rotator.Got("S"); }));
}

TEST_F(RadioWindowTest, AMissingDaemonIsReportedOnceAndRetriedWhileTracking) {
    EventRecorder log;
    auto w = MakeWindow();
    QTcpServer closed;
    closed.listen(QHostAddress::LocalHost);
    const QString address = QStringLiteral("127.0.0.1:%1").arg(closed.serverPort());
    closed.close();
    w->RotatorAddress()->setText(address);
    QTest::mouseClick(w->RotatorButton(), Qt::LeftButton);
    ASSERT_TRUE(WaitFor([&] { return w->StatusText().startsWith("failed"); }));
    QTest::mouseClick(w->TrackButton(), Qt::LeftButton);
    // Ten ticks later it tries again, and fails again, without a second log line.
    for (int i = 0; i < 11; ++i) {
        now += 1.0 / 86400.0;
        w->Tick();
    }
    QTest::qWait(200);
    int lines = 0;
    for (const auto& e : log.Entries())
        lines += e.text.find("trying again every 10 s") != std::string::npos;
    EXPECT_EQ(lines, 1);
    EXPECT_TRUE(w->StatusText().startsWith("failed"));
    // Bad addresses are refused before any connection is tried.
    w->RadioAddress()->setText(QStringLiteral("no port here"));
    QTest::mouseClick(w->RadioButton(), Qt::LeftButton);
    EXPECT_TRUE(w->StatusText().contains("address must be HOST:PORT"));
}

TEST_F(RadioWindowTest, SimulatedTimeSendsNothingUntilRealTimeReturns) {
    StandIn rotator, radio;
    auto w = MakeWindow();
    w->RotatorAddress()->setText(rotator.Address());
    w->RadioAddress()->setText(radio.Address());
    w->SetRealTime(false);
    EXPECT_FALSE(w->RealTime());
    EXPECT_TRUE(w->SimulatedLine()->isVisibleTo(w.get()));
    EXPECT_EQ(w->SimulatedLine()->text(), "Simulated time: nothing is sent to the radio or rotator");
    QTest::mouseClick(w->RotatorButton(), Qt::LeftButton);
    QTest::mouseClick(w->RadioButton(), Qt::LeftButton);
    ASSERT_TRUE(WaitFor([&] { return w->StatusText().contains("| connected |"); }));
    QTest::mouseClick(w->TrackButton(), Qt::LeftButton);
    for (int i = 0; i < 3; ++i) {
        now += 1.0 / 86400.0;
        w->Tick();
    }
    QTest::qWait(100);
    EXPECT_FALSE(rotator.Got("P "));
    EXPECT_FALSE(radio.Got("F "));
    EXPECT_FALSE(radio.Got("M "));  // not even the mode on connecting

    w->SetRealTime(true);
    EXPECT_FALSE(w->SimulatedLine()->isVisibleTo(w.get()));
    w->Tick();
    ASSERT_TRUE(WaitFor([&] { return rotator.Got("P ") && radio.Got("F "); }));
}

// The ISS's elements under RS-44's number, checksums redone: only the transmitters change.
cElementSet AsRs44(const cElementSet& iss) {
    auto renumber = [](std::string line) {
        line.replace(2, 5, "44909");
        int sum = 0;
        for (std::size_t i = 0; i < 68; ++i)
            sum += line[i] == '-' ? 1 : (line[i] >= '0' && line[i] <= '9' ? line[i] - '0' : 0);
        line[68] = static_cast<char>('0' + sum % 10);
        return line;
    };
    return cElementSet("RS-44", renumber(iss.Line1()), renumber(iss.Line2()));
}

TEST_F(RadioWindowTest, AnInvertingTransponderTunesItsUplinkTheOtherWay) {
    RadioWindowContext context;
    context.now = [this] { return now; };
    context.observer = [] { return kGreenwich; };
    context.selectedSatellite = [] { return std::optional<cElementSet>(AsRs44(Iss())); };
    RadioWindow w(std::move(context));
    ASSERT_NE(w.Tracker(), nullptr);
    const int row = w.TransmitterList()->findText("435.610-435.670 MHz", Qt::MatchStartsWith);
    ASSERT_GE(row, 0);
    EXPECT_FALSE(w.Passband()->isEnabled()) << "the lowest entry is a beacon, not a band";
    w.TransmitterList()->setCurrentIndex(row);
    ASSERT_TRUE(w.Passband()->isEnabled());
    EXPECT_EQ(w.Passband()->value(), 30000);  // the middle of the 60 kHz band
    w.Passband()->setValue(40000);
    EXPECT_EQ(w.Tracker()->Settings().downlinkHz, 435650000.0);
    EXPECT_EQ(w.Tracker()->Settings().uplinkHz, 145955000.0);
    w.Passband()->setValue(50000);  // 10 kHz up on the downlink, 10 kHz down on the uplink
    EXPECT_EQ(w.Tracker()->Settings().uplinkHz, 145945000.0);
}

TEST_F(RadioWindowTest, F1OpensItsHelpPage) {
    auto w = MakeWindow();
    w->show();
    w->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));
    QTest::keyClick(w.get(), Qt::Key_F1);
    ASSERT_NE(HelpWindow::Instance(), nullptr);
    EXPECT_TRUE(HelpWindow::Instance()->isVisible());
    EXPECT_EQ(HelpWindow::Instance()->CurrentPage().fileName(), "radio_window.html");
    HelpWindow::CloseShared();
}

TEST_F(RadioWindowTest, RotatorStatusIsShownWhole) {
    StandIn rotator;
    auto w = MakeWindow();
    w->show();
    w->RotatorAddress()->setText(rotator.Address());
    QTest::mouseClick(w->RotatorButton(), Qt::LeftButton);
    ASSERT_TRUE(WaitFor([&] { return w->StatusText().contains("elevation 0..180"); }));
    QApplication::processEvents();
    if (const char* png = std::getenv("ORVANTA_RENDER")) w->grab().save(QString::fromUtf8(png));
    auto* status = w->findChild<QLabel*>(QStringLiteral("rotatorStatus"));
    ASSERT_NE(status, nullptr);
    EXPECT_EQ(status->toolTip(), status->text());
    // All of the text fits the label as laid out, wrapped if need be.
    const QRect need = status->fontMetrics().boundingRect(
        QRect(0, 0, status->contentsRect().width(), 1000), Qt::TextWordWrap, status->text());
    EXPECT_LE(need.width(), status->contentsRect().width());
    EXPECT_LE(need.height(), status->contentsRect().height());
}

}  // namespace
}  // namespace orvanta
