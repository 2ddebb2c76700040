#pragma once

#include "app/adapters/QtSerialPort.h"
#include "window/WindowHost.h"

#include <QPointer>
#include <QString>
#include <QWidget>

#include <functional>

namespace printbench::app {

using window::Icon;

// The host on the Qt event loop: blocking sleeps that keep the window painted but deliver no
// input or serial events, the event pass, modal message boxes and questions, and the end of
// the program.
class QtHost : public window::WindowHost {
public:
    explicit QtHost(QString title);

    // Message boxes are centred on this window.
    void setWindow(QWidget* window) { m_window = window; }
    // Runs when the program ends, before anything closes (also when it ends in the middle of
    // a run).
    void setBeforeEnd(std::function<void()> f) { m_beforeEnd = std::move(f); }
    // While this port is open, sleeps wait on it, so that what arrives is dated when it came
    // (QtSerialPort::waitUntil); no event runs either way. Not owned; null for none.
    void watchDuringSleeps(QtSerialPort* port) { m_watched = port; }
    // Runs at every event pass, before the events: what must show what the pass shows.
    void setBeforeEvents(std::function<void()> f) { m_beforeEvents = std::move(f); }

    void sleep(std::int64_t ms) override;
    void processEvents() override;
    void message(Icon icon, const window::Message& text) override;
    bool ask(const window::Message& text, const window::Message& yes, const window::Message& no) override;
    std::int64_t nowMs() override;
    void endProgram() override;

private:
    QString m_title;
    QPointer<QWidget> m_window;
    std::function<void()> m_beforeEnd, m_beforeEvents;
    QtSerialPort* m_watched = nullptr;
    int m_eventDepth = 0;
    bool m_ending = false;
};

}  // namespace printbench::app
