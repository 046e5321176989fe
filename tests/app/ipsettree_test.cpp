// The IP set tree, driven with real mouse and keyboard events through the window.
#include "app/frmmain.h"
#include "tests/app/frmmainprobe.h"
#include "tests/fixtures/fakemessageboxes.h"
#include "tests/fixtures/tempdatabase.h"
#include "widgets/treeview.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QTest>
#include <QTreeWidget>
#include <gtest/gtest.h>

namespace {

class IPSetTreeTest : public ::testing::Test {
protected:
    void start() {
        CurrentDirectory here(db.folder());
        frm = std::make_unique<TFrmMain>(TFrmMainProbe::services(messages));
        frm->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(frm.get()));
        tree = frm->IPSetTreeView;
    }
    void TearDown() override {
        if (frm)
            frm->AdvPopupMenu1->hide();
    }

    QTreeWidgetItem* node(int index) { return tree->topLevelItem(index); }
    QPoint windowPointOf(QTreeWidgetItem* item) {
        return tree->viewport()->mapTo(frm.get(), tree->visualItemRect(item).center());
    }
    QPoint emptySpace() {
        return tree->viewport()->mapTo(frm.get(), QPoint(10, tree->viewport()->height() - 5));
    }
    void click(const QPoint& at, Qt::MouseButton button = Qt::LeftButton) {
        QTest::mouseClick(frm->windowHandle(), button, Qt::NoModifier, at);
        QApplication::processEvents();
    }
    void click(QTreeWidgetItem* item, Qt::MouseButton button = Qt::LeftButton) {
        click(windowPointOf(item), button);
    }
    QString current(const char* field = "IPSet_Name") { return frm->IPSetT.fieldAsString(field); }
    QStringList rootTexts() {
        QStringList texts;
        for (int i = 0; i < tree->topLevelItemCount(); ++i)
            texts << node(i)->text(0);
        return texts;
    }
    QList<bool> commandsEnabled() {
        const QList<QAction*> items = frm->AdvPopupMenu1->actions();
        return {items[0]->isEnabled(), items[2]->isEnabled(), items[4]->isEnabled()};
    }

    TempDatabase db;
    FakeMessageBoxes messages;
    std::unique_ptr<TFrmMain> frm;
    TreeView* tree = nullptr;
};

TEST_F(IPSetTreeTest, ShowsEveryIPSetWithItsSixDetailLines) {
    const qint64 lan = db.addConnection("LAN");
    db.addIPSet("Office", "10.0.0.5", "255.255.255.0", "10.0.0.1", "10.0.0.2", 0, lan);
    db.addIPSet("Laptop", "", "", "", "", 1, 9999);
    db.addIPSet("Blank", QVariant(), QVariant(), QVariant(), QVariant(), QVariant(), QVariant());
    start();

    ASSERT_EQ(rootTexts(), QStringList({"Office", "Laptop", "Blank"}));
    const QStringList office = {"IP:10.0.0.5",           "Subnet mask :255.255.255.0",
                                "Def.Gateway :10.0.0.1", "DNS :10.0.0.2",
                                "DHCP :False",           "Connection Name:LAN"};
    const QStringList laptop = {
        "IP:", "Subnet mask :", "Def.Gateway :", "DNS :", "DHCP :True", "Connection Name:"};
    const QStringList blank = {
        "IP:", "Subnet mask :", "Def.Gateway :", "DNS :", "DHCP :", "Connection Name:"};
    const QList<QStringList> expected = {office, laptop, blank};
    for (int i = 0; i < 3; ++i) {
        QStringList details;
        for (int d = 0; d < node(i)->childCount(); ++d) {
            details << node(i)->child(d)->text(0);
            EXPECT_EQ(node(i)->child(d)->childCount(), 0);
        }
        EXPECT_EQ(details, expected[i]) << i;
        EXPECT_FALSE(node(i)->isExpanded());
        EXPECT_FALSE(node(i)->flags() & Qt::ItemIsEditable);
    }
    EXPECT_EQ(tree->selectedNode(), nullptr);
    EXPECT_EQ(current(), "Blank") << "after a load the last IP set is current";
}

