// The IP set editor driven offscreen with keyboard and mouse over a real database.
// The Add and Edit steps below are the main window's commands in miniature: they
// prepare the dialog exactly as those commands do before showing it.
#include "dialogs/addipset/addipset.h"
#include "tests/fixtures/fakemessageboxes.h"
#include "tests/fixtures/othercopy.h"
#include "tests/widgets/storefixture.h"
#include "widgets/dbedit.h"
#include "widgets/dblookupcombobox.h"
#include "widgets/errorreport.h"
#include "widgets/ipaddressedit.h"

#include <QApplication>
#include <QCheckBox>
#include <QFontMetrics>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

namespace {

using State = DataTable::State;

class AddIPSetTest : public StoreFixture {
protected:
    void SetUp() override {
        StoreFixture::SetUp();
        owner.resize(600, 500);
        owner.show();
    }

    void createDialog() {
        dialog =
            std::make_unique<TFrmAddNewIP>(&owner, ipSets, connectionsDs, errors, [this] { ++treeLoads; });
        dialog->DBLookupComboBox1->setClock(clock.function());
    }

    void showDialog() {
        dialog->show();
        dialog->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(dialog.get()));
    }

    // Add: a new dialog, insert, show.
    void add() {
        createDialog();
        ipSets.insert();
        showDialog();
    }

    // Edit: find the set by name, copy its values into the entries, edit, caption, show.
    void edit(const QString& name) {
        ipSets.first();
        ASSERT_TRUE(ipSets.locate(QStringLiteral("ipset_name"), name));
        createDialog();
        dialog->IP->setText(ipSets.fieldAsString(QStringLiteral("ipaddress")));
        dialog->SUB->setText(ipSets.fieldAsString(QStringLiteral("subnetmask")));
        dialog->GATE->setText(ipSets.fieldAsString(QStringLiteral("gateway")));
        dialog->DNS->setText(ipSets.fieldAsString(QStringLiteral("dns")));
        dialog->DHCPCheck->setChecked(ipSets.fieldAsBoolean(QStringLiteral("dhcp")));
        ipSets.edit();
        dialog->setWindowTitle(QStringLiteral("Edit this IP Set"));
        showDialog();
    }

    void click(QWidget* widget) {
        QTest::mouseClick(widget, Qt::LeftButton, {}, QPoint(5, widget->height() / 2));
    }

    // Keys go where a user's keys go: to the focused control.
    void typeInto(QWidget* control, const QString& keys) {
        control->setFocus(Qt::TabFocusReason);
        for (const QChar key : keys)
            QTest::keyClick(QApplication::focusWidget(), key.toLatin1());
    }

    QWidget owner;
    FakeMessageBoxes boxes;
    ErrorReport errors{boxes};
    ManualClock clock;
    int treeLoads = 0;
    std::unique_ptr<TFrmAddNewIP> dialog;
};

QRect onPage(const TFrmAddNewIP& dialog, const QWidget* control) {
    const QPoint onWindow = control->mapTo(&dialog, QPoint(0, 0));
    return QRect(dialog.TabSheet1->mapFrom(&dialog, onWindow), control->size());
}

