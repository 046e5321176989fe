// The item model over a table object: what it shows, and that it follows every
// change of the table at once while staying a consistent model.
#include "store/storeerror.h"
#include "tests/widgets/storefixture.h"
#include "widgets/datatablemodel.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <functional>
#include <gtest/gtest.h>

namespace {

const QString Mark = QStringLiteral("\u25B6"); // the mark of the current row

// Collects what QAbstractItemModelTester reports while it is alive.
class ModelTesterReports {
public:
    ModelTesterReports() : m_previous(qInstallMessageHandler(&record)) { reports().clear(); }
    ~ModelTesterReports() { qInstallMessageHandler(m_previous); }
    QStringList list() const { return reports(); }

private:
    static QStringList& reports() {
        static QStringList all;
        return all;
    }
    static void record(QtMsgType, const QMessageLogContext& context, const QString& text) {
        if (context.category && QLatin1String(context.category) == QLatin1String("qt.modeltest"))
            reports() << text;
    }
    QtMessageHandler m_previous;
};

class DataTableModelTest : public StoreFixture {
protected:
    void SetUp() override {
        StoreFixture::SetUp();
        model.setFields({QStringLiteral("ConnectionName"), QStringLiteral("Description")});
        model.setDataSource(&connectionsDs);
    }

    // What a cell shows: the indicator column's mark, a field column's text.
    QString text(int row, int column) const {
        const int role =
            column == DataTableModel::IndicatorColumn ? DataTableModel::MarkRole : Qt::DisplayRole;
        return model.index(row, column).data(role).toString();
    }

    // The model shows exactly the table: every row's fields, and the mark on the current row.
    void expectShowsTable() {
        const int rows = connections.isOpen() ? connections.recordCount() : 0;
        ASSERT_EQ(model.rowCount(), rows);
        const int name = connections.isOpen() ? connections.fieldIndex(QStringLiteral("ConnectionName")) : -1;
        const int description =
            connections.isOpen() ? connections.fieldIndex(QStringLiteral("Description")) : -1;
        for (int row = 0; row < rows; ++row) {
            EXPECT_EQ(text(row, 1), connections.textAt(row, name)) << "row " << row;
            EXPECT_EQ(text(row, 2), connections.textAt(row, description)) << "row " << row;
            EXPECT_EQ(text(row, 0).isEmpty(), row != connections.currentIndex()) << "mark on row " << row;
        }
        EXPECT_EQ(model.markedRow(), rows > 0 ? connections.currentIndex() : -1);
    }

