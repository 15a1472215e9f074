// The background composer thread: full-speed and slow passes, the hand-over, a cloud map
// arriving, and a stop that ends it at once, also in the middle of a slow pass.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QThread>
#include <atomic>
#include <filesystem>

#include "earthview/daynight.h"
#include "earthview/ui/background_worker.h"
#include "platform/directories.h"

namespace orvanta {
namespace {

namespace fs = std::filesystem;

bool WaitFor(const std::function<bool()>& condition, int timeoutMs = 30000) {
    QDeadlineTimer deadline(timeoutMs);
    while (!condition()) {
        if (deadline.hasExpired()) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

class BackgroundWorkerTest : public ::testing::Test {
protected:
    std::unique_ptr<EarthBackgroundWorker> Make(EarthWorkerTiming timing) {
        return std::make_unique<EarthBackgroundWorker>(
            PixelImage(64, 32, PixelRgb(0, 200, 0)), PixelImage(64, 32, PixelRgb(0, 0, 90)),
            dir_.Path() / "cloudmap.jpg", [] { return 2461383.0; }, [this] { return clouds_.load(); },
            timing);
    }
    platform::PrivateTempDir dir_;
    std::atomic<bool> clouds_{false};
};

TEST_F(BackgroundWorkerTest, FullSpeedPassIsHandedOverOnce) {
    auto worker = Make({5, 0, 0});
    std::atomic<int> busy{0};
    worker->busyChanged = [&](bool on) { busy += on ? 1 : 10; };
    ASSERT_TRUE(worker->Start(EARTH_REPAINT_NOW));
    ASSERT_TRUE(WaitFor([&] { return worker->State() == EARTH_PASS_DONE; }));
    PixelImage display;
    ASSERT_TRUE(worker->TakeFinished(display));
    EXPECT_EQ(worker->State(), EARTH_IDLE);
    EXPECT_FALSE(worker->TakeFinished(display));
    EXPECT_EQ(display.pixels, ComposeDayNight(PixelImage(64, 32, PixelRgb(0, 200, 0)),
                                              PixelImage(64, 32, PixelRgb(0, 0, 90)), nullptr,
                                              2461383.0)
                                  .pixels);
    EXPECT_TRUE(WaitFor([&] { return busy.load() == 11; }));  // shown, then hidden
    worker->Stop();
    EXPECT_FALSE(worker->Running());
}

TEST_F(BackgroundWorkerTest, StopEndsASlowPassAtOnce) {
    auto worker = Make({5, 1000, 1000});  // 32 rows x 1 s
    ASSERT_TRUE(worker->Start(EARTH_REPAINT_SLOW));
    QElapsedTimer t;
    t.start();
    worker->Stop(-1);
    EXPECT_LT(t.elapsed(), 5000);  // not the 32 s the pass would take
    EXPECT_FALSE(worker->Running());
    EXPECT_EQ(worker->State(), EARTH_STOP);
}

TEST_F(BackgroundWorkerTest, SlowRepaintDoesNotReplaceAFullSpeedOne) {
    auto worker = Make({5, 0, 0});
    worker->SetState(EARTH_REPAINT_NOW);
    worker->RequestSlowRepaint();
    EXPECT_EQ(worker->State(), EARTH_REPAINT_NOW);
    worker->SetState(EARTH_IDLE);
    worker->RequestSlowRepaint();
    EXPECT_EQ(worker->State(), EARTH_REPAINT_SLOW);
}

TEST_F(BackgroundWorkerTest, ArrivedCloudMapIsLoadedAndComposedIn) {
    // A white map (no readable time stamp: the line says so).
    ASSERT_TRUE(SaveImageFile(PixelImage(64, 32, PixelRgb(255, 255, 255)), dir_.Path() / "cloudmap.jpg", 95));
    clouds_ = true;
    auto worker = Make({5, 0, 0});
    EXPECT_FALSE(worker->CloudStatus().loaded);
    EXPECT_EQ(worker->CloudStatus().line, "No cloudmap found");
    ASSERT_TRUE(worker->Start(EARTH_CLOUD_ARRIVED));
    ASSERT_TRUE(WaitFor([&] { return worker->State() == EARTH_PASS_DONE; }));
    EXPECT_TRUE(worker->CloudStatus().loaded);
    EXPECT_EQ(worker->CloudStatus().line, "Cloudmap: unknown time");
    PixelImage display;
    ASSERT_TRUE(worker->TakeFinished(display));
    // Under a white cloud the day side is white and the night side at least a third grey.
    int white = 0;
    for (std::uint32_t p : display.pixels) {
        EXPECT_GE(RedOf(p), 84);
        white += p == PixelRgb(255, 255, 255) || p == PixelRgb(254, 254, 254);
    }
    EXPECT_GT(white, 0);
}

// "Show static" (clouds on, full-speed repaint) asked during a slow pass or during the pause
// after its last row: the image handed over has the clouds, and the request is not lost.
TEST_F(BackgroundWorkerTest, ARepaintAskedDuringAPassRestartsIt) {
    ASSERT_TRUE(SaveImageFile(PixelImage(64, 32, PixelRgb(255, 255, 255)), dir_.Path() / "cloudmap.jpg", 95));
    auto cloudy = [](const PixelImage& image) {
        for (std::uint32_t p : image.pixels)
            if (RedOf(p) < 84) return false;
        return true;
    };
    for (const EarthWorkerTiming timing : {EarthWorkerTiming{5, 200, 0}, EarthWorkerTiming{5, 0, 1500}}) {
        clouds_ = false;
        auto worker = Make(timing);
        worker->LoadCloudMap();
        ASSERT_TRUE(worker->Start(timing.rowPauseMs ? EARTH_REPAINT_SLOW : EARTH_REPAINT_NOW));
        QThread::msleep(500);  // a few slow rows, or the whole fast pass and into its pause
        clouds_ = true;
        worker->RequestRepaint();
        ASSERT_TRUE(WaitFor([&] { return worker->State() == EARTH_PASS_DONE; }, 5000));
        PixelImage display;
        ASSERT_TRUE(worker->TakeFinished(display));
        EXPECT_TRUE(cloudy(display)) << "row pause " << timing.rowPauseMs;
    }
}

}  // namespace
}  // namespace orvanta
