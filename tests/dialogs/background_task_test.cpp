// SPDX-License-Identifier: MIT
#include "dialogs/background_task.h"

#include "support/qt_application.h"

#include <gtest/gtest.h>

#include <QThread>
#include <QTimer>

#include <memory>
#include <thread>

namespace arbolith {
namespace {

using test::QtApp;

// Records the thread each question was asked on.
class ThreadRecordingPrompt : public ScriptedPrompt {
public:
    std::vector<QThread*> threads;
    PromptAnswer Ask(const PromptMessage& message) override
    {
        threads.push_back(QThread::currentThread());
        return ScriptedPrompt::Ask(message);
    }
    std::optional<std::string> Input(const std::string& text, const std::string& title,
                                     const std::string& defaultText) override
    {
        threads.push_back(QThread::currentThread());
        return ScriptedPrompt::Input(text, title, defaultText);
    }
};

TEST(BackgroundTask, QuestionsFromTheWorkerAreAnsweredOnTheWindowThreadWhileItKeepsServingEvents)
{
    QtApp();
    ThreadRecordingPrompt target;
    target.answers = {PromptAnswer::No};
    target.inputs = {std::string("typed")};
    QObject window;
    ForwardingPrompt prompt(target, &window);
    BackgroundTask task;

    int ticks = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
    timer.start(5);

    PromptAnswer answer = PromptAnswer::Ok;
    std::optional<std::string> input;
    QThread* worker = nullptr;
    bool finishedOnWindowThread = false;
    ASSERT_TRUE(task.Start(
        [&] {
            worker = QThread::currentThread();
            std::this_thread::sleep_for(std::chrono::milliseconds(60));
            answer = prompt.Ask({"Go on?", PromptIcon::Question, PromptButtons::YesNo, PromptAnswer::Yes, {}});
            input = prompt.Input("Name?", "Title", "default");
        },
        [&] { finishedOnWindowThread = QThread::currentThread() == window.thread(); }));
    EXPECT_FALSE(task.Start([] {})) << "a second task while one runs";
    ASSERT_TRUE(task.WaitForFinished(10000));

    EXPECT_EQ(answer, PromptAnswer::No);
    EXPECT_EQ(input, std::optional<std::string>("typed"));
    ASSERT_EQ(target.threads.size(), 2u);
    for (QThread* thread : target.threads) EXPECT_EQ(thread, window.thread());
    EXPECT_NE(worker, window.thread());
    EXPECT_TRUE(finishedOnWindowThread);
    EXPECT_GT(ticks, 3) << "the window's timers kept running during the work";
    EXPECT_FALSE(task.IsRunning());
}

TEST(BackgroundTask, CaptionsArriveInOrderAndCancelStopsPollingWork)
{
    QtApp();
    QObject window;
    std::vector<std::string> shown;
    std::vector<bool> onWindowThread;
    QueuedProgress progress(&window, [&](const std::string& caption) {
        shown.push_back(caption);
        onWindowThread.push_back(QThread::currentThread() == window.thread());
    });
    BackgroundTask task;
    std::atomic<int> rounds{0};
    ASSERT_TRUE(task.Start([&] {
        for (int i = 0; i < 3; ++i) progress.Caption("step " + std::to_string(i));
        while (!task.Cancelled()) {
            ++rounds;
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    }));
    EXPECT_FALSE(task.WaitForFinished(50)) << "the work runs until cancelled";
    task.Cancel();
    ASSERT_TRUE(task.WaitForFinished(10000));
    EXPECT_EQ(shown, (std::vector<std::string>{"step 0", "step 1", "step 2"}));
    EXPECT_EQ(onWindowThread, (std::vector<bool>{true, true, true}));
    EXPECT_GT(rounds.load(), 0);

    // A new task starts with the flag cleared.
    bool sawCancel = true;
    ASSERT_TRUE(task.Start([&] { sawCancel = task.Cancelled(); }));
    ASSERT_TRUE(task.WaitForFinished(10000));
    EXPECT_FALSE(sawCancel);
}

TEST(BackgroundTask, DestroyedWhileTheWorkerWaitsForAnAnswerFinishesWithoutDeadlock)
{
    QtApp();
    ScriptedPrompt target;
    auto window = std::make_unique<QObject>();
    ForwardingPrompt prompt(target, window.get());
    PromptAnswer answer = PromptAnswer::Ok;
    {
        BackgroundTask task;
        ASSERT_TRUE(task.Start([&] {
            answer = prompt.Ask({"Sure?", PromptIcon::Question, PromptButtons::YesNo, PromptAnswer::No, {}});
        }));
    }  // the destructor serves the question, then returns
    EXPECT_EQ(answer, PromptAnswer::No);
    EXPECT_EQ(target.asked.size(), 1u);

    // With the window gone, a question gets its default answer, unseen.
    window.reset();
    BackgroundTask task;
    ASSERT_TRUE(task.Start([&] {
        answer = prompt.Ask({"Again?", PromptIcon::Question, PromptButtons::YesNo, PromptAnswer::Yes, {}});
    }));
    ASSERT_TRUE(task.WaitForFinished(10000));
    EXPECT_EQ(answer, PromptAnswer::Yes);
    EXPECT_EQ(target.asked.size(), 1u);
}

}  // namespace
}  // namespace arbolith
