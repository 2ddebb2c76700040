#pragma once

#include <QIcon>

namespace printbench::app {

// PrintBench's own icon: a receipt printer with a slip of paper coming out of it.
QIcon appIcon();

}  // namespace printbench::app
