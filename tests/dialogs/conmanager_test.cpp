// The connection manager beside the real main window, driven offscreen: its look,
// Add and Delete over a real database, the grid's mark following the main window,
// the main window's shortcuts from inside it, Ctrl+Q, closing and reopening.
#include "app/frmmain.h"
#include "dialogs/conmanager/conmanager.h"
#include "net/process.h"
#include "tests/app/frmmainprobe.h"
#include "tests/fixtures/fakemessageboxes.h"
#include "tests/fixtures/netshfolder.h"
#include "tests/fixtures/qstringprint.h"
#include "tests/fixtures/tempdatabase.h"
#include "tests/net/snapshot_fakesource.h"
#include "widgets/datatablemodel.h"
#include "widgets/dbgrid.h"
#include "widgets/fonts.h"
#include "widgets/treeview.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDialog>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextLayout>
#include <QTreeWidget>
#include <functional>
#include <gtest/gtest.h>

namespace {

const QString Question = "Are you sure you want to delete the selected connection?\rDelete?";
const QString EmptyTable = "ConnectionsT: Cannot perform this operation on an empty dataset.";
const QString ClosedTable = "ConnectionsT: Cannot perform this operation on a closed dataset.";
const QString RefuseBad = "CREATE TRIGGER refuse_bad BEFORE INSERT ON Connections "
                          "WHEN NEW.ConnectionName = 'bad' BEGIN SELECT RAISE(ABORT, 'refused'); END";

// A netsh that only exits: activating a set from these tests changes nothing.
const char* HarmlessNetsh = "#!/bin/sh\nexit 0\n";

class ManagerTest : public ::testing::Test {
protected:
    void SetUp() override {
        db.addConnection("Local Area Connection", "Office LAN");  // key 1
        db.addConnection("Wireless Network Connection", "Wi-Fi"); // key 2
        db.addConnection("VPN", "tunnel");                        // key 3
        db.addIPSet("Office", "10.0.0.5", "255.255.255.0", "10.0.0.1", "10.0.0.1", false, 1);
        db.addIPSet("Home", "192.168.1.7", "255.255.255.0", "192.168.1.1", "192.168.1.1", false, 2);
    }

    void start(const QString& folder) {
        CurrentDirectory here(folder);
        main = std::make_unique<TFrmMain>(TFrmMainProbe::jobServices(messages, bin, pauses));
        manager = std::make_unique<TFrmManager>(main->ConnectionsT, main->ConnectionsDs, messages);
        main->setManager(manager.get());
        main->show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(main.get()));
    }
    void start() { start(db.folder()); }

    void openManager() {
        main->ManageConnections1->trigger();
        ASSERT_TRUE(QTest::qWaitForWindowActive(manager.get()));
    }

    // Keys as the platform delivers them to the active window.
    void press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(manager->windowHandle(), key, modifiers);
    }
    void typeInto(QLineEdit* edit, const QString& text) {
        edit->setFocus();
        edit->selectAll();
        QTest::keyClicks(edit, text);
    }

    DbGrid* grid() const { return manager->DBAdvGrid1; }
    QPoint cellCentre(int row) const { return grid()->visualRect(grid()->model()->index(row, 1)).center(); }
    void clickRow(int row) {
        QTest::mouseClick(grid()->viewport(), Qt::LeftButton, Qt::NoModifier, cellCentre(row));
    }
    // A right-click as the platform delivers it: the button, then the context menu request.
    void rightClickRow(int row) {
        QTest::mouseClick(grid()->viewport(), Qt::RightButton, Qt::NoModifier, cellCentre(row));
        const QPoint at = cellCentre(row);
        QContextMenuEvent request(QContextMenuEvent::Mouse, at, grid()->viewport()->mapToGlobal(at));
        QApplication::sendEvent(grid()->viewport(), &request);
    }
    void chooseDeleteConnection() {
        QMenu* menu = manager->AdvPopupMenu1;
        ASSERT_TRUE(menu->isVisible());
        QTest::mouseClick(menu, Qt::LeftButton, Qt::NoModifier,
                          menu->actionGeometry(manager->DeleteConnection1).center());
    }
    void clickAdd() { QTest::mouseClick(manager->BitBtn1, Qt::LeftButton); }

    int markedRow() const { return grid()->tableModel()->markedRow(); }
    // The row the grid selects after the event loop's pass, in which it follows the mark.
    int selectedRow() const {
        QApplication::processEvents();
        const QModelIndexList rows = grid()->selectionModel()->selectedRows();
        return rows.size() == 1 ? rows[0].row() : -1;
    }
    QString gridText(int row, int column) const {
        return grid()->model()->index(row, column).data().toString();
    }
    QStringList storedNames() {
        return db.column("SELECT ConnectionName FROM Connections ORDER BY AutoIncField");
    }
    QStringList storedDescriptions() {
        return db.column("SELECT Description FROM Connections ORDER BY AutoIncField");
    }
    QString lastReport() const { return messages.shown.empty() ? QString() : messages.shown.back().text; }

    NetshFolder bin{HarmlessNetsh};
    TempDatabase db;
    FakeMessageBoxes messages;
    std::atomic<int> pauses{0};
    std::unique_ptr<TFrmMain> main;
    std::unique_ptr<TFrmManager> manager;
};

