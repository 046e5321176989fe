// The row store: a table's rows read and written through Qt SQL, the stale-row check,
// and one row read again. The "other program" is the side connection of TempDatabase.
#include "store/database.h"
#include "store/rowstore.h"
#include "tests/fixtures/tempdatabase.h"
#include "tests/store/storetest.h"

#include <QObject>
#include <gtest/gtest.h>

namespace {

using Outcome = RowStore::Outcome;

class RowStoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        owner.setObjectName(QStringLiteral("ConnectionsT"));
        file.addConnection(QStringLiteral("LAN"), QStringLiteral("wired"));
        file.addConnection(QStringLiteral("VPN"), QStringLiteral("tunnel"));
        database.setConnectionString(file.path());
        rows = store.load();
        ASSERT_EQ(rows.size(), 2);
    }

    QStringList storedNames() {
        return file.column(QStringLiteral("SELECT ConnectionName FROM Connections ORDER BY AutoIncField"));
    }

    TempDatabase file;
    Database database;
    QObject owner;
    RowStore store{database, QStringLiteral("Connections"), owner};
    QVector<RowStore::Row> rows;
};

TEST_F(RowStoreTest, LoadsFieldsAndRowsInRowidOrder) {
    ASSERT_EQ(store.fields().size(), 3);
    EXPECT_EQ(store.keyField(), 0);
    EXPECT_EQ(store.fields()[1].name, QStringLiteral("ConnectionName"));
    EXPECT_EQ(store.fields()[1].width, 255);
    EXPECT_TRUE(rows[0].inFile);
    EXPECT_EQ(rows[0].rowid, 1);
    EXPECT_EQ(rows[1].values[1], QVariant(QStringLiteral("VPN")));
    EXPECT_EQ(rows[1].values, rows[1].stored);
}

TEST_F(RowStoreTest, InsertGivesTheRowItsKey) {
    RowStore::Row row = store.newRow();
    EXPECT_FALSE(row.inFile);
    row.values[1] = QStringLiteral("WLAN");
    store.insertRow(row);
    EXPECT_TRUE(row.inFile);
    EXPECT_EQ(row.rowid, 3);
    EXPECT_EQ(row.values[0].toLongLong(), 3);
    EXPECT_EQ(row.stored, row.values);
    EXPECT_EQ(storedNames(), QStringList({"LAN", "VPN", "WLAN"}));
}

TEST_F(RowStoreTest, UpdatesARowAsItWasRead) {
    rows[0].values[1] = QStringLiteral("Office LAN");
    EXPECT_EQ(store.updateRow(rows[0]), Outcome::Written);
    EXPECT_EQ(rows[0].stored[1], QVariant(QStringLiteral("Office LAN")));
    rows[0].values[2] = QStringLiteral("second write");
    EXPECT_EQ(store.updateRow(rows[0]), Outcome::Written) << "the copy follows its own writes";
    EXPECT_EQ(storedNames(), QStringList({"Office LAN", "VPN"}));
}

TEST_F(RowStoreTest, ARowChangedByAnotherProgramIsNotWritten) {
    ASSERT_TRUE(
        file.exec(QStringLiteral("UPDATE Connections SET Description = 'theirs' WHERE AutoIncField = 1")));
    rows[0].values[1] = QStringLiteral("mine");
    EXPECT_EQ(store.updateRow(rows[0]), Outcome::RowChanged);
    EXPECT_EQ(store.deleteRow(rows[0]), Outcome::RowChanged);
    EXPECT_EQ(storedNames(), QStringList({"LAN", "VPN"}));
    ASSERT_TRUE(store.reread(rows[0]));
    EXPECT_EQ(rows[0].values[2], QVariant(QStringLiteral("theirs")));
    EXPECT_EQ(rows[0].values[1], QVariant(QStringLiteral("LAN")))
        << "the values read replace the pending ones";
    EXPECT_EQ(store.deleteRow(rows[0]), Outcome::Written) << "read again, the row is the stored one";
    EXPECT_EQ(storedNames(), QStringList({"VPN"}));
}

TEST_F(RowStoreTest, ARowRemovedByAnotherProgramIsNotWritten) {
    ASSERT_TRUE(file.exec(QStringLiteral("DELETE FROM Connections WHERE AutoIncField = 2")));
    rows[1].values[1] = QStringLiteral("mine");
    EXPECT_EQ(store.updateRow(rows[1]), Outcome::RowRemoved);
    EXPECT_EQ(store.deleteRow(rows[1]), Outcome::RowRemoved);
    EXPECT_FALSE(store.reread(rows[1]));
    EXPECT_EQ(storedNames(), QStringList({"LAN"}));
}

TEST_F(RowStoreTest, AnUnchangedRowWritesNothing) {
    ASSERT_TRUE(
        file.exec(QStringLiteral("UPDATE Connections SET Description = 'theirs' WHERE AutoIncField = 1")));
    EXPECT_EQ(store.updateRow(rows[0]), Outcome::Written) << "no statement, so no refusal";
}

TEST_F(RowStoreTest, ARowWhoseKeyIsZeroIsARowLikeAnyOther) {
    ASSERT_TRUE(file.exec(QStringLiteral(
        "INSERT INTO Connections (AutoIncField, ConnectionName) VALUES (0, 'made elsewhere')")));
    rows = store.load();
    ASSERT_EQ(rows.size(), 3);
    EXPECT_EQ(rows[0].rowid, 0);
    EXPECT_TRUE(rows[0].inFile);
    rows[0].values[2] = QStringLiteral("described");
    EXPECT_EQ(store.updateRow(rows[0]), Outcome::Written);
    EXPECT_EQ(file.column(QStringLiteral("SELECT Description FROM Connections WHERE AutoIncField = 0")),
              QStringList({"described"}));
}

TEST_F(RowStoreTest, AMissingTableFailsWithTheEnginesText) {
    RowStore missing(database, QStringLiteral("Nope"), owner);
    EXPECT_EQ(errorOf([&] { missing.load(); }), QStringLiteral("no such table: Nope"));
    EXPECT_TRUE(missing.fields().isEmpty());
}

} // namespace
