#pragma once

#include <QSqlError>
#include <QString>

// The database engine's own text for a failure ("no such table: IPSets"), without
// the Qt driver's words around it.
inline QString engineText(const QSqlError& error) {
    const QString text = error.databaseText();
    return text.isEmpty() ? error.text() : text;
}

// The engine gave up waiting for a lock that another connection holds: another
// program (or another copy of this one) is writing the file or keeps a transaction
// open. SQLITE_BUSY is 5; its extended codes keep 5 in the low byte.
inline bool isBusy(const QSqlError& error) {
    bool ok = false;
    const int code = error.nativeErrorCode().toInt(&ok);
    return ok && (code & 0xff) == 5;
}

// What the user is told instead of the engine's "database is locked".
inline QString busyText() {
    return QStringLiteral("The database is in use by another program; try again in a moment");
}
