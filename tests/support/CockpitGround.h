#pragma once

// The main form in the cockpit window on a recorder, for the Qt tests of the cockpit and of the
// languages.

#include "app/cockpit/CockpitWindow.h"
#include "app/window/MainWindow.h"
#include "cockpit/Journal.h"
#include "support/Benches.h"
#include "support/PrinterPeer.h"

#include <QSettings>

namespace printbench::testkit {

// The main form and the cockpit around it; the journal is there to listen (a test sets it on
// the link); the settings live in a folder of their own.
struct CockpitGround : Ground {
    bool appReady = (ensureQtApp(), true);
    TempDir folder;
    bool settingsHere = (QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, q(folder.path())), true);
    cockpit::Journal journal{rec};
    app::MainWindow main{rec, rec.serial, rec.usb, codePage, ports.path()};
    app::CockpitWindow window{main, journal, codePage};
};

} // namespace printbench::testkit
