#pragma once

#include "window/WindowHost.h"

#include <QPointer>
#include <QString>
#include <QWidget>

namespace printbench::app {

using window::Icon;

// The host on the Qt event loop: blocking sleeps that keep the window painted but deliver no
// input or serial events, the event pass, modal message boxes and the end of the program.
class QtHost : public window::WindowHost {
public:
    explicit QtHost(QString title);

    // Message boxes are centred on this window.
    void setWindow(QWidget* window) { m_window = window; }

    void sleep(std::int64_t ms) override;
    void processEvents() override;
    void message(Icon icon, const std::string& text) override;
    std::int64_t nowMs() override;
    void endProgram() override;

private:
    QString m_title;
    QPointer<QWidget> m_window;
    int m_eventDepth = 0;
};

} // namespace printbench::app
