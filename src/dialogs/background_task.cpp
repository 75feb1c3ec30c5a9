// SPDX-License-Identifier: MIT
#include "dialogs/background_task.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QThread>
#include <QTimer>

#include <algorithm>

namespace arbolith {

bool RunOnThreadOf(QObject* context, const std::function<void()>& call)
{
    if (!context) return false;
    if (context->thread() == QThread::currentThread()) {
        call();
        return true;
    }
    // A blocking call into the window's thread; the window's thread never
    // waits for a worker without serving its events (WaitForFinished), so
    // the two cannot wait for each other.
    bool ran = false;
    QMetaObject::invokeMethod(
        context,
        [&] {
            call();
            ran = true;
        },
        Qt::BlockingQueuedConnection);
    return ran;
}

BackgroundTask::BackgroundTask(QObject* parent) : QObject(parent) {}

BackgroundTask::~BackgroundTask()
{
    if (!m_thread) return;
    m_cancel = true;
    WaitForFinished();
}

bool BackgroundTask::Start(std::function<void()> work, std::function<void()> finished)
{
    if (m_thread) return false;
    m_cancel = false;
    m_thread = QThread::create(std::move(work));
    connect(m_thread, &QThread::finished, this, [this, finished = std::move(finished)] {
        m_thread->deleteLater();
        m_thread = nullptr;
        if (finished) finished();
    });
    m_thread->start();
    return true;
}

bool BackgroundTask::WaitForFinished(int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs < 0 ? QDeadlineTimer::Forever : QDeadlineTimer(timeoutMs));
    // Sleeps until an event comes: the worker's end posts one, and so does
    // this timer at the deadline. (processEvents with a time limit returns at
    // once when nothing is pending, and would spin a processor the worker
    // needs.)
    QTimer wake;
    wake.setSingleShot(true);
    wake.setTimerType(Qt::PreciseTimer);
    while (m_thread && !deadline.hasExpired()) {
        if (!deadline.isForever() && !wake.isActive())
            wake.start(static_cast<int>(std::max<qint64>(1, deadline.remainingTime())));
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }
    return m_thread == nullptr;
}

PromptAnswer ForwardingPrompt::Ask(const PromptMessage& message)
{
    PromptAnswer answer = message.defaultAnswer;
    RunOnThreadOf(m_context, [&] { answer = m_target.Ask(message); });
    return answer;
}

std::optional<std::string> ForwardingPrompt::Input(const std::string& text, const std::string& title,
                                                   const std::string& defaultText)
{
    std::optional<std::string> answer;
    RunOnThreadOf(m_context, [&] { answer = m_target.Input(text, title, defaultText); });
    return answer;
}

void QueuedProgress::Caption(std::string_view text)
{
    QObject* context = m_context;
    if (!context) return;
    if (context->thread() == QThread::currentThread()) {
        m_show(std::string(text));
        return;
    }
    QMetaObject::invokeMethod(
        context, [show = m_show, caption = std::string(text)] { show(caption); }, Qt::QueuedConnection);
}

}  // namespace arbolith
