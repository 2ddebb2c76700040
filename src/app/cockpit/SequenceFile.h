#pragma once

#include "window/SessionFields.h"

#include <QByteArray>
#include <QSettings>

#include <optional>

namespace printbench::app {

// A command sequence as a file the technician keeps and opens again:
//   {"format":"printbench-sequence","version":1,"entries":["Full Cut",...],
//    "repeat":"1","delay":"500","feed":"100","text":"..."}
QByteArray sequenceJson(const window::SequenceFields& sequence);
// The sequence a file holds, each value it lacks taken from `base`; none when the file is not
// JSON or not a sequence file.
std::optional<window::SequenceFields> readSequence(const QByteArray& json, window::SequenceFields base);

// The window's session in the settings' group "session", and back; none when none was kept.
void saveSession(QSettings& settings, const window::SessionFields& session);
std::optional<window::SessionFields> loadSession(QSettings& settings);

} // namespace printbench::app
