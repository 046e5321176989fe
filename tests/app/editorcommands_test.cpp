// The Add and Edit commands of the main window: the IP set editor as the menus and
// shortcuts open it, with its caption, its prepared values and what Ok and Cancel do.
#include "app/frmmain.h"
#include "dialogs/addipset/addipset.h"
#include "tests/app/frmmainprobe.h"
#include "tests/fixtures/fakemessageboxes.h"
#include "tests/fixtures/tempdatabase.h"
#include "widgets/dbedit.h"
#include "widgets/ipaddressedit.h"
#include "widgets/treeview.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <functional>
#include <gtest/gtest.h>

namespace {

class EditorCommandsTest : public ::testing::Test {
protected:
    void SetUp() override {
        lan = db.addConnection("LAN");
        db.addIPSet("Home", "192.168.1.5", "255.255.255.0", "192.168.1.1", "192.168.1.1", 0, lan);
        db.addIPSet("Roaming", "10.1.2.3", "255.0.0.0", "", "10.0.0.53", 1, lan);
        start();
    }
    void start() {
        CurrentDirectory here(db.folder());
        frm = std::make_unique<TFrmMain>(TFrmMainProbe::services(messages));
        frm->show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(frm.get()));
    }
    // Runs a command; while its editor is open, act on it (the editor closes after).
    // Answers whether an editor opened.
    bool withEditor(const std::function<void()>& command, const std::function<void(TFrmAddNewIP&)>& act) {
        bool opened = false;
        QTimer::singleShot(0, frm.get(), [&] {
            auto* editor = qobject_cast<TFrmAddNewIP*>(QApplication::activeModalWidget());
            if (!editor)
                return;
            opened = true;
            act(*editor);
            if (editor->isVisible())
                editor->BitBtn2->click();
        });
        command();
        QApplication::processEvents();
        return opened;
    }
    void clickNode(QTreeWidgetItem* item, Qt::MouseButton button = Qt::LeftButton) {
        TreeView* tree = frm->IPSetTreeView;
        QTest::mouseClick(frm->windowHandle(), button, Qt::NoModifier,
                          tree->viewport()->mapTo(frm.get(), tree->visualItemRect(item).center()));
    }
    QTreeWidgetItem* node(int i) { return frm->IPSetTreeView->topLevelItem(i); }
    QStringList names() { return db.column("SELECT IPSet_Name FROM IPSets ORDER BY rowid"); }

    TempDatabase db;
    FakeMessageBoxes messages;
    qint64 lan = 0;
    std::unique_ptr<TFrmMain> frm;
};

TEST_F(EditorCommandsTest, InsOpensAnEmptyAddDialogAndOkStoresTheSet) {
    const bool opened =
        withEditor([&] { QTest::keyClick(frm.get(), Qt::Key_Insert); },
                   [&](TFrmAddNewIP& editor) {
                       EXPECT_EQ(editor.windowTitle(), "Add new IP Set");
                       EXPECT_EQ(frm->IPSetT.state(), DataTable::State::Inserting);
                       EXPECT_EQ(editor.IPNAME->text(), "");
                       for (IpAddressEdit* entry : {editor.IP, editor.SUB, editor.GATE, editor.DNS}) {
                           EXPECT_EQ(entry->text(), "0.0.0.0");
                           EXPECT_TRUE(entry->isEnabled());
                       }
                       EXPECT_FALSE(editor.DHCPCheck->isChecked());
                       QTest::keyClicks(editor.IPNAME, "Lab");
                       editor.IP->setText("172.16.0.9");
                       editor.BitBtn1->click();
                       EXPECT_FALSE(editor.isVisible());
                   });
    ASSERT_TRUE(opened);
    EXPECT_EQ(names(), QStringList({"Home", "Roaming", "Lab"}));
    EXPECT_EQ(
        db.column("SELECT IPAddress || '|' || SubnetMask || '|' || DHCP || '|' || ifnull(Connection, 'null')"
                  " FROM IPSets WHERE IPSet_Name = 'Lab'"),
        QStringList({"172.16.0.9|0.0.0.0|0|null"}))
        << "a set saved without choosing a connection has none";
    ASSERT_EQ(frm->IPSetTreeView->topLevelItemCount(), 3);
    EXPECT_EQ(node(2)->child(5)->text(0), "Connection Name:");
    EXPECT_EQ(frm->IPSetT.fieldAsString("IPSet_Name"), "Lab");
}

