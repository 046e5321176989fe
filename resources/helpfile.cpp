#include "resources/helpfile.h"

#include <QCoreApplication>
#include <QDir>

QString helpFilePath() {
    return helpFileFor(QCoreApplication::applicationDirPath());
}

QString helpFileFor(const QString& programFolder) {
    const QString dataFolder = QDir(programFolder).filePath(QStringLiteral(ORVANTIS_DATA_FROM_BIN));
    return QDir::cleanPath(QDir(dataFolder).absoluteFilePath(QStringLiteral("ruvidadovevi.hlp")));
}
