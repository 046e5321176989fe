#include "dialogs/about/helpviewer.h"
#include "resources/helpfile.h"
#include "tests/dialogs/recordingdesktop.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <gtest/gtest.h>

namespace {

// ---------------------------------------------------------------- the fixed path

class HelpFilePathTest : public ::testing::Test {
protected:
    void TearDown() override { QDir::setCurrent(m_startFolder); }

    QString m_startFolder = QDir::currentPath();
};

TEST_F(HelpFilePathTest, IsAnAbsolutePathToTheHelpFile) {
    const QFileInfo help(helpFilePath());
    EXPECT_TRUE(help.isAbsolute());
    EXPECT_EQ(help.fileName(), "ruvidadovevi.hlp");
}

TEST_F(HelpFilePathTest, DoesNotDependOnTheCurrentDirectory) {
    const QString before = helpFilePath();
    QTemporaryDir elsewhere;
    ASSERT_TRUE(elsewhere.isValid());
    ASSERT_TRUE(QDir::setCurrent(elsewhere.path()));
    EXPECT_EQ(helpFilePath(), before);
    ASSERT_TRUE(QDir::setCurrent(QDir::rootPath()));
    EXPECT_EQ(helpFilePath(), before);
}

// The help file of the programs built into build/bin.
QString buildTreeHelp() {
    return helpFileFor(QStringLiteral(ORVANTIS_BUILD_BIN_DIR));
}

TEST_F(HelpFilePathTest, TheBuildTreeHoldsTheHelpFile) {
    QTemporaryDir elsewhere;
    ASSERT_TRUE(QDir::setCurrent(elsewhere.path()));
    EXPECT_EQ(buildTreeHelp(), QStringLiteral(ORVANTIS_BUILD_HELP_FILE));
    EXPECT_TRUE(QFileInfo::exists(buildTreeHelp())) << buildTreeHelp().toStdString();
}

TEST_F(HelpFilePathTest, BelongsToTheRunningProgramsFolder) {
    EXPECT_EQ(helpFilePath(), helpFileFor(QCoreApplication::applicationDirPath()));
}

// An installed tree may be unpacked anywhere: the help file moves with the program.
TEST_F(HelpFilePathTest, FollowsTheProgramsFolderWhereverTheTreeIs) {
    const QString relative = QDir(QStringLiteral(ORVANTIS_BUILD_BIN_DIR)).relativeFilePath(buildTreeHelp());
    EXPECT_FALSE(relative.startsWith(QLatin1Char('/')));
    EXPECT_EQ(helpFileFor(QStringLiteral("/opt/unpacked/tree/bin")),
              QDir::cleanPath(QStringLiteral("/opt/unpacked/tree/bin/") + relative));
    EXPECT_EQ(helpFileFor(QStringLiteral("/opt/unpacked/tree/bin/")),
              helpFileFor(QStringLiteral("/opt/unpacked/tree/bin")));
}

// ---------------------------------------------------------------- the viewer

class HelpViewerTest : public ::testing::Test {
protected:
    QString writeHelp(const QString& html) {
        const QString path = m_folder.filePath(QStringLiteral("ruvidadovevi.hlp"));
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(html.toUtf8());
        return path;
    }

    static bool anyMessageBox() {
        for (QWidget* window : QApplication::topLevelWidgets())
            if (qobject_cast<QMessageBox*>(window) && window->isVisible())
                return true;
        return false;
    }

    QString text() const { return viewer.Browser->toPlainText(); }

