// The main window: start-up, layout, menus, the error report and the two lookups.
#include "app/frmmain.h"
#include "dialogs/about/aboutbox.h"
#include "dialogs/about/helpviewer.h"
#include "tests/app/frmmainprobe.h"
#include "tests/dialogs/recordingdesktop.h"
#include "tests/fixtures/fakemessageboxes.h"
#include "tests/fixtures/tempdatabase.h"
#include "widgets/busyanimation.h"
#include "widgets/errorreport.h"
#include "widgets/treeview.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>
#include <QTreeWidget>
#include <gtest/gtest.h>

namespace {

const QString ClosedIPSets = QStringLiteral("IPSetT: Cannot perform this operation on a closed dataset.");

class MainWindowTest : public ::testing::Test {
protected:
    std::unique_ptr<TFrmMain> start() {
        CurrentDirectory here(db.folder());
        auto window = std::make_unique<TFrmMain>(TFrmMainProbe::services(messages));
        window->show();
        return window;
    }

    TempDatabase db;
    FakeMessageBoxes messages;
};

TEST_F(MainWindowTest, ShowsItsCaptionSizeAndStatusBar) {
    auto frm = start();
    EXPECT_EQ(frm->windowTitle(), "Orvantis Ver 0.2");
    EXPECT_EQ(frm->centralWidget()->width(), TFrmMain::ClientWidth);
    EXPECT_EQ(frm->centralWidget()->height() + frm->StatusBar->height(), TFrmMain::ClientHeight);
    EXPECT_EQ(frm->minimumSize(), frm->maximumSize()) << "the border is fixed";
    EXPECT_FALSE(frm->windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_EQ(frm->StatusPanel0->text(), "Orvantis Ver 0.2");
    EXPECT_EQ(frm->StatusPanel0->width(), 100);
    EXPECT_TRUE(frm->StatusPanel1->text().isEmpty());
    EXPECT_EQ(frm->StatusPanel1->width(), 250);
    EXPECT_TRUE(frm->font().bold());
    EXPECT_TRUE(messages.shown.empty()) << messages.texts().join('|').toStdString();
}

TEST_F(MainWindowTest, LaysOutTheTreeTheListAndTheHiddenProgressIndicator) {
    auto frm = start();
    EXPECT_EQ(frm->GroupBox1->title(), "Current Configuration");
    EXPECT_EQ(frm->GroupBox1->geometry(), QRect(4, 358, 410, 185));
    EXPECT_EQ(frm->PageControl1->geometry(), QRect(4, 6, 410, 352));
    EXPECT_EQ(frm->PageControl1->count(), 1);
    EXPECT_EQ(frm->PageControl1->tabText(0), "Available IP Sets");
    EXPECT_EQ(frm->IPSetTreeView->indentation(), 19);
    EXPECT_EQ(frm->IPListView->geometry(), QRect(2, 41, 406, 142));
    EXPECT_EQ(frm->IPListView->headerItem()->text(0), "Type");
    EXPECT_EQ(frm->IPListView->headerItem()->text(1), "Value");
    EXPECT_EQ(frm->IPListView->columnWidth(0), 120);
    EXPECT_EQ(frm->IPListView->columnWidth(1), 282);
    EXPECT_EQ(frm->Animate1->geometry(), QRect(8, 5, 16, 16));
    EXPECT_FALSE(frm->Animate1->isVisible());
    EXPECT_FALSE(frm->Label1->isVisible());
    EXPECT_EQ(frm->Label1->text(), "Test");
    EXPECT_FALSE(frm->RefreshBtn->isVisible());
    EXPECT_EQ(frm->RefreshBtn->text(), "Refresh");
}

struct MenuItem {
    const char* menu;
    const char* caption;
    const char* shortcut;
};

class MainMenuTest : public MainWindowTest, public ::testing::WithParamInterface<MenuItem> {};

TEST_P(MainMenuTest, HoldsTheItemWithItsShortcut) {
    auto frm = start();
    const MenuItem item = GetParam();
    QMenu* menu = nullptr;
    for (QAction* top : frm->menuBar()->actions())
        if (top->text() == item.menu)
            menu = top->menu();
    ASSERT_NE(menu, nullptr) << item.menu;
    QAction* found = nullptr;
    for (QAction* action : menu->actions())
        if (action->text() == item.caption)
            found = action;
    ASSERT_NE(found, nullptr) << item.caption;
    EXPECT_EQ(found->shortcut().toString(), QString::fromLatin1(item.shortcut));
    EXPECT_TRUE(found->isEnabled());
}

INSTANTIATE_TEST_SUITE_P(EveryItem, MainMenuTest,
                         ::testing::Values(MenuItem{"File", "Refresh Current Configuration", "Ctrl+R"},
                                           MenuItem{"File", "Exit", "Ctrl+Q"},
                                           MenuItem{"Connections", "Manage Connections", ""},
                                           MenuItem{"IP Sets", "Add New IP Configuration Set", "Ins"},
                                           MenuItem{"IP Sets", "Activate the selected IP set", "Ctrl+A"},
                                           MenuItem{"IP Sets", "Edit the selected IP set", "Ctrl+E"},
                                           MenuItem{"IP Sets", "Delete the selected IP set", "Ctrl+D"},
                                           MenuItem{"Help", "Help File", ""},
                                           MenuItem{"Help", "About...", ""}));

TEST_F(MainWindowTest, MenusAreInTheirOrderAndOptionsStaysHidden) {
    auto frm = start();
    QStringList bar;
    for (QAction* top : frm->menuBar()->actions())
        bar << top->text();
    EXPECT_EQ(bar, QStringList({"File", "Connections", "IP Sets", "Help"}));
    EXPECT_EQ(frm->Options1->text(), "Options");
    EXPECT_FALSE(frm->Options1->isVisible());
    EXPECT_EQ(frm->File1->actions().indexOf(frm->Options1), 0);

    const int before = QApplication::topLevelWidgets().size();
    QTest::keyClick(frm.get(), Qt::Key_O, Qt::ControlModifier);
    QApplication::processEvents();
    EXPECT_EQ(QApplication::topLevelWidgets().size(), before) << "Ctrl+O opens nothing";
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(MainWindowTest, ContextMenuHoldsThreeCommandsBetweenSeparators) {
    auto frm = start();
    const QList<QAction*> items = frm->AdvPopupMenu1->actions();
    ASSERT_EQ(items.size(), 5);
    EXPECT_EQ(items[0]->text(), "Activate this IP Set");
    EXPECT_TRUE(items[1]->isSeparator());
    EXPECT_EQ(items[2]->text(), "Edit this IP Set");
    EXPECT_TRUE(items[3]->isSeparator());
    EXPECT_EQ(items[4]->text(), "Delete this IP Set");
}

TEST_F(MainWindowTest, ExitAndCtrlQCloseTheMainWindow) {
    auto frm = start();
    frm->Exit1->trigger();
    EXPECT_FALSE(frm->isVisible());

    auto again = start();
    again->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(again.get()));
    QTest::keyClick(again.get(), Qt::Key_Q, Qt::ControlModifier);
    EXPECT_FALSE(again->isVisible());
    EXPECT_TRUE(messages.shown.empty()) << "no question on closing";
}

TEST_F(MainWindowTest, OpensTheDatabaseOfTheCurrentDirectory) {
    db.addIPSet("Home", "192.168.1.5", "255.255.255.0", "192.168.1.1", "192.168.1.1", 0, 0);
    auto frm = start();
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_TRUE(frm->IPSetT.isOpen());
    EXPECT_TRUE(frm->ConnectionsT.isOpen());
    ASSERT_EQ(frm->IPSetTreeView->topLevelItemCount(), 1);
    EXPECT_EQ(frm->IPSetTreeView->topLevelItem(0)->text(0), "Home");
}

TEST_F(MainWindowTest, MissingDatabaseGivesTwoReportsAndTheWindowStillOpens) {
    QFile::remove(db.path());
    auto frm = start();
    EXPECT_TRUE(frm->isVisible());
    ASSERT_EQ(messages.shown.size(), 2u) << "one from creating the window, one from showing it";
    for (const auto& box : messages.shown)
        EXPECT_EQ(box.flags, Mb::OK | Mb::ICONHAND);
    EXPECT_FALSE(frm->IPSetT.isOpen());
    EXPECT_EQ(frm->IPSetTreeView->topLevelItemCount(), 0);
    EXPECT_FALSE(QFile::exists(db.path())) << "the program never creates the database";

    frm->DeletetheselectedIPset1->trigger();
    ASSERT_EQ(messages.shown.size(), 3u);
    EXPECT_EQ(messages.shown.back().text, ClosedIPSets);
}

TEST_F(MainWindowTest, DatabaseWithoutTablesIsReportedAndTheWindowStillOpens) {
    QFile::remove(db.path());
    {
        QFile empty(db.path());
        ASSERT_TRUE(empty.open(QIODevice::WriteOnly));
    }
    ASSERT_TRUE(db.exec("CREATE TABLE Other (x INTEGER)"));
    auto frm = start();
    EXPECT_TRUE(frm->isVisible());
    ASSERT_GE(messages.shown.size(), 1u);
    EXPECT_TRUE(messages.shown.front().text.contains("IPSets")) << messages.shown.front().text.toStdString();
    EXPECT_EQ(frm->IPSetTreeView->topLevelItemCount(), 0);
}

struct ReportCase {
    const char* message;
    const char* shown;
};

class ErrorReportTextTest : public ::testing::TestWithParam<ReportCase> {};

TEST_P(ErrorReportTextTest, AppendsAFullStopAfterCharactersThatSortAfterIt) {
    EXPECT_EQ(ErrorReport::reportText(QString::fromUtf8(GetParam().message)),
              QString::fromUtf8(GetParam().shown));
}

INSTANTIATE_TEST_SUITE_P(TextRule, ErrorReportTextTest,
                         ::testing::Values(ReportCase{"Field 'x' not found", "Field 'x' not found."},
                                           ReportCase{"Ends with a stop.", "Ends with a stop."},
                                           ReportCase{"Code 5", "Code 5."},
                                           ReportCase{"Question?", "Question?."},
                                           ReportCase{"Dash -", "Dash -"}, ReportCase{"Comma,", "Comma,"},
                                           ReportCase{"Slash/", "Slash/."}, ReportCase{"", ""}));

TEST(ErrorReportTest, ShowsTheTextWithAStopIconAndOk) {
    FakeMessageBoxes messages;
    ErrorReport report(messages);
    EXPECT_FALSE(report.run([] { throw std::runtime_error("Something broke"); }));
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, "Something broke.");
    EXPECT_EQ(messages.shown[0].flags, Mb::OK | Mb::ICONHAND);
    EXPECT_TRUE(report.run([] {}));
    EXPECT_EQ(messages.shown.size(), 1u);
}

// ---------------------------------------------------------------- the lookups

class LookupTest : public MainWindowTest {
protected:
    void SetUp() override {
        office = db.addConnection("Office LAN");
        unnamed = db.addConnection("");
        db.addIPSet("Home", "", "", "", "", 0, 0);
        db.addIPSet("Office", "", "", "", "", 0, office);
        db.addIPSet("Office", "10.0.0.9", "", "", "", 0, office);
        db.addIPSet("Lab", "", "", "", "", 0, unnamed);
        frm = start();
    }
    QString currentName() { return frm->IPSetT.fieldAsString("IPSet_Name"); }

