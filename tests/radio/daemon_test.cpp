// orvanta-cli track flying recorded passes on a simulated clock: against Hamlib's dummy rotator
// and radio (read back afterwards), and against stand-ins that refuse, stall or hang up.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "platform/tcp_stream.h"
#include "radio/hamlib_commands.h"
#include "tests/support/cli_runner.h"

namespace orvanta {
namespace {

namespace fs = std::filesystem;
using testing::CliRun;

const std::string kCli = std::string(ORVANTA_BINARY_DIR) + "/bin/orvanta-cli";
const std::string kSample = std::string(ORVANTA_BINARY_DIR) + "/bin/sample.tle";
// The ISS over Greenwich on 2026-05-08: AOS 20:27:03, LOS 20:36:31, through the south.
const std::string kIssEvening = "--tle \"" + kSample +
                                "\" --sat 25544 --lat 51.4779 --lon -0.0015 --alt-m 46 "
                                "--start 2026-05-08T20:25:00Z";

int ListeningSocket(int& port) {
    // CLOEXEC: the command line started by the test must not inherit (and keep open) the listener.
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const int one = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    if (::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || ::listen(fd, 4) != 0) {
        ::close(fd);
        return -1;
    }
    socklen_t len = sizeof a;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
    port = ntohs(a.sin_port);
    return fd;
}

int FreePort() {
    int port = 0;
    const int fd = ListeningSocket(port);
    ::close(fd);
    return port;
}

// A loopback port bound but not listening, held for the test: connecting is refused, and no
// other test running beside this one can take the port meanwhile.
class RefusingPort {
public:
    RefusingPort() : fd_(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof a;
        if (::bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
            ::getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &len) == 0)
            port_ = ntohs(a.sin_port);
    }
    ~RefusingPort() { ::close(fd_); }
    int Port() const { return port_; }

private:
    int fd_;
    int port_ = 0;
};

bool OnPath(const std::string& program) {
    return std::system(("command -v " + program + " >/dev/null 2>&1").c_str()) == 0;
}

std::vector<std::string> Ask(int port, void (*queue)(HamlibExchange&));

// A Hamlib daemon of the system's on a free loopback port, stopped at the end. The port is
// free when chosen but not held, so a test running beside this one may take it first; the
// daemon then cannot listen and something else answers there. Ready() therefore asks the
// daemon a question only it answers, and starts it again on another port when that fails.
class Daemon {
public:
    // probe: true when the daemon on this port gives the answer only it gives.
    Daemon(std::string program, bool (*probe)(int port))
        : program_(std::move(program)), probe_(probe) {}
    ~Daemon() { Stop(); }
    bool Ready() {
        for (int attempt = 0; attempt < 5; ++attempt) {
            Start(FreePort());
            if (Answers()) return true;
            Stop();
        }
        return false;
    }
    int Port() const { return port_; }

private:
    void Start(int port) {
        port_ = port;
        pid_ = ::fork();
        if (pid_ == 0) {
            const std::string p = std::to_string(port);
            ::execlp(program_.c_str(), program_.c_str(), "-m", "1", "-T", "127.0.0.1", "-t",
                     p.c_str(), static_cast<char*>(nullptr));
            ::_exit(127);
        }
    }
    void Stop() {
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            ::waitpid(pid_, nullptr, 0);
        }
        pid_ = -1;
    }
    // Waits until it accepts connections and answers as itself; false when it ended (the
    // port was taken) or another program answers there.
    bool Answers() const {
        for (int i = 0; i < 200; ++i) {
            if (::waitpid(pid_, nullptr, WNOHANG) != 0) return false;
            std::string error;
            if (platform::ConnectTcp("127.0.0.1", port_, 500, error)) return probe_(port_);
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return false;
    }

    std::string program_;
    bool (*probe_)(int port);
    int port_ = 0;
    pid_t pid_ = -1;
};

bool IsDummyRotator(int port) {
    return ParseRotatorPosition(Ask(port, QueueRotatorReadPosition)).has_value();
}

bool IsDummyRadio(int port) {
    return ParseRadioFrequency(Ask(port, QueueRadioReadFrequency)).has_value();
}

// Asks a daemon one question and returns the reply's value lines.
std::vector<std::string> Ask(int port, void (*queue)(HamlibExchange&)) {
    std::string error;
    auto stream = platform::ConnectTcp("127.0.0.1", port, 2000, error);
    if (!stream) return {};
    HamlibExchange x;
    queue(x);
    stream->Send(x.TakeOutgoing(), 2000, error);
    for (int i = 0; i < 20 && x.AwaitingReply(); ++i) {
        bool closed = false;
        x.Feed(stream->Receive(200, closed, error));
        if (closed) break;
    }
    const auto replies = x.TakeReplies();
    return replies.empty() || !replies[0].ok ? std::vector<std::string>{} : replies[0].values;
}

// One connection served by a script: answer each command line with `answer`, after `delay`;
// hang up after `hangUpAfter` commands; stop listening when that connection ends.
class StandIn {
public:
    StandIn(std::string answer, std::chrono::milliseconds delay, int hangUpAfter)
        : listen_(ListeningSocket(port_)) {
        thread_ = std::thread([=, this] {
            const int c = ::accept4(listen_, nullptr, nullptr, SOCK_CLOEXEC);
            ::close(listen_);
            if (c < 0) return;
            std::string pending;
            int served = 0;
            char buf[512];
            while (!stop_ && served < hangUpAfter) {
                timeval tv{0, 100000};
                ::setsockopt(c, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
                const ssize_t n = ::recv(c, buf, sizeof buf, 0);
                if (n == 0) break;
                if (n < 0) continue;
                pending.append(buf, static_cast<std::size_t>(n));
                for (std::size_t eol; (eol = pending.find('\n')) != std::string::npos;) {
                    pending.erase(0, eol + 1);
                    std::this_thread::sleep_for(delay);
                    ::send(c, answer.data(), answer.size(), MSG_NOSIGNAL);
                    ++served;
                }
            }
            ::close(c);
        });
    }
    ~StandIn() {
        stop_ = true;
        // Unblocks an accept that never got its client.
        std::string error;
        platform::ConnectTcp("127.0.0.1", port_, 200, error);
        thread_.join();
    }
    int Port() const { return port_; }

private:
    int port_ = 0;
    int listen_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

class TrackCli : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("orvanta-track-" + std::to_string(::getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }
    CliRun Run(const std::string& args) { return testing::RunCli(kCli, "track " + args, dir_); }
    static bool Says(const CliRun& r, const std::string& text) {
        for (const auto& line : r.err)
            if (line.find(text) != std::string::npos) return true;
        return false;
    }
    fs::path dir_;
};

TEST_F(TrackCli, DummyRotatorAndRadioEndWhereTheTrackerSentThem) {
    if (!OnPath("rotctld") || !OnPath("rigctld"))
        GTEST_SKIP() << "Hamlib's rotctld and rigctld are not installed (libhamlib-utils)";
    Daemon rot("rotctld", IsDummyRotator), rig("rigctld", IsDummyRadio);
    ASSERT_TRUE(rot.Ready());
    ASSERT_TRUE(rig.Ready());
    const CliRun r = Run(kIssEvening + " --duration 200 --no-park --downlink 437800000 "
                                       "--uplink 145990000 --rotctld 127.0.0.1:" +
                         std::to_string(rot.Port()) + " --rigctld 127.0.0.1:" +
                         std::to_string(rig.Port()));
    std::string err;
    for (const auto& line : r.err) err += line + "\n";
    ASSERT_EQ(r.status, 0) << err;
    ASSERT_EQ(r.out.size(), 201u) << err;
    EXPECT_EQ(r.out[0], "time_utc,az,el,rot_az,rot_el,downlink_hz,uplink_hz");
    EXPECT_TRUE(Says(r, "limits azimuth -180..450"));
    EXPECT_TRUE(Says(r, "AOS 2026-05-08T20:27:03Z, LOS 2026-05-08T20:36:31Z, rotator normal"));
    const auto last = testing::SplitCsv(r.out.back());
    ASSERT_EQ(last.size(), 7u);
    EXPECT_EQ(last[0], "2026-05-08T20:28:19Z");

    // The radio holds the last Doppler-corrected frequencies sent.
    // A question can go unanswered on a loaded machine (each waits at most 4 s): ask again.
    auto askAgain = [&](void (*queue)(HamlibExchange&)) {
        std::vector<std::string> values;
        for (int i = 0; i < 5 && values.empty(); ++i) values = Ask(rig.Port(), queue);
        return values;
    };
    const auto rx = ParseRadioFrequency(askAgain(QueueRadioReadFrequency));
    ASSERT_TRUE(rx) << err;
    EXPECT_EQ(std::to_string(*rx), last[5]);
    const auto tx = askAgain([](HamlibExchange& x) { x.Queue("i", HamlibReplyShape::VALUES, 1); });
    ASSERT_EQ(tx.size(), 1u);
    EXPECT_EQ(tx[0], last[6]);

    // The dummy rotator turns at a few degrees a second: wait for it to arrive.
    std::optional<LookAngle> at;
    for (int i = 0; i < 600; ++i) {
        at = ParseRotatorPosition(Ask(rot.Port(), QueueRotatorReadPosition));
        if (at && std::abs(at->az - std::stod(last[3])) < 0.01 &&
            std::abs(at->el - std::stod(last[4])) < 0.01)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
    ASSERT_TRUE(at);
    EXPECT_NEAR(at->az, std::stod(last[3]), 0.01);
    EXPECT_NEAR(at->el, std::stod(last[4]), 0.01);
}

TEST_F(TrackCli, NoDaemonIsReportedOnceAndTrackingGoesOn) {
    const RefusingPort refusing;
    ASSERT_NE(refusing.Port(), 0);
    const CliRun r = Run(kIssEvening + " --duration 25 --rotctld 127.0.0.1:" +
                         std::to_string(refusing.Port()));
    ASSERT_EQ(r.status, 0);
    EXPECT_EQ(r.out.size(), 26u);
    int reports = 0;
    for (const auto& line : r.err) reports += line.find("cannot connect") != std::string::npos;
    EXPECT_EQ(reports, 1);
    EXPECT_TRUE(Says(r, "trying again every 10 s"));
}

TEST_F(TrackCli, RefusedSlowAndVanishingDaemonsAreReported) {
    {
        StandIn refusing("RPRT -9\n", std::chrono::milliseconds(0), 1000);
        const CliRun r = Run(kIssEvening + " --duration 130 --limits 0,360,0,90 --rotctld 127.0.0.1:" +
                             std::to_string(refusing.Port()));
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.out.size(), 131u);
        EXPECT_TRUE(Says(r, "refused: rejected by the device (RPRT -9)"));
    }
    {
        StandIn slow("RPRT 0\n", std::chrono::milliseconds(3000), 1);
        const CliRun r = Run(kIssEvening + " --duration 5 --rigctld 127.0.0.1:" +
                             std::to_string(slow.Port()) + " --downlink 437800000 --uplink 145990000");
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.out.size(), 6u);
        EXPECT_TRUE(Says(r, "no answer within 2 s; trying again every 10 s"));
    }
    {
        // Answers the limits question and two positions, then hangs up mid-pass.
        StandIn vanishing("RPRT 0\n", std::chrono::milliseconds(0), 3);
        const CliRun r = Run(kIssEvening + " --duration 240 --limits 0,360,0,90 --rotctld 127.0.0.1:" +
                             std::to_string(vanishing.Port()));
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.out.size(), 241u);
        std::string all;
        for (const auto& line : r.err) all += line + "\n";
        // Reported once; the reconnects every 10 s that fail after it stay quiet.
        int reports = 0;
        for (const auto& line : r.err) reports += line.find("127.0.0.1") != std::string::npos;
        // A hang-up with our next command still unread arrives as a reset, not a close.
        EXPECT_TRUE(Says(r, "the daemon closed the connection; trying again every 10 s") ||
                    Says(r, "connection lost (Connection reset by peer); trying again every 10 s") ||
                    Says(r, "connection lost (Broken pipe); trying again every 10 s"))
            << all;
        EXPECT_EQ(reports, 2) << all;  // "connected", then the hang-up
    }
}

TEST_F(TrackCli, ANorthernPassIsFlownFlippedOnARotatorThatCanFlip) {
    const std::string night = "--tle \"" + kSample +
                              "\" --sat 25544 --lat 51.4779 --lon -0.0015 --alt-m 46 "
                              "--start 2026-05-08T00:25:00Z --duration 3";
    const CliRun flip = Run(night + " --limits 0,360,0,180");
    ASSERT_EQ(flip.status, 0);
    EXPECT_TRUE(Says(flip, "rotator flipped"));
    const auto parked = testing::SplitCsv(flip.out.back());
    EXPECT_GT(std::stod(parked[4]), 179.9);  // waiting at the rise azimuth, over the top

    const CliRun wide = Run(night + " --limits -180,540,0,90");
    EXPECT_TRUE(Says(wide, "rotator normal"));
    const CliRun plain = Run(night + " --limits 0,360,0,90");
    EXPECT_TRUE(Says(plain, "does not fit the rotator's range"));

    EXPECT_EQ(Run(night + " --limits 0,100,0,90").status, 2);
    EXPECT_EQ(Run(night + " --rotctld nowhere").status, 2);
}

}  // namespace
}  // namespace orvanta
