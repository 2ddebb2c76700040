#pragma once

#include "window/SessionFields.h"

#include <QByteArray>
#include <QSettings>
#include <QString>

#include <optional>

namespace printbench::app {

// A command sequence as a file the technician keeps and opens again, with the lists and the
// code page it was set up with:
//   {"format":"printbench-sequence","version":1,"entries":["Full Cut",...],
//    "repeat":"1","delay":"500","feed":"100","text":"...",
//    "model":"KR-420","speed":"19200","density":"0","codePage":"CP949"}
struct SequenceFile {
    window::SequenceFields sequence;
    window::ListTexts lists;
    QString codePage;  // as Settings › Text code page names it
};
QByteArray sequenceJson(const SequenceFile& file);
// What a file holds, each value it lacks taken from `base`; none when the file is not JSON or
// not a sequence file.
std::optional<SequenceFile> readSequence(const QByteArray& json, SequenceFile base);

// The window's session in the settings' group "session", and back; none when none was kept.
void saveSession(QSettings& settings, const window::SessionFields& session);
std::optional<window::SessionFields> loadSession(QSettings& settings);

}  // namespace printbench::app
