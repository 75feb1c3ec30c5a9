// SPDX-License-Identifier: MIT
#include "app/shutdown.h"

#include "app/main_window.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QSessionManager>
#include <QSocketNotifier>

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <iterator>

namespace arbolith {

namespace {

// A signal handler may do almost nothing safely: it writes one byte to a
// pipe, and the event loop, watching the pipe's other end, does the work.
int g_pipe[2] = {-1, -1};

constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};
struct sigaction g_previous[std::size(kSignals)];

extern "C" void OnStopSignal(int number)
{
    const int saved = errno;
    const char byte = static_cast<char>(number);
    [[maybe_unused]] const ssize_t written = ::write(g_pipe[1], &byte, 1);
    errno = saved;
}

}  // namespace

OrderlyShutdown::OrderlyShutdown(frmZVMain& window, std::function<void()> quit)
    : m_window(window), m_quit(quit ? std::move(quit) : [] { QCoreApplication::quit(); })
{
    // The session manager asks for the data to be saved and may then stop
    // the program without closing its windows.
    if (auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        connect(app, &QGuiApplication::commitDataRequest, this, [this](QSessionManager&) { m_window.SaveSettings(); });
        connect(app, &QCoreApplication::aboutToQuit, this, [this] {
            if (!m_window.IsClosed()) m_window.SaveSettings();
        });
    }

    if (g_pipe[0] >= 0 || ::pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
    m_notifier = std::make_unique<QSocketNotifier>(g_pipe[0], QSocketNotifier::Read);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, [this] { SignalArrived(); });

    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (std::size_t i = 0; i < std::size(kSignals); ++i) ::sigaction(kSignals[i], &action, &g_previous[i]);
    m_installed = true;
}

OrderlyShutdown::~OrderlyShutdown()
{
    if (!m_installed) return;
    for (std::size_t i = 0; i < std::size(kSignals); ++i) ::sigaction(kSignals[i], &g_previous[i], nullptr);
    m_notifier.reset();
    ::close(g_pipe[0]);
    ::close(g_pipe[1]);
    g_pipe[0] = g_pipe[1] = -1;
}

void OrderlyShutdown::SignalArrived()
{
    char bytes[16];
    while (::read(g_pipe[0], bytes, sizeof bytes) > 0) {
    }
    // The same as File > Exit: the closing writes, every other window
    // closed; then the event loop ends even if some window stayed open.
    if (!m_window.IsClosed()) m_window.close();
    m_quit();
}

}  // namespace arbolith