TEST_F(IPSetTreeTest, EmptyTableGivesAnEmptyTreeAndDisabledCommands) {
    start();
    EXPECT_EQ(tree->topLevelItemCount(), 0);
    EXPECT_EQ(frm->IPSetT.currentIndex(), -1);
    click(emptySpace(), Qt::RightButton);
    ASSERT_TRUE(frm->AdvPopupMenu1->isVisible());
    EXPECT_EQ(commandsEnabled(), QList<bool>({false, false, false}));
    frm->AdvPopupMenu1->hide();
    frm->DeletetheselectedIPset1->trigger();
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_EQ(tree->topLevelItemCount(), 0);
}

class ThreeSetsTest : public IPSetTreeTest {
protected:
    void SetUp() override {
        db.addIPSet("Home", "1.1.1.1", "", "", "", 0, 0);
        db.addIPSet("Office", "2.2.2.2", "", "", "", 0, 0);
        db.addIPSet("Lab", "3.3.3.3", "", "", "", 0, 0);
        start();
    }
};

TEST_F(ThreeSetsTest, ClickOnAnIPSetNodeMakesItCurrent) {
    click(node(0));
    EXPECT_EQ(tree->selectedNode(), node(0));
    EXPECT_EQ(current("IPAddress"), "1.1.1.1");
    click(node(1));
    EXPECT_EQ(current("IPAddress"), "2.2.2.2");
}

TEST_F(ThreeSetsTest, ClickOnADetailNodeMakesTheLastSetCurrent) {
    click(node(0));
    node(0)->setExpanded(true);
    click(node(0)->child(0));
    EXPECT_EQ(tree->selectedNode(), node(0)->child(0));
    EXPECT_EQ(current(), "Lab");
}

TEST_F(ThreeSetsTest, ClickOnEmptySpaceKeepsTheSelectionAndLocatesItAgain) {
    click(node(0));
    TFrmMainProbe::LocateIPSetByName(*frm, "Office");
    click(emptySpace());
    EXPECT_EQ(tree->selectedNode(), node(0));
    EXPECT_EQ(current(), "Home");
}

TEST_F(ThreeSetsTest, ClickWithNothingSelectedChangesNothing) {
    TFrmMainProbe::LocateIPSetByName(*frm, "Office");
    click(emptySpace());
    EXPECT_EQ(tree->selectedNode(), nullptr);
    EXPECT_EQ(current(), "Office");
}

TEST_F(ThreeSetsTest, KeyboardMovesTheSelectionButNotTheCurrentSet) {
    click(node(0));
    QTest::keyClick(tree, Qt::Key_Down);
    EXPECT_EQ(tree->selectedNode(), node(1));
    EXPECT_EQ(current(), "Home");
}

TEST_F(ThreeSetsTest, RightClickOnAnIPSetNodeSelectsItMakesItCurrentAndEnablesTheCommands) {
    click(node(1), Qt::RightButton);
    EXPECT_EQ(tree->selectedNode(), node(1));
    EXPECT_EQ(current(), "Office");
    ASSERT_TRUE(frm->AdvPopupMenu1->isVisible());
    EXPECT_EQ(commandsEnabled(), QList<bool>({true, true, true}));
    const QList<QAction*> items = frm->AdvPopupMenu1->actions();
    EXPECT_TRUE(items[1]->isSeparator() && items[3]->isSeparator());
}

TEST_F(ThreeSetsTest, RightClickOnADetailNodeDisablesTheCommandsAndMakesTheLastSetCurrent) {
    click(node(0));
    node(0)->setExpanded(true);
    click(node(0)->child(2), Qt::RightButton);
    EXPECT_EQ(tree->selectedNode(), node(0)->child(2));
    EXPECT_EQ(current(), "Lab");
    ASSERT_TRUE(frm->AdvPopupMenu1->isVisible());
    EXPECT_EQ(commandsEnabled(), QList<bool>({false, false, false}));
    for (QAction* item : frm->ools1->actions())
        EXPECT_TRUE(item->isEnabled()) << "the main menu's items stay enabled";
}

TEST_F(ThreeSetsTest, RightClickOnEmptySpaceKeepsTheSelection) {
    click(node(2));
    click(emptySpace(), Qt::RightButton);
    EXPECT_EQ(tree->selectedNode(), node(2));
    ASSERT_TRUE(frm->AdvPopupMenu1->isVisible());
    EXPECT_EQ(commandsEnabled(), QList<bool>({true, true, true}));
}

