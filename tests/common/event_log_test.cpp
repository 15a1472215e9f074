#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "common/event_log.h"
#include "common/prompt.h"

using namespace orvanta;

TEST(EventLog, BurstFromSeveralThreadsKeepsEachThreadsOrder) {
    TakeQueuedEvents();
    EventRecorder recorder;
    constexpr int kThreads = 4, kPerThread = 500;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([t] {
            for (int i = 0; i < kPerThread; ++i)
                LogEvent(std::to_string(t) + ":" + std::to_string(i), t % 4);
        });
    for (auto& th : threads) th.join();

    auto queued = TakeQueuedEvents();
    ASSERT_EQ(queued.size(), std::size_t(kThreads * kPerThread));
    std::vector<int> last(kThreads, -1);
    for (std::size_t k = 0; k < queued.size(); ++k) {
        if (k) {
            EXPECT_LT(queued[k - 1].sequence, queued[k].sequence);
        }
        int t = std::stoi(queued[k].text.substr(0, queued[k].text.find(':')));
        int i = std::stoi(queued[k].text.substr(queued[k].text.find(':') + 1));
        EXPECT_EQ(i, last[t] + 1) << "thread " << t << " out of order";
        last[t] = i;
    }
    EXPECT_EQ(recorder.Entries().size(), queued.size());
    EXPECT_TRUE(TakeQueuedEvents().empty());
}

TEST(EventLog, NotifierRunsOncePerEntryAndDetaches) {
    int calls = 0;
    SetEventNotifier([&] { ++calls; });
    LogEvent("a", LOG_SUCCESS);
    LogEvent("b", LOG_ERROR);
    SetEventNotifier({});
    LogEvent("c", LOG_WARNING);
    EXPECT_EQ(calls, 2);
    TakeQueuedEvents();
}

TEST(ScriptedPrompt, AnswersFromScriptThenAffirmative) {
    ScriptedPrompt p;
    p.answers = {PromptAnswer::No};
    EXPECT_EQ(p.Ask("Question", "Replace?", PromptButtons::YesNo, PromptIcon::Question), PromptAnswer::No);
    EXPECT_EQ(p.Ask("Question", "Again?", PromptButtons::YesNo, PromptIcon::Question), PromptAnswer::Yes);
    ASSERT_EQ(p.asked.size(), 2u);
    EXPECT_EQ(p.asked[1].text, "Again?");
}
