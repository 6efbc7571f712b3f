#pragma once

// What every test file uses, included ahead of each (see tests/CMakeLists.txt): GoogleTest,
// Qt, the program's headers, and the worlds tests run in.
#include "app/appdelegate.h"
#include "app/presentation.h"
#include "cli/cli.h"
#include "guard/guardcontrol.h"
#include "guard/guardfiles.h"
#include "guard/servicemanager.h"
#include "process/catalogue.h"
#include "process/scripts.h"
#include "process/shell.h"
#include "process/version.h"
#include "skin/casingview.h"
#include "skin/factories.h"
#include "skin/geometry.h"
#include "skin/skin.h"
#include "support/world.h"

#include <gtest/gtest.h>

#include <QtCore>
#include <QtGui>
#include <QtTest>
#include <QtWidgets>

#include <future>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

// Failing comparisons of Qt strings print the text, not its bytes.
inline void PrintTo(const QString &text, std::ostream *os)
{
    *os << '"' << text.toStdString() << '"';
}
