// The data source between a table object and its bound controls.
#include "store/database.h"
#include "store/datasource.h"
#include "store/datatable.h"
#include "tests/fixtures/tempdatabase.h"
#include "tests/store/storetest.h"

#include <QSignalSpy>
#include <gtest/gtest.h>
#include <memory>

namespace {

using State = DataTable::State;

class DataSourceTest : public ::testing::Test {
protected:
    void SetUp() override {
        file.addConnection(QStringLiteral("LAN"));
        file.addConnection(QStringLiteral("WLAN"));
        database.setConnectionString(file.path());
    }
    TempDatabase file;
    Database database;
    DataTable connections{database, QStringLiteral("ConnectionsT"), QStringLiteral("Connections")};
};

TEST_F(DataSourceTest, MayModifyByStateAndAutomaticEditing) {
    DataSource source(&connections);
    EXPECT_TRUE(source.autoEdit());
    EXPECT_FALSE(source.canModify()) << "closed";
    EXPECT_FALSE(source.beginUserEdit());
    connections.open();
    EXPECT_TRUE(source.canModify());
    source.setAutoEdit(false);
    EXPECT_FALSE(source.canModify());
    EXPECT_FALSE(source.beginUserEdit());
    EXPECT_EQ(connections.state(), State::Browsing);
    connections.edit();
    EXPECT_TRUE(source.canModify());
    EXPECT_TRUE(source.beginUserEdit());
    EXPECT_EQ(connections.state(), State::Editing);
    EXPECT_FALSE(DataSource().canModify()) << "no table";
}

TEST_F(DataSourceTest, AutomaticEditingPutsABrowsingTableIntoEditing) {
    connections.open();
    DataSource source(&connections);
    QSignalSpy state(&source, &DataSource::stateChanged);
    EXPECT_TRUE(source.beginUserEdit());
    EXPECT_EQ(connections.state(), State::Editing);
    EXPECT_EQ(state.count(), 1);
}

TEST_F(DataSourceTest, RelaysTheTablesChanges) {
    DataSource source(&connections);
    QSignalSpy data(&source, &DataSource::dataChanged);
    QSignalSpy state(&source, &DataSource::stateChanged);
    int updating = 0;
    QObject::connect(&source, &DataSource::updatingRecord, [&](RecordHandOver&) { ++updating; });
    connections.open();
    EXPECT_GE(data.count(), 1);
    EXPECT_EQ(state.count(), 1);
    data.clear();
    connections.next();
    EXPECT_EQ(data.count(), 1) << "cursor moved";
    connections.edit();
    data.clear();
    connections.setFieldString(QStringLiteral("ConnectionName"), QStringLiteral("x"));
    EXPECT_GE(data.count(), 1) << "value changed";
    connections.post();
    EXPECT_EQ(updating, 1);
    EXPECT_EQ(state.count(), 3); // open, edit, post
}

TEST_F(DataSourceTest, FollowsOnlyTheTableItIsGiven) {
    DataTable other(database, QStringLiteral("IPSetT"), QStringLiteral("IPSets"));
    DataSource source(&connections);
    QSignalSpy changedTable(&source, &DataSource::tableChanged);
    source.setTable(&other);
    EXPECT_EQ(source.table(), &other);
    EXPECT_EQ(changedTable.count(), 1);
    QSignalSpy data(&source, &DataSource::dataChanged);
    connections.open();
    EXPECT_EQ(data.count(), 0);
    other.open();
    EXPECT_GE(data.count(), 1);
}

TEST_F(DataSourceTest, ForgetsATableThatIsDestroyed) {
    auto table = std::make_unique<DataTable>(database, QStringLiteral("IPSetT"), QStringLiteral("IPSets"));
    table->open();
    DataSource source(table.get());
    table.reset();
    EXPECT_EQ(source.table(), nullptr);
    EXPECT_FALSE(source.canModify());
    EXPECT_FALSE(source.beginUserEdit());
}

} // namespace
