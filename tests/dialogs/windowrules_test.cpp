// Rules that hold across the program's windows, driven offscreen on the real
// windows: where the main window's keys act, the menus' font, what screen readers
// are told, and how the connection grid opens.
#include "app/frmmain.h"
#include "dialogs/about/aboutbox.h"
#include "dialogs/about/helpviewer.h"
#include "dialogs/addipset/addipset.h"
#include "dialogs/conmanager/conmanager.h"
#include "tests/app/frmmainprobe.h"
#include "tests/dialogs/recordingdesktop.h"
#include "tests/fixtures/fakemessageboxes.h"
#include "tests/fixtures/tempdatabase.h"
#include "widgets/busyanimation.h"
#include "widgets/datatablemodel.h"
#include "widgets/dbedit.h"
#include "widgets/dbgrid.h"
#include "widgets/dblookupcombobox.h"
#include "widgets/ipaddressedit.h"
#include "widgets/treeview.h"

#include <QAccessible>
#include <QAccessibleInterface>
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QTextBrowser>
#include <QTreeWidget>
#include <gtest/gtest.h>
#include <memory>
#include <ostream>

namespace {

// A window that has an owner counts as active as soon as its owner is (Qt's
// QWindow::isActive), so qWaitForWindowActive does not wait for the activation
// itself: wait until it is the application's active window.
bool becomesActive(QWidget* window) {
    return QTest::qWaitFor([window] { return QApplication::activeWindow() == window; });
}

class WindowsTest : public ::testing::Test {
protected:
    void SetUp() override {
        const qint64 lan = db.addConnection("Local Area Connection", "wired");
        db.addIPSet("Office", "10.0.0.5", "255.255.255.0", "10.0.0.1", "10.0.0.1", 0, lan);
        db.addIPSet("Home", "192.168.1.7", "255.255.255.0", "192.168.1.1", "192.168.1.1", 0, lan);
    }

    void start() {
        CurrentDirectory here(db.folder());
        main = std::make_unique<TFrmMain>(TFrmMainProbe::services(messages));
        manager = std::make_unique<TFrmManager>(main->ConnectionsT, main->ConnectionsDs, messages);
        main->setManager(manager.get());
        main->show();
        ASSERT_TRUE(becomesActive(main.get()));
    }

    QStringList storedSets() { return db.column("SELECT IPSet_Name FROM IPSets ORDER BY rowid"); }