TEST_F(ThreeSetsTest, MenuKeyOpensTheMenuForTheSelectedNode) {
    click(node(0));
    QTest::keyClick(tree, Qt::Key_Down);
    tree->setFocus();
    QContextMenuEvent keyboard(QContextMenuEvent::Keyboard, QPoint(5, 5),
                               tree->viewport()->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(tree->viewport(), &keyboard);
    ASSERT_TRUE(frm->AdvPopupMenu1->isVisible());
    EXPECT_EQ(commandsEnabled(), QList<bool>({true, true, true}));
    EXPECT_EQ(current(), "Home") << "the keyboard does not move the current set";
}

class ContextMenuKeyTest : public ThreeSetsTest,
                          public ::testing::WithParamInterface<std::pair<Qt::Key, Qt::KeyboardModifiers>> {};

TEST_P(ContextMenuKeyTest, OpensTheMenuForTheSelectedNodeWithoutMovingTheCurrentSet) {
    click(node(2));
    TFrmMainProbe::LocateIPSetByName(*frm, "Home");
    QTest::keyClick(frm->windowHandle(), GetParam().first, GetParam().second);
    QApplication::processEvents();
    ASSERT_TRUE(frm->AdvPopupMenu1->isVisible());
    EXPECT_EQ(commandsEnabled(), QList<bool>({true, true, true}));
    EXPECT_EQ(tree->selectedNode(), node(2));
    EXPECT_EQ(current(), "Home");
}

INSTANTIATE_TEST_SUITE_P(MenuKeyAndShiftF10, ContextMenuKeyTest,
                         ::testing::Values(std::make_pair(Qt::Key_Menu, Qt::KeyboardModifiers(Qt::NoModifier)),
                                           std::make_pair(Qt::Key_F10, Qt::KeyboardModifiers(Qt::ShiftModifier))));

TEST_F(ThreeSetsTest, DeleteFromTheContextMenuRemovesTheSetThatWasRightClicked) {
    click(node(1), Qt::RightButton);
    frm->DeletethisIPSet2->trigger();
    EXPECT_EQ(rootTexts(), QStringList({"Home", "Lab"}));
    EXPECT_EQ(db.column("SELECT IPSet_Name FROM IPSets ORDER BY rowid"), QStringList({"Home", "Lab"}));
    EXPECT_EQ(tree->selectedNode(), nullptr);
    EXPECT_EQ(current(), "Lab");
    EXPECT_TRUE(messages.shown.empty()) << "no question is asked";
}

// Another copy of the program renamed the set after this one read it: the delete is
// refused and says so, and the tree shows the set as it is now stored.
TEST_F(ThreeSetsTest, ADeleteRefusedBecauseAnotherProgramChangedTheSetShowsItsNewName) {
    ASSERT_TRUE(db.exec("UPDATE IPSets SET IPSet_Name = 'Office 2' WHERE IPSet_Name = 'Office'"));
    click(node(1), Qt::RightButton);
    frm->AdvPopupMenu1->hide();
    frm->DeletethisIPSet2->trigger();
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_TRUE(messages.texts().first().contains("was changed by another program"))
        << messages.texts().first().toStdString();
    EXPECT_EQ(db.column("SELECT IPSet_Name FROM IPSets ORDER BY rowid"), QStringList({"Home", "Office 2", "Lab"}));
    EXPECT_EQ(rootTexts(), QStringList({"Home", "Office 2", "Lab"}));
}

TEST_F(ThreeSetsTest, DeleteWithADetailNodeOrNothingSelectedDeletesNothingButReloads) {
    click(node(0));
    node(0)->setExpanded(true);
    click(node(0)->child(0));
    QTest::keyClick(frm.get(), Qt::Key_D, Qt::ControlModifier);
    EXPECT_EQ(rootTexts(), QStringList({"Home", "Office", "Lab"}));
    EXPECT_FALSE(node(0)->isExpanded()) << "the tree was rebuilt";
    EXPECT_EQ(tree->selectedNode(), nullptr);

    TFrmMainProbe::LocateIPSetByName(*frm, "Home");
    frm->DeletetheselectedIPset1->trigger();
    EXPECT_EQ(db.column("SELECT count(*) FROM IPSets"), QStringList({"3"}));
    EXPECT_EQ(current(), "Lab") << "the reload makes the last set current";
}

TEST(IPSetTreeDuplicates, ClickOnEitherOfTwoSameNamedSetsMakesTheFirstCurrent) {
    TempDatabase db;
    db.addIPSet("Twin", "1.0.0.1", "", "", "", 0, 0);
    db.addIPSet("Twin", "1.0.0.2", "", "", "", 0, 0);
    FakeMessageBoxes messages;
    CurrentDirectory here(db.folder());
    TFrmMain frm(TFrmMainProbe::services(messages));
    frm.show();
    QTreeWidgetItem* second = frm.IPSetTreeView->topLevelItem(1);
    QTest::mouseClick(
        frm.windowHandle(), Qt::LeftButton, Qt::NoModifier,
        frm.IPSetTreeView->viewport()->mapTo(&frm, frm.IPSetTreeView->visualItemRect(second).center()));
    EXPECT_EQ(frm.IPSetT.fieldAsString("IPAddress"), "1.0.0.1");
}

class LetterCaseDuplicatesTest : public IPSetTreeTest {
protected:
    void SetUp() override {
        db.addIPSet("OFFICE", "9.9.9.9", "", "", "", 0, 0);
        db.addIPSet("Office", "1.1.1.1", "", "", "", 0, 0);
        start();
    }
};

TEST_F(LetterCaseDuplicatesTest, DeleteRemovesTheSelectedSetAndNotOneDifferingInLetterCase) {
    click(node(1), Qt::RightButton);
    ASSERT_EQ(node(1)->text(0), "Office");
    frm->DeletethisIPSet2->trigger();
    EXPECT_EQ(db.column("SELECT IPSet_Name FROM IPSets"), QStringList({"OFFICE"}));
    EXPECT_EQ(rootTexts(), QStringList({"OFFICE"}));
}

TEST_F(LetterCaseDuplicatesTest, ClickFindsTheSetByItsExactName) {
    click(node(1));
    EXPECT_EQ(current("IPAddress"), "1.1.1.1");
    click(node(0));
    EXPECT_EQ(current("IPAddress"), "9.9.9.9");
}

// ---------------------------------------------------------------- damaged and foreign files

QStringList detailTexts(QTreeWidgetItem* node) {
    QStringList texts;
    for (int d = 0; d < node->childCount(); ++d)
        texts << node->child(d)->text(0);
    return texts;
}

// Every line of one IP set as the tree shows it when nothing is missing.
const QStringList FullDetails = {"IP:10.0.0.5",           "Subnet mask :255.0.0.0",
                                 "Def.Gateway :10.0.0.1", "DNS :10.0.0.2",
                                 "DHCP :False",           "Connection Name:LAN"};

struct DamageCase {
    const char* name;
    QStringList statements; // what the damage does to the file
    int linesKept;          // -1: not even the set's node
    QString error;          // what the load throws
};

void PrintTo(const DamageCase& c, std::ostream* out) {
    *out << c.name;
}

// One row of a table that lacks the named column.
QStringList ipSetsWithout(const QString& column) {
    QStringList names = {"IPSet_Name", "IPAddress", "SubnetMask", "Gateway", "DNS", "DHCP", "Connection"};
    QStringList types = {"VARCHAR(255)", "VARCHAR(15)", "VARCHAR(15)", "VARCHAR(15)",
                         "VARCHAR(15)",  "BOOLEAN",     "INTEGER"};
    QStringList values = {"'Office'", "'10.0.0.5'", "'255.0.0.0'", "'10.0.0.1'", "'10.0.0.2'", "0", "1"};
    const qsizetype at = names.indexOf(column);
    for (QStringList* list : {&names, &types, &values})
        list->removeAt(at);
    QStringList declared;
    for (qsizetype i = 0; i < names.size(); ++i)
        declared << names[i] + " " + types[i];
    return {"DROP TABLE IPSets", "CREATE TABLE IPSets (" + declared.join(", ") + ")",
            "INSERT INTO IPSets (" + names.join(", ") + ") VALUES (" + values.join(", ") + ")"};
}

class DamagedFileTest : public IPSetTreeTest, public ::testing::WithParamInterface<DamageCase> {};

// The load ends at the field that fails, with its error for the caller; the set's
// node and every line read before that field stay.
TEST_P(DamagedFileTest, KeepsTheLinesReadBeforeTheFailingField) {
    db.addConnection("LAN");
    db.addIPSet("Office", "10.0.0.5", "255.0.0.0", "10.0.0.1", "10.0.0.2", 0, 1);
    db.addIPSet("Lab", "10.0.0.6", "255.0.0.0", "10.0.0.1", "10.0.0.2", 0, 1);
    for (const QString& statement : GetParam().statements)
        ASSERT_TRUE(db.exec(statement)) << statement.toStdString();
    start();
    // Loaded again as Delete and the editor's Ok load it (without the Connections
    // table, start-up stops before its load).
    QString error = "<no error>";
    try {
        TFrmMainProbe::LoadIPSetTree(*frm);
    } catch (const std::exception& failure) {
        error = QString::fromUtf8(failure.what());
    }
    EXPECT_EQ(error, GetParam().error);
    if (GetParam().linesKept < 0) {
        EXPECT_EQ(tree->topLevelItemCount(), 0);
        return;
    }
    ASSERT_EQ(rootTexts(), QStringList{"Office"});
    EXPECT_EQ(detailTexts(node(0)), FullDetails.mid(0, GetParam().linesKept));
}

INSTANTIATE_TEST_SUITE_P(
    MissingPieces, DamagedFileTest,
    ::testing::Values(
        DamageCase{"NoNameColumn", ipSetsWithout("IPSet_Name"), -1, "IPSetT: Field 'ipset_name' not found"},
        DamageCase{"NoAddressColumn", ipSetsWithout("IPAddress"), 0, "IPSetT: Field 'ipaddress' not found"},
        DamageCase{"NoGatewayColumn", ipSetsWithout("Gateway"), 2, "IPSetT: Field 'gateway' not found"},
        DamageCase{"NoDhcpColumn", ipSetsWithout("DHCP"), 4, "IPSetT: Field 'dhcp' not found"},
        DamageCase{"NoConnectionColumn", ipSetsWithout("Connection"), 5,
                   "IPSetT: Field 'connection' not found"},
        DamageCase{"NoConnectionsTable",
                   {"DROP TABLE Connections", "DELETE FROM IPSets WHERE IPSet_Name = 'Lab'"},
                   5,
                   "ConnectionsT: Cannot perform this operation on a closed dataset"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(IPSetTreeTest, AConnectionThatIsNoNumberReadsAsNoConnectionAndTheRestLoads) {
    db.addConnection("LAN");
    db.addIPSet("Office", "10.0.0.5", "", "", "", 0, 1);
    db.addIPSet("Damaged", "10.0.0.6", "", "", "", 0, "abc");
    db.addIPSet("Lab", "10.0.0.7", "", "", "", 0, 1);
    ASSERT_EQ(db.column("SELECT typeof(Connection) FROM IPSets WHERE IPSet_Name = 'Damaged'"),
              QStringList{"text"});
    start();
    EXPECT_TRUE(messages.shown.empty()) << messages.texts().join("; ").toStdString();
    ASSERT_EQ(rootTexts(), QStringList({"Office", "Damaged", "Lab"}));
    EXPECT_EQ(node(1)->child(5)->text(0), "Connection Name:");
    EXPECT_EQ(node(2)->child(5)->text(0), "Connection Name:LAN");
    EXPECT_EQ(current(), "Lab");
}

TEST_F(IPSetTreeTest, ANameInAnotherToolsEightBitTextShowsReadablyAndCanBeDeleted) {
    db.addIPSet("Home", "10.0.0.5", "", "", "", 0, 0);
    ASSERT_TRUE(db.exec("INSERT INTO IPSets (IPSet_Name, IPAddress) VALUES (CAST(? AS TEXT), '10.0.0.6')",
                        {QByteArray("B\xFCro")}));
    start();
    ASSERT_EQ(rootTexts(), QStringList({"Home", QString::fromUtf8("B\xC3\xBCro")}));
    click(node(1), Qt::RightButton);
    EXPECT_EQ(current("IPAddress"), "10.0.0.6") << "a click finds the set by the text shown";
    frm->AdvPopupMenu1->hide();
    frm->DeletethisIPSet2->trigger();
    EXPECT_TRUE(messages.shown.empty()) << messages.texts().join("; ").toStdString();
    EXPECT_EQ(db.column("SELECT IPSet_Name FROM IPSets"), QStringList{"Home"});
    EXPECT_EQ(rootTexts(), QStringList{"Home"});
}

} // namespace