TEST_F(AddIPSetTest, HasEveryControlInItsPlace) {
    add();
    const TFrmAddNewIP& d = *dialog;
    EXPECT_EQ(d.windowTitle(), "Add new IP Set");
    EXPECT_EQ(d.size(), QSize(TFrmAddNewIP::ClientWidth, TFrmAddNewIP::ClientHeight));
    EXPECT_TRUE(d.font().bold());
    EXPECT_EQ(d.PageControl1->count(), 1);
    EXPECT_EQ(d.PageControl1->tabText(0), "New IP Set");
    EXPECT_EQ(d.StatusBar->height(), 19);
    EXPECT_EQ(d.StatusBar->geometry().bottom(), d.height() - 1);

    const struct {
        QLabel* label;
        const char* caption;
        QPoint place;
    } labels[] = {{d.Label4, "IP Set Name:", {8, 8}},  {d.Label1, "IP Address:", {8, 32}},
                  {d.Label2, "Subnet Mask:", {8, 56}}, {d.Label3, "Def.Gateway:", {8, 80}},
                  {d.Label5, "DNS:", {8, 104}},        {d.Label6, "Connection :", {8, 132}}};
    for (const auto& label : labels) {
        EXPECT_EQ(label.label->text(), label.caption);
        EXPECT_EQ(onPage(d, label.label).topLeft(), label.place) << label.caption;
        const int inkRight = QFontMetrics(label.label->font()).tightBoundingRect(label.label->text()).right();
        EXPECT_LT(onPage(d, label.label).left() + inkRight, 92) << label.caption << " runs into its entry";
        EXPECT_GE(label.label->width(), label.label->sizeHint().width()) << label.caption << " is clipped";
    }
    EXPECT_EQ(onPage(d, d.IP), QRect(92, 29, 150, 21));
    EXPECT_EQ(onPage(d, d.SUB), QRect(92, 53, 150, 21));
    EXPECT_EQ(onPage(d, d.GATE), QRect(92, 77, 150, 21));
    EXPECT_EQ(onPage(d, d.DNS), QRect(92, 101, 150, 21));
    EXPECT_EQ(onPage(d, d.DBLookupComboBox1), QRect(92, 128, 152, 21));
    EXPECT_EQ(onPage(d, d.DHCPCheck), QRect(8, 184, 177, 17));
    EXPECT_EQ(d.DHCPCheck->text(), "DHCP Enabled");

    // The name field lies on the window, over the page, in line with the entries.
    EXPECT_EQ(d.IPNAME->parentWidget(), dialog.get());
    EXPECT_EQ(onPage(d, d.IPNAME), QRect(92, 5, 150, 21));

    EXPECT_EQ(d.Panel1->height(), 41);
    EXPECT_EQ(onPage(d, d.Panel1).bottom(), d.TabSheet1->height() - 1);
    EXPECT_EQ(d.BitBtn1->geometry(), QRect(8, 8, 75, 25));
    EXPECT_EQ(d.BitBtn2->geometry(), QRect(192, 8, 75, 25));
    EXPECT_EQ(d.BitBtn1->text(), "Ok");
    EXPECT_EQ(d.BitBtn2->text(), "Cancel");
    for (const QPushButton* button : {d.BitBtn1, d.BitBtn2}) {
        EXPECT_FALSE(button->isDefault());
        EXPECT_FALSE(button->autoDefault());
    }
    // Nothing overlaps the button panel.
    EXPECT_LT(onPage(d, d.DHCPCheck).bottom(), onPage(d, d.Panel1).top());
}

TEST_F(AddIPSetTest, AddOpensOnAnEmptyRow) {
    add();
    EXPECT_EQ(ipSets.state(), State::Inserting);
    EXPECT_EQ(dialog->IPNAME->text(), "");
    EXPECT_FALSE(dialog->IPNAME->isReadOnly());
    EXPECT_EQ(dialog->DBLookupComboBox1->currentText(), "");
    for (const IpAddressEdit* entry : {dialog->IP, dialog->SUB, dialog->GATE, dialog->DNS}) {
        EXPECT_EQ(entry->text(), "0.0.0.0");
        EXPECT_TRUE(entry->isEnabled());
    }
    EXPECT_FALSE(dialog->DHCPCheck->isChecked());
}

TEST_F(AddIPSetTest, ItIsCentredOverItsOwnerAndResizable) {
    add();
    EXPECT_EQ(dialog->parentWidget(), &owner);
    EXPECT_LE((dialog->geometry().center() - owner.geometry().center()).manhattanLength(), 2);
    dialog->resize(400, 420);
    EXPECT_EQ(dialog->size(), QSize(400, 420));
    EXPECT_EQ(onPage(*dialog, dialog->Panel1).bottom(), dialog->TabSheet1->height() - 1);
    EXPECT_EQ(dialog->Panel1->width(), dialog->TabSheet1->width());
}

