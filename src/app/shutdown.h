// SPDX-License-Identifier: MIT
// Ending the program from outside as cleanly as File > Exit ends it: on
// SIGTERM, SIGINT or SIGHUP the main window closes (writing ZV.INI, closing
// every other window) and the event loop ends; when the desktop session
// ends, ZV.INI is written before the program is stopped. The next start
// then reopens the model that was open.
#pragma once

#include <QObject>

#include <functional>
#include <memory>

class QSocketNotifier;

namespace arbolith {

class frmZVMain;

class OrderlyShutdown : public QObject {
public:
    // Installs the signal handlers for as long as this object lives; the
    // handlers that were there before come back when it goes. `quit` ends
    // the event loop once the window has closed (tests pass their own).
    explicit OrderlyShutdown(frmZVMain& window, std::function<void()> quit = {});
    ~OrderlyShutdown() override;
    OrderlyShutdown(const OrderlyShutdown&) = delete;
    OrderlyShutdown& operator=(const OrderlyShutdown&) = delete;

    // False when the handlers could not be installed (no pipe could be
    // made); the program then runs as before, without them.
    bool Installed() const { return m_installed; }

private:
    void SignalArrived();

    frmZVMain& m_window;
    std::function<void()> m_quit;
    std::unique_ptr<QSocketNotifier> m_notifier;
    bool m_installed = false;
};

}  // namespace arbolith
