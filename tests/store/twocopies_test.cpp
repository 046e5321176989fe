// Two copies of the program on one file: each has its own connection and its own
// table objects. A row that one copy changed or deleted is never overwritten unasked
// by the other, which reads it again, tells the user once and goes on.
#include "store/database.h"
#include "store/datasource.h"
#include "store/datatable.h"
#include "tests/fixtures/othercopy.h"
#include "tests/fixtures/tempdatabase.h"
#include "tests/store/storetest.h"

#include <gtest/gtest.h>

namespace {

using State = DataTable::State;

class TwoCopiesTest : public ::testing::Test {
protected:
    void SetUp() override {
        file.addIPSet(QStringLiteral("Office"), QStringLiteral("10.0.0.5"), {}, {},
                      QStringLiteral("10.0.0.2"), 0, 1);
        file.addIPSet(QStringLiteral("Home"), QStringLiteral("192.168.1.7"), {}, {}, {}, 1, 2);
        databaseB.setConnectionString(file.path());
        b.open();
    }

    // Copy A stores a change of Office's DNS (or deletes Office).
    void aChangesOffice() { a.changeDns(QStringLiteral("Office"), QStringLiteral("9.9.9.9")); }
    void aDeletesOffice() { a.remove(QStringLiteral("Office")); }

    // Copy B has Office pending with another name (Office is its first row).
    void bRenamesOffice() {
        b.first();
        b.edit();
        b.setFieldString(QStringLiteral("IPSet_Name"), QStringLiteral("Office 2"));
    }

    QStringList stored(const char* column) {
        return file.column(QStringLiteral("SELECT %1 FROM IPSets ORDER BY rowid").arg(QLatin1String(column)));
    }
    QString bField(const char* name) { return b.fieldAsString(QLatin1String(name)); }

