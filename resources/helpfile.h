#pragma once

#include <QString>

// The absolute path of the help file ruvidadovevi.hlp, fixed when the program is
// built: the build tree's copy, or the installed one. It depends neither on the
// program's folder nor on the current directory.
QString helpFilePath();