    DataTableModel model;
};

TEST_F(DataTableModelTest, ShowsTheIndicatorAndTheNamedFieldsOfEveryRow) {
    ASSERT_EQ(model.rowCount(), 3);
    ASSERT_EQ(model.columnCount(), 3);
    EXPECT_EQ(model.headerData(0, Qt::Horizontal).toString(), "");
    EXPECT_EQ(model.headerData(1, Qt::Horizontal).toString(), "ConnectionName");
    EXPECT_EQ(model.headerData(2, Qt::Horizontal).toString(), "Description");
    EXPECT_EQ(text(0, 0), Mark);
    EXPECT_EQ(text(1, 0), "");
    EXPECT_EQ(text(0, 1), "LAN");
    EXPECT_EQ(text(0, 2), "wired");
    EXPECT_EQ(text(1, 1), "Wireless Network Connection");
    EXPECT_EQ(text(2, 1), "VPN");
    EXPECT_EQ(text(2, 2), "");
    EXPECT_EQ(model.columnOf(QStringLiteral("description")), 2);
}

TEST_F(DataTableModelTest, CellsCanBeSelectedButNotEdited) {
    const Qt::ItemFlags flags = model.flags(model.index(1, 1));
    EXPECT_TRUE(flags & Qt::ItemIsSelectable);
    EXPECT_TRUE(flags & Qt::ItemIsEnabled);
    EXPECT_FALSE(flags & Qt::ItemIsEditable);
    EXPECT_FALSE(model.setData(model.index(1, 1), QStringLiteral("changed")));
    EXPECT_EQ(text(1, 1), "Wireless Network Connection");
}

TEST_F(DataTableModelTest, FieldNamesMatchWithoutLetterCaseAndAnUnknownFieldShowsNothing) {
    model.setFields({QStringLiteral("connectionname"), QStringLiteral("NoSuchField")});
    EXPECT_EQ(model.headerData(1, Qt::Horizontal).toString(), "connectionname");
    EXPECT_EQ(text(0, 1), "LAN");
    EXPECT_EQ(text(0, 2), "");
}

TEST_F(DataTableModelTest, APendingNewRowIsMarkedAsNew) {
    connections.insert();
    EXPECT_EQ(text(3, 0), DataTableModel::InsertingMark);
    connections.setFieldString(QStringLiteral("ConnectionName"), QStringLiteral("New"));
    EXPECT_EQ(text(3, 1), "New");
    connections.post();
    EXPECT_EQ(text(3, 0), Mark);
}

TEST_F(DataTableModelTest, ReportsAnInsertedAndARemovedRowWhereTheyHappen) {
    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
    QSignalSpy removed(&model, &QAbstractItemModel::rowsRemoved);
    QSignalSpy reset(&model, &QAbstractItemModel::modelReset);
    connections.insert();
    ASSERT_EQ(inserted.count(), 1);
    EXPECT_EQ(inserted[0][1].toInt(), 3);
    EXPECT_EQ(inserted[0][2].toInt(), 3);
    connections.cancel();
    connections.moveTo(1);
    connections.remove();
    ASSERT_EQ(removed.count(), 2);
    EXPECT_EQ(removed[0][1].toInt(), 3);
    EXPECT_EQ(removed[1][1].toInt(), 1);
    EXPECT_EQ(reset.count(), 0) << "single rows change without a reset";
}

TEST_F(DataTableModelTest, ACursorMoveChangesOnlyTheTwoIndicatorCells) {
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    QSignalSpy marked(&model, &DataTableModel::markedRowChanged);
    connections.locate(QStringLiteral("ConnectionName"), QStringLiteral("VPN"));
    ASSERT_EQ(changed.count(), 2);
    EXPECT_EQ(changed[0][0].toModelIndex(), model.index(0, 0));
    EXPECT_EQ(changed[0][1].toModelIndex(), model.index(0, 0));
    EXPECT_EQ(changed[1][0].toModelIndex(), model.index(2, 0));
    EXPECT_EQ(changed[1][1].toModelIndex(), model.index(2, 0));
    ASSERT_EQ(marked.count(), 1);
    EXPECT_EQ(marked[0][0].toInt(), 2);
    EXPECT_EQ(text(2, 0), Mark);
    EXPECT_EQ(text(0, 0), "");
}

TEST_F(DataTableModelTest, AnotherDataSourceOrNoneShowsItsRows) {
    DataSource ipSetsDs(&ipSets);
    model.setFields({QStringLiteral("IPSet_Name")});
    model.setDataSource(&ipSetsDs);
    ASSERT_EQ(model.rowCount(), 2);
    EXPECT_EQ(text(1, 1), "Home");
    model.setDataSource(nullptr);
    EXPECT_EQ(model.rowCount(), 0);
}

TEST_F(DataTableModelTest, ADestroyedTableLeavesAnEmptyModel) {
    auto table =
        std::make_unique<DataTable>(database, QStringLiteral("ConnectionsT"), QStringLiteral("Connections"));
    table->open();
    DataSource source(table.get());
    model.setDataSource(&source);
    ASSERT_EQ(model.rowCount(), 3);
    table.reset();
    EXPECT_EQ(model.rowCount(), 0);
}

// Every change of the table, made by anyone: the model stays consistent (as the
// model tester checks) and afterwards shows the table as it is.
struct TableChange {
    const char* name;
    std::function<void(DataTable&, TempDatabase&)> make;
};

void PrintTo(const TableChange& change, std::ostream* out) {
    *out << change.name;
}

const QString Name = QStringLiteral("ConnectionName");

void refuseBad(TempDatabase& file) {
    ASSERT_TRUE(file.exec(
        QStringLiteral("CREATE TRIGGER refuse BEFORE INSERT ON Connections "
                       "WHEN NEW.ConnectionName = 'bad' BEGIN SELECT RAISE(ABORT, 'refused'); END")));
}

const TableChange Changes[] = {
    {"insert", [](DataTable& t, TempDatabase&) { t.insert(); }},
    {"insertWritePost",
     [](DataTable& t, TempDatabase&) {
         t.insert();
         t.setFieldString(Name, QStringLiteral("New"));
         t.post();
     }},
    {"insertCancel",
     [](DataTable& t, TempDatabase&) {
         t.moveTo(1);
         t.insert();
         t.cancel();
     }},
    {"insertThenMoveDropsUnwrittenRow",
     [](DataTable& t, TempDatabase&) {
         t.insert();
         t.moveTo(0);
     }},
    {"insertThenDelete",
     [](DataTable& t, TempDatabase&) {
         t.insert();
         t.setFieldString(Name, QStringLiteral("x"));
         t.remove();
     }},
    {"editWriteCancel",
     [](DataTable& t, TempDatabase&) {
         t.edit();
         t.setFieldString(Name, QStringLiteral("changed"));
         t.cancel();
     }},
    {"editWritePost",
     [](DataTable& t, TempDatabase&) {
         t.moveTo(2);
         t.edit();
         t.setFieldString(QStringLiteral("Description"), QStringLiteral("tunnel"));
         t.post();
     }},
    {"deleteFirst", [](DataTable& t, TempDatabase&) { t.remove(); }},
    {"deleteLast",
     [](DataTable& t, TempDatabase&) {
         t.moveTo(2);
         t.remove();
     }},
    {"deleteEveryRow",
     [](DataTable& t, TempDatabase&) {
         t.remove();
         t.remove();
         t.remove();
     }},
    {"moveTo", [](DataTable& t, TempDatabase&) { t.moveTo(2); }},
    {"nextThenFirst",
     [](DataTable& t, TempDatabase&) {
         t.next();
         t.next();
         t.first();
     }},
    {"locateByKey", [](DataTable& t, TempDatabase&) { t.locate(QStringLiteral("autoincfield"), 3); }},
    {"close", [](DataTable& t, TempDatabase&) { t.close(); }},
    {"closeThenOpen",
     [](DataTable& t, TempDatabase& file) {
         t.close();
         file.addConnection(QStringLiteral("Added meanwhile"));
         t.open();
     }},
    {"refusedPostKeepsThePendingRow",
     [](DataTable& t, TempDatabase& file) {
         refuseBad(file);
         t.insert();
         t.setFieldString(Name, QStringLiteral("bad"));
         t.post();
     }},
    {"refusedSettleStaysOnThePendingRow",
     [](DataTable& t, TempDatabase& file) {
         refuseBad(file);
         t.insert();
         t.setFieldString(Name, QStringLiteral("bad"));
         t.moveTo(0);
     }},
};

class DataTableModelFollows : public DataTableModelTest, public ::testing::WithParamInterface<TableChange> {};

TEST_P(DataTableModelFollows, EveryChangeOfTheTable) {
    ModelTesterReports reports;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Warning);
    try {
        GetParam().make(connections, file);
    } catch (const StoreError&) {
        // a refused change: the model must still show the table as it stands
    }
    expectShowsTable();
    EXPECT_TRUE(reports.list().isEmpty()) << reports.list().join('\n').toStdString();
}

INSTANTIATE_TEST_SUITE_P(Changes, DataTableModelFollows, ::testing::ValuesIn(Changes),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