    TempDatabase file;
    OtherCopy a{file.path()};
    Database databaseB;
    DataTable b{databaseB, QStringLiteral("IPSetT"), QStringLiteral("IPSets")};
};

const QString PostOverChange = QStringLiteral(
    "IPSetT: \"Office\" was changed by another program after it was read here, so your changes were not "
    "stored. Press Ok again to store them over that change, or Cancel to keep it.");

TEST_F(TwoCopiesTest, APostOverAChangeIsRefusedAndKeepsTheUsersValuesOverTheStoredRow) {
    aChangesOffice();
    bRenamesOffice();
    EXPECT_EQ(errorOf([&] { b.post(); }), PostOverChange);
    EXPECT_EQ(stored("IPSet_Name"), QStringList({"Office", "Home"})) << "nothing overwritten";
    EXPECT_EQ(b.state(), State::Editing);
    EXPECT_EQ(bField("IPSet_Name"), QStringLiteral("Office 2")) << "the user's value stays";
    EXPECT_EQ(bField("DNS"), QStringLiteral("9.9.9.9")) << "a field the user left takes the stored value";

    b.post(); // Ok again: knowingly over the other copy's change
    EXPECT_EQ(b.state(), State::Browsing);
    EXPECT_EQ(stored("IPSet_Name"), QStringList({"Office 2", "Home"}));
    EXPECT_EQ(stored("DNS").value(0), QStringLiteral("9.9.9.9"));
}

TEST_F(TwoCopiesTest, CancelAfterTheRefusalKeepsTheOtherCopysRowAndLaterWritesActOnIt) {
    aChangesOffice();
    bRenamesOffice();
    EXPECT_EQ(errorOf([&] { b.post(); }), PostOverChange);
    b.cancel();
    EXPECT_EQ(b.state(), State::Browsing);
    EXPECT_EQ(bField("IPSet_Name"), QStringLiteral("Office"));
    EXPECT_EQ(bField("DNS"), QStringLiteral("9.9.9.9")) << "the stored row shows";
    b.edit();
    b.setFieldString(QStringLiteral("Gateway"), QStringLiteral("10.0.0.1"));
    b.post(); // a later edit acts on the stored row: no refusal
    EXPECT_EQ(stored("Gateway").value(0), QStringLiteral("10.0.0.1"));
    b.remove();
    EXPECT_EQ(stored("IPSet_Name"), QStringList({"Home"}));
}

TEST_F(TwoCopiesTest, APostOfARowTheOtherCopyDeletedCanStoreItAnewOrLeaveItDeleted) {
    aDeletesOffice();
    bRenamesOffice();
    EXPECT_EQ(
        errorOf([&] { b.post(); }),
        QStringLiteral("IPSetT: \"Office\" was deleted by another program after it was read here, so your "
                       "changes were not stored. Press Ok again to store them as a new row, or Cancel to "
                       "leave it deleted."));
    EXPECT_EQ(b.state(), State::Inserting);
    EXPECT_EQ(bField("IPSet_Name"), QStringLiteral("Office 2"));
    b.post();
    EXPECT_EQ(stored("IPSet_Name"), QStringList({"Home", "Office 2"}));
    EXPECT_EQ(stored("IPAddress"), QStringList({"192.168.1.7", "10.0.0.5"}))
        << "with every value the user had";
}

TEST_F(TwoCopiesTest, CancelAfterARefusedPostOfADeletedRowDropsIt) {
    aDeletesOffice();
    bRenamesOffice();
    EXPECT_NE(errorOf([&] { b.post(); }), QStringLiteral("<no error>"));
    b.cancel();
    EXPECT_EQ(b.state(), State::Browsing);
    EXPECT_EQ(b.recordCount(), 1);
    EXPECT_EQ(bField("IPSet_Name"), QStringLiteral("Home"));
    EXPECT_EQ(stored("IPSet_Name"), QStringList({"Home"}));
}

// --- a settle that meets the refusal --------------------------------------------------

struct SettleStep {
    const char* name;
    std::function<void(DataTable&)> step;
};

class RefusedSettle : public TwoCopiesTest, public ::testing::WithParamInterface<SettleStep> {
protected:
    void SetUp() override {
        TwoCopiesTest::SetUp();
        b.setRefusalReport(&reportContext, [this](const QString& text) { reports << text; });
    }
    QObject reportContext;
    QStringList reports;
};

TEST_P(RefusedSettle, AChangedRowIsReportedOnceShownAsStoredAndTheStepGoesOn) {
    aChangesOffice();
    bRenamesOffice();
    GetParam().step(b);
    EXPECT_EQ(reports,
              QStringList({QStringLiteral(
                  "IPSetT: \"Office\" was changed by another program after it was read here, so your "
                  "changes were not stored (your values: IPSet_Name \"Office 2\"). It now shows as "
                  "stored there; edit it again to make your changes.")}));
    EXPECT_NE(b.state(), State::Editing);
    EXPECT_EQ(b.textAt(0, 0), QStringLiteral("Office"));
    EXPECT_EQ(b.textAt(0, b.fieldIndex(QStringLiteral("DNS"))), QStringLiteral("9.9.9.9"));
    EXPECT_EQ(stored("IPSet_Name"), QStringList({"Office", "Home"}));
    b.cancel();
    b.first();
    b.insert(); // every later command goes on
    b.cancel();
    EXPECT_EQ(reports.size(), 1);
}

TEST_P(RefusedSettle, ADeletedRowIsReportedOnceAndDisappears) {
    aDeletesOffice();
    bRenamesOffice();
    GetParam().step(b);
    ASSERT_EQ(reports.size(), 1);
    EXPECT_TRUE(reports[0].endsWith(QStringLiteral("Add it again to keep them.")))
        << reports[0].toStdString();
    b.cancel();
    EXPECT_EQ(b.recordCount(), 1);
    EXPECT_EQ(b.textAt(0, 0), QStringLiteral("Home"));
    EXPECT_EQ(stored("IPSet_Name"), QStringList({"Home"}));
}

INSTANTIATE_TEST_SUITE_P(Steps, RefusedSettle,
                         ::testing::Values(SettleStep{"first", [](DataTable& t) { t.first(); }},
                                           SettleStep{"next", [](DataTable& t) { t.next(); }},
                                           SettleStep{"locate",
                                                      [](DataTable& t) {
                                                          t.locate(QStringLiteral("ipset_name"), "Home");
                                                      }},
                                           SettleStep{"insert", [](DataTable& t) { t.insert(); }},
                                           SettleStep{"moveTo", [](DataTable& t) { t.moveTo(1); }}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(TwoCopiesTest, WithoutAReportTheSettleThrowsOnceAndTheNextStepGoesOn) {
    aChangesOffice();
    bRenamesOffice();
    EXPECT_TRUE(errorOf([&] { b.insert(); }).startsWith(QStringLiteral("IPSetT: \"Office\" was changed")));
    EXPECT_EQ(b.state(), State::Browsing);
    b.insert();
    EXPECT_EQ(b.state(), State::Inserting);
}

TEST_F(TwoCopiesTest, AReportWhoseContextIsGoneIsNoReport) {
    {
        QObject context;
        b.setRefusalReport(&context, [](const QString&) { FAIL() << "called after its context went"; });
    }
    aChangesOffice();
    bRenamesOffice();
    EXPECT_NE(errorOf([&] { b.first(); }), QStringLiteral("<no error>"));
}

// --- delete -------------------------------------------------------------------------------

TEST_F(TwoCopiesTest, DeletingAChangedRowIsRefusedAndShowsItAsStored) {
    aChangesOffice();
    b.first();
    EXPECT_EQ(
        errorOf([&] { b.remove(); }),
        QStringLiteral("IPSetT: \"Office\" was changed by another program after it was read here, so it was "
                       "not deleted. It now shows as stored there; delete it again if it should go."));
    EXPECT_EQ(bField("DNS"), QStringLiteral("9.9.9.9"));
    EXPECT_EQ(stored("IPSet_Name"), QStringList({"Office", "Home"}));
    b.remove(); // now it acts on the stored row
    EXPECT_EQ(stored("IPSet_Name"), QStringList({"Home"}));
}

TEST_F(TwoCopiesTest, DeletingARowTheOtherCopyDeletedLeavesItGone) {
    aDeletesOffice();
    b.first();
    b.remove();
    EXPECT_EQ(b.recordCount(), 1);
    EXPECT_EQ(bField("IPSet_Name"), QStringLiteral("Home"));
    EXPECT_EQ(stored("IPSet_Name"), QStringList({"Home"}));
}

// --- the real data-aware control: its values reach the row after the signal -------------

TEST_F(TwoCopiesTest, AValueItsFieldRefusesFailsThePostAfterEveryControlHandedOver) {
    DataSource source(&b);
    source.setAutoEdit(false);
    DbEdit connection; // bound first: its handler runs first
    connection.setDataField(QStringLiteral("Connection"));
    connection.setDataSource(&source);
    DbEdit name;
    name.setDataField(QStringLiteral("IPSet_Name"));
    name.setDataSource(&source);
    int laterHandlers = 0;
    QObject::connect(&source, &DataSource::updatingRecord, [&](RecordHandOver&) { ++laterHandlers; });

    b.insert();
    ASSERT_TRUE(typeInto(connection, QStringLiteral("abc")));
    ASSERT_TRUE(typeInto(name, QStringLiteral("Lab")));
    EXPECT_EQ(errorOf([&] { b.post(); }), QStringLiteral("'abc' is not a valid integer value"));
    EXPECT_EQ(laterHandlers, 1) << "every handler ran";
    EXPECT_EQ(b.state(), State::Inserting);
    EXPECT_EQ(bField("IPSet_Name"), QStringLiteral("Lab"));
    EXPECT_EQ(connection.text(), QStringLiteral("abc")) << "the refused text stays for the next try";
    EXPECT_TRUE(connection.isModified());

    ASSERT_TRUE(typeInto(connection, QStringLiteral("3")));
    b.post();
    EXPECT_EQ(stored("IPSet_Name").value(2), QStringLiteral("Lab"));
    EXPECT_EQ(stored("Connection").value(2), QStringLiteral("3"));
}

// --- the key 0 ------------------------------------------------------------------------------

TEST_F(TwoCopiesTest, LocateOnTheKeyFindsARowWhoseKeyIsZero) {
    ASSERT_TRUE(file.exec(QStringLiteral(
        "INSERT INTO Connections (AutoIncField, ConnectionName) VALUES (0, 'made elsewhere')")));
    file.addConnection(QStringLiteral("LAN"));
    DataTable connections(databaseB, QStringLiteral("ConnectionsT"), QStringLiteral("Connections"));
    connections.open();
    ASSERT_TRUE(connections.locate(QStringLiteral("autoincfield"), 1, DataTable::CaseInsensitive));
    ASSERT_TRUE(connections.locate(QStringLiteral("autoincfield"), 0, DataTable::CaseInsensitive));
    EXPECT_EQ(connections.fieldAsString(QStringLiteral("connectionname")), QStringLiteral("made elsewhere"));
    connections.moveTo(1);
    connections.remove(); // positions move: the key still finds its row
    ASSERT_TRUE(connections.locate(QStringLiteral("autoincfield"), 0, DataTable::CaseInsensitive));
    EXPECT_EQ(connections.fieldAsString(QStringLiteral("connectionname")), QStringLiteral("made elsewhere"));
}

} // namespace