    TempDatabase db;
    FakeMessageBoxes messages;
    std::unique_ptr<TFrmMain> main;
    std::unique_ptr<TFrmManager> manager;
};

// ---------------------------------------------------------------- where the main window's keys act

struct Shortcut {
    const char* name;
    QAction* TFrmMain::*action;
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
};

void PrintTo(const Shortcut& shortcut, std::ostream* out) {
    *out << shortcut.name;
}

class ShortcutWindows : public WindowsTest, public ::testing::WithParamInterface<Shortcut> {
protected:
    // Only whether the key reaches the command is looked at here, not the command's work.
    QAction* commandWithoutItsWork() {
        QAction* action = (*main).*GetParam().action;
        QObject::disconnect(action, &QAction::triggered, main.get(), nullptr);
        return action;
    }
    void pressIn(QWidget* window) {
        QTest::keyClick(window->windowHandle(), GetParam().key, GetParam().modifiers);
    }
    QWidget* openHelpViewer() {
        main->HelpFile1->trigger();
        auto* viewer = main->findChild<THelpViewer*>();
        if (viewer == nullptr || !becomesActive(viewer))
            return nullptr;
        viewer->Browser->setFocus();
        return viewer;
    }
};

TEST_P(ShortcutWindows, DoNothingWhileTheHelpViewerIsActive) {
    start();
    QSignalSpy triggered(commandWithoutItsWork(), &QAction::triggered);
    QWidget* viewer = openHelpViewer();
    ASSERT_NE(viewer, nullptr);
    ASSERT_EQ(QApplication::focusWidget(), main->findChild<THelpViewer*>()->Browser);
    pressIn(viewer);
    EXPECT_EQ(triggered.count(), 0);
}

TEST_P(ShortcutWindows, ActWhileTheMainWindowOrTheManagerIsActive) {
    start();
    QSignalSpy triggered(commandWithoutItsWork(), &QAction::triggered);
    ASSERT_NE(openHelpViewer(), nullptr);
    main->activateWindow();
    ASSERT_TRUE(becomesActive(main.get()));
    pressIn(main.get());
    EXPECT_EQ(triggered.count(), 1) << "main window";
    main->ManageConnections1->trigger();
    ASSERT_TRUE(becomesActive(manager.get()));
    manager->Edit1->setFocus();
    pressIn(manager.get());
    EXPECT_EQ(triggered.count(), 2) << "connection manager";
}

INSTANTIATE_TEST_SUITE_P(
    Keys, ShortcutWindows,
    ::testing::Values(Shortcut{"Ins", &TFrmMain::AddNewIPConfigurationSet1, Qt::Key_Insert, Qt::NoModifier},
                      Shortcut{"CtrlA", &TFrmMain::ActivatetheselectedIPSet1, Qt::Key_A, Qt::ControlModifier},
                      Shortcut{"CtrlE", &TFrmMain::EdittheselectedIPset1, Qt::Key_E, Qt::ControlModifier},
                      Shortcut{"CtrlD", &TFrmMain::DeletetheselectedIPset1, Qt::Key_D, Qt::ControlModifier},
                      Shortcut{"CtrlR", &TFrmMain::RefreshCurrentConfiguration1, Qt::Key_R,
                               Qt::ControlModifier}),
    [](const ::testing::TestParamInfo<Shortcut>& info) { return std::string(info.param.name); });

TEST_F(WindowsTest, CtrlDInTheHelpViewerDeletesNothingAndCtrlDInTheMainWindowDoes) {
    start();
    QTreeWidgetItem* office = main->IPSetTreeView->topLevelItem(0);
    ASSERT_NE(office, nullptr);
    main->IPSetTreeView->setCurrentItem(office);
    ASSERT_EQ(main->IPSetTreeView->selectedNode(), office);

    main->HelpFile1->trigger();
    auto* viewer = main->findChild<THelpViewer*>();
    ASSERT_NE(viewer, nullptr);
    ASSERT_TRUE(becomesActive(viewer));
    viewer->Browser->setFocus();
    QTest::keyClick(viewer->windowHandle(), Qt::Key_A, Qt::ControlModifier); // selects the help text
    QTest::keyClick(viewer->windowHandle(), Qt::Key_D, Qt::ControlModifier);
    EXPECT_EQ(storedSets(), QStringList({"Office", "Home"}));
    EXPECT_TRUE(messages.shown.empty()) << messages.texts().join('|').toStdString();
    EXPECT_TRUE(viewer->Browser->textCursor().hasSelection()) << "Ctrl+A went to the help text";

    main->activateWindow();
    ASSERT_TRUE(becomesActive(main.get()));
    QTest::keyClick(main->windowHandle(), Qt::Key_D, Qt::ControlModifier);
    EXPECT_EQ(storedSets(), QStringList({"Home"}));
}

// ---------------------------------------------------------------- the menus' font

TEST_F(WindowsTest, EveryMenuOfTheMainWindowTakesTheFontOfItsMenuBar) {
    start();
    const QFont bar = main->menuBar()->font();
    EXPECT_EQ(bar, main->font());
    EXPECT_TRUE(bar.bold());
    for (QMenu* menu : {main->File1, main->Connections1, main->ools1, main->Help1, main->AdvPopupMenu1})
        EXPECT_EQ(menu->font(), bar) << menu->title().toStdString() << menu->objectName().toStdString();
    main->AdvPopupMenu1->popup(main->mapToGlobal(QPoint(20, 60)));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(main->AdvPopupMenu1));
    EXPECT_EQ(QFontInfo(main->AdvPopupMenu1->font()).pixelSize(), QFontInfo(bar).pixelSize());
    EXPECT_TRUE(QFontInfo(main->AdvPopupMenu1->font()).bold());
    main->AdvPopupMenu1->close();
}

