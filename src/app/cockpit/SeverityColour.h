#pragma once

#include "cockpit/StatusNames.h"

#include <QColor>

namespace printbench::app {

// The pale background of a status at a glance: green, amber, red.
inline QColor severityColour(cockpit::Severity s)
{
    switch (s) {
    case cockpit::Severity::Good: return {0xd8, 0xf0, 0xd8};
    case cockpit::Severity::Warning: return {0xfc, 0xe8, 0xb8};
    case cockpit::Severity::Bad: return {0xf8, 0xd0, 0xd0};
    }
    return {};
}

}  // namespace printbench::app