TEST_F(AddIPSetTest, CannotBeShrunkUntilAControlIsCoveredOrCutOff) {
    add();
    dialog->resize(60, 60);
    QApplication::processEvents();
    const TFrmAddNewIP& d = *dialog;
    const QRect page = d.TabSheet1->rect();
    const QRect panel = onPage(d, d.Panel1);
    EXPECT_EQ(panel.bottom(), page.bottom()) << "the buttons keep to the page's bottom";
    const QWidget* fields[] = {d.Label4,   d.IPNAME, d.Label1, d.IP,  d.Label2, d.SUB,
                               d.Label3,   d.GATE,   d.Label5, d.DNS, d.Label6, d.DBLookupComboBox1,
                               d.DHCPCheck};
    for (const QWidget* field : fields) {
        EXPECT_TRUE(page.contains(onPage(d, field))) << field->metaObject()->className();
        EXPECT_LT(onPage(d, field).bottom(), panel.top())
            << field->metaObject()->className() << " under the buttons";
    }
    for (const QPushButton* button : {d.BitBtn1, d.BitBtn2}) {
        EXPECT_TRUE(panel.contains(onPage(d, button))) << button->text().toStdString();
        const QRect onWindow(button->mapTo(&d, QPoint(0, 0)), button->size());
        EXPECT_TRUE(d.rect().contains(onWindow)) << button->text().toStdString() << " cut off";
    }
    EXPECT_TRUE(d.rect().contains(d.PageControl1->geometry()));
    EXPECT_LE(d.PageControl1->geometry().bottom(), d.StatusBar->geometry().top());

    dialog->resize(TFrmAddNewIP::ClientWidth, TFrmAddNewIP::ClientHeight);
    EXPECT_EQ(dialog->size(), QSize(TFrmAddNewIP::ClientWidth, TFrmAddNewIP::ClientHeight))
        << "its own size is within the minimum";
}

TEST_F(AddIPSetTest, AddThenOkStoresEverythingTyped) {
    add();
    typeInto(dialog->IPNAME, QStringLiteral("Lab"));
    typeInto(dialog->IP, QStringLiteral("172.16.0.10"));
    typeInto(dialog->SUB, QStringLiteral("255.255.0.0"));
    typeInto(dialog->GATE, QStringLiteral("172.16.300")); // 300 shows and stores 255
    typeInto(dialog->DNS, QStringLiteral("1.1.1.1"));
    typeInto(dialog->DBLookupComboBox1, QStringLiteral("vp"));
    EXPECT_EQ(dialog->DBLookupComboBox1->currentText(), "VPN");
    click(dialog->BitBtn1);

    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_EQ(treeLoads, 1);
    EXPECT_EQ(ipSets.state(), State::Browsing);
    EXPECT_EQ(stored("IPSet_Name"), QStringList({"Office", "Home", "Lab"}));
    EXPECT_EQ(stored("IPAddress").value(2), "172.16.0.10");
    EXPECT_EQ(stored("SubnetMask").value(2), "255.255.0.0");
    EXPECT_EQ(stored("Gateway").value(2), "172.16.255.0");
    EXPECT_EQ(stored("DNS").value(2), "1.1.1.1");
    EXPECT_EQ(stored("DHCP").value(2), "0");
    EXPECT_EQ(stored("Connection").value(2), "3");
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(AddIPSetTest, AddressEntriesTakeDotsBackspaceAndClampAboveTwoFiftyFive) {
    add();
    typeInto(dialog->IP, QStringLiteral("10.259.3"));
    EXPECT_EQ(dialog->IP->text(), "10.255.3.0");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backspace);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backspace); // back into "255"
    EXPECT_EQ(dialog->IP->text(), "10.25.0.0");
    typeInto(dialog->IP, QStringLiteral("1.2.3.4"));
    EXPECT_EQ(dialog->IP->text(), "1.2.3.4");
}

TEST_F(AddIPSetTest, DhcpBoxDisablesAndEnablesTheFourEntries) {
    add();
    typeInto(dialog->IP, QStringLiteral("10.1.1.1"));
    click(dialog->DHCPCheck); // anywhere on it, the caption included
    ASSERT_TRUE(dialog->DHCPCheck->isChecked());
    for (const IpAddressEdit* entry : {dialog->IP, dialog->SUB, dialog->GATE, dialog->DNS})
        EXPECT_FALSE(entry->isEnabled());
    EXPECT_EQ(dialog->IP->text(), "10.1.1.1");
    click(dialog->DHCPCheck);
    for (const IpAddressEdit* entry : {dialog->IP, dialog->SUB, dialog->GATE, dialog->DNS})
        EXPECT_TRUE(entry->isEnabled());

    click(dialog->DHCPCheck);
    click(dialog->BitBtn1); // a DHCP set stores the texts its disabled entries show
    EXPECT_EQ(stored("DHCP").value(2), "1");
    EXPECT_EQ(stored("IPAddress").value(2), "10.1.1.1");
    EXPECT_EQ(stored("SubnetMask").value(2), "0.0.0.0");
}

