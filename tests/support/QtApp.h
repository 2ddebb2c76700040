#pragma once

#include <QApplication>

#include <chrono>
#include <functional>
#include <thread>

namespace printbench::testkit {

// The binary's one application object, made by the first test that needs it, offscreen when
// there is no display. Never destroyed: among the static objects, after Qt's own globals have
// gone, QApplication crashes on the way out.
inline void ensureQtApp()
{
    if (QCoreApplication::instance()) return;
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "integration_tests", *argv[] = {name, nullptr};
    static QApplication* const app = new QApplication(argc, argv);
    (void)app;
}

// Runs the event loop until `done` holds, for at most `limit`; false when it never did.
inline bool pumpUntil(const std::function<bool()>& done, std::chrono::milliseconds limit = std::chrono::seconds(5))
{
    for (const auto end = std::chrono::steady_clock::now() + limit; !done();) {
        if (std::chrono::steady_clock::now() >= end) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

} // namespace printbench::testkit