TEST_F(WindowsTest, EveryMenuOfTheManagerTakesTheFontOfItsMenuBar) {
    start();
    const QFont bar = manager->AdvMainMenu1->font();
    EXPECT_EQ(bar, manager->font());
    for (QMenu* menu : {manager->File1, manager->AdvPopupMenu1})
        EXPECT_EQ(menu->font(), bar) << menu->objectName().toStdString();
}

// ---------------------------------------------------------------- what screen readers are told

QString accessibleName(QObject* object) {
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(object);
    return face ? face->text(QAccessible::Name) : QStringLiteral("<none>");
}

bool readerSkips(QObject* object) {
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(object);
    return face != nullptr && face->state().invisible;
}

TEST_F(WindowsTest, TheEditorsFieldsAreNamedByTheirLabels) {
    start();
    TFrmAddNewIP editor(main.get(), main->IPSetT, main->ConnectionsDs, main->errorReport(), {});
    editor.show();
    const std::pair<QWidget*, const char*> named[] = {
        {editor.IPNAME, "IP Set Name"}, {editor.IP, "IP Address"}, {editor.SUB, "Subnet Mask"},
        {editor.GATE, "Def.Gateway"},   {editor.DNS, "DNS"},
    };
    for (const auto& [control, name] : named)
        EXPECT_EQ(accessibleName(control), name);

    // A drop-down list is read by its chosen text on Linux, by its name elsewhere; its
    // label is told as what labels it.
    EXPECT_EQ(editor.DBLookupComboBox1->accessibleName(), "Connection");
    QAccessibleInterface* list = QAccessible::queryAccessibleInterface(editor.DBLookupComboBox1);
    ASSERT_NE(list, nullptr);
    QStringList labels;
    for (const auto& [label, relation] : list->relations(QAccessible::Label))
        labels << label->text(QAccessible::Name);
    EXPECT_EQ(labels, QStringList{editor.Label6->text()});
}

TEST_F(WindowsTest, AnAddressEntryIsReadAsOneNamedEntryWithoutItsDots) {
    start();
    TFrmAddNewIP editor(main.get(), main->IPSetT, main->ConnectionsDs, main->errorReport(), {});
    editor.show();
    ASSERT_TRUE(becomesActive(&editor));
    const std::pair<IpAddressEdit*, QString> entries[] = {{editor.IP, "IP Address"},
                                                          {editor.SUB, "Subnet Mask"},
                                                          {editor.GATE, "Def.Gateway"},
                                                          {editor.DNS, "DNS"}};
    for (const auto& [entry, name] : entries) {
        entry->setText("10.1.2.3");
        QAccessibleInterface* face = QAccessible::queryAccessibleInterface(entry);
        ASSERT_NE(face, nullptr);
        EXPECT_EQ(face->text(QAccessible::Name), name);
        EXPECT_EQ(face->text(QAccessible::Value), "10.1.2.3");
        ASSERT_GT(face->childCount(), 0);
        for (int i = 0; i < face->childCount(); ++i) {
            QAccessibleInterface* part = face->child(i);
            ASSERT_NE(part, nullptr);
            EXPECT_EQ(part->text(QAccessible::Name), name) << "part " << i << " of " << name.toStdString();
            EXPECT_EQ(part->parent()->object(), entry);
            EXPECT_EQ(face->indexOfChild(part), i);
        }
        // Where the cursor lands, the reader hears the entry's name.
        entry->setFocus();
        ASSERT_NE(QApplication::focusWidget(), nullptr);
        EXPECT_EQ(accessibleName(QApplication::focusWidget()), name);
    }
}

