#pragma once

#include "store/database.h"
#include "store/datasource.h"
#include "store/datatable.h"
#include "tests/fixtures/qstringprint.h"
#include "tests/fixtures/tempdatabase.h"

#include <QString>
#include <gtest/gtest.h>
#include <ostream>

// A real database in a temporary folder with three connections (keys 1, 2, 3) and
// the two table objects opened over it, as the main window holds them.
class StoreFixture : public ::testing::Test {
protected:
    void SetUp() override {
        file.addConnection(QStringLiteral("LAN"), QStringLiteral("wired"));
        file.addConnection(QStringLiteral("Wireless Network Connection"), QStringLiteral("wifi"));
        file.addConnection(QStringLiteral("VPN"));
        file.addIPSet(QStringLiteral("Office"), QStringLiteral("10.0.0.5"), QStringLiteral("255.255.255.0"),
                      QStringLiteral("10.0.0.1"), QStringLiteral("10.0.0.2"), false, 1);
        file.addIPSet(QStringLiteral("Home"), QStringLiteral("192.168.1.7"), QStringLiteral("255.255.255.0"),
                      QStringLiteral("192.168.1.1"), QStringLiteral("192.168.1.1"), true, 2);
        database.setConnectionString(file.path());
        openTables();
    }

    void openTables() {
        ipSets.open();
        connections.open();
    }

    // A column of the file, in row order, read past the table objects.
    QStringList stored(const QString& column) {
        return file.column(QStringLiteral("SELECT %1 FROM IPSets ORDER BY rowid").arg(column));
    }

    TempDatabase file;
    Database database;
    DataTable ipSets{database, QStringLiteral("IPSetT"), QStringLiteral("IPSets")};
    DataTable connections{database, QStringLiteral("ConnectionsT"), QStringLiteral("Connections")};
    DataSource connectionsDs{&connections};
};

// A clock that moves only when a test says so.
struct ManualClock {
    qint64 now = 100000;
    auto function() {
        return [this] { return now; };
    }
};
