#pragma once

#include <QIcon>

/// The program's icon, built into the program.
QIcon programIcon();