TEST_F(AddIPSetTest, AddThenCancelLeavesTableAndTreeAsTheyWere) {
    ipSets.first();
    ipSets.next(); // Home is current
    add();
    typeInto(dialog->IPNAME, QStringLiteral("Dropped"));
    typeInto(dialog->DBLookupComboBox1, QStringLiteral("l"));
    click(dialog->BitBtn2);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(ipSets.state(), State::Browsing);
    EXPECT_EQ(ipSets.recordCount(), 2);
    EXPECT_EQ(ipSets.fieldAsString(QStringLiteral("IPSet_Name")), "Home");
    EXPECT_EQ(stored("IPSet_Name"), QStringList({"Office", "Home"}));
    EXPECT_EQ(treeLoads, 0);
}

TEST_F(AddIPSetTest, EditOpensWithTheStoredValues) {
    edit(QStringLiteral("Home")); // a DHCP set
    EXPECT_EQ(ipSets.state(), State::Editing);
    EXPECT_EQ(dialog->windowTitle(), "Edit this IP Set");
    EXPECT_EQ(dialog->IPNAME->text(), "Home");
    EXPECT_EQ(dialog->IP->text(), "192.168.1.7");
    EXPECT_EQ(dialog->DBLookupComboBox1->currentText(), "Wireless Network Connection");
    EXPECT_TRUE(dialog->DHCPCheck->isChecked());
    for (const IpAddressEdit* entry : {dialog->IP, dialog->SUB, dialog->GATE, dialog->DNS})
        EXPECT_FALSE(entry->isEnabled());
    click(dialog->DHCPCheck);
    EXPECT_TRUE(dialog->IP->isEnabled());
    EXPECT_EQ(dialog->IP->text(), "192.168.1.7");
}

TEST_F(AddIPSetTest, OkWithoutChangesStoresTheSameValuesAndRebuildsTheTree) {
    edit(QStringLiteral("Office"));
    const QString everyField = QStringLiteral("SELECT quote(IPSet_Name) || quote(IPAddress) || "
                                              "quote(SubnetMask) || quote(Gateway) || quote(DNS) || "
                                              "quote(DHCP) || quote(Connection) FROM IPSets ORDER BY rowid");
    const QStringList before = file.column(everyField);
    click(dialog->BitBtn1);
    EXPECT_EQ(file.column(everyField), before);
    EXPECT_EQ(stored("IPAddress").value(0), "10.0.0.5");
    EXPECT_EQ(stored("Connection").value(0), "1");
    EXPECT_EQ(treeLoads, 1);
    EXPECT_EQ(ipSets.state(), State::Browsing);
}

TEST_F(AddIPSetTest, AnEmptyStoredAddressIsStoredAsZeros) {
    file.exec(QStringLiteral("UPDATE IPSets SET Gateway = '' WHERE IPSet_Name = 'Office'"));
    ipSets.close();
    ipSets.open();
    edit(QStringLiteral("Office"));
    EXPECT_EQ(dialog->GATE->text(), "0.0.0.0");
    click(dialog->BitBtn1);
    EXPECT_EQ(stored("Gateway").value(0), "0.0.0.0");
}

TEST_F(AddIPSetTest, EditingTheNameAndConnection) {
    edit(QStringLiteral("Office"));
    typeInto(dialog->IPNAME, QStringLiteral("Main")); // Tab focus selects the old name
    QTest::keyClick(dialog->DBLookupComboBox1, Qt::Key_Down);
    click(dialog->BitBtn1);
    EXPECT_EQ(stored("IPSet_Name"), QStringList({"Main", "Home"}));
    EXPECT_EQ(stored("Connection").value(0), "2");
}

