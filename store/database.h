#pragma once

#include <QString>

// The connection to the database file (the program's AdoConn). The file must exist:
// it is opened read-write and never created. Several processes may use one file at
// once; a short lock held by another process is waited for (busy timeout).
class Database {
public:
    Database();
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    // The path of the database file that the next connect() opens.
    void setConnectionString(const QString& path);
    QString connectionString() const;

    // Opens the file; throws StoreError with the engine's text when it is missing, is
    // no database, or cannot be opened, and with busyText() when another program
    // holds it locked past the busy timeout. No effect when already connected.
    void connect();
    void disconnect();
    bool isConnected() const;

    // The Qt SQL connection name, for the table objects that work through it.
    QString qtConnectionName() const;

    // How long a statement waits for a lock that another connection holds. Another
    // copy of the program holds one for a single statement, a few milliseconds; a lock
    // that outlasts half a second belongs to a program that keeps a transaction open,
    // and waiting longer would only freeze the window (every store operation runs on
    // the user-interface thread). After it the operation fails with busyText().
    static constexpr int BusyTimeoutMs = 500;

    // Takes effect at the next connect().
    void setBusyTimeout(int ms);
    int busyTimeout() const;

private:
    QString open(); // empty when the file was opened, else the engine's text

    QString m_connectionName;
    QString m_path;
    int m_busyTimeoutMs = BusyTimeoutMs;
    bool m_connected = false;
};
