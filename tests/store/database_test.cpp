// The connection to the database file, and what happens with bad files, locks and
// two copies of the program writing one file.
#include "store/database.h"
#include "store/datatable.h"
#include "store/schema.h"
#include "tests/fixtures/tempdatabase.h"
#include "tests/store/storetest.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QUuid>
#include <chrono>
#include <functional>
#include <future>
#include <gtest/gtest.h>
#include <sys/fsuid.h>
#include <thread>
#include <unistd.h>

namespace {

using State = DataTable::State;

// What a copy hears when the other copy changed (or deleted) the row it writes.
const QString RowChanged = QStringLiteral(
    "ConnectionsT: \"LAN\" was changed by another program after it was read here, so your changes were not "
    "stored. Press Ok again to store them over that change, or Cancel to keep it.");
const QString InUse = QStringLiteral("The database is in use by another program; try again in a moment");

// A connection of its own to a file, as another process would hold one.
class OtherConnection {
public:
    explicit OtherConnection(const QString& path)
        : m_name(QStringLiteral("other-") + QUuid::createUuid().toString(QUuid::WithoutBraces)) {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
        db.setDatabaseName(path);
        db.open();
    }
    ~OtherConnection() {
        {
            QSqlDatabase db = QSqlDatabase::database(m_name, false);
            db.close();
        }
        QSqlDatabase::removeDatabase(m_name);
    }
    bool exec(const QString& sql) {
        QSqlQuery query(QSqlDatabase::database(m_name, false));
        return query.exec(sql);
    }

private:
    QString m_name;
};

QString connectError(const QString& path, int busyTimeoutMs = Database::BusyTimeoutMs) {
    Database database;
    database.setConnectionString(path);
    database.setBusyTimeout(busyTimeoutMs);
    const QString error = errorOf([&] { database.connect(); });
    EXPECT_FALSE(database.isConnected());
    return error;
}

// What the user reads when there is no database at path (a full path).
QString missingFileText(const QString& path) {
    return QStringLiteral("unable to open database file ") + path +
           QStringLiteral(": there is no such file.\nCreate an empty database there with the command:\n"
                          "orvantis-createdb '") +
           path + QStringLiteral("'");
}

TEST(DatabaseTest, AMissingFileIsAnErrorAndIsNotCreated) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("ipdb.ipdb"));
    EXPECT_EQ(connectError(path), missingFileText(path));
    EXPECT_FALSE(QFile::exists(path));
    EXPECT_EQ(connectError(QString()), QStringLiteral("unable to open database file"));
}

TEST(DatabaseTest, TheMissingFileIsNamedByItsFullPathFromTheCurrentFolder) {
    QTemporaryDir dir;
    const QString before = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(dir.path()));
    const QString error = connectError(QStringLiteral("ipdb.ipdb"));
    QDir::setCurrent(before);
    EXPECT_EQ(error, missingFileText(QDir(dir.path()).absoluteFilePath(QStringLiteral("ipdb.ipdb"))));
}

// The command in the text stays one word for the shell, whatever the folder is called.
TEST(DatabaseTest, TheCommandQuotesThePathForTheShell) {
    QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("it's $HOME")));
    const QString path = dir.filePath(QStringLiteral("it's $HOME/ipdb.ipdb"));
    const QString error = connectError(path);
    EXPECT_TRUE(error.endsWith(QStringLiteral("orvantis-createdb '") + dir.path() +
                               QStringLiteral("/it'\\''s $HOME/ipdb.ipdb'")))
        << error.toStdString();
}

// A file that is there but cannot be opened: its path, and no advice to create it.
TEST(DatabaseTest, AnUnopenableFileIsNamedWithoutAdviceToCreateIt) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("ipdb.ipdb"));
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("ipdb.ipdb"))); // a folder of that name
    EXPECT_EQ(connectError(path), QStringLiteral("unable to open database file ") + path +
                                      QStringLiteral(" for reading and writing"));
}

TEST(DatabaseTest, AFileThatIsNoDatabaseFailsAtConnect) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("ipdb.ipdb"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray("Standard Jet DB, or anything else that is not SQLite").repeated(40));
    file.close();
    EXPECT_EQ(connectError(path), QStringLiteral("file is not a database"));
}

