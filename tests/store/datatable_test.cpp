// The table object: cursor, states, reads and writes, locate, settling, signals.
#include "store/database.h"
#include "store/datasource.h"
#include "store/datatable.h"
#include "tests/fixtures/tempdatabase.h"
#include "tests/store/storetest.h"

#include <QSignalSpy>
#include <functional>
#include <gtest/gtest.h>

namespace {

using State = DataTable::State;

class TableTest : public ::testing::Test {
protected:
    void SetUp() override { database.setConnectionString(file.path()); }

    // Three connections, in this order: keys 1, 2, 3.
    void addThreeConnections() {
        file.addConnection(QStringLiteral("LAN"), QStringLiteral("wired"));
        file.addConnection(QStringLiteral("Wireless Network Connection"), QStringLiteral("wifi"));
        file.addConnection(QStringLiteral("VPN"), {});
    }

    QStringList storedNames() {
        return file.column(QStringLiteral("SELECT ConnectionName FROM Connections ORDER BY AutoIncField"));
    }

    TempDatabase file;
    Database database;
    DataTable connections{database, QStringLiteral("ConnectionsT"), QStringLiteral("Connections")};
    DataTable ipsets{database, QStringLiteral("IPSetT"), QStringLiteral("IPSets")};
};

// --- closed table -------------------------------------------------------------

struct ClosedCase {
    const char* name;
    std::function<void(DataTable&)> operation;
};

class ClosedTableTest : public TableTest, public ::testing::WithParamInterface<ClosedCase> {};

TEST_P(ClosedTableTest, FailsWithTheClosedText) {
    EXPECT_EQ(errorOf([&] { GetParam().operation(ipsets); }),
              QStringLiteral("IPSetT: Cannot perform this operation on a closed dataset"));
    EXPECT_EQ(ipsets.state(), State::Closed);
}

INSTANTIATE_TEST_SUITE_P(EveryOperationButOpen, ClosedTableTest,
                         ::testing::Values(ClosedCase{"first", [](DataTable& t) { t.first(); }},
                                           ClosedCase{"next", [](DataTable& t) { t.next(); }},
                                           ClosedCase{"recordCount", [](DataTable& t) { t.recordCount(); }},
                                           ClosedCase{"moveTo", [](DataTable& t) { t.moveTo(0); }},
                                           ClosedCase{"insert", [](DataTable& t) { t.insert(); }},
                                           ClosedCase{"edit", [](DataTable& t) { t.edit(); }},
                                           ClosedCase{"post", [](DataTable& t) { t.post(); }},
                                           ClosedCase{"cancel", [](DataTable& t) { t.cancel(); }},
                                           ClosedCase{"remove", [](DataTable& t) { t.remove(); }}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(TableTest, EveryFieldIsUnknownOnAClosedTableAndKeepsTheCallersSpelling) {
    EXPECT_EQ(errorOf([&] { ipsets.fieldAsString(QStringLiteral("ipset_name")); }),
              QStringLiteral("IPSetT: Field 'ipset_name' not found"));
    EXPECT_EQ(errorOf([&] { ipsets.fieldAsInteger(QStringLiteral("Connection")); }),
              QStringLiteral("IPSetT: Field 'Connection' not found"));
    EXPECT_EQ(errorOf([&] { ipsets.setFieldString(QStringLiteral("DNS"), QStringLiteral("1.1.1.1")); }),
              QStringLiteral("IPSetT: Field 'DNS' not found"));
    EXPECT_EQ(errorOf([&] { ipsets.locate(QStringLiteral("DNS"), QStringLiteral("x")); }),
              QStringLiteral("IPSetT: Cannot perform this operation on a closed dataset"));
}

// --- open, cursor --------------------------------------------------------------

TEST_F(TableTest, OpenConnectsReadsEveryRowAndMakesTheFirstCurrent) {
    addThreeConnections();
    connections.open();
    EXPECT_TRUE(database.isConnected());
    EXPECT_EQ(connections.state(), State::Browsing);
    EXPECT_EQ(connections.recordCount(), 3);
    EXPECT_EQ(connections.currentIndex(), 0);
    EXPECT_FALSE(connections.eof());
    EXPECT_EQ(connections.fieldAsString(QStringLiteral("ConnectionName")), QStringLiteral("LAN"));
    EXPECT_EQ(connections.fieldCount(), 3);
    EXPECT_EQ(connections.fieldName(1), QStringLiteral("ConnectionName"));

    QSignalSpy reset(&connections, &DataTable::rowsReset);
    connections.next();
    connections.open(); // an open table: nothing happens
    EXPECT_EQ(reset.count(), 0);
    EXPECT_EQ(connections.currentIndex(), 1);
}

TEST_F(TableTest, NextWalksToTheLastRowAndThenReachesTheEnd) {
    addThreeConnections();
    connections.open();
    QStringList seen;
    while (!connections.eof()) {
        seen << connections.fieldAsString(QStringLiteral("connectionname"));
        connections.next();
    }
    EXPECT_EQ(seen, QStringList({"LAN", "Wireless Network Connection", "VPN"}));
    EXPECT_EQ(connections.currentIndex(), 2); // the last row stays current
    connections.next();
    EXPECT_TRUE(connections.eof());
    EXPECT_EQ(connections.currentIndex(), 2);
    connections.first();
    EXPECT_FALSE(connections.eof());
    EXPECT_EQ(connections.currentIndex(), 0);
}

TEST_F(TableTest, AnEmptyTableHasNoCurrentRowAndReadsNoValues) {
    ipsets.open();
    EXPECT_EQ(ipsets.recordCount(), 0);
    EXPECT_EQ(ipsets.currentIndex(), -1);
    EXPECT_TRUE(ipsets.eof());
    EXPECT_EQ(ipsets.fieldAsString(QStringLiteral("IPSet_Name")), QString());
    EXPECT_EQ(ipsets.fieldAsString(QStringLiteral("DHCP")), QString());
    EXPECT_FALSE(ipsets.fieldAsBoolean(QStringLiteral("DHCP")));
    EXPECT_EQ(ipsets.fieldAsInteger(QStringLiteral("Connection")), 0);
    EXPECT_TRUE(ipsets.fieldIsNull(QStringLiteral("DNS")));
    ipsets.first();
    ipsets.next();
    EXPECT_EQ(ipsets.currentIndex(), -1);
    EXPECT_EQ(errorOf([&] { ipsets.remove(); }),
              QStringLiteral("IPSetT: Cannot perform this operation on an empty dataset"));
}

TEST_F(TableTest, FieldNamesMatchWithoutRegardToLetterCase) {
    file.addIPSet("Office", "10.0.0.5", "255.0.0.0", "10.0.0.1", "10.0.0.2", 0, 1);
    ipsets.open();
    for (const char* spelling : {"IPSet_Name", "ipset_name", "IPSET_NAME", "iPsEt_NaMe"})
        EXPECT_EQ(ipsets.fieldAsString(QString::fromLatin1(spelling)), QStringLiteral("Office")) << spelling;
    EXPECT_EQ(ipsets.fieldIndex(QStringLiteral("dns")), 4);
    EXPECT_EQ(errorOf([&] { ipsets.fieldAsString(QStringLiteral("IPSetName")); }),
              QStringLiteral("IPSetT: Field 'IPSetName' not found"));
}

// --- value rules -----------------------------------------------------------------

struct ValueCase {
    const char* field;
    QVariant stored;
    QString text;
    bool boolean;
    int integer;
};

void PrintTo(const ValueCase& c, std::ostream* out) {
    *out << c.field << " = " << c.stored.toString().toStdString();
}

class ValueRuleTest : public TableTest, public ::testing::WithParamInterface<ValueCase> {};

TEST_P(ValueRuleTest, ReadsByTheValueRules) {
    const ValueCase& c = GetParam();
    ASSERT_TRUE(file.exec(
        QStringLiteral("INSERT INTO IPSets (%1) VALUES (?)").arg(QString::fromLatin1(c.field)), {c.stored}));
    ipsets.open();
    const QString field = QString::fromLatin1(c.field);
    EXPECT_EQ(ipsets.fieldAsString(field), c.text);
    EXPECT_EQ(ipsets.fieldAsBoolean(field), c.boolean);
    EXPECT_EQ(ipsets.fieldAsInteger(field), c.integer);
    EXPECT_EQ(ipsets.fieldIsNull(field), c.stored.isNull());
}

INSTANTIATE_TEST_SUITE_P(Fields, ValueRuleTest,
                         ::testing::Values(ValueCase{"DHCP", QVariant(), "", false, 0},
                                           ValueCase{"DHCP", 1, "True", true, 1},
                                           ValueCase{"DHCP", 0, "False", false, 0},
                                           ValueCase{"Connection", QVariant(), "", false, 0},
                                           ValueCase{"Connection", 42, "42", true, 42},
                                           ValueCase{"Connection", -7, "-7", true, -7},
                                           // A damaged file: an integer field that holds no
                                           // 32-bit whole number reads as no value.
                                           ValueCase{"Connection", QStringLiteral("abc"), "abc", false, 0},
                                           ValueCase{"Connection", qint64(1) << 40, "1099511627776", true, 0},
                                           ValueCase{"Connection", 7.5, "7.5", true, 0},
                                           ValueCase{"IPSet_Name", QVariant(), "", false, 0},
                                           ValueCase{"IPSet_Name", QStringLiteral("12"), "12", true, 12},
                                           ValueCase{"IPSet_Name", QStringLiteral(""), "", false, 0}));

TEST_F(TableTest, ReadingATextThatIsNoNumberAsIntegerFails) {
    file.addIPSet("Home", "192.168.1.10", {}, {}, {}, {}, {});
    ipsets.open();
    EXPECT_EQ(errorOf([&] { ipsets.fieldAsInteger(QStringLiteral("IPSet_Name")); }),
              QStringLiteral("'Home' is not a valid integer value"));
    EXPECT_EQ(errorOf([&] { ipsets.fieldAsInteger(QStringLiteral("IPAddress")); }),
              QStringLiteral("'192.168.1.10' is not a valid integer value"));
}

// --- writes ---------------------------------------------------------------------

TEST_F(TableTest, WritesNeedAPendingRow) {
    file.addIPSet("Home", {}, {}, {}, {}, {}, {});
    ipsets.open();
    const QString notEditing = QStringLiteral("IPSetT: Dataset not in edit or insert mode");
    EXPECT_EQ(errorOf([&] { ipsets.setFieldString(QStringLiteral("DNS"), QStringLiteral("1.1.1.1")); }),
              notEditing);
    EXPECT_EQ(errorOf([&] { ipsets.setFieldBoolean(QStringLiteral("DHCP"), true); }), notEditing);
    EXPECT_EQ(errorOf([&] { ipsets.setFieldInteger(QStringLiteral("Connection"), 3); }), notEditing);
    EXPECT_EQ(errorOf([&] { ipsets.post(); }), notEditing);
    EXPECT_EQ(errorOf([&] { ipsets.setFieldString(QStringLiteral("Nope"), QString()); }),
              QStringLiteral("IPSetT: Field 'Nope' not found"));
    EXPECT_EQ(ipsets.fieldAsString(QStringLiteral("DNS")), QString());
}

TEST_F(TableTest, InsertPostStoresEveryKindOfValue) {
    ipsets.open();
    ipsets.insert();
    ipsets.setFieldString(QStringLiteral("ipset_name"), QStringLiteral("Lab"));
    ipsets.setFieldString(QStringLiteral("IPAddress"), QStringLiteral("10.1.2.3"));
    ipsets.setFieldBoolean(QStringLiteral("DHCP"), true);
    ipsets.setFieldInteger(QStringLiteral("Connection"), 5);
    ipsets.post();
    EXPECT_EQ(ipsets.state(), State::Browsing);
    EXPECT_EQ(file.column(QStringLiteral("SELECT IPSet_Name || '|' || IPAddress || '|' || DHCP || '|' || "
                                         "Connection || '|' || typeof(DHCP) || '|' || ifnull(DNS, 'null') "
                                         "FROM IPSets")),
              QStringList{"Lab|10.1.2.3|1|5|integer|null"});
    EXPECT_EQ(ipsets.fieldAsString(QStringLiteral("DHCP")), QStringLiteral("True"));
}

struct CutCase {
    const char* field;
    QString written;
    QString stored;
};

void PrintTo(const CutCase& c, std::ostream* out) {
    *out << c.field << " <- " << c.written.toStdString();
}

class TextWidthTest : public TableTest, public ::testing::WithParamInterface<CutCase> {};

TEST_P(TextWidthTest, TextIsCutToTheFieldsWidth) {
    const CutCase& c = GetParam();
    ipsets.open();
    ipsets.insert();
    ipsets.setFieldString(QString::fromLatin1(c.field), c.written);
    EXPECT_EQ(ipsets.fieldAsString(QString::fromLatin1(c.field)), c.stored);
    ipsets.post();
    EXPECT_EQ(file.column(QStringLiteral("SELECT %1 FROM IPSets").arg(QString::fromLatin1(c.field))),
              QStringList{c.stored});
}

const QString Emoji = QString::fromUtf8("\xF0\x9F\x98\x80"); // one character, two UTF-16 units

INSTANTIATE_TEST_SUITE_P(
    Widths, TextWidthTest,
    ::testing::Values(
        CutCase{"IPAddress", QStringLiteral("255.255.255.255"), QStringLiteral("255.255.255.255")},
        CutCase{"IPAddress", QStringLiteral("255.255.255.2550"), QStringLiteral("255.255.255.255")},
        CutCase{"IPAddress", QStringLiteral("").leftJustified(40, 'x'), QString(15, 'x')},
        CutCase{"DNS", QString(14, 'a') + Emoji + QStringLiteral("b"), QString(14, 'a') + Emoji},
        CutCase{"DNS", QString(15, 'a') + Emoji, QString(15, 'a')},
        CutCase{"IPSet_Name", QString(300, 'n'), QString(255, 'n')}));

TEST_F(TableTest, TheKeyIsAssignedByTheStoreAndCannotBeWritten) {
    file.addConnection(QStringLiteral("old"));
    ASSERT_TRUE(file.exec(QStringLiteral("DELETE FROM Connections")));
    connections.open();
    connections.insert();
    EXPECT_TRUE(connections.fieldIsNull(QStringLiteral("AutoIncField")));
    EXPECT_EQ(errorOf([&] { connections.setFieldInteger(QStringLiteral("AutoIncField"), 9); }),
              QStringLiteral("ConnectionsT: Field 'AutoIncField' cannot be modified"));
    connections.setFieldString(QStringLiteral("ConnectionName"), QStringLiteral("LAN"));
    connections.post();
    // The key of the deleted row is not given out again.
    EXPECT_EQ(connections.fieldAsInteger(QStringLiteral("autoincfield")), 2);
    EXPECT_TRUE(connections.locate(QStringLiteral("AutoIncField"), 2));
}

// --- insert, edit, post, cancel, delete ------------------------------------------

TEST_F(TableTest, InsertAppendsAnEmptyCurrentRowAndCancelReturnsToThePreviousRow) {
    addThreeConnections();
    connections.open();
    connections.next();
    connections.insert();
    EXPECT_EQ(connections.state(), State::Inserting);
    EXPECT_EQ(connections.recordCount(), 4);
    EXPECT_EQ(connections.currentIndex(), 3);
    EXPECT_EQ(connections.fieldAsString(QStringLiteral("ConnectionName")), QString());
    connections.setFieldString(QStringLiteral("ConnectionName"), QStringLiteral("dropped"));
    connections.cancel();
    EXPECT_EQ(connections.state(), State::Browsing);
    EXPECT_EQ(connections.recordCount(), 3);
    EXPECT_EQ(connections.currentIndex(), 1);
    EXPECT_EQ(storedNames(), QStringList({"LAN", "Wireless Network Connection", "VPN"}));
}

TEST_F(TableTest, PostOfAnInsertKeepsTheStoredRowCurrent) {
    addThreeConnections();
    connections.open();
    connections.insert();
    connections.setFieldString(QStringLiteral("ConnectionName"), QStringLiteral("Dial-up"));
    connections.post();
    EXPECT_EQ(connections.currentIndex(), 3);
    EXPECT_EQ(connections.fieldAsInteger(QStringLiteral("AutoIncField")), 4);
    EXPECT_EQ(connections.fieldAsString(QStringLiteral("ConnectionName")), QStringLiteral("Dial-up"));
    EXPECT_EQ(storedNames(), QStringList({"LAN", "Wireless Network Connection", "VPN", "Dial-up"}));
}

TEST_F(TableTest, PostOfAnUntouchedInsertStoresAnEmptyRow) {
    ipsets.open();
    ipsets.insert();
    ipsets.post();
    EXPECT_EQ(file.column(QStringLiteral("SELECT count(*) FROM IPSets WHERE IPSet_Name IS NULL")),
              QStringList{"1"});
}

TEST_F(TableTest, EditPostUpdatesTheFileAndCancelRestoresTheRow) {
    addThreeConnections();
    connections.open();
    connections.next();
    connections.edit();
    EXPECT_EQ(connections.state(), State::Editing);
    connections.edit(); // already editing: nothing
    connections.setFieldString(QStringLiteral("ConnectionName"), QStringLiteral("WLAN"));
    connections.post();
    EXPECT_EQ(storedNames(), QStringList({"LAN", "WLAN", "VPN"}));

    connections.edit();
    connections.setFieldString(QStringLiteral("ConnectionName"), QStringLiteral("not kept"));
    connections.cancel();
    EXPECT_EQ(connections.state(), State::Browsing);
    EXPECT_EQ(connections.fieldAsString(QStringLiteral("ConnectionName")), QStringLiteral("WLAN"));
    EXPECT_EQ(storedNames(), QStringList({"LAN", "WLAN", "VPN"}));
    connections.cancel(); // browsing: nothing
}

TEST_F(TableTest, EditOnAnEmptyTableInserts) {
    connections.open();
    connections.edit();
    EXPECT_EQ(connections.state(), State::Inserting);
    EXPECT_EQ(connections.recordCount(), 1);
}

TEST_F(TableTest, AnInsertCancelledOnAnEmptyTableLeavesNoRowAndTheEndReached) {
    connections.open();
    connections.insert();
    EXPECT_FALSE(connections.eof());
    connections.cancel();
    EXPECT_EQ(connections.currentIndex(), -1);
    EXPECT_TRUE(connections.eof());
    connections.edit();   // acts as insert again
    connections.remove(); // acts as cancel
    EXPECT_EQ(connections.recordCount(), 0);
    EXPECT_TRUE(connections.eof());
}

TEST_F(TableTest, DeleteRemovesTheCurrentRowAndANeighbourBecomesCurrent) {
    addThreeConnections();
    connections.open();
    connections.next();
    connections.remove();
    EXPECT_EQ(storedNames(), QStringList({"LAN", "VPN"}));
    EXPECT_EQ(connections.fieldAsString(QStringLiteral("ConnectionName")), QStringLiteral("VPN"));
    connections.remove(); // the last row: the new last row becomes current
    EXPECT_EQ(connections.fieldAsString(QStringLiteral("ConnectionName")), QStringLiteral("LAN"));
    connections.remove();
    EXPECT_EQ(connections.currentIndex(), -1);
    EXPECT_EQ(connections.recordCount(), 0);
    EXPECT_TRUE(storedNames().isEmpty());
}

TEST_F(TableTest, DeleteWhileEditingDeletesTheStoredRow) {
    addThreeConnections();
    connections.open();
    connections.edit();
    connections.setFieldString(QStringLiteral("ConnectionName"), QStringLiteral("changed"));
    connections.remove();
    EXPECT_EQ(connections.state(), State::Browsing);
    EXPECT_EQ(storedNames(), QStringList({"Wireless Network Connection", "VPN"}));
}

TEST_F(TableTest, InsertThenDeleteLeavesTheTableAsItWas) {
    addThreeConnections();
    connections.open();
    connections.moveTo(2);
    connections.insert();
    connections.setFieldString(QStringLiteral("ConnectionName"), QStringLiteral("new"));
    connections.remove();
    EXPECT_EQ(connections.state(), State::Browsing);
    EXPECT_EQ(connections.recordCount(), 3);
    EXPECT_EQ(connections.currentIndex(), 2);
    EXPECT_EQ(storedNames(), QStringList({"LAN", "Wireless Network Connection", "VPN"}));
}

// --- locate ------------------------------------------------------------------------

struct LocateCase {
    const char* field;
    QVariant value;
    DataTable::LocateOptions options;
    int found; // row that becomes current, -1 for none
};

void PrintTo(const LocateCase& c, std::ostream* out) {
    *out << c.field << " " << c.value.toString().toStdString() << " options " << int(c.options);
}

class LocateTest : public TableTest, public ::testing::WithParamInterface<LocateCase> {};

TEST_P(LocateTest, FindsTheFirstMatchingRowOrLeavesTheCursor) {
    addThreeConnections();
    file.addConnection(QStringLiteral("lan"), QStringLiteral("second lan"));
    connections.open();
    connections.moveTo(1);
    const LocateCase& c = GetParam();
    EXPECT_EQ(connections.locate(QString::fromLatin1(c.field), c.value, c.options), c.found >= 0);
    EXPECT_EQ(connections.currentIndex(), c.found >= 0 ? c.found : 1);
}

using Opt = DataTable::LocateOption;
INSTANTIATE_TEST_SUITE_P(
    Options, LocateTest,
    ::testing::Values(
        LocateCase{"ConnectionName", QStringLiteral("VPN"), {}, 2},
        LocateCase{"ConnectionName", QStringLiteral("vpn"), {}, -1},
        LocateCase{"connectionname", QStringLiteral("vpn"), Opt::CaseInsensitive, 2},
        LocateCase{"ConnectionName", QStringLiteral("lan"), {}, 3},
        LocateCase{"ConnectionName", QStringLiteral("lan"), Opt::CaseInsensitive, 0},
        LocateCase{"ConnectionName", QStringLiteral("Wireless"), {}, -1},
        LocateCase{"ConnectionName", QStringLiteral("Wireless"), Opt::PartialKey, 1},
        LocateCase{"ConnectionName", QStringLiteral("wIRE"), Opt::PartialKey | Opt::CaseInsensitive, 1},
        LocateCase{"ConnectionName", QStringLiteral("wIRE"), Opt::PartialKey, -1},
        LocateCase{"ConnectionName", QStringLiteral("VPNs"), Opt::PartialKey, -1},
        LocateCase{"Description", QVariant(), {}, 2}, LocateCase{"AutoIncField", 3, Opt::CaseInsensitive, 2},
        LocateCase{"autoincfield", qint64(4), {}, 3}, LocateCase{"AutoIncField", QStringLiteral("1"), {}, 0},
        LocateCase{"AutoIncField", 0, Opt::CaseInsensitive, -1}, LocateCase{"AutoIncField", 99, {}, -1},
        LocateCase{"AutoIncField", QStringLiteral("x"), {}, -1}));

TEST_F(TableTest, LocateMatchesNumbersAndBooleans) {
    file.addIPSet("a", {}, {}, {}, {}, 0, 7);
    file.addIPSet("b", {}, {}, {}, {}, 1, 8);
    ipsets.open();
    EXPECT_TRUE(ipsets.locate(QStringLiteral("Connection"), 8));
    EXPECT_EQ(ipsets.currentIndex(), 1);
    EXPECT_TRUE(ipsets.locate(QStringLiteral("Connection"), QStringLiteral("7")));
    EXPECT_EQ(ipsets.currentIndex(), 0);
    EXPECT_TRUE(ipsets.locate(QStringLiteral("DHCP"), true));
    EXPECT_EQ(ipsets.currentIndex(), 1);
    EXPECT_TRUE(ipsets.locate(QStringLiteral("DHCP"), QStringLiteral("False")));
    EXPECT_EQ(ipsets.currentIndex(), 0);
    EXPECT_EQ(errorOf([&] { ipsets.locate(QStringLiteral("Nope"), 1); }),
              QStringLiteral("IPSetT: Field 'Nope' not found"));
}

TEST_F(TableTest, LocateSettlesThePendingRowBeforeItLooksUpTheField) {
    addThreeConnections();
    connections.open();
    connections.edit();
    connections.setFieldString(QStringLiteral("ConnectionName"), QStringLiteral("WLAN"));
    EXPECT_EQ(errorOf([&] { connections.locate(QStringLiteral("Nope"), 1); }),
              QStringLiteral("ConnectionsT: Field 'Nope' not found"));
    EXPECT_EQ(connections.state(), State::Browsing);
    EXPECT_EQ(storedNames(), QStringList({"WLAN", "Wireless Network Connection", "VPN"}));
}

TEST_F(TableTest, LocateOnTheKeyFindsRowsAddedAndShiftedByDeletes) {
    addThreeConnections();
    connections.open();
    connections.remove(); // key 1 gone: the others move up
    connections.insert();
    connections.setFieldString(QStringLiteral("ConnectionName"), QStringLiteral("new"));
    connections.post(); // key 4
    EXPECT_FALSE(connections.locate(QStringLiteral("AutoIncField"), 1));
    ASSERT_TRUE(connections.locate(QStringLiteral("AutoIncField"), 3));
    EXPECT_EQ(connections.fieldAsString(QStringLiteral("ConnectionName")), QStringLiteral("VPN"));
    ASSERT_TRUE(connections.locate(QStringLiteral("AutoIncField"), 4));
    EXPECT_EQ(connections.fieldAsString(QStringLiteral("ConnectionName")), QStringLiteral("new"));
}

// --- settling through a bound control ------------------------------------------------

struct SettleCase {
    const char* name;
    std::function<void(DataTable&)> step;
};

class SettleTest : public TableTest, public ::testing::WithParamInterface<SettleCase> {};

TEST_P(SettleTest, AChangedPendingRowIsStored) {
    addThreeConnections();
    connections.open();
    DataSource source(&connections);
    DbEdit edit;
    edit.setDataField(QStringLiteral("ConnectionName"));
    edit.setDataSource(&source);
    ASSERT_TRUE(typeInto(edit, QStringLiteral("typed"))); // automatic editing: the table goes into editing
    EXPECT_EQ(connections.state(), State::Editing);
    EXPECT_FALSE(connections.isModified()); // the control holds the value until it is asked
    GetParam().step(connections);
    EXPECT_EQ(storedNames(), QStringList({"typed", "Wireless Network Connection", "VPN"}));
}

TEST_P(SettleTest, AnUnchangedPendingRowIsDropped) {
    addThreeConnections();
    connections.open();
    connections.edit();
    GetParam().step(connections);
    connections.insert();
    connections.cancel();
    connections.insert();
    GetParam().step(connections);
    EXPECT_NE(connections.state(), State::Editing);
    EXPECT_EQ(storedNames(), QStringList({"LAN", "Wireless Network Connection", "VPN"}));
    connections.cancel();
    EXPECT_EQ(connections.recordCount(), 3);
}

INSTANTIATE_TEST_SUITE_P(Steps, SettleTest,
                         ::testing::Values(SettleCase{"first", [](DataTable& t) { t.first(); }},
                                           SettleCase{"next", [](DataTable& t) { t.next(); }},
                                           SettleCase{"locate",
                                                      [](DataTable& t) {
                                                          t.locate(QStringLiteral("ConnectionName"), "VPN");
                                                      }},
                                           SettleCase{"insert", [](DataTable& t) { t.insert(); }},
                                           SettleCase{"moveTo", [](DataTable& t) { t.moveTo(2); }}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(TableTest, PostTakesTheBoundControlsValue) {
    file.addIPSet("Home", {}, {}, {}, {}, {}, {});
    ipsets.open();
    DataSource source(&ipsets);
    source.setAutoEdit(false);
    DbEdit name;
    name.setDataField(QStringLiteral("IPSet_Name"));
    name.setDataSource(&source);
    EXPECT_FALSE(typeInto(name, QStringLiteral("refused"))) << "no automatic editing while browsing";
    EXPECT_EQ(ipsets.state(), State::Browsing);
    ipsets.insert();
    ASSERT_TRUE(typeInto(name, QStringLiteral("Office")));
    ipsets.post();
    EXPECT_EQ(file.column(QStringLiteral("SELECT IPSet_Name FROM IPSets ORDER BY rowid")),
              QStringList({"Home", "Office"}));
}

// --- refused writes ------------------------------------------------------------------

class RefusedWriteTest : public TableTest {
protected:
    void SetUp() override {
        TableTest::SetUp();
        addThreeConnections();
        ASSERT_TRUE(file.exec(QStringLiteral("CREATE TRIGGER refuse_bad BEFORE INSERT ON Connections "
                                             "WHEN NEW.ConnectionName = 'bad' BEGIN SELECT RAISE(ABORT, "
                                             "'name refused'); END")));
        ASSERT_TRUE(file.exec(QStringLiteral("CREATE TRIGGER keep_lan BEFORE DELETE ON Connections "
                                             "WHEN OLD.ConnectionName = 'LAN' BEGIN SELECT RAISE(ABORT, "
                                             "'LAN is kept'); END")));
        connections.open();
    }
};

TEST_F(RefusedWriteTest, ARefusedPostLeavesTheRowPendingAndTheNextSettleRetries) {
    connections.insert();
    connections.setFieldString(QStringLiteral("ConnectionName"), QStringLiteral("bad"));
    EXPECT_EQ(errorOf([&] { connections.post(); }), QStringLiteral("name refused"));
    EXPECT_EQ(connections.state(), State::Inserting);
    EXPECT_EQ(connections.fieldAsString(QStringLiteral("ConnectionName")), QStringLiteral("bad"));
    EXPECT_EQ(errorOf([&] { connections.first(); }), QStringLiteral("name refused"));
    EXPECT_EQ(connections.currentIndex(), 3) << "the refused step does not move the cursor";
    connections.setFieldString(QStringLiteral("ConnectionName"), QStringLiteral("good"));
    connections.first();
    EXPECT_EQ(connections.state(), State::Browsing);
    EXPECT_EQ(storedNames(), QStringList({"LAN", "Wireless Network Connection", "VPN", "good"}));
}

TEST_F(RefusedWriteTest, DeleteCancelsARefusedInsert) {
    connections.insert();
    connections.setFieldString(QStringLiteral("ConnectionName"), QStringLiteral("bad"));
    EXPECT_EQ(errorOf([&] { connections.post(); }), QStringLiteral("name refused"));
    connections.remove();
    EXPECT_EQ(connections.state(), State::Browsing);
    EXPECT_EQ(connections.recordCount(), 3);
    EXPECT_EQ(storedNames(), QStringList({"LAN", "Wireless Network Connection", "VPN"}));
}

TEST_F(RefusedWriteTest, ARefusedDeleteKeepsTheRow) {
    EXPECT_EQ(errorOf([&] { connections.remove(); }), QStringLiteral("LAN is kept"));
    EXPECT_EQ(connections.recordCount(), 3);
    EXPECT_EQ(connections.fieldAsString(QStringLiteral("ConnectionName")), QStringLiteral("LAN"));
    EXPECT_EQ(storedNames(), QStringList({"LAN", "Wireless Network Connection", "VPN"}));
}

// --- signals ---------------------------------------------------------------------------

TEST_F(TableTest, SignalsCarryTheRightIndexAndComeAfterTheChange) {
    addThreeConnections();
    connections.open();
    QStringList log;
    QObject::connect(&connections, &DataTable::rowInserted, [&](int index) {
        log << QStringLiteral("inserted %1 of %2").arg(index).arg(connections.recordCount());
    });
    QObject::connect(&connections, &DataTable::rowRemoved, [&](int index) {
        log << QStringLiteral("removed %1 of %2").arg(index).arg(connections.recordCount());
    });
    QObject::connect(&connections, &DataTable::rowChanged, [&](int index) {
        log << QStringLiteral("changed %1: %2").arg(index).arg(connections.textAt(index, 1));
    });
    QObject::connect(&connections, &DataTable::cursorMoved,
                     [&] { log << QStringLiteral("current %1").arg(connections.currentIndex()); });
    QObject::connect(&connections, &DataTable::stateChanged,
                     [&] { log << QStringLiteral("state %1").arg(int(connections.state())); });

    connections.insert();
    connections.setFieldString(QStringLiteral("ConnectionName"), QStringLiteral("x"));
    connections.post();
    connections.moveTo(1);
    connections.remove();
    connections.edit();
    connections.setFieldString(QStringLiteral("ConnectionName"), QStringLiteral("y"));
    connections.cancel();
    EXPECT_EQ(log, QStringList({"inserted 3 of 4", "current 3", "state 3", "changed 3: x", "changed 3: x",
                                "state 1", "current 1", "removed 1 of 3", "current 1", "state 2",
                                "changed 1: y", "changed 1: VPN", "state 1"}));
}

} // namespace
