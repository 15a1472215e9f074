// The call to the desktop's notification service, against a stand-in on a private session
// bus that this test starts and stops: the arguments that go out, and that a bus without
// the service is reported so the caller can show its own message.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <optional>

#include "platform/desktop_notification.h"

using namespace orvanta::platform;

namespace {

class FakeNotifications : public QDBusVirtualObject {
public:
    std::optional<QList<QVariant>> arguments;

    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
        if (message.member() != QLatin1String("Notify")) return false;
        arguments = message.arguments();
        connection.send(message.createReply(QVariant::fromValue(7u)));
        return true;
    }
};

struct Outcome {
    bool called = false, ok = false;
    std::string error;
};

Outcome NotifyAndWait(const DesktopNotification& n) {
    Outcome out;
    NotifyDesktop(n, [&](bool ok, const std::string& error) { out = {true, ok, error}; });
    QElapsedTimer timer;
    timer.start();
    while (!out.called && timer.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    return out;
}

class DesktopNotificationTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        static int argc = 1;
        static char name[] = "test_platform_notify";
        static char* argv[] = {name, nullptr};
        if (!QCoreApplication::instance()) new QCoreApplication(argc, argv);
        daemon_ = new QProcess;
        dir_ = new QTemporaryDir;
        daemon_->start("dbus-daemon", {"--session", "--nofork", "--nopidfile",
                                       "--print-address=1",
                                       "--address=unix:path=" + dir_->filePath("bus")});
        if (!daemon_->waitForStarted(5000) || !daemon_->waitForReadyRead(5000)) return;
        const QString address = QString::fromUtf8(daemon_->readLine()).trimmed();
        // Read before the code under test first asks for its session bus.
        qputenv("DBUS_SESSION_BUS_ADDRESS", address.toUtf8());
        service_ = new QDBusConnection(QDBusConnection::connectToBus(address, "fake-notify"));
        service_->registerVirtualObject("/org/freedesktop/Notifications", &fake_);
    }
    static void TearDownTestSuite() {
        if (service_) QDBusConnection::disconnectFromBus("fake-notify");
        delete service_;
        service_ = nullptr;
        daemon_->kill();
        daemon_->waitForFinished(5000);
        delete daemon_;
        delete dir_;
    }
    void SetUp() override {
        if (!service_ || !service_->isConnected()) GTEST_SKIP() << "dbus-daemon did not start";
        fake_.arguments.reset();
    }

    static QProcess* daemon_;
    static QTemporaryDir* dir_;
    static QDBusConnection* service_;
    static FakeNotifications fake_;
};

QProcess* DesktopNotificationTest::daemon_ = nullptr;
QTemporaryDir* DesktopNotificationTest::dir_ = nullptr;
QDBusConnection* DesktopNotificationTest::service_ = nullptr;
FakeNotifications DesktopNotificationTest::fake_;

}  // namespace

TEST_F(DesktopNotificationTest, NotifyCarriesTheTextsAndTheServiceAnswerIsSuccess) {
    if (!DesktopNotificationsAvailable()) GTEST_SKIP() << "built without D-Bus";
    ASSERT_TRUE(service_->registerService("org.freedesktop.Notifications"));
    DesktopNotification n;
    n.summary = "ISS (ZARYA)";
    n.body = "ISS (ZARYA) rises in 10 min at 19:42:05, azimuth 251\xC2\xB0 (WSW)";
    const Outcome out = NotifyAndWait(n);
    service_->unregisterService("org.freedesktop.Notifications");
    EXPECT_TRUE(out.called);
    EXPECT_TRUE(out.ok) << out.error;
    ASSERT_TRUE(fake_.arguments);
    const QList<QVariant>& a = *fake_.arguments;
    ASSERT_EQ(a.size(), 8);
    EXPECT_EQ(a[0].toString(), "Orvanta");
    EXPECT_EQ(a[1].toUInt(), 0u);  // a new notification, replacing none
    EXPECT_EQ(a[3].toString(), "ISS (ZARYA)");
    EXPECT_EQ(a[4].toString(), QString::fromUtf8(n.body.c_str()));  // UTF-8 kept
    EXPECT_EQ(a[7].toInt(), -1);
}

TEST_F(DesktopNotificationTest, ABusWithoutTheServiceIsAFailureToFallBackFrom) {
    const Outcome out = NotifyAndWait({});
    EXPECT_TRUE(out.called);
    EXPECT_FALSE(out.ok);
    EXPECT_FALSE(out.error.empty());
    EXPECT_FALSE(fake_.arguments);
}
