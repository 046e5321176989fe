#pragma once

#include <QSqlError>
#include <QString>

// The database engine's own text for a failure ("database is locked"), without
// the Qt driver's words around it.
inline QString engineText(const QSqlError& error) {
    const QString text = error.databaseText();
    return text.isEmpty() ? error.text() : text;
}