    QTemporaryDir m_folder;
    RecordingDesktop desktop;
    THelpViewer viewer{desktop};
};

TEST_F(HelpViewerTest, ShowsTheContentsPageOfTheProgramsHelp) {
    viewer.showContents(buildTreeHelp());
    EXPECT_TRUE(viewer.isVisible());
    EXPECT_EQ(viewer.windowTitle(), "Orvantis Help");
    EXPECT_TRUE(text().startsWith("Orvantis Help")) << text().left(80).toStdString();
    EXPECT_TRUE(text().contains("Contents"));
    EXPECT_EQ(viewer.Browser->verticalScrollBar()->value(), 0);
}

TEST_F(HelpViewerTest, ReportsAMissingFileInItsOwnWindow) {
    const QString missing = m_folder.filePath(QStringLiteral("absent/ruvidadovevi.hlp"));
    viewer.showContents(missing);
    EXPECT_TRUE(viewer.isVisible());
    EXPECT_TRUE(text().contains("The help file could not be opened.")) << text().toStdString();
    EXPECT_TRUE(text().contains(missing));
    EXPECT_FALSE(anyMessageBox());
    EXPECT_TRUE(desktop.opened.isEmpty());
}

TEST_F(HelpViewerTest, ReadsTheFileAfreshEachTime) {
    const QString path = m_folder.filePath(QStringLiteral("ruvidadovevi.hlp"));
    viewer.showContents(path);
    EXPECT_TRUE(text().contains("could not be opened"));
    writeHelp(QStringLiteral("<html><head><title>Later</title></head><body><p>Now here.</p></body></html>"));
    viewer.showContents(path);
    EXPECT_EQ(text(), "Now here.");
    EXPECT_EQ(viewer.windowTitle(), "Later");
}

TEST_F(HelpViewerTest, ComesBackToTheContentsPage) {
    QString body = QStringLiteral("<p><a href=\"#end\">Contents: to the end</a></p>");
    for (int i = 0; i < 200; ++i)
        body += QStringLiteral("<p>Line %1</p>").arg(i);
    const QString path = writeHelp("<html><body>" + body + "<p><a name=\"end\"></a>End</p></body></html>");
    viewer.showContents(path);
    QScrollBar* scroll = viewer.Browser->verticalScrollBar();
    scroll->setValue(scroll->maximum());
    ASSERT_GT(scroll->value(), 0);
    viewer.showContents(path);
    EXPECT_EQ(scroll->value(), 0);
}

// Links are followed with the keyboard: Tab moves to the next link, Enter follows it.
TEST_F(HelpViewerTest, LinksWithinTheFileMoveInsideItAndOpenNothing) {
    QString body = QStringLiteral("<p><a href=\"#end\">to the end</a></p>");
    for (int i = 0; i < 200; ++i)
        body += QStringLiteral("<p>Line %1</p>").arg(i);
    viewer.showContents(writeHelp("<html><body>" + body + "<p><a name=\"end\"></a>End</p></body></html>"));
    viewer.Browser->setFocus();
    QTest::keyClick(viewer.Browser, Qt::Key_Tab);
    QTest::keyClick(viewer.Browser, Qt::Key_Return);
    EXPECT_GT(viewer.Browser->verticalScrollBar()->value(), 0);
    EXPECT_TRUE(text().startsWith("to the end")) << "the document stays the same";
    EXPECT_TRUE(desktop.opened.isEmpty());
}

struct OutsideLink {
    const char* name;
    const char* href;
};

void PrintTo(const OutsideLink& link, std::ostream* out) {
    *out << link.href;
}

class HelpViewerLinkTest : public HelpViewerTest, public ::testing::WithParamInterface<OutsideLink> {};

TEST_P(HelpViewerLinkTest, LinksOutOfTheFileGoToTheDesktop) {
    const QString href = QString::fromLatin1(GetParam().href);
    viewer.showContents(
        writeHelp("<html><body><p>Help <a href=\"" + href + "\">there</a></p></body></html>"));
    viewer.Browser->setFocus();
    QTest::keyClick(viewer.Browser, Qt::Key_Tab);
    QTest::keyClick(viewer.Browser, Qt::Key_Return);
    EXPECT_EQ(desktop.opened, QStringList{href});
    EXPECT_EQ(text(), "Help there");
}

INSTANTIATE_TEST_SUITE_P(Links, HelpViewerLinkTest,
                         ::testing::Values(OutsideLink{"Web", "https://www.orvantis.test/help"},
                                           OutsideLink{"Mail", "mailto:dev@orvantis.test"}),
                         [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------- the program's help file

class HelpFileTextTest : public ::testing::TestWithParam<const char*> {};

// The help explains each message of the program under its exact text.
TEST_P(HelpFileTextTest, ExplainsTheMessage) {
    RecordingDesktop desktop;
    THelpViewer viewer(desktop);
    viewer.showContents(buildTreeHelp());
    const QString shown = viewer.Browser->toPlainText().replace(QChar::LineSeparator, '\n');
    EXPECT_TRUE(shown.contains(QString::fromUtf8(GetParam()))) << GetParam();
}

INSTANTIATE_TEST_SUITE_P(
    Messages, HelpFileTextTest,
    ::testing::Values("Creating Process", "Now changing IP,SubnetMask & Gateway properties...Please wait.",
                      "IP Settings Succecsfully changed...Posting data please wait...",
                      "You do not have Administrator rights.\nYou may not be able to change the Ip "
                      "settings\nDo you want to try it anyway?",
                      "You did not set a valid Connection Name for the IP Set Or the record was not "
                      "found.\nPlease go to IP Sets and enter a valid Connection Name.",
                      "Changing IP settings failed: netsh ended with code N.", "Could not start netsh.",
                      "The IP Set was not applied completely.", "ipdb.ipdb", "orvantis-createdb ipdb.ipdb",
                      "Cannot perform this operation on a closed dataset"));

} // namespace