TEST_F(EditorCommandsTest, CancelAfterAddLeavesTableAndTreeAndTheCurrentSet) {
    clickNode(node(0));
    const bool opened = withEditor([&] { frm->AddNewIPConfigurationSet1->trigger(); },
                                   [&](TFrmAddNewIP& editor) {
                                       QTest::keyClicks(editor.IPNAME, "Dropped");
                                       editor.BitBtn2->click();
                                   });
    ASSERT_TRUE(opened);
    EXPECT_EQ(names(), QStringList({"Home", "Roaming"}));
    EXPECT_EQ(frm->IPSetTreeView->topLevelItemCount(), 2);
    EXPECT_EQ(frm->IPSetT.state(), DataTable::State::Browsing);
    EXPECT_EQ(frm->IPSetT.fieldAsString("IPSet_Name"), "Home")
        << "the set current before Add is current again";
}

struct EditCaption {
    const char* how;
    const char* caption;
};

class EditCaptionTest : public EditorCommandsTest, public ::testing::WithParamInterface<EditCaption> {};

TEST_P(EditCaptionTest, EditTakesTheCaptionOfTheMenuItemUsed) {
    clickNode(node(1), Qt::RightButton);
    frm->AdvPopupMenu1->hide();
    const std::string how = GetParam().how;
    const auto command = [&] {
        if (how == "context menu")
            frm->EditthisIPSet2->trigger();
        else if (how == "main menu")
            frm->EdittheselectedIPset1->trigger();
        else
            QTest::keyClick(frm.get(), Qt::Key_E, Qt::ControlModifier);
    };
    const bool opened = withEditor(command, [&](TFrmAddNewIP& editor) {
        EXPECT_EQ(editor.windowTitle(), GetParam().caption);
        EXPECT_EQ(frm->IPSetT.state(), DataTable::State::Editing);
        EXPECT_EQ(editor.IPNAME->text(), "Roaming");
        EXPECT_TRUE(editor.DHCPCheck->isChecked());
        EXPECT_EQ(editor.IP->text(), "10.1.2.3");
        EXPECT_EQ(editor.GATE->text(), "0.0.0.0") << "an empty stored text shows 0.0.0.0";
        for (IpAddressEdit* entry : {editor.IP, editor.SUB, editor.GATE, editor.DNS})
            EXPECT_FALSE(entry->isEnabled()) << "a DHCP set opens with the four entries disabled";
        editor.DHCPCheck->click();
        EXPECT_TRUE(editor.IP->isEnabled());
        EXPECT_EQ(editor.IP->text(), "10.1.2.3");
    });
    EXPECT_TRUE(opened);
}

INSTANTIATE_TEST_SUITE_P(EveryWay, EditCaptionTest,
                         ::testing::Values(EditCaption{"context menu", "Edit this IP Set"},
                                           EditCaption{"main menu", "Edit the selected IP set"},
                                           EditCaption{"Ctrl+E", "Edit the selected IP set"}));

TEST_F(EditorCommandsTest, OkAfterEditWithoutChangesStoresTheSameValuesAndRebuildsTheTree) {
    clickNode(node(0));
    node(0)->setExpanded(true);
    clickNode(node(0));
    const bool opened = withEditor([&] { frm->EdittheselectedIPset1->trigger(); },
                                   [&](TFrmAddNewIP& editor) { editor.BitBtn1->click(); });
    ASSERT_TRUE(opened);
    EXPECT_EQ(db.column("SELECT IPSet_Name || '|' || IPAddress || '|' || Gateway || '|' || DHCP FROM IPSets"),
              QStringList({"Home|192.168.1.5|192.168.1.1|0", "Roaming|10.1.2.3||1"}));
    EXPECT_FALSE(node(0)->isExpanded()) << "the tree was rebuilt";
}