// ---------------------------------------------------------------- the window

TEST_F(ManagerTest, IsCreatedHiddenAndShownWithoutBlockingTheMainWindow) {
    start();
    EXPECT_FALSE(manager->isVisible());
    openManager();
    EXPECT_TRUE(manager->isVisible());
    EXPECT_EQ(manager->windowModality(), Qt::NonModal);
    EXPECT_TRUE(main->isEnabled());
    main->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(main.get()));
    openManager(); // again: the same window comes to the front
    int managers = 0;
    for (QWidget* window : QApplication::topLevelWidgets())
        managers += qobject_cast<TFrmManager*>(window) != nullptr ? 1 : 0;
    EXPECT_EQ(managers, 1);
}

TEST_F(ManagerTest, HasItsCaptionSizeFrameAndFont) {
    start();
    openManager();
    EXPECT_EQ(manager->windowTitle(), "Manage Connections");
    EXPECT_EQ(manager->width(), 409);
    EXPECT_EQ(manager->height(), manager->menuBar()->height() + 397);
    const Qt::WindowFlags flags = manager->windowFlags();
    EXPECT_TRUE(flags & Qt::WindowSystemMenuHint);
    EXPECT_TRUE(flags & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
    EXPECT_NE(manager->minimumSize(), manager->maximumSize()) << "the frame is resizable";
    EXPECT_FALSE(manager->font().bold());
    EXPECT_EQ(manager->font(), Fonts::formFont(false));
    const QPoint screenCentre = manager->screen()->geometry().center();
    EXPECT_LE((manager->frameGeometry().center() - screenCentre).manhattanLength(), 2);
}

TEST_F(ManagerTest, LaysOutTheNoteTheBoxesTheGridAndTheStatusBar) {
    start();
    openManager();
    EXPECT_EQ(manager->TabControl1->geometry(), QRect(0, 0, 409, 129));
    EXPECT_EQ(manager->Memo1->geometry(), QRect(4, 6, 401, 75));
    EXPECT_EQ(manager->Label1->text(), "Connection Name :");
    EXPECT_EQ(manager->Label1->pos(), QPoint(5, 86));
    EXPECT_EQ(manager->Edit1->geometry(), QRect(113, 82, 209, 21));
    EXPECT_EQ(manager->BitBtn1->text(), "Add");
    EXPECT_EQ(manager->BitBtn1->geometry(), QRect(328, 82, 75, 21));
    EXPECT_EQ(manager->Label2->text(), "Description :");
    EXPECT_EQ(manager->Label2->pos(), QPoint(41, 106));
    EXPECT_EQ(manager->Edit2->geometry(), QRect(113, 106, 289, 21));
    for (QWidget* control : std::initializer_list<QWidget*>{manager->Label1, manager->Label2, manager->Edit1,
                                                            manager->Edit2, manager->BitBtn1})
        EXPECT_TRUE(control->font().bold()) << control->objectName().toStdString();
    EXPECT_FALSE(manager->Memo1->font().bold());
    EXPECT_TRUE(manager->Edit1->text().isEmpty());
    EXPECT_TRUE(manager->Edit2->text().isEmpty());
    EXPECT_EQ(grid()->geometry(), QRect(0, 129, 409, 249));
    EXPECT_EQ(manager->StatusBar->height(), 19);
    EXPECT_TRUE(manager->StatusBar->currentMessage().isEmpty());
}

TEST_F(ManagerTest, NothingIsClipped) {
    start();
    openManager();
    for (QLabel* label : {manager->Label1, manager->Label2}) {
        EXPECT_GE(label->width(), label->sizeHint().width());
        EXPECT_LT(label->geometry().right(), manager->Edit1->x()) << label->text().toStdString();
    }
    EXPECT_GE(manager->BitBtn1->width(), manager->BitBtn1->fontMetrics().horizontalAdvance("Add"));
    QTextDocument* note = manager->Memo1->document();
    for (QTextBlock line = note->begin(); line.isValid(); line = line.next())
        EXPECT_EQ(line.layout()->lineCount(), 1) << "wrapped: " << line.text().toStdString();
    EXPECT_LE(note->size().height(), manager->Memo1->viewport()->height());
    const int columns = grid()->columnWidth(0) + grid()->columnWidth(1) + grid()->columnWidth(2);
    EXPECT_LE(columns, grid()->viewport()->width()) << "the three columns fit without scrolling";
}

TEST_F(ManagerTest, ShowsTheNoteWithItsFiveLinesExactly) {
    start();
    const QStringList lines = manager->Memo1->toPlainText().split('\n');
    const QStringList expected = {
        "Note:",
        "Remember each line represents  a network connection of your computer.",
        "Do not forget to write the connection name exactly as it is written in the",
        "windows control panel,otherwise the IP Set you will try to apply might not",
        "work.",
    };
    EXPECT_EQ(lines, expected);
}

TEST_F(ManagerTest, HasTheFileMenuAndTheGridsPopupMenu) {
    start();
    const QList<QAction*> menus = manager->AdvMainMenu1->actions();
    ASSERT_EQ(menus.size(), 1);
    EXPECT_EQ(menus[0]->text(), "File");
    ASSERT_EQ(manager->File1->actions(), QList<QAction*>{manager->Exit1});
    EXPECT_EQ(manager->Exit1->text(), "Exit");
    EXPECT_EQ(manager->Exit1->shortcut(), QKeySequence("Ctrl+Q"));
    ASSERT_EQ(manager->AdvPopupMenu1->actions(), QList<QAction*>{manager->DeleteConnection1});
    EXPECT_EQ(manager->DeleteConnection1->text(), "Delete Connection");
    EXPECT_TRUE(manager->DeleteConnection1->shortcut().isEmpty());
    EXPECT_EQ(grid()->popupMenu(), manager->AdvPopupMenu1);
}

TEST_F(ManagerTest, TheGridShowsEveryConnectionWithTheCurrentRowMarked) {
    start();
    openManager();
    ASSERT_EQ(grid()->model()->rowCount(), 3);
    EXPECT_EQ(grid()->model()->headerData(0, Qt::Horizontal).toString(), "");
    EXPECT_EQ(grid()->model()->headerData(1, Qt::Horizontal).toString(), "ConnectionName");
    EXPECT_EQ(grid()->model()->headerData(2, Qt::Horizontal).toString(), "Description");
    EXPECT_EQ(grid()->columnWidth(0), 20);
    EXPECT_EQ(grid()->columnWidth(1), 200);
    EXPECT_EQ(grid()->columnWidth(2), 185);
    EXPECT_EQ(grid()->horizontalHeader()->height(), 22);
    EXPECT_EQ(grid()->rowHeight(0), 22);
    EXPECT_EQ(grid()->horizontalHeader()->font(), Fonts::tahoma(true));
    EXPECT_EQ(grid()->columnFont(1), Fonts::formFont(false));
    EXPECT_EQ(grid()->columnFont(2), Fonts::tahoma(false));
    EXPECT_EQ(gridText(2, 1), "VPN");
    EXPECT_EQ(gridText(2, 2), "tunnel");
    // The tree's rebuild looked up every set's connection: the last one found is current.
    EXPECT_EQ(main->ConnectionsT.fieldAsString("ConnectionName"), "Wireless Network Connection");
    EXPECT_EQ(markedRow(), 1);
    EXPECT_EQ(selectedRow(), 1);
    const auto mark = [this](int row) {
        return grid()->model()->index(row, 0).data(DataTableModel::MarkRole);
    };
    EXPECT_FALSE(mark(1).toString().isEmpty());
    EXPECT_TRUE(mark(0).toString().isEmpty());
}

// ---------------------------------------------------------------- Add

struct AddCase {
    const char* name;
    const char* connectionName;
    const char* description;
};

void PrintTo(const AddCase& addCase, std::ostream* out) {
    *out << addCase.name;
}

class ManagerAdd : public ManagerTest, public ::testing::WithParamInterface<AddCase> {};

TEST_P(ManagerAdd, StoresTheBoxesAsTypedAndClearsThem) {
    start();
    openManager();
    typeInto(manager->Edit1, GetParam().connectionName);
    typeInto(manager->Edit2, GetParam().description);
    clickAdd();
    EXPECT_TRUE(messages.shown.empty()) << lastReport().toStdString();
    const QStringList names = storedNames();
    ASSERT_EQ(names.size(), 4);
    EXPECT_EQ(names.last(), GetParam().connectionName);
    EXPECT_EQ(storedDescriptions().last(), GetParam().description);
    EXPECT_TRUE(manager->Edit1->text().isEmpty());
    EXPECT_TRUE(manager->Edit2->text().isEmpty());
    ASSERT_EQ(grid()->model()->rowCount(), 4);
    EXPECT_EQ(gridText(3, 1), GetParam().connectionName);
    EXPECT_EQ(markedRow(), 3);
    EXPECT_EQ(selectedRow(), 3);
    EXPECT_EQ(main->ConnectionsT.fieldAsInteger("AutoIncField"), 4);
}

INSTANTIATE_TEST_SUITE_P(Cases, ManagerAdd,
                         ::testing::Values(AddCase{"NameAndDescription", "LAN 2", "second card"},
                                           AddCase{"BothBoxesEmpty", "", ""},
                                           AddCase{"ANameAlreadyInTheTable", "VPN", "again"},
                                           AddCase{"BlanksAtBothEnds", "  spaced  ", " x "}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(ManagerTest, AnAddThatTheStoreRefusesKeepsTheBoxesAndThePendingRowThatTheNextAddRetries) {
    ASSERT_TRUE(db.exec(RefuseBad));
    start();
    openManager();
    typeInto(manager->Edit1, "bad");
    typeInto(manager->Edit2, "refused one");
    clickAdd();
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_TRUE(lastReport().contains("refused")) << lastReport().toStdString();
    EXPECT_EQ(messages.shown.back().flags, Mb::OK | Mb::ICONHAND);
    EXPECT_EQ(manager->Edit1->text(), "bad");
    EXPECT_EQ(manager->Edit2->text(), "refused one");
    EXPECT_EQ(main->ConnectionsT.state(), DataTable::State::Inserting);
    ASSERT_EQ(grid()->model()->rowCount(), 4) << "the grid shows the pending row";
    EXPECT_EQ(gridText(3, 1), "bad");
    EXPECT_EQ(markedRow(), 3);
    EXPECT_EQ(storedNames().size(), 3);

    // Still refused: the next Add puts the boxes' texts into the pending row and tries it again.
    clickAdd();
    EXPECT_EQ(messages.shown.size(), 2u);
    EXPECT_EQ(manager->Edit1->text(), "bad");
    EXPECT_EQ(storedNames().size(), 3);
    ASSERT_EQ(grid()->model()->rowCount(), 4) << "still the one pending row";

    // With a name that the store takes, the retry stores that one row and no second.
    typeInto(manager->Edit1, "next");
    clickAdd();
    EXPECT_EQ(messages.shown.size(), 2u) << lastReport().toStdString();
    EXPECT_EQ(storedNames(),
              QStringList({"Local Area Connection", "Wireless Network Connection", "VPN", "next"}));
    EXPECT_EQ(storedDescriptions().mid(3), QStringList({"refused one"}));
    EXPECT_TRUE(manager->Edit1->text().isEmpty());
    EXPECT_EQ(grid()->model()->rowCount(), 4);
    EXPECT_EQ(markedRow(), 3);
}

// A refusal that passes (another program's lock, a full disk): the user presses Add
// again and the connection is stored once.
struct PassingRefusal {
    const char* name;
    std::function<void(TempDatabase&, QSqlDatabase)> refuse; // the file and the store's connection
    std::function<void(TempDatabase&, QSqlDatabase)> allow;
    QString report;
};

void PrintTo(const PassingRefusal& refusal, std::ostream* out) {
    *out << refusal.name;
}

class ManagerRetry : public ManagerTest, public ::testing::WithParamInterface<PassingRefusal> {};

TEST_P(ManagerRetry, AnAddRetriedAfterARefusalThatPassedStoresTheConnectionOnce) {
    start();
    openManager();
    QSqlDatabase store = QSqlDatabase::database(main->AdoConn.qtConnectionName(), false);
    typeInto(manager->Edit1, "LAN 2");
    typeInto(manager->Edit2, "second card");
    GetParam().refuse(db, store);
    clickAdd();
    EXPECT_EQ(messages.texts(), QStringList{GetParam().report});
    EXPECT_EQ(manager->Edit1->text(), "LAN 2");
    GetParam().allow(db, store);
    clickAdd();
    EXPECT_EQ(messages.shown.size(), 1u) << lastReport().toStdString();
    EXPECT_EQ(storedNames(),
              QStringList({"Local Area Connection", "Wireless Network Connection", "VPN", "LAN 2"}));
    EXPECT_EQ(storedDescriptions().last(), "second card");
    EXPECT_EQ(grid()->model()->rowCount(), 4);
    EXPECT_EQ(markedRow(), 3);
    EXPECT_TRUE(manager->Edit1->text().isEmpty());
    EXPECT_EQ(main->ConnectionsT.state(), DataTable::State::Browsing);
}

bool execOn(QSqlDatabase connection, const QString& sql) {
    QSqlQuery query(connection);
    return query.exec(sql);
}

INSTANTIATE_TEST_SUITE_P(
    Refusals, ManagerRetry,
    ::testing::Values(
        PassingRefusal{"AnotherProgramsLock",
                       [](TempDatabase& file, QSqlDatabase) { ASSERT_TRUE(file.exec("BEGIN IMMEDIATE")); },
                       [](TempDatabase& file, QSqlDatabase) { ASSERT_TRUE(file.exec("ROLLBACK")); },
                       "ConnectionsT: The database is in use by another program; try again in a moment."},
        // Each stored connection needs fresh pages, and the store may not add any.
        PassingRefusal{"AFullDisk",
                       [](TempDatabase& file, QSqlDatabase store) {
                           ASSERT_TRUE(file.exec("CREATE TABLE Filler (x)"));
                           ASSERT_TRUE(file.exec("CREATE TRIGGER fill AFTER INSERT ON Connections "
                                                 "BEGIN INSERT INTO Filler VALUES (zeroblob(20000)); END"));
                           QSqlQuery pages("PRAGMA page_count", store);
                           ASSERT_TRUE(pages.next());
                           ASSERT_TRUE(execOn(store, "PRAGMA max_page_count = " + pages.value(0).toString()));
                       },
                       [](TempDatabase&, QSqlDatabase store) {
                           ASSERT_TRUE(execOn(store, "PRAGMA max_page_count = 1000000"));
                       },
                       "database or disk is full."}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ManagerTest, DeleteAnsweredYesDropsAPendingRowWithoutDeletingAStoredOne) {
    ASSERT_TRUE(db.exec(RefuseBad));
    start();
    openManager();
    typeInto(manager->Edit1, "bad");
    clickAdd();
    ASSERT_EQ(main->ConnectionsT.state(), DataTable::State::Inserting);
    messages.answerNext(Id::YES);
    manager->DeleteConnection1->trigger();
    EXPECT_EQ(main->ConnectionsT.state(), DataTable::State::Browsing);
    EXPECT_EQ(grid()->model()->rowCount(), 3);
    EXPECT_EQ(storedNames().size(), 3);
    EXPECT_EQ(manager->Edit1->text(), "bad") << "the box keeps its text";
}

// ---------------------------------------------------------------- Delete

struct DeleteCase {
    const char* name;
    int answer;
    QStringList remaining;
};

void PrintTo(const DeleteCase& deleteCase, std::ostream* out) {
    *out << deleteCase.name;
}

class ManagerDelete : public ManagerTest, public ::testing::WithParamInterface<DeleteCase> {};

TEST_P(ManagerDelete, AsksFirstWithNoAsTheDefaultAnswer) {
    start();
    openManager();
    clickRow(0);
    rightClickRow(0);
    messages.answerNext(GetParam().answer);
    chooseDeleteConnection();
    ASSERT_EQ(messages.shown.size(), 1u);
    const FakeMessageBoxes::Shown& box = messages.shown[0];
    EXPECT_EQ(box.text, Question);
    EXPECT_EQ(box.flags, 0x124u) << "Yes/No, question icon, No as the default (what Enter answers)";
    EXPECT_EQ(box.flags & Mb::DefaultMask, Mb::DEFBUTTON2);
    EXPECT_EQ(box.owner, manager.get());
    EXPECT_EQ(storedNames(), GetParam().remaining);
    EXPECT_EQ(grid()->model()->rowCount(), GetParam().remaining.size());
}

INSTANTIATE_TEST_SUITE_P(
    Answers, ManagerDelete,
    ::testing::Values(DeleteCase{"Yes", Id::YES, {"Wireless Network Connection", "VPN"}},
                      DeleteCase{
                          "No", Id::NO, {"Local Area Connection", "Wireless Network Connection", "VPN"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ManagerTest, ARightClickOnAnotherRowThenDeleteDeletesTheMarkedRow) {
    start();
    openManager();
    clickRow(0);
    rightClickRow(2);
    EXPECT_EQ(markedRow(), 0);
    EXPECT_EQ(selectedRow(), 0);
    messages.answerNext(Id::YES);
    chooseDeleteConnection();
    EXPECT_EQ(storedNames(), QStringList({"Wireless Network Connection", "VPN"}));
}

TEST_F(ManagerTest, DeleteOnAnEmptyTableReportsTheStoresError) {
    ASSERT_TRUE(db.exec("DELETE FROM Connections"));
    start();
    openManager();
    EXPECT_EQ(grid()->model()->rowCount(), 0);
    const size_t before = messages.shown.size();
    messages.answerNext(Id::YES);
    manager->DeleteConnection1->trigger();
    ASSERT_EQ(messages.shown.size(), before + 2);
    EXPECT_EQ(messages.shown[before].text, Question);
    EXPECT_EQ(lastReport(), EmptyTable);
    EXPECT_EQ(messages.shown.back().flags, Mb::OK | Mb::ICONHAND);
}

TEST_F(ManagerTest, CommandsOnAClosedTableReportTheStoresError) {
    QTemporaryDir noDatabase;
    start(noDatabase.path());
    const size_t startupReports = messages.shown.size();
    ASSERT_GE(startupReports, 1u);
    openManager();
    EXPECT_EQ(grid()->model()->rowCount(), 0);
    typeInto(manager->Edit1, "LAN");
    clickAdd();
    ASSERT_EQ(messages.shown.size(), startupReports + 1);
    EXPECT_EQ(lastReport(), ClosedTable);
    EXPECT_EQ(manager->Edit1->text(), "LAN");
    messages.answerNext(Id::YES);
    manager->DeleteConnection1->trigger();
    ASSERT_EQ(messages.shown.size(), startupReports + 3);
    EXPECT_EQ(messages.shown[startupReports + 1].text, Question);
    EXPECT_EQ(lastReport(), ClosedTable);
}

// ---------------------------------------------------------------- the mark follows the main window

TEST_F(ManagerTest, TheMarkFollowsTheMainWindowsConnectionLookups) {
    start();
    openManager();
    clickRow(2);
    ASSERT_EQ(markedRow(), 2);
    EXPECT_EQ(TFrmMainProbe::ConnectionNameById(*main, 1), "Local Area Connection");
    EXPECT_EQ(markedRow(), 0);
    EXPECT_EQ(selectedRow(), 0);
    TFrmMainProbe::LoadIPSetTree(*main); // the last set, Home, uses connection 2
    EXPECT_EQ(markedRow(), 1);
    EXPECT_EQ(selectedRow(), 1);
}

TEST_F(ManagerTest, ActivatingASetFromTheManagerMarksItsConnectionAndDeleteOffersThatOne) {
    start();
    // Office (connection 1) becomes the current IP set by a click in the main window's tree.
    QTreeWidgetItem* office = main->IPSetTreeView->topLevelItem(0);
    ASSERT_EQ(office->text(0), "Office");
    QTest::mouseClick(main->windowHandle(), Qt::LeftButton, Qt::NoModifier,
                      main->IPSetTreeView->viewport()->mapTo(
                          main.get(), main->IPSetTreeView->visualItemRect(office).center()));
    openManager();
    clickRow(2);
    manager->Edit1->setFocus();
    press(Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(markedRow(), 0);
    EXPECT_EQ(selectedRow(), 0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return pauses >= 2 && !main->Label1->isVisible(); }, 10000));
    messages.answerNext(Id::YES);
    manager->DeleteConnection1->trigger();
    EXPECT_EQ(storedNames(), QStringList({"Wireless Network Connection", "VPN"}));
}

// ---------------------------------------------------------------- keys

struct MainShortcut {
    const char* name;
    QAction* TFrmMain::*action;
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
};

void PrintTo(const MainShortcut& shortcut, std::ostream* out) {
    *out << shortcut.name;
}

const MainShortcut MainShortcuts[] = {
    {"Ins", &TFrmMain::AddNewIPConfigurationSet1, Qt::Key_Insert, Qt::NoModifier},
    {"CtrlA", &TFrmMain::ActivatetheselectedIPSet1, Qt::Key_A, Qt::ControlModifier},
    {"CtrlE", &TFrmMain::EdittheselectedIPset1, Qt::Key_E, Qt::ControlModifier},
    {"CtrlD", &TFrmMain::DeletetheselectedIPset1, Qt::Key_D, Qt::ControlModifier},
    {"CtrlR", &TFrmMain::RefreshCurrentConfiguration1, Qt::Key_R, Qt::ControlModifier},
};

enum class Focus { Name, Description, Note, Grid };

void PrintTo(Focus focus, std::ostream* out) {
    static const char* const places[] = {"in the name box", "in the description box", "in the note",
                                         "in the grid"};
    *out << places[static_cast<int>(focus)];
}

QWidget* focusWidget(TFrmManager& manager, Focus focus) {
    switch (focus) {
    case Focus::Name:
        return manager.Edit1;
    case Focus::Description:
        return manager.Edit2;
    case Focus::Note:
        return manager.Memo1;
    case Focus::Grid:
        return manager.DBAdvGrid1;
    }
    return nullptr;
}

class ManagerKeys : public ManagerTest,
                    public ::testing::WithParamInterface<std::tuple<MainShortcut, Focus>> {
protected:
    // The command's own work (an editor, a job, a refresh) is not what these tests
    // look at: only that the key reaches the command.
    QAction* commandWithoutItsWork(QAction* TFrmMain::*member) {
        QAction* action = (*main).*member;
        QObject::disconnect(action, &QAction::triggered, main.get(), nullptr);
        return action;
    }
};

TEST_P(ManagerKeys, TheMainWindowsShortcutsActWhileTheManagerIsActive) {
    const auto& [shortcut, focus] = GetParam();
    start();
    openManager();
    QAction* command = commandWithoutItsWork(shortcut.action);
    QSignalSpy triggered(command, &QAction::triggered);
    QWidget* focused = focusWidget(*manager, focus);
    focused->setFocus();
    ASSERT_EQ(QApplication::focusWidget(), focused);
    manager->Edit1->setText("typed");
    press(shortcut.key, shortcut.modifiers);
    EXPECT_EQ(triggered.count(), 1);
    EXPECT_TRUE(manager->isVisible());
    EXPECT_EQ(manager->Edit1->text(), "typed") << "the edit box did not take the key";
}

std::string keyCaseName(const ::testing::TestParamInfo<std::tuple<MainShortcut, Focus>>& info) {
    static const char* const places[] = {"InName", "InDescription", "InNote", "InGrid"};
    return std::string(std::get<0>(info.param).name) + places[static_cast<int>(std::get<1>(info.param))];
}

INSTANTIATE_TEST_SUITE_P(Keys, ManagerKeys,
                         ::testing::Combine(::testing::ValuesIn(MainShortcuts),
                                            ::testing::Values(Focus::Name, Focus::Description, Focus::Note,
                                                              Focus::Grid)),
                         keyCaseName);

TEST_F(ManagerTest, CtrlQHidesOnlyTheManager) {
    start();
    openManager();
    QSignalSpy mainExit(main->Exit1, &QAction::triggered);
    manager->Edit1->setFocus();
    press(Qt::Key_Q, Qt::ControlModifier);
    EXPECT_FALSE(manager->isVisible());
    EXPECT_TRUE(main->isVisible());
    EXPECT_EQ(mainExit.count(), 0);
}

TEST_F(ManagerTest, NoShortcutActsWhileAModalWindowIsOpen) {
    start();
    openManager();
    manager->Edit1->setFocus();
    std::vector<std::unique_ptr<QSignalSpy>> spies;
    for (const MainShortcut& shortcut : MainShortcuts) {
        QAction* action = (*main).*shortcut.action;
        QObject::disconnect(action, &QAction::triggered, main.get(), nullptr);
        spies.push_back(std::make_unique<QSignalSpy>(action, &QAction::triggered));
    }
    QDialog modal(main.get());
    modal.setModal(true);
    modal.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&modal));
    for (const MainShortcut& shortcut : MainShortcuts)
        press(shortcut.key, shortcut.modifiers);
    press(Qt::Key_Q, Qt::ControlModifier);
    press(Qt::Key_X);
    for (const auto& spy : spies)
        EXPECT_EQ(spy->count(), 0);
    EXPECT_TRUE(manager->isVisible());
    EXPECT_TRUE(manager->Edit1->text().isEmpty()) << "the manager took no input";

    modal.close();
    openManager();
    manager->Edit1->setFocus();
    press(Qt::Key_R, Qt::ControlModifier);
    EXPECT_EQ(spies.back()->count(), 1) << "the keys act again once the modal window is gone";
}

TEST_F(ManagerTest, TypingIntoTheNoteChangesNothing) {
    start();
    openManager();
    const QString note = manager->Memo1->toPlainText();
    manager->Memo1->setFocus();
    for (Qt::Key key : {Qt::Key_T, Qt::Key_Y, Qt::Key_P, Qt::Key_E, Qt::Key_Space, Qt::Key_1})
        press(key);
    press(Qt::Key_Backspace);
    press(Qt::Key_Delete);
    press(Qt::Key_Return);
    QApplication::clipboard()->setText("pasted");
    press(Qt::Key_V, Qt::ControlModifier);
    manager->Memo1->selectAll();
    press(Qt::Key_X, Qt::ControlModifier);
    press(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(manager->Memo1->toPlainText(), note);

    QChar key('x');
    manager->Memo1KeyPress(manager->Memo1, key);
    EXPECT_TRUE(key.isNull()) << "every typed character is replaced by none";
}

TEST_F(ManagerTest, ClosingAndReopeningKeepsTheTypedTexts) {
    start();
    openManager();
    const QPoint placedAt = manager->pos();
    typeInto(manager->Edit1, "Not added");
    typeInto(manager->Edit2, "yet");
    manager->close(); // the window frame's close
    EXPECT_FALSE(manager->isVisible());
    EXPECT_TRUE(main->isVisible());
    openManager();
    EXPECT_EQ(manager->Edit1->text(), "Not added");
    EXPECT_EQ(manager->Edit2->text(), "yet");
    EXPECT_EQ(manager->pos(), placedAt) << "centred only when first shown";

    manager->Exit1->trigger(); // File > Exit
    EXPECT_FALSE(manager->isVisible());
    openManager();
    EXPECT_EQ(manager->Edit1->text(), "Not added");
    EXPECT_EQ(storedNames().size(), 3);
}

} // namespace
