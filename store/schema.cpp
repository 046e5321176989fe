#include "store/schema.h"

#include "store/enginetext.h"
#include "store/storeerror.h"

#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>

namespace {

// AutoIncField is the rowid itself; AUTOINCREMENT keeps keys of deleted rows from
// coming back. DHCP holds 0 / 1; NULL in DHCP or Connection is "no value".
const char* const SchemaStatements[] = {
    "CREATE TABLE Connections (\n"
    "    AutoIncField   INTEGER PRIMARY KEY AUTOINCREMENT,\n"
    "    ConnectionName VARCHAR(255),\n"
    "    Description    VARCHAR(255)\n"
    ")",
    "CREATE TABLE IPSets (\n"
    "    IPSet_Name VARCHAR(255),\n"
    "    IPAddress  VARCHAR(15),\n"
    "    SubnetMask VARCHAR(15),\n"
    "    Gateway    VARCHAR(15),\n"
    "    DNS        VARCHAR(15),\n"
    "    DHCP       BOOLEAN,\n"
    "    Connection INTEGER\n"
    ")",
};

// Claims the path with an exclusive create, so that a file that appears at the
// same moment is never opened and changed.
void claimNewFile(const QString& path) {
    QFile file(path);
    if (QFileInfo(path).exists() || QFileInfo(path).isSymLink())
        throw StoreError(QStringLiteral("'%1' already exists").arg(path));
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        throw StoreError(QStringLiteral("Cannot create '%1': %2").arg(path, file.errorString()));
}

QString writeSchema(const QString& connectionName, const QString& path) {
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connectionName);
    db.setDatabaseName(path);
    if (!db.open())
        return engineText(db.lastError());
    if (!db.transaction())
        return engineText(db.lastError());
    for (const char* statement : SchemaStatements) {
        QSqlQuery query(db);
        if (!query.exec(QString::fromLatin1(statement))) {
            const QString text = engineText(query.lastError());
            query = QSqlQuery();
            db.rollback();
            return text;
        }
    }
    if (!db.commit())
        return engineText(db.lastError());
    db.close();
    return {};
}

} // namespace

void createEmptyDatabase(const QString& path) {
    claimNewFile(path);
    const QString connectionName =
        QStringLiteral("orvantis-schema-") + QUuid::createUuid().toString(QUuid::WithoutBraces);
    const QString failure = writeSchema(connectionName, path);
    QSqlDatabase::removeDatabase(connectionName);
    if (!failure.isEmpty()) {
        QFile::remove(path);
        throw StoreError(QStringLiteral("Cannot create '%1': %2").arg(path, failure));
    }
}