TEST(DatabaseTest, OpensAFileInAFolderWhoseNameHoldsUriCharacters) {
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("a?b#c%20d e"));
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString path = folder + QStringLiteral("/ipdb.ipdb");
    createEmptyDatabase(path);
    Database database;
    database.setConnectionString(path);
    database.connect();
    DataTable connections(database, QStringLiteral("ConnectionsT"), QStringLiteral("Connections"));
    connections.open();
    connections.insert();
    connections.setFieldString(QStringLiteral("ConnectionName"), QStringLiteral("LAN"));
    connections.post();
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList()) << "no file made beside the folder";
    EXPECT_EQ(QDir(folder).entryList(QDir::Files), QStringList{"ipdb.ipdb"});
}

TEST(DatabaseTest, EachDatabaseHasItsOwnConnectionAndConnectTwiceIsHarmless) {
    TempDatabase file;
    Database one;
    Database two;
    EXPECT_NE(one.qtConnectionName(), two.qtConnectionName());
    one.setConnectionString(file.path());
    two.setConnectionString(file.path());
    one.connect();
    one.connect();
    two.connect();
    EXPECT_TRUE(one.isConnected() && two.isConnected());
    one.disconnect();
    EXPECT_FALSE(one.isConnected());
    EXPECT_TRUE(two.isConnected());
    EXPECT_FALSE(QSqlDatabase::contains(one.qtConnectionName()));
}

TEST(DatabaseTest, ATableThatFailedToOpenStaysClosedAndTriesAgain) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("ipdb.ipdb"));
    Database database;
    database.setConnectionString(path);
    DataTable ipsets(database, QStringLiteral("IPSetT"), QStringLiteral("IPSets"));
    EXPECT_EQ(errorOf([&] { ipsets.open(); }), missingFileText(path));
    EXPECT_EQ(ipsets.state(), State::Closed);
    createEmptyDatabase(path); // the file appears: the next open connects
    ipsets.open();
    EXPECT_EQ(ipsets.state(), State::Browsing);
}

// --- a database that lacks a table or a field ----------------------------------------

class DamagedSchemaTest : public ::testing::Test {
protected:
    void SetUp() override { database.setConnectionString(file.path()); }
    TempDatabase file;
    Database database;
    DataTable ipsets{database, QStringLiteral("IPSetT"), QStringLiteral("IPSets")};
    DataTable connections{database, QStringLiteral("ConnectionsT"), QStringLiteral("Connections")};
};

TEST_F(DamagedSchemaTest, AMissingTableFailsToOpenWithTheEnginesText) {
    ASSERT_TRUE(file.exec(QStringLiteral("DROP TABLE IPSets")));
    EXPECT_EQ(errorOf([&] { ipsets.open(); }), QStringLiteral("no such table: IPSets"));
    EXPECT_EQ(ipsets.state(), State::Closed);
    connections.open(); // the other table is not affected
    EXPECT_EQ(connections.state(), State::Browsing);
}

TEST_F(DamagedSchemaTest, AMissingFieldIsReportedWhenItIsUsed) {
    ASSERT_TRUE(file.exec(QStringLiteral("ALTER TABLE IPSets DROP COLUMN DHCP")));
    ASSERT_TRUE(file.exec(QStringLiteral("INSERT INTO IPSets (IPSet_Name) VALUES ('Home')")));
    ipsets.open();
    EXPECT_EQ(ipsets.fieldAsString(QStringLiteral("IPSet_Name")), QStringLiteral("Home"));
    EXPECT_EQ(errorOf([&] { ipsets.fieldAsBoolean(QStringLiteral("DHCP")); }),
              QStringLiteral("IPSetT: Field 'DHCP' not found"));
    ipsets.edit();
    EXPECT_EQ(errorOf([&] { ipsets.setFieldBoolean(QStringLiteral("dhcp"), true); }),
              QStringLiteral("IPSetT: Field 'dhcp' not found"));
    EXPECT_EQ(ipsets.state(), State::Editing);
}

// --- a read-only file ----------------------------------------------------------------------

// Root may write any file. For the span of a test, this thread then checks file
// access as an unprivileged user instead (the file-system uid is per thread and
// dropping it to non-zero also drops the override of file permissions).
class UnprivilegedFileAccess {
public:
    UnprivilegedFileAccess() {
        if (geteuid() == 0)
            setfsuid(NobodyUid);
    }
    ~UnprivilegedFileAccess() {
        if (geteuid() == 0)
            setfsuid(0);
    }
    UnprivilegedFileAccess(const UnprivilegedFileAccess&) = delete;
    UnprivilegedFileAccess& operator=(const UnprivilegedFileAccess&) = delete;

private:
    static constexpr uid_t NobodyUid = 65534;
};

