// The empty database that the companion tool makes.
#include "store/database.h"
#include "store/datatable.h"
#include "store/schema.h"
#include "tests/store/schemacheck.h"
#include "tests/store/storetest.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QByteArray contentOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

TEST(SchemaTest, MakesBothTablesEmptyWithTheirExactColumns) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("ipdb.ipdb"));
    createEmptyDatabase(path);
    SchemaOfFile schema(path);
    EXPECT_EQ(schema.userTables(), QStringList({"Connections", "IPSets"}));
    EXPECT_EQ(schema.columns(), SchemaOfFile::expectedColumns());
    EXPECT_TRUE(schema.autoIncrements(QStringLiteral("Connections")));
    EXPECT_TRUE(schema.otherObjects().isEmpty()) << schema.otherObjects().join(", ").toStdString();
    EXPECT_EQ(schema.rows(QStringLiteral("Connections")), 0);
    EXPECT_EQ(schema.rows(QStringLiteral("IPSets")), 0);
}

TEST(SchemaTest, TheTablesOfANewFileOpenWithTheirWidthsAndKey) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("ipdb.ipdb"));
    createEmptyDatabase(path);
    Database database;
    database.setConnectionString(path);
    DataTable ipsets(database, QStringLiteral("IPSetT"), QStringLiteral("IPSets"));
    DataTable connections(database, QStringLiteral("ConnectionsT"), QStringLiteral("Connections"));
    ipsets.open();
    connections.open();
    EXPECT_EQ(ipsets.fieldWidth(ipsets.fieldIndex(QStringLiteral("IPAddress"))), 15);
    EXPECT_EQ(ipsets.fieldWidth(ipsets.fieldIndex(QStringLiteral("IPSet_Name"))), 255);
    EXPECT_EQ(ipsets.fieldWidth(ipsets.fieldIndex(QStringLiteral("Connection"))), 0);
    connections.insert();
    connections.post();
    EXPECT_GT(connections.fieldAsInteger(QStringLiteral("AutoIncField")), 0);
}

TEST(SchemaTest, AnExistingFileIsLeftUntouched) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("ipdb.ipdb"));
    for (const QByteArray& content : {QByteArray(), QByteArray("my own data")}) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(content);
        file.close();
        EXPECT_EQ(errorOf([&] { createEmptyDatabase(path); }),
                  QStringLiteral("'%1' already exists").arg(path));
        EXPECT_EQ(contentOf(path), content);
    }
}

TEST(SchemaTest, ADanglingLinkIsNotFollowed) {
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("elsewhere.ipdb"));
    const QString path = dir.filePath(QStringLiteral("ipdb.ipdb"));
    ASSERT_TRUE(QFile::link(target, path));
    EXPECT_EQ(errorOf([&] { createEmptyDatabase(path); }), QStringLiteral("'%1' already exists").arg(path));
    EXPECT_FALSE(QFile::exists(target));
}

TEST(SchemaTest, AFileThatCannotBeMadeIsAnError) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("no such folder/ipdb.ipdb"));
    EXPECT_TRUE(errorOf([&] {
                    createEmptyDatabase(path);
                }).startsWith(QStringLiteral("Cannot create '%1': ").arg(path)));
    EXPECT_FALSE(QFile::exists(path));
}

} // namespace
