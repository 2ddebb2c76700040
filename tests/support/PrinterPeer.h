#pragma once

#include "app/adapters/QtHost.h"

#include <QApplication>

#include <filesystem>
#include <string>
#include <vector>

// A QString in a failed expectation, as its text.
inline void PrintTo(const QString& s, std::ostream* out) { *out << '"' << s.toStdString() << '"'; }

namespace printbench::testkit {

// The binary's one application object, made by the first test that needs it, offscreen when
// there is no display. Never destroyed: on the way out Qt's own globals go first.
inline void ensureQtApp()
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "integration_tests", *argv[] = {name, nullptr};
    [[maybe_unused]] static QApplication* const app = new QApplication(argc, argv);
}

inline QString q(const std::filesystem::path& path) { return QString::fromStdString(path.string()); }

// The host of a whole run: real sleeps and event passes, message boxes kept instead of shown.
struct QuietHost : app::QtHost {
    QuietHost() : QtHost("PrintBench") {}
    void message(window::Icon, const window::Message& text) override { messages.push_back(text.text()); }
    // A question is kept as a message, and answered yes.
    bool ask(const window::Message& text, const window::Message&, const window::Message&) override
    {
        messages.push_back(text.text());
        return true;
    }
    std::vector<std::string> messages;
};

} // namespace printbench::testkit