TEST(ReadOnlyFileTest, WritesFailWithTheEnginesTextAndTheRowStaysPending) {
    TempDatabase file;
    file.addConnection(QStringLiteral("LAN"));
    const auto readable = QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther;
    ASSERT_TRUE(QFile::setPermissions(file.folder(), readable | QFile::WriteOwner | QFile::ExeOwner |
                                                         QFile::ExeGroup | QFile::ExeOther));
    ASSERT_TRUE(QFile::setPermissions(file.path(), readable));
    UnprivilegedFileAccess unprivileged;
    QFile probe(file.path());
    if (probe.open(QIODevice::ReadWrite))
        GTEST_SKIP() << "this thread may write a read-only file: nothing to test";

    Database database;
    database.setConnectionString(file.path());
    DataTable connections(database, QStringLiteral("ConnectionsT"), QStringLiteral("Connections"));
    connections.open();
    EXPECT_EQ(connections.fieldAsString(QStringLiteral("ConnectionName")), QStringLiteral("LAN"));
    connections.edit();
    connections.setFieldString(QStringLiteral("ConnectionName"), QStringLiteral("WLAN"));
    EXPECT_EQ(errorOf([&] { connections.post(); }), QStringLiteral("attempt to write a readonly database"));
    EXPECT_EQ(connections.state(), State::Editing);
    EXPECT_EQ(connections.fieldAsString(QStringLiteral("ConnectionName")), QStringLiteral("WLAN"));
    EXPECT_EQ(errorOf([&] {
                  connections.cancel();
                  connections.remove();
              }),
              QStringLiteral("attempt to write a readonly database"));
    EXPECT_EQ(connections.recordCount(), 1);
    EXPECT_EQ(file.column(QStringLiteral("SELECT ConnectionName FROM Connections")), QStringList{"LAN"});
}

// --- locks held by another connection -------------------------------------------------------

class LockTest : public ::testing::Test {
protected:
    void SetUp() override {
        file.addConnection(QStringLiteral("LAN"));
        database.setConnectionString(file.path());
    }
    TempDatabase file;
    Database database;
    DataTable connections{database, QStringLiteral("ConnectionsT"), QStringLiteral("Connections")};
};

TEST_F(LockTest, ALockHeldPastTheTimeoutFailsTheConnect) {
    OtherConnection other(file.path());
    ASSERT_TRUE(other.exec(QStringLiteral("BEGIN EXCLUSIVE")));
    database.setBusyTimeout(100);
    QElapsedTimer timer;
    timer.start();
    EXPECT_EQ(errorOf([&] { connections.open(); }), InUse) << "the connection's error: no table's name";
    EXPECT_GE(timer.elapsed(), 90) << "waited for the lock first";
    EXPECT_EQ(connections.state(), State::Closed);
    ASSERT_TRUE(other.exec(QStringLiteral("COMMIT")));
    connections.open();
    EXPECT_EQ(connections.recordCount(), 1);
}

TEST_F(LockTest, APostRefusedByALockStaysPendingAndSucceedsLater) {
    database.setBusyTimeout(100);
    connections.open();
    OtherConnection other(file.path());
    ASSERT_TRUE(other.exec(QStringLiteral("BEGIN IMMEDIATE"))); // another writer is busy
    connections.insert();
    connections.setFieldString(QStringLiteral("ConnectionName"), QStringLiteral("VPN"));
    EXPECT_EQ(errorOf([&] { connections.post(); }), QStringLiteral("ConnectionsT: ") + InUse);
    EXPECT_EQ(connections.state(), State::Inserting);
    EXPECT_EQ(errorOf([&] {
                  connections.remove();
                  connections.first();
                  connections.remove();
              }),
              QStringLiteral("ConnectionsT: ") + InUse);
    EXPECT_EQ(connections.recordCount(), 1) << "the refused delete kept the row";
    ASSERT_TRUE(other.exec(QStringLiteral("COMMIT")));
    connections.insert();
    connections.setFieldString(QStringLiteral("ConnectionName"), QStringLiteral("VPN"));
    connections.post();
    EXPECT_EQ(file.column(QStringLiteral("SELECT ConnectionName FROM Connections ORDER BY 1")),
              QStringList({"LAN", "VPN"}));
}