    qint64 office = 0;
    qint64 unnamed = 0;
    std::unique_ptr<TFrmMain> frm;
};

TEST_F(LookupTest, LocateIPSetByNameStopsOnTheFirstExactMatch) {
    EXPECT_TRUE(TFrmMainProbe::LocateIPSetByName(*frm, "Office"));
    EXPECT_EQ(currentName(), "Office");
    EXPECT_EQ(frm->IPSetT.fieldAsString("ipaddress"), "") << "the first of the two sets named Office";
}

TEST_F(LookupTest, LocateIPSetByNameMatchesLetterCaseAndLeavesTheLastRowWhenNotFound) {
    EXPECT_FALSE(TFrmMainProbe::LocateIPSetByName(*frm, "office"));
    EXPECT_EQ(currentName(), "Lab");
    EXPECT_FALSE(TFrmMainProbe::LocateIPSetByName(*frm, "Home "));
    EXPECT_EQ(currentName(), "Lab");
}

TEST_F(LookupTest, ConnectionNameByIdAnswersTheNameOrEmpty) {
    EXPECT_EQ(TFrmMainProbe::ConnectionNameById(*frm, int(office)), "Office LAN");
    EXPECT_EQ(frm->ConnectionsT.fieldAsInteger("AutoIncField"), office) << "the found row stays current";
    EXPECT_EQ(TFrmMainProbe::ConnectionNameById(*frm, 0), "");
    EXPECT_EQ(frm->ConnectionsT.fieldAsInteger("AutoIncField"), office) << "a miss leaves the cursor";
    EXPECT_EQ(TFrmMainProbe::ConnectionNameById(*frm, int(unnamed)), "");
    EXPECT_EQ(frm->ConnectionsT.fieldAsInteger("AutoIncField"), unnamed);
}

TEST_F(MainWindowTest, LocateIPSetByNameOnAnEmptyTableAnswersFalse) {
    auto frm = start();
    EXPECT_FALSE(TFrmMainProbe::LocateIPSetByName(*frm, ""));
    EXPECT_EQ(frm->IPSetT.currentIndex(), -1);
}

// ---------------------------------------------------------------- Help menu

TEST_F(MainWindowTest, AboutShowsTheSameBoxModallyEachTime) {
    auto frm = start();
    RecordingDesktop desktop;
    TAboutBox about(desktop);
    frm->setAboutBox(&about);
    for (int time = 0; time < 2; ++time) {
        bool wasModal = false;
        QTimer::singleShot(0, &about, [&] {
            wasModal = about.isVisible() && about.isModal() && QApplication::activeModalWidget() == &about;
            about.OKButton->click();
        });
        frm->About1->trigger();
        EXPECT_TRUE(wasModal) << time;
        EXPECT_FALSE(about.isVisible());
    }
}

TEST_F(MainWindowTest, HelpFileShowsTheFixedPathWhateverTheCurrentDirectory) {
    QTemporaryDir helpFolder;
    const QString helpFile = helpFolder.filePath("ruvidadovevi.hlp");
    {
        QFile file(helpFile);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("<html><head><title>Orvantis Help</title></head><body><h1>Contents</h1>Using IP "
                   "sets</body></html>");
    }
    MainWindowServices services = TFrmMainProbe::services(messages);
    services.helpFile = helpFile;
    services.desktop = std::make_shared<RecordingDesktop>();
    std::unique_ptr<TFrmMain> frm;
    {
        CurrentDirectory here(db.folder());
        frm = std::make_unique<TFrmMain>(services);
    }
    frm->show();
    QTemporaryDir elsewhere;
    CurrentDirectory away(elsewhere.path());
    frm->HelpFile1->trigger();
    auto* viewer = frm->findChild<THelpViewer*>();
    ASSERT_NE(viewer, nullptr);
    EXPECT_TRUE(viewer->isVisible());
    EXPECT_TRUE(viewer->Browser->toPlainText().contains("Using IP sets"));
    EXPECT_TRUE(messages.shown.empty()) << "the program shows no message of its own";

    QFile::remove(helpFile);
    frm->HelpFile1->trigger();
    EXPECT_EQ(frm->findChildren<THelpViewer*>().size(), 1);
    EXPECT_TRUE(viewer->Browser->toPlainText().contains(helpFile)) << "the viewer reports the missing file";
    EXPECT_TRUE(messages.shown.empty());
}

} // namespace
