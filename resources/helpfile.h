#pragma once

#include <QString>

// The absolute path of the help file ruvidadovevi.hlp of the running program: in the
// data folder that belongs to the program's own folder (share/orvantis beside bin,
// in the build tree as in an installed tree). It is fixed for a given build or
// install and does not depend on the current directory.
QString helpFilePath();

// The help file that belongs to a program in programFolder.
QString helpFileFor(const QString& programFolder);