TEST_F(AddIPSetTest, CancelAfterEditKeepsTheStoredValuesAndTheCurrentSet) {
    edit(QStringLiteral("Office"));
    typeInto(dialog->IPNAME, QStringLiteral("Renamed"));
    QTest::keyClick(dialog->DBLookupComboBox1, Qt::Key_Down);
    ASSERT_EQ(ipSets.fieldAsInteger(QStringLiteral("Connection")), 2);
    click(dialog->BitBtn2);
    EXPECT_EQ(ipSets.state(), State::Browsing);
    EXPECT_EQ(ipSets.fieldAsString(QStringLiteral("IPSet_Name")), "Office");
    EXPECT_EQ(ipSets.fieldAsInteger(QStringLiteral("Connection")), 1);
    EXPECT_EQ(dialog->IPNAME->text(), "Office");
    EXPECT_EQ(dialog->DBLookupComboBox1->currentText(), "LAN");
    EXPECT_EQ(stored("IPSet_Name"), QStringList({"Office", "Home"}));
    EXPECT_EQ(stored("Connection").value(0), "1");
    EXPECT_EQ(treeLoads, 0);
}

TEST_F(AddIPSetTest, ASetSavedWithoutAConnectionHasNoConnection) {
    add();
    typeInto(dialog->IPNAME, QStringLiteral("Loose"));
    click(dialog->BitBtn1);
    EXPECT_EQ(file.column(QStringLiteral("SELECT Connection IS NULL FROM IPSets WHERE IPSet_Name = 'Loose'")),
              QStringList({"1"}));
    EXPECT_EQ(ipSets.fieldAsInteger(QStringLiteral("Connection")), 0);
}

TEST_F(AddIPSetTest, ARefusedPostIsReportedAndTheDialogStaysOpen) {
    ASSERT_TRUE(
        file.exec(QStringLiteral("CREATE TRIGGER refuse BEFORE INSERT ON IPSets WHEN NEW.IPSet_Name = "
                                 "'Bad' BEGIN SELECT RAISE(ABORT, 'The name Bad is refused'); END")));
    add();
    typeInto(dialog->IPNAME, QStringLiteral("Bad"));
    typeInto(dialog->IP, QStringLiteral("10.9.9.9"));
    click(dialog->BitBtn1);

    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_TRUE(boxes.shown[0].text.contains(QStringLiteral("The name Bad is refused")));
    EXPECT_EQ(boxes.shown[0].flags, Mb::OK | Mb::ICONHAND);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(ipSets.state(), State::Inserting);
    EXPECT_EQ(treeLoads, 0);
    EXPECT_EQ(dialog->IPNAME->text(), "Bad");
    EXPECT_EQ(dialog->IP->text(), "10.9.9.9");

    typeInto(dialog->IPNAME, QStringLiteral("Good"));
    click(dialog->BitBtn1); // Ok again
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(stored("IPSet_Name"), QStringList({"Office", "Home", "Good"}));
    EXPECT_EQ(stored("IPAddress").value(2), "10.9.9.9");
}

TEST_F(AddIPSetTest, ARefusedPostThenCancelDropsTheRow) {
    ASSERT_TRUE(file.exec(QStringLiteral(
        "CREATE TRIGGER refuse BEFORE INSERT ON IPSets BEGIN SELECT RAISE(ABORT, 'refused'); END")));
    add();
    typeInto(dialog->IPNAME, QStringLiteral("Any"));
    click(dialog->BitBtn1);
    EXPECT_TRUE(dialog->isVisible());
    click(dialog->BitBtn2);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(ipSets.state(), State::Browsing);
    EXPECT_EQ(ipSets.recordCount(), 2);
}

TEST_F(AddIPSetTest, EscapeAndEnterPressNoButton) {
    add();
    typeInto(dialog->IPNAME, QStringLiteral("Kept"));
    QTest::keyClick(dialog->IPNAME, Qt::Key_Return);
    QTest::keyClick(dialog->IPNAME, Qt::Key_Escape);
    QTest::keyClick(dialog->DHCPCheck, Qt::Key_Escape);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(ipSets.state(), State::Inserting);
    EXPECT_EQ(treeLoads, 0);
    // Enter on a focused button presses that button.
    dialog->BitBtn1->setFocus(Qt::TabFocusReason);
    QTest::keyClick(dialog->BitBtn1, Qt::Key_Return);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(stored("IPSet_Name").value(2), "Kept");
}

struct FrameCloseCase {
    const char* name;
    bool typeName;
    bool chooseConnection;
    int rowsAfterSettle;
};

class FrameClose : public AddIPSetTest, public ::testing::WithParamInterface<FrameCloseCase> {};

