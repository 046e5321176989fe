#pragma once

#include <QString>

// The application title: the main window's caption and taskbar text, the first
// panel of its status bar, and the caption of every message box of the program.
inline QString applicationTitle() { return QStringLiteral("Orvantis Ver 0.2"); }
