#pragma once

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStringList>
#include <QUuid>

// The tables of a database file as lines "table.column type notnull default pk",
// the tables in name order, and whether a table uses AUTOINCREMENT.
class SchemaOfFile {
public:
    explicit SchemaOfFile(const QString& path)
        : m_name(QStringLiteral("schema-") + QUuid::createUuid().toString(QUuid::WithoutBraces)) {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
        db.setDatabaseName(path);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        db.open();
    }
    ~SchemaOfFile() {
        {
            QSqlDatabase db = QSqlDatabase::database(m_name, false);
            db.close();
        }
        QSqlDatabase::removeDatabase(m_name);
    }
    SchemaOfFile(const SchemaOfFile&) = delete;
    SchemaOfFile& operator=(const SchemaOfFile&) = delete;

    QStringList columns() const {
        QStringList lines;
        for (const QString& table : userTables()) {
            QSqlQuery query(QSqlDatabase::database(m_name, false));
            query.exec(QStringLiteral("PRAGMA table_info(\"%1\")").arg(table));
            while (query.next())
                lines << QStringLiteral("%1.%2 %3 %4 %5 %6")
                             .arg(table, query.value(1).toString(), query.value(2).toString(),
                                  query.value(3).toString(),
                                  query.value(4).isNull() ? "-" : query.value(4).toString(),
                                  query.value(5).toString());
        }
        return lines;
    }

    QStringList userTables() const {
        return list(QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table' "
                                   "AND name NOT LIKE 'sqlite_%' ORDER BY name"));
    }
    QStringList otherObjects() const {
        return list(QStringLiteral("SELECT type || ' ' || name FROM sqlite_master WHERE type <> 'table'"));
    }
    bool autoIncrements(const QString& table) const {
        return list(QStringLiteral("SELECT sql FROM sqlite_master WHERE name = '%1'").arg(table))
            .join(QString())
            .contains(QStringLiteral("AUTOINCREMENT"));
    }
    int rows(const QString& table) const {
        return list(QStringLiteral("SELECT count(*) FROM \"%1\"").arg(table)).value(0).toInt();
    }

    // What the program's schema holds.
    static QStringList expectedColumns() {
        return {QStringLiteral("Connections.AutoIncField INTEGER 0 - 1"),
                QStringLiteral("Connections.ConnectionName VARCHAR(255) 0 - 0"),
                QStringLiteral("Connections.Description VARCHAR(255) 0 - 0"),
                QStringLiteral("IPSets.IPSet_Name VARCHAR(255) 0 - 0"),
                QStringLiteral("IPSets.IPAddress VARCHAR(15) 0 - 0"),
                QStringLiteral("IPSets.SubnetMask VARCHAR(15) 0 - 0"),
                QStringLiteral("IPSets.Gateway VARCHAR(15) 0 - 0"),
                QStringLiteral("IPSets.DNS VARCHAR(15) 0 - 0"),
                QStringLiteral("IPSets.DHCP BOOLEAN 0 - 0"),
                QStringLiteral("IPSets.Connection INTEGER 0 - 0")};
    }

private:
    QStringList list(const QString& sql) const {
        QSqlQuery query(QSqlDatabase::database(m_name, false));
        query.exec(sql);
        QStringList values;
        while (query.next())
            values << query.value(0).toString();
        return values;
    }

    QString m_name;
};