TEST_P(FrameClose, LeavesTheRowPendingForTheNextSettle) {
    add();
    if (GetParam().typeName)
        typeInto(dialog->IPNAME, QStringLiteral("Unfinished"));
    if (GetParam().chooseConnection)
        typeInto(dialog->DBLookupComboBox1, QStringLiteral("v"));
    typeInto(dialog->IP, QStringLiteral("10.7.7.7")); // entries never reach the row this way
    dialog->close();                                  // the frame's close box

    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(ipSets.state(), State::Inserting);
    EXPECT_EQ(treeLoads, 0);
    EXPECT_EQ(stored("IPSet_Name").size(), 2);

    ipSets.first(); // settles
    EXPECT_EQ(ipSets.state(), State::Browsing);
    EXPECT_EQ(ipSets.recordCount(), GetParam().rowsAfterSettle);
    EXPECT_EQ(stored("IPSet_Name").size(), GetParam().rowsAfterSettle);
    if (GetParam().rowsAfterSettle == 3) {
        EXPECT_EQ(stored("IPSet_Name").value(2), GetParam().typeName ? "Unfinished" : "");
        EXPECT_EQ(stored("IPAddress").value(2), "");
        EXPECT_EQ(stored("Connection").value(2), GetParam().chooseConnection ? "3" : "");
    }
}