TEST_F(WindowsTest, TheManagersBoxesAreNamedByTheirLabels) {
    start();
    EXPECT_EQ(accessibleName(manager->Edit1), "Connection Name");
    EXPECT_EQ(accessibleName(manager->Edit2), "Description");
}

TEST_F(WindowsTest, ThePicturesAreNamed) {
    start();
    RecordingDesktop desktop;
    TAboutBox about(desktop);
    about.show();
    EXPECT_EQ(accessibleName(about.ProgramIcon), "Orvantis icon");
    EXPECT_EQ(accessibleName(about.Image1), "Banner of The Orvantis developers");
    EXPECT_EQ(QAccessible::queryAccessibleInterface(about.Image1)->text(QAccessible::Description),
              about.Image1->toolTip());
    EXPECT_EQ(accessibleName(main->Animate1), "Progress animation");
    EXPECT_EQ(accessibleName(main->IPSetTreeView), "Available IP Sets");
}

TEST_F(WindowsTest, HiddenControlsAreNotReadOut) {
    start();
    ASSERT_TRUE(main->isVisible());
    EXPECT_TRUE(readerSkips(main->Label1)) << "the indicator's label";
    EXPECT_TRUE(readerSkips(main->Animate1)) << "the indicator's animation";
    EXPECT_TRUE(readerSkips(main->RefreshBtn));
    QAccessibleInterface* file = QAccessible::queryAccessibleInterface(main->File1);
    ASSERT_NE(file, nullptr);
    bool sawOptions = false;
    for (int i = 0; i < file->childCount(); ++i) {
        QAccessibleInterface* item = file->child(i);
        if (item->text(QAccessible::Name) == "Options") {
            sawOptions = true;
            EXPECT_TRUE(item->state().invisible);
        }
    }
    EXPECT_TRUE(sawOptions);
    EXPECT_FALSE(readerSkips(main->IPSetTreeView)) << "a shown control is read";
}

TEST_F(WindowsTest, TheGridsMarkIsNotReadOut) {
    start();
    main->ManageConnections1->trigger();
    ASSERT_TRUE(becomesActive(manager.get()));
    DbGrid* grid = manager->DBAdvGrid1;
    const int marked = grid->tableModel()->markedRow();
    ASSERT_GE(marked, 0);
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(grid);
    ASSERT_NE(face, nullptr);
    ASSERT_NE(face->tableInterface(), nullptr);
    QAccessibleInterface* mark = face->tableInterface()->cellAt(marked, 0);
    ASSERT_NE(mark, nullptr);
    EXPECT_EQ(mark->text(QAccessible::Name), "");
    QAccessibleInterface* name = face->tableInterface()->cellAt(marked, 1);
    ASSERT_NE(name, nullptr);
    EXPECT_EQ(name->text(QAccessible::Name), "Local Area Connection") << "the fields are read";
}

// ---------------------------------------------------------------- the grid opens at its left edge

TEST_F(WindowsTest, AGridWithMoreConnectionsThanFitOpensAtItsLeftEdge) {
    for (int i = 0; i < 40; ++i)
        db.addConnection(QStringLiteral("Connection %1").arg(i), QStringLiteral("number %1").arg(i));
    start();
    main->ManageConnections1->trigger();
    ASSERT_TRUE(becomesActive(manager.get()));
    DbGrid* grid = manager->DBAdvGrid1;
    QApplication::processEvents();
    ASSERT_GT(grid->horizontalScrollBar()->maximum(), 0) << "the rows do not fit: the grid scrolls sideways";
    const int marked = grid->tableModel()->markedRow();
    ASSERT_GE(marked, 0);
    EXPECT_EQ(grid->horizontalScrollBar()->value(), 0);
    EXPECT_EQ(grid->columnViewportPosition(0), 0) << "the indicator column is in view";
    EXPECT_TRUE(grid->viewport()->rect().intersects(grid->visualRect(grid->model()->index(marked, 1))))
        << "the marked row is in view";
}

} // namespace