TEST_F(EditorCommandsTest, EditWithADetailNodeSelectedOpensNothingAndLeavesTheLastSetCurrent) {
    clickNode(node(0));
    node(0)->setExpanded(true);
    clickNode(node(0)->child(0));
    frm->IPSetT.first(); // so that only Edit's own lookup can make the last set current
    const bool opened = withEditor([&] { frm->EdittheselectedIPset1->trigger(); }, [](TFrmAddNewIP&) {});
    EXPECT_FALSE(opened);
    EXPECT_EQ(frm->IPSetT.fieldAsString("IPSet_Name"), "Roaming");
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(EditorCommandsTest, EditWithADetailNodeOpensTheSetNamedExactlyLikeThatLine) {
    db.addIPSet("IP:192.168.1.5", "172.16.1.1", "", "", "", 0, lan);
    start();
    clickNode(node(0));
    node(0)->setExpanded(true);
    clickNode(node(0)->child(0));
    ASSERT_EQ(node(0)->child(0)->text(0), "IP:192.168.1.5");
    QString shown;
    const bool opened = withEditor([&] { frm->EdittheselectedIPset1->trigger(); },
                                   [&](TFrmAddNewIP& editor) { shown = editor.IP->text(); });
    EXPECT_TRUE(opened);
    EXPECT_EQ(shown, "172.16.1.1");
}

TEST_F(EditorCommandsTest, EditWithNothingSelectedOpensNothing) {
    EXPECT_FALSE(withEditor([&] { frm->EdittheselectedIPset1->trigger(); }, [](TFrmAddNewIP&) {}));
}

TEST_F(EditorCommandsTest, ANameTypedBeforeClosingByTheFrameIsStoredByTheNextSettle) {
    const bool opened = withEditor([&] { frm->AddNewIPConfigurationSet1->trigger(); },
                                   [&](TFrmAddNewIP& editor) {
                                       QTest::keyClicks(editor.IPNAME, "Typed");
                                       editor.close();
                                   });
    ASSERT_TRUE(opened);
    EXPECT_EQ(frm->IPSetT.state(), DataTable::State::Inserting) << "the frame neither posts nor cancels";
    EXPECT_EQ(names(), QStringList({"Home", "Roaming"}));

    // The next Add settles it: the name reaches the row, which is stored.
    withEditor([&] { frm->AddNewIPConfigurationSet1->trigger(); }, [](TFrmAddNewIP&) {});
    EXPECT_EQ(names(), QStringList({"Home", "Roaming", "Typed"}));
}

// Ok rebuilds the tree after it has stored the set; when the rebuild cannot succeed
// (here: the file has no Connections table), Ok stores nothing and the row stays
// pending, so that Cancel still drops it.
TEST_F(EditorCommandsTest, OkStoresNothingWhenTheTreeCannotBeRebuiltAndCancelDropsTheSet) {
    ASSERT_TRUE(db.exec("DROP TABLE Connections"));
    start();
    messages.shown.clear();
    bool stayedOpen = false;
    const bool opened = withEditor([&] { QTest::keyClick(frm.get(), Qt::Key_Insert); },
                                   [&](TFrmAddNewIP& editor) {
                                       QTest::keyClicks(editor.IPNAME, "Lab");
                                       editor.BitBtn1->click();
                                       stayedOpen = editor.isVisible();
                                       EXPECT_EQ(names(), QStringList({"Home", "Roaming"}));
                                       EXPECT_EQ(frm->IPSetT.state(), DataTable::State::Inserting);
                                       editor.BitBtn2->click();
                                   });
    ASSERT_TRUE(opened);
    EXPECT_TRUE(stayedOpen);
    EXPECT_EQ(messages.texts(),
              QStringList{"ConnectionsT: Cannot perform this operation on a closed dataset."});
    EXPECT_EQ(names(), QStringList({"Home", "Roaming"}));
    EXPECT_EQ(frm->IPSetT.state(), DataTable::State::Browsing);
    EXPECT_EQ(frm->IPSetT.recordCount(), 2);
}

// The rebuild's first lookup settles a connection that the manager left pending; when
// the store refuses that row, Ok stops before it stores the set.
TEST_F(EditorCommandsTest, OkStoresNothingWhileAPendingConnectionIsRefused) {
    ASSERT_TRUE(db.exec("CREATE TRIGGER refuse_bad BEFORE INSERT ON Connections "
                        "WHEN NEW.ConnectionName = 'bad' BEGIN SELECT RAISE(ABORT, 'refused'); END"));
    frm->ConnectionsT.insert(); // as the manager's Add leaves a row the store refused
    frm->ConnectionsT.setFieldString("ConnectionName", "bad");
    bool stayedOpen = false;
    QStringList okReports;
    const bool opened = withEditor([&] { QTest::keyClick(frm.get(), Qt::Key_Insert); },
                                   [&](TFrmAddNewIP& editor) {
                                       QTest::keyClicks(editor.IPNAME, "Lab");
                                       const qsizetype before = messages.texts().size();
                                       editor.BitBtn1->click();
                                       okReports = messages.texts().mid(before);
                                       stayedOpen = editor.isVisible();
                                       EXPECT_EQ(names(), QStringList({"Home", "Roaming"}));
                                       editor.BitBtn2->click();
                                   });
    ASSERT_TRUE(opened);
    EXPECT_TRUE(stayedOpen);
    EXPECT_EQ(okReports, QStringList{"refused."});
    EXPECT_EQ(names(), QStringList({"Home", "Roaming"}));
    EXPECT_EQ(frm->ConnectionsT.state(), DataTable::State::Inserting) << "the manager's row stays pending";
}

TEST_F(EditorCommandsTest, InsOpensTheEditorAfterASetWhoseConnectionIsNoNumber) {
    db.addIPSet("Damaged", "10.0.0.6", "", "", "", 0, "abc");
    start();
    ASSERT_EQ(frm->IPSetTreeView->topLevelItemCount(), 3);
    const bool opened = withEditor([&] { QTest::keyClick(frm.get(), Qt::Key_Insert); },
                                   [&](TFrmAddNewIP& editor) {
                                       QTest::keyClicks(editor.IPNAME, "Lab");
                                       editor.BitBtn1->click();
                                   });
    EXPECT_TRUE(opened);
    EXPECT_TRUE(messages.shown.empty()) << messages.texts().join("; ").toStdString();
    EXPECT_EQ(names(), QStringList({"Home", "Roaming", "Damaged", "Lab"}));
    EXPECT_EQ(db.column("SELECT Connection FROM IPSets WHERE IPSet_Name = 'Damaged'"), QStringList{"abc"});
}

TEST_F(EditorCommandsTest, OkAfterEditKeepsTheBytesOfANameInAnotherToolsEightBitText) {
    ASSERT_TRUE(db.exec("INSERT INTO IPSets (IPSet_Name, IPAddress, DNS, DHCP, Connection)"
                        " VALUES (CAST(? AS TEXT), '10.0.0.6', '10.0.0.53', 0, ?)",
                        {QByteArray("B\xFCro"), lan}));
    start();
    clickNode(node(2));
    QString shownName;
    const bool opened = withEditor([&] { frm->EdittheselectedIPset1->trigger(); },
                                   [&](TFrmAddNewIP& editor) {
                                       shownName = editor.IPNAME->text();
                                       editor.DNS->setText("10.0.0.54");
                                       editor.BitBtn1->click();
                                   });
    ASSERT_TRUE(opened);
    EXPECT_EQ(shownName, QString::fromUtf8("B\xC3\xBCro"));
    EXPECT_TRUE(messages.shown.empty()) << messages.texts().join("; ").toStdString();
    EXPECT_EQ(db.column("SELECT hex(IPSet_Name) || '|' || DNS FROM IPSets WHERE IPAddress = '10.0.0.6'"),
              QStringList{"42FC726F|10.0.0.54"});
}

TEST(EditorCommandsClosedTable, AddOnAClosedTableReportsAndOpensNoDialog) {
    TempDatabase db;
    QFile::remove(db.path());
    FakeMessageBoxes messages;
    CurrentDirectory here(db.folder());
    TFrmMain frm(TFrmMainProbe::services(messages));
    frm.show();
    messages.shown.clear();
    bool opened = false;
    QTimer::singleShot(0, &frm, [&] { opened = QApplication::activeModalWidget() != nullptr; });
    frm.AddNewIPConfigurationSet1->trigger();
    QApplication::processEvents();
    EXPECT_FALSE(opened);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, "IPSetT: Cannot perform this operation on a closed dataset.");
}

} // namespace