INSTANTIATE_TEST_SUITE_P(Changes, FrameClose,
                         ::testing::Values(FrameCloseCase{"Name", true, false, 3},
                                           FrameCloseCase{"Connection", false, true, 3},
                                           FrameCloseCase{"Nothing", false, false, 2}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(AddIPSetTest, TheConnectionListsTypedSearchResetsAfterTwoSeconds) {
    add();
    DbLookupComboBox* list = dialog->DBLookupComboBox1;
    typeInto(list, QStringLiteral("wz")); // z matches nothing and is dropped
    EXPECT_EQ(list->currentText(), "Wireless Network Connection");
    EXPECT_EQ(list->searchText(), "w");
    clock.now += 1500;
    typeInto(list, QStringLiteral("v")); // "wv": no match
    EXPECT_EQ(list->currentText(), "Wireless Network Connection");
    clock.now += 2001;
    typeInto(list, QStringLiteral("v"));
    EXPECT_EQ(list->currentText(), "VPN");
    EXPECT_EQ(ipSets.fieldAsInteger(QStringLiteral("Connection")), 3);
}

// --- another copy of the program on the same file ---------------------------------------

// Copy A is a second connection with its own table object; the fixture's tables are
// copy B, the one whose editor the user drives.
class TwoCopiesEditorTest : public AddIPSetTest {
protected:
    void aChangesOfficesDns() { copyA.changeDns(QStringLiteral("Office"), QStringLiteral("9.9.9.9")); }
    void aDeletesOffice() { copyA.remove(QStringLiteral("Office")); }

    // Edit Office, type a new name, close the editor by its frame.
    void renameOfficeAndCloseByTheFrame() {
        edit(QStringLiteral("Office"));
        typeInto(dialog->IPNAME, QStringLiteral("Office B"));
        dialog->close();
        ASSERT_EQ(ipSets.state(), State::Editing);
    }

    // The Add command: the editor closed by its frame lives until the insert has settled.
    void addKeepingThePreviousEditor() {
        std::unique_ptr<TFrmAddNewIP> previous = std::move(dialog);
        createDialog();
        ipSets.insert();
        previous.reset();
        showDialog();
    }

    OtherCopy copyA{file.path()};
};

TEST_F(TwoCopiesEditorTest, OkOverAChangeIsReportedThenOkAgainStoresTheUsersValues) {
    edit(QStringLiteral("Office"));
    aChangesOfficesDns();
    typeInto(dialog->IPNAME, QStringLiteral("Office B"));
    click(dialog->BitBtn1);

    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(
        boxes.shown[0].text,
        QStringLiteral("IPSetT: \"Office\" was changed by another program after it was read here, so your "
                       "changes were not stored. Press Ok again to store them over that change, or Cancel "
                       "to keep it."));
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(dialog->IPNAME->text(), QStringLiteral("Office B"));
    EXPECT_EQ(stored("DNS").value(0), QStringLiteral("9.9.9.9")) << "the other copy's change is kept";
    EXPECT_EQ(treeLoads, 0);

    click(dialog->BitBtn1); // Ok again: knowingly
    EXPECT_EQ(boxes.shown.size(), 1u);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(stored("IPSet_Name").value(0), QStringLiteral("Office B"));
    EXPECT_EQ(stored("DNS").value(0), QStringLiteral("10.0.0.2"))
        << "the editor's values, as the user saw them";
    EXPECT_EQ(treeLoads, 1);
}

TEST_F(TwoCopiesEditorTest, CancelAfterTheReportKeepsTheOtherCopysChange) {
    edit(QStringLiteral("Office"));
    aChangesOfficesDns();
    typeInto(dialog->IPNAME, QStringLiteral("Office B"));
    click(dialog->BitBtn1);
    ASSERT_EQ(boxes.shown.size(), 1u);
    click(dialog->BitBtn2);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(ipSets.state(), State::Browsing);
    EXPECT_EQ(ipSets.fieldAsString(QStringLiteral("IPSet_Name")), QStringLiteral("Office"));
    EXPECT_EQ(ipSets.fieldAsString(QStringLiteral("DNS")), QStringLiteral("9.9.9.9"));
    EXPECT_EQ(stored("IPSet_Name"), QStringList({"Office", "Home"}));
    ipSets.remove(); // a later Delete acts on the stored row
    EXPECT_EQ(stored("IPSet_Name"), QStringList({"Home"}));
}

TEST_F(TwoCopiesEditorTest, OkOnASetTheOtherCopyDeletedCanStoreItAgain) {
    edit(QStringLiteral("Office"));
    aDeletesOffice();
    typeInto(dialog->IPNAME, QStringLiteral("Office B"));
    click(dialog->BitBtn1);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_TRUE(boxes.shown[0].text.contains(QStringLiteral("was deleted by another program")));
    EXPECT_TRUE(dialog->isVisible());
    click(dialog->BitBtn1);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(stored("IPSet_Name"), QStringList({"Home", "Office B"}));
    EXPECT_EQ(stored("IPAddress").value(1), QStringLiteral("10.0.0.5"));
}

TEST_F(TwoCopiesEditorTest, AFrameClosedEditOverAChangeIsReportedOnceAndAddGoesOn) {
    renameOfficeAndCloseByTheFrame();
    aChangesOfficesDns();
    addKeepingThePreviousEditor();

    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(
        boxes.shown[0].text,
        QStringLiteral("IPSetT: \"Office\" was changed by another program after it was read here, so your "
                       "changes were not stored (your values: IPSet_Name \"Office B\"). It now shows as "
                       "stored there; edit it again to make your changes."));
    EXPECT_EQ(ipSets.state(), State::Inserting) << "the Add went on";
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(ipSets.textAt(0, ipSets.fieldIndex(QStringLiteral("DNS"))), QStringLiteral("9.9.9.9"));
    click(dialog->BitBtn2);

    // Every later command works on the stored row, and nothing more is reported.
    edit(QStringLiteral("Office"));
    EXPECT_EQ(dialog->DNS->text(), QStringLiteral("9.9.9.9"));
    typeInto(dialog->IPNAME, QStringLiteral("Office B"));
    click(dialog->BitBtn1);
    EXPECT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(stored("IPSet_Name"), QStringList({"Office B", "Home"}));
    EXPECT_EQ(stored("DNS").value(0), QStringLiteral("9.9.9.9"));
}

TEST_F(TwoCopiesEditorTest, AFrameClosedEditOfADeletedSetIsReportedAndTheSetDisappears) {
    renameOfficeAndCloseByTheFrame();
    aDeletesOffice();
    ipSets.first(); // the tree's next load, a click or any other command settles

    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_TRUE(boxes.shown[0].text.contains(QStringLiteral("\"Office\" was deleted by another program")));
    EXPECT_TRUE(boxes.shown[0].text.contains(QStringLiteral("IPSet_Name \"Office B\"")));
    EXPECT_EQ(ipSets.state(), State::Browsing);
    EXPECT_EQ(ipSets.recordCount(), 1);
    EXPECT_EQ(ipSets.fieldAsString(QStringLiteral("IPSet_Name")), QStringLiteral("Home"));
    ipSets.insert();
    EXPECT_EQ(ipSets.state(), State::Inserting);
    EXPECT_EQ(boxes.shown.size(), 1u);
}

} // namespace
