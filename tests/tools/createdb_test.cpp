// orvantis-createdb, run as a program.
#include "tests/store/schemacheck.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

struct ToolRun {
    int exitCode = -1;
    QString out;
    QString err;
};

ToolRun createdb(const QString& workingDirectory, const QStringList& arguments) {
    QProcess process;
    process.setWorkingDirectory(workingDirectory);
    process.start(QStringLiteral(ORVANTIS_CREATEDB), arguments);
    if (!process.waitForFinished(30000))
        return {};
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromLocal8Bit(process.readAllStandardOutput()),
            QString::fromLocal8Bit(process.readAllStandardError())};
}

QByteArray contentOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

TEST(CreateDbTest, MakesIpdbInTheCurrentFolderByDefault) {
    QTemporaryDir dir;
    const ToolRun run = createdb(dir.path(), {});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.err.isEmpty()) << run.err.toStdString();
    SchemaOfFile schema(dir.filePath(QStringLiteral("ipdb.ipdb")));
    EXPECT_EQ(schema.columns(), SchemaOfFile::expectedColumns());
    EXPECT_TRUE(schema.autoIncrements(QStringLiteral("Connections")));
}

TEST(CreateDbTest, MakesTheFileAtTheGivenPath) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("a?b#c%d.ipdb"));
    const ToolRun run = createdb(dir.path(), {path});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(SchemaOfFile(path).columns(), SchemaOfFile::expectedColumns());
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("ipdb.ipdb"))));
}

TEST(CreateDbTest, RefusesAnExistingFileAndLeavesItUnchanged) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("ipdb.ipdb"));
    ASSERT_EQ(createdb(dir.path(), {}).exitCode, 0);
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::Append));
        file.write("a byte the tool must keep");
    }
    const QByteArray before = contentOf(path);
    const ToolRun run = createdb(dir.path(), {QStringLiteral("ipdb.ipdb")});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains(QStringLiteral("'ipdb.ipdb' already exists"))) << run.err.toStdString();
    EXPECT_EQ(contentOf(path), before);
}

TEST(CreateDbTest, FailsClearlyWhenTheFileCannotBeMade) {
    QTemporaryDir dir;
    const ToolRun run = createdb(dir.path(), {QStringLiteral("missing/ipdb.ipdb")});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains(QStringLiteral("Cannot create 'missing/ipdb.ipdb'")))
        << run.err.toStdString();
}

TEST(CreateDbTest, RejectsMoreThanOnePath) {
    QTemporaryDir dir;
    const ToolRun run = createdb(dir.path(), {QStringLiteral("a"), QStringLiteral("b")});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_TRUE(run.err.contains(QStringLiteral("usage:")));
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("a"))));
}

} // namespace
