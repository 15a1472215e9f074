// The event log list: order, colours and hand-over from worker threads.
#include <thread>

#include "ui_test_support.h"

using namespace orvanta;
using namespace orvanta::testing;

TEST(EventLogView, NewestFirstAndMessageCellColouredByLevel) {
    EnsureApplication();
    TakeQueuedEvents();
    EventLogView view;
    EventLogModel* m = view.Model();
    LogEvent("first", LOG_SUCCESS);
    LogEvent("second", LOG_WARNING);
    LogEvent("third", LOG_ERROR);
    LogEvent("fourth", LOG_INFORMATION);
    LogEvent("odd level", 7);
    QCoreApplication::processEvents();  // the queued drain
    ASSERT_EQ(m->rowCount(), 5);
    EXPECT_EQ(m->Message(0), "odd level");
    EXPECT_EQ(m->Message(4), "first");
    auto background = [&](int row, int column) {
        return m->data(m->index(row, column), Qt::BackgroundRole);
    };
    EXPECT_EQ(background(4, 1).value<QColor>(), QColor(0, 255, 0));
    EXPECT_EQ(background(3, 1).value<QColor>(), QColor(255, 255, 0));
    EXPECT_EQ(background(2, 1).value<QColor>(), QColor(255, 0, 0));
    EXPECT_EQ(background(1, 1).value<QColor>(), QColor(255, 255, 255));
    EXPECT_EQ(background(0, 1).value<QColor>(), QColor(255, 255, 255));
    // The time column keeps the list's own colours.
    EXPECT_FALSE(background(0, 0).isValid());
    EXPECT_EQ(m->headerData(0, Qt::Horizontal, Qt::DisplayRole).toString(), "Time");
    EXPECT_EQ(m->headerData(1, Qt::Horizontal, Qt::DisplayRole).toString(), "Message");
    // "date   time": three blanks between them.
    EXPECT_TRUE(m->data(m->index(0, 0), Qt::DisplayRole).toString().contains("   "));
}

TEST(EventLogView, BurstFromWorkerThreadsArrivesInOrder) {
    EnsureApplication();
    TakeQueuedEvents();
    EventLogView view;
    constexpr int kThreads = 4, kEach = 200;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([t] {
            for (int i = 0; i < kEach; ++i)
                LogEvent(std::to_string(t) + ":" + std::to_string(i), LOG_INFORMATION);
        });
    for (auto& th : threads) th.join();
    QCoreApplication::processEvents();
    EventLogModel* m = view.Model();
    ASSERT_EQ(m->rowCount(), kThreads * kEach);
    // Reading from the bottom (oldest) up, each thread's lines count upwards.
    std::vector<int> next(kThreads, 0);
    for (int row = m->rowCount() - 1; row >= 0; --row) {
        const std::string text = m->Message(row).toStdString();
        const int t = std::stoi(text.substr(0, text.find(':')));
        EXPECT_EQ(std::stoi(text.substr(text.find(':') + 1)), next[t]++);
    }
}

TEST(EventLogView, DrainAfterTheViewIsGoneIsHarmless) {
    EnsureApplication();
    {
        EventLogView view;
        LogEvent("posted while alive", LOG_INFORMATION);
    }
    // The queued drain now finds no model; the entry waits for the next view.
    QCoreApplication::processEvents();
    EventLogView next;
    ASSERT_GE(next.Model()->rowCount(), 1);
    EXPECT_EQ(next.Model()->Message(0), "posted while alive");
}
