// The window's hand-over of a job's steps: each step runs on the user-interface
// thread while its worker waits, its error comes back to the worker, and a closed or
// gone window ends the wait with an error instead of a hang. Built with ThreadSanitizer,
// these also check that what a worker and its step share is ordered by the hand-over.
#include "app/jobhost.h"
#include "tests/fixtures/fakemessageboxes.h"

#include <QCoreApplication>
#include <QTest>
#include <QThread>
#include <QWidget>
#include <atomic>
#include <gtest/gtest.h>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace {

class JobHostTest : public ::testing::Test {
protected:
    // Runs body on a worker thread and keeps the event loop going until it has ended.
    void onWorker(const std::function<void()>& body) {
        std::atomic<bool> ended{false};
        std::thread worker([&] {
            body();
            ended = true;
        });
        const bool finished = QTest::qWaitFor([&] { return ended.load(); }, 10000);
        worker.join();
        ASSERT_TRUE(finished);
    }
    // What the hand-over raised in the worker ("" when it raised nothing).
    static std::string errorOf(JobHost& host, const std::function<void()>& step) {
        try {
            host.synchronize(step);
        } catch (const std::exception& error) {
            return error.what();
        }
        return {};
    }

    FakeMessageBoxes messages;
    std::unique_ptr<QWidget> window = std::make_unique<QWidget>();
    std::shared_ptr<WindowJobHost> host = std::make_shared<WindowJobHost>(window.get(), messages);
};

TEST_F(JobHostTest, StepRunsOnTheUserInterfaceThreadAndItsResultIsSeenByTheWorker) {
    QThread* stepThread = nullptr;
    std::string written; // plain data: only the hand-over orders the two threads
    std::string seenByWorker;
    onWorker([&] {
        host->synchronize([&] {
            stepThread = QThread::currentThread();
            written = "from the step";
        });
        seenByWorker = written;
    });
    EXPECT_EQ(stepThread, QCoreApplication::instance()->thread());
    EXPECT_EQ(seenByWorker, "from the step");
}

TEST_F(JobHostTest, StepErrorIsRaisedAgainInTheWorker) {
    std::string error;
    onWorker([&] { error = errorOf(*host, [] { throw std::runtime_error("Range check error"); }); });
    EXPECT_EQ(error, "Range check error");
}

TEST_F(JobHostTest, AfterCloseNoStepRunsAndTheWorkerGetsAnError) {
    host->close();
    bool ran = false;
    std::string error;
    onWorker([&] { error = errorOf(*host, [&] { ran = true; }); });
    EXPECT_FALSE(ran);
    EXPECT_EQ(error, "The main window has closed");
}

TEST_F(JobHostTest, WindowGoingWhileAWorkerWaitsEndsTheWaitWithAnError) {
    std::atomic<bool> ran{false};
    std::string error;
    std::atomic<bool> asking{false};
    std::thread worker([&] {
        asking = true;
        error = errorOf(*host, [&] { ran = true; });
    });
    // No event is processed here, so the step cannot run; the window goes either just
    // before the worker queues its step or while it waits: both end in the error.
    while (!asking)
        std::this_thread::yield();
    QThread::msleep(50);
    window.reset();
    worker.join();
    EXPECT_FALSE(ran);
    EXPECT_EQ(error, "The main window has closed");
}

TEST_F(JobHostTest, JobsSideBySideEachGetEveryStepRunInTheirOrder) {
    constexpr int kWorkers = 4;
    constexpr int kSteps = 100;
    std::vector<std::vector<int>> ranSteps(kWorkers); // written by the steps only
    std::vector<int> checked(kWorkers, 0);            // written by the workers only
    std::atomic<int> ended{0};
    std::vector<std::thread> workers;
    for (int w = 0; w < kWorkers; ++w)
        workers.emplace_back([&, w] {
            for (int i = 0; i < kSteps; ++i) {
                host->synchronize([&, w, i] { ranSteps[w].push_back(i); });
                if (ranSteps[w].size() == static_cast<std::size_t>(i + 1) && ranSteps[w].back() == i)
                    ++checked[w];
            }
            ++ended;
        });
    const bool finished = QTest::qWaitFor([&] { return ended.load() == kWorkers; }, 30000);
    for (std::thread& worker : workers)
        worker.join();
    ASSERT_TRUE(finished);
    for (int w = 0; w < kWorkers; ++w)
        EXPECT_EQ(checked[w], kSteps) << "worker " << w;
}

} // namespace
