#pragma once

#include <QApplication>
#include <QCoreApplication>

namespace printbench::testkit {

// The one application object of the integration test binary, made by whichever test needs
// it first. Without a display the offscreen platform is used, so the binary also runs outside
// ctest. It is never destroyed: destroyed among the program's static objects, after Qt's own
// globals have gone, QApplication crashes on the way out (QInputDevice in its children).
inline void ensureQtApp()
{
    if (QCoreApplication::instance()) return;
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "integration_tests";
    static char* argv[] = {name, nullptr};
    static QApplication* const app = new QApplication(argc, argv);
    (void)app;
}

} // namespace printbench::testkit
