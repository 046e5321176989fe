#pragma once

#include <QString>

// Makes a new database file at path holding the program's two tables, IPSets and
// Connections, with no rows. The program itself never calls this: it is for the
// companion tool and for tests. Throws StoreError when the file already exists
// (it is left untouched) or cannot be made.
void createEmptyDatabase(const QString& path);
