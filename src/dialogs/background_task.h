// SPDX-License-Identifier: MIT
// Long work off the window's thread: a task that runs one function on a
// worker thread while the window's event loop keeps going (repainting,
// answering clicks), with a cancel flag the work may poll; a prompt and a
// progress sink that the worker may call, which pass every call on to the
// window's thread. A message box asked from the worker blocks the worker,
// never the window, until the user answers.
#pragma once

#include "platform/progress.h"
#include "platform/prompt.h"

#include <QObject>
#include <QPointer>

#include <atomic>
#include <functional>
#include <string>

class QThread;

namespace arbolith {

// Runs `call` on the thread of `context` and waits for it to return. Called
// on that thread it simply runs `call`. When `context` is gone, nothing runs
// and the result is false.
bool RunOnThreadOf(QObject* context, const std::function<void()>& call);

class BackgroundTask : public QObject {
public:
    explicit BackgroundTask(QObject* parent = nullptr);
    // Asks a running task to stop and waits for it, events still served.
    ~BackgroundTask() override;

    // Starts `work` on a new thread; `finished` then runs on this object's
    // thread once `work` has returned. False (nothing started) while a task
    // is still running.
    bool Start(std::function<void()> work, std::function<void()> finished = {});
    bool IsRunning() const { return m_thread != nullptr; }

    // The flag the work polls; Start clears it.
    void Cancel() { m_cancel = true; }
    bool Cancelled() const { return m_cancel; }
    const std::atomic<bool>* CancelFlag() const { return &m_cancel; }

    // Serves events until the task (and its `finished`) is done, or until
    // `timeoutMs` passed (negative: no limit). True when nothing runs any more.
    bool WaitForFinished(int timeoutMs = -1);

private:
    QThread* m_thread = nullptr;
    std::atomic<bool> m_cancel{false};
};

// A prompt for work on a worker thread: each question is shown by `target`
// on the thread of `context` (the window's), the worker waiting for the
// answer. When the window is gone, Ask gives the message's default answer
// and Input nothing.
class ForwardingPrompt : public Prompt {
public:
    ForwardingPrompt(Prompt& target, QObject* context) : m_target(target), m_context(context) {}
    PromptAnswer Ask(const PromptMessage& message) override;
    std::optional<std::string> Input(const std::string& text, const std::string& title,
                                     const std::string& defaultText) override;

private:
    Prompt& m_target;
    QPointer<QObject> m_context;
};

// Progress for work on a worker thread: each caption is passed to `show` on
// the thread of `context` without waiting; captions reach it in order.
class QueuedProgress : public ProgressSink {
public:
    QueuedProgress(QObject* context, std::function<void(const std::string&)> show)
        : m_context(context), m_show(std::move(show))
    {
    }
    void Caption(std::string_view text) override;

private:
    QPointer<QObject> m_context;
    std::function<void(const std::string&)> m_show;
};

}  // namespace arbolith