TEST_F(LockTest, AShortLockIsWaitedFor) {
    connections.open();
    std::promise<void> locked;
    std::thread holder([path = file.path(), &locked] {
        OtherConnection other(path);
        other.exec(QStringLiteral("BEGIN EXCLUSIVE"));
        locked.set_value();
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        other.exec(QStringLiteral("COMMIT"));
    });
    locked.get_future().wait();
    connections.edit();
    connections.setFieldString(QStringLiteral("ConnectionName"), QStringLiteral("WLAN"));
    EXPECT_EQ(errorOf([&] { connections.post(); }), QStringLiteral("<no error>"));
    holder.join();
    EXPECT_EQ(file.column(QStringLiteral("SELECT ConnectionName FROM Connections")), QStringList{"WLAN"});
}

// A lock that another program keeps (an open transaction of a database tool) is
// waited for only briefly, so that the window does not look hung, and the error says
// who holds the database.
TEST_F(LockTest, TheConnectionWaitsLessThanASecondForALock) {
    database.connect();
    QSqlQuery query(QSqlDatabase::database(database.qtConnectionName(), false));
    ASSERT_TRUE(query.exec(QStringLiteral("PRAGMA busy_timeout")) && query.next());
    EXPECT_GE(query.value(0).toInt(), 100) << "a short lock is waited for";
    EXPECT_LE(query.value(0).toInt(), 1000) << "a long one is given up before the window looks hung";
}

struct BusyCase {
    const char* name;
    const char* lock;                                      // what the other program holds
    std::function<void(DataTable&)> before;                // on ConnectionsT, before the lock is taken
    std::function<void(DataTable&, DataTable&)> operation; // ConnectionsT, IPSetT
    const char* prefix;
};

void PrintTo(const BusyCase& c, std::ostream* out) {
    *out << c.name;
}

class BusyTest : public LockTest, public ::testing::WithParamInterface<BusyCase> {
protected:
    DataTable ipsets{database, QStringLiteral("IPSetT"), QStringLiteral("IPSets")};
};

TEST_P(BusyTest, FailsWithTheInUseTextAndSucceedsOnceTheLockIsGone) {
    const BusyCase& c = GetParam();
    c.before(connections);
    OtherConnection other(file.path());
    ASSERT_TRUE(other.exec(QString::fromLatin1(c.lock)));
    EXPECT_EQ(errorOf([&] { c.operation(connections, ipsets); }), QString::fromLatin1(c.prefix) + InUse);
    ASSERT_TRUE(other.exec(QStringLiteral("ROLLBACK")));
    EXPECT_EQ(errorOf([&] { c.operation(connections, ipsets); }), QStringLiteral("<no error>"));
}

const auto openTable = [](DataTable& connections) { connections.open(); };
// The table open with a pending row whose name was written: begin is insert or edit.
const auto pendingRow = [](void (DataTable::*begin)()) {
    return [begin](DataTable& connections) {
        connections.open();
        (connections.*begin)();
        connections.setFieldString(QStringLiteral("ConnectionName"), QStringLiteral("VPN"));
    };
};
const auto post = [](DataTable& connections, DataTable&) { connections.post(); };

INSTANTIATE_TEST_SUITE_P(
    Operations, BusyTest,
    ::testing::Values(
        BusyCase{"Connect", "BEGIN EXCLUSIVE", [](DataTable&) {},
                 [](DataTable& connections, DataTable&) { connections.open(); }, ""},
        BusyCase{"OpenAnotherTable", "BEGIN EXCLUSIVE", openTable,
                 [](DataTable&, DataTable& ipsets) { ipsets.open(); }, "IPSetT: "},
        BusyCase{"PostANewRow", "BEGIN IMMEDIATE", pendingRow(&DataTable::insert), post, "ConnectionsT: "},
        BusyCase{"PostAnEdit", "BEGIN IMMEDIATE", pendingRow(&DataTable::edit), post, "ConnectionsT: "},
        BusyCase{"Delete", "BEGIN IMMEDIATE", openTable,
                 [](DataTable& connections, DataTable&) { connections.remove(); }, "ConnectionsT: "}),
    [](const auto& info) { return std::string(info.param.name); });

// --- two copies of the program on one file -------------------------------------------------

