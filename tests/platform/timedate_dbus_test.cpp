// The call to systemd-timedated, against a stand-in on a private bus that this test starts
// and stops: which arguments and flags go out, and how each answer is read. The system bus
// and the machine's clock are never touched.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QProcess>
#include <QTemporaryDir>
#include <optional>

#include "platform/posix/timedate_dbus.h"

using namespace orvanta;
using namespace orvanta::platform;

namespace {

// What the stand-in saw of the one SetTime call it answered.
struct SetTimeCall {
    qlonglong usec = 0;
    bool relative = false;
    bool interactiveArgument = false;
    bool interactiveFlag = false;
};

class FakeTimedated : public QDBusVirtualObject {
public:
    QString refusal;  // an error name to answer with; empty: success
    std::optional<SetTimeCall> call;

    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
        if (message.member() != QLatin1String("SetTime") || message.arguments().size() != 3)
            return false;
        const QList<QVariant> a = message.arguments();
        call = SetTimeCall{a[0].toLongLong(), a[1].toBool(), a[2].toBool(),
                           message.isInteractiveAuthorizationAllowed()};
        connection.send(refusal.isEmpty() ? message.createReply()
                                          : message.createErrorReply(refusal, "Refused."));
        return true;
    }
};

class TimedateTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        static int argc = 1;
        static char name[] = "test_platform_timedate";
        static char* argv[] = {name, nullptr};
        if (!QCoreApplication::instance()) new QCoreApplication(argc, argv);
        bus_ = new PrivateBus;
    }
    static void TearDownTestSuite() {
        delete bus_;
        bus_ = nullptr;
    }

    // A bus daemon of our own; the code under test finds it as its "system bus".
    struct PrivateBus {
        PrivateBus() {
            daemon.start("dbus-daemon",
                         {"--session", "--nofork", "--nopidfile", "--print-address=1",
                          "--address=unix:path=" + dir.filePath("bus")});
            if (!daemon.waitForStarted(5000) || !daemon.waitForReadyRead(5000)) return;
            address = QString::fromUtf8(daemon.readLine()).trimmed();
            qputenv("DBUS_SYSTEM_BUS_ADDRESS", address.toUtf8());
            service = QDBusConnection::connectToBus(address, "fake-timedated");
            service.registerVirtualObject("/org/freedesktop/timedate1", &fake);
        }
        ~PrivateBus() {
            QDBusConnection::disconnectFromBus("fake-timedated");
            daemon.kill();
            daemon.waitForFinished(5000);
        }
        QTemporaryDir dir;
        QProcess daemon;
        QString address;
        QDBusConnection service{QString()};
        FakeTimedated fake;
    };

    void SetUp() override {
        if (!bus_ || bus_->address.isEmpty()) GTEST_SKIP() << "dbus-daemon could not be started";
        bus_->fake.call.reset();
        bus_->fake.refusal.clear();
        ASSERT_TRUE(bus_->service.registerService("org.freedesktop.timedate1"));
    }
    void TearDown() override {
        if (bus_) bus_->service.unregisterService("org.freedesktop.timedate1");
    }

    static PrivateBus* bus_;
};

TimedateTest::PrivateBus* TimedateTest::bus_ = nullptr;

}  // namespace

TEST_F(TimedateTest, UnattendedChangesLetNobodyBeAskedAndSayHowToGrantPermission) {
    // polkit's answer when it would have to ask someone.
    bus_->fake.refusal = "org.freedesktop.DBus.Error.InteractiveAuthorizationRequired";
    const ClockSetResult r = SetTimeThroughTimedated(-2'500'000, ClockSetMode::NoQuestions);
    ASSERT_TRUE(bus_->fake.call);
    EXPECT_EQ(bus_->fake.call->usec, -2'500'000);
    EXPECT_TRUE(bus_->fake.call->relative);
    EXPECT_FALSE(bus_->fake.call->interactiveArgument);
    EXPECT_FALSE(bus_->fake.call->interactiveFlag);
    EXPECT_FALSE(r.ok);
    EXPECT_TRUE(r.permissionMissing);
    EXPECT_EQ(r.grantHint, kTimedatePermissionHint);
    EXPECT_NE(r.errorText.find("Refused."), std::string::npos);
}

TEST_F(TimedateTest, TheUsersOwnChangeMayAskForAPassword) {
    const ClockSetResult r = SetTimeThroughTimedated(1'000'000, ClockSetMode::MayAsk);
    ASSERT_TRUE(bus_->fake.call);
    EXPECT_TRUE(bus_->fake.call->interactiveArgument);
    EXPECT_TRUE(bus_->fake.call->interactiveFlag);
    EXPECT_TRUE(r.ok);
}

TEST_F(TimedateTest, OtherRefusalsAreNotTakenForMissingPermission) {
    // timedated refuses while automatic synchronisation (NTP) is on.
    bus_->fake.refusal = "org.freedesktop.timedate1.AutomaticTimeSyncEnabled";
    const ClockSetResult r = SetTimeThroughTimedated(1'000'000, ClockSetMode::NoQuestions);
    EXPECT_FALSE(r.ok);
    EXPECT_FALSE(r.permissionMissing);
    EXPECT_TRUE(r.grantHint.empty());
}
