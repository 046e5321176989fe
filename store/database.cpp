#include "store/database.h"

#include "store/enginetext.h"
#include "store/storeerror.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUrl>
#include <QUuid>

namespace {

const char* const Driver = "QSQLITE";

// The SQLite URI that opens an existing file for reading and writing and never
// creates it. Characters with a meaning in a URI ('?', '#', '%') are escaped, so
// folder names holding them still name the file.
QString readWriteUri(const QString& path) {
    QString absolute = QDir::fromNativeSeparators(QFileInfo(path).absoluteFilePath());
    if (!absolute.startsWith(QLatin1Char('/')))
        absolute.prepend(QLatin1Char('/')); // a drive letter: file:///C:/...
    const QByteArray encoded = QUrl::toPercentEncoding(absolute, "/:");
    return QStringLiteral("file://") + QString::fromLatin1(encoded) + QStringLiteral("?mode=rw");
}

// A path as one word of a shell command line, for a command the user may copy.
QString shellQuoted(const QString& path) {
    QString quoted = path;
    quoted.replace(QLatin1Char('\''), QStringLiteral("'\\''"));
    return QLatin1Char('\'') + quoted + QLatin1Char('\'');
}

// Why the file at path cannot be opened, with its full path, and how to make one
// when there is none.
QString cannotOpenText(const QString& path) {
    const QString absolute = QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath());
    QFileInfo file(absolute);
    if (file.exists() || file.isSymLink())
        return QStringLiteral("unable to open database file %1 for reading and writing").arg(absolute);
    return QStringLiteral("unable to open database file %1: there is no such file.\n"
                          "Create an empty database there with the command:\n"
                          "orvantis-createdb %2")
        .arg(absolute, shellQuoted(absolute));
}

} // namespace

Database::Database()
    : m_connectionName(QStringLiteral("orvantis-store-") +
                       QUuid::createUuid().toString(QUuid::WithoutBraces)) {}

Database::~Database() {
    disconnect();
}

void Database::setConnectionString(const QString& path) {
    m_path = path;
}

QString Database::connectionString() const {
    return m_path;
}

void Database::setBusyTimeout(int ms) {
    m_busyTimeoutMs = ms;
}

int Database::busyTimeout() const {
    return m_busyTimeoutMs;
}

void Database::connect() {
    if (m_connected)
        return;
    if (m_path.isEmpty())
        throw StoreError(
            QStringLiteral("unable to open database file")); // an empty name would be a temporary database
    QString failure = open();
    if (!failure.isEmpty()) {
        QSqlDatabase::removeDatabase(m_connectionName);
        throw StoreError(failure);
    }
    m_connected = true;
}

QString Database::open() {
    QSqlDatabase db = QSqlDatabase::addDatabase(QString::fromLatin1(Driver), m_connectionName);
    db.setDatabaseName(readWriteUri(m_path));
    db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=%1").arg(m_busyTimeoutMs));
    if (!db.open()) {
        db.close();
        return cannotOpenText(m_path);
    }
    // Opening alone reads nothing: a file that is no database (or is locked past
    // the timeout) shows only at the first statement, so run a cheap one now.
    QSqlQuery probe(db);
    if (!probe.exec(QStringLiteral("SELECT count(*) FROM sqlite_master"))) {
        const QString text = isBusy(probe.lastError()) ? busyText() : engineText(probe.lastError());
        probe = QSqlQuery();
        db.close();
        return text;
    }
    return {};
}

void Database::disconnect() {
    if (!QSqlDatabase::contains(m_connectionName))
        return;
    {
        QSqlDatabase db = QSqlDatabase::database(m_connectionName, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(m_connectionName);
    m_connected = false;
}

bool Database::isConnected() const {
    return m_connected;
}

QString Database::qtConnectionName() const {
    return m_connectionName;
}