class TwoCopiesTest : public ::testing::Test {
protected:
    void SetUp() override {
        file.addConnection(QStringLiteral("LAN"), QStringLiteral("wired"));
        file.addConnection(QStringLiteral("WLAN"), QStringLiteral("wifi"));
        databaseA.setConnectionString(file.path());
        databaseB.setConnectionString(file.path());
        a.open();
        b.open();
    }
    QStringList stored() {
        return file.column(QStringLiteral(
            "SELECT AutoIncField || ':' || ConnectionName FROM Connections ORDER BY AutoIncField"));
    }
    TempDatabase file;
    Database databaseA;
    Database databaseB;
    DataTable a{databaseA, QStringLiteral("ConnectionsT"), QStringLiteral("Connections")};
    DataTable b{databaseB, QStringLiteral("ConnectionsT"), QStringLiteral("Connections")};
};

TEST_F(TwoCopiesTest, AnEditOfAStaleRowIsRefusedAndOverwritesNothing) {
    a.edit();
    a.setFieldString(QStringLiteral("ConnectionName"), QStringLiteral("LAN by A"));
    a.post();

    b.edit();
    b.setFieldString(QStringLiteral("Description"), QStringLiteral("B's description"));
    EXPECT_EQ(errorOf([&] { b.post(); }), RowChanged);
    EXPECT_EQ(b.state(), State::Editing);
    EXPECT_EQ(b.fieldAsString(QStringLiteral("Description")), QStringLiteral("B's description"));
    EXPECT_EQ(stored(), QStringList({"1:LAN by A", "2:WLAN"}));
    EXPECT_EQ(file.column(QStringLiteral("SELECT Description FROM Connections WHERE AutoIncField = 1")),
              QStringList{"wired"});
    b.cancel();
    EXPECT_EQ(b.fieldAsString(QStringLiteral("ConnectionName")), QStringLiteral("LAN by A"))
        << "B reads the row again";
    EXPECT_EQ(b.fieldAsString(QStringLiteral("Description")), QStringLiteral("wired"));
}

TEST_F(TwoCopiesTest, ADeleteOfAStaleRowIsRefusedAndTheRowStays) {
    a.edit();
    a.setFieldString(QStringLiteral("ConnectionName"), QStringLiteral("LAN by A"));
    a.post();
    EXPECT_EQ(
        errorOf([&] { b.remove(); }),
        QStringLiteral("ConnectionsT: \"LAN\" was changed by another program after it was read here, so it "
                       "was not deleted. It now shows as stored there; delete it again if it should go."));
    EXPECT_EQ(b.recordCount(), 2);
    EXPECT_EQ(b.fieldAsString(QStringLiteral("ConnectionName")), QStringLiteral("LAN by A"));
    EXPECT_EQ(stored(), QStringList({"1:LAN by A", "2:WLAN"}));
}

TEST_F(TwoCopiesTest, ARowRemovedByTheOtherCopyCannotBeChanged) {
    a.next();
    a.remove();
    b.next();
    b.edit();
    b.setFieldString(QStringLiteral("ConnectionName"), QStringLiteral("back again"));
    EXPECT_TRUE(errorOf([&] {
                    b.post();
                }).startsWith(QStringLiteral("ConnectionsT: \"WLAN\" was deleted by another program")));
    b.cancel();
    EXPECT_EQ(b.recordCount(), 1) << "the removed row leaves this copy too";
    EXPECT_EQ(stored(), QStringList({"1:LAN"}));
}

TEST_F(TwoCopiesTest, BothCopiesInsertAndNeitherRowIsLost) {
    a.insert();
    a.setFieldString(QStringLiteral("ConnectionName"), QStringLiteral("from A"));
    b.insert();
    b.setFieldString(QStringLiteral("ConnectionName"), QStringLiteral("from B"));
    a.post();
    b.post();
    EXPECT_EQ(a.fieldAsInteger(QStringLiteral("AutoIncField")), 3);
    EXPECT_EQ(b.fieldAsInteger(QStringLiteral("AutoIncField")), 4);
    EXPECT_EQ(stored(), QStringList({"1:LAN", "2:WLAN", "3:from A", "4:from B"}));
    // Each copy changes its own new row without trouble.
    b.edit();
    b.setFieldString(QStringLiteral("Description"), QStringLiteral("mine"));
    b.post();
    EXPECT_EQ(file.column(QStringLiteral("SELECT Description FROM Connections WHERE AutoIncField = 4")),
              QStringList{"mine"});
}

} // namespace
