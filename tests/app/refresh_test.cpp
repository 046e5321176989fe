// The current configuration list: five rows per adapter, refreshed by Ctrl+R and at
// the first showing, with a fake adapter source.
#include "app/frmmain.h"
#include "tests/app/frmmainprobe.h"
#include "tests/fixtures/fakemessageboxes.h"
#include "tests/fixtures/tempdatabase.h"
#include "tests/net/snapshot_fakesource.h"
#include "widgets/treeview.h"

#include <QTest>
#include <QTreeWidget>
#include <gtest/gtest.h>

namespace {

AdapterFacts ethernet() {
    AdapterFacts a;
    a.Name = "eth0";
    a.Description = "e1000 Ethernet";
    a.HardwareAddress = {0x00, 0x0C, 0x29, 0xAB, 0xCD, 0xEF};
    a.Index = 2;
    a.Type = 6;
    a.DhcpEnabled = false;
    a.Addresses = {{"192.168.0.5", "255.255.255.0"}, {"10.1.1.1", "255.0.0.0"}};
    a.Gateways = {{"192.168.0.1", "0.0.0.0"}};
    return a;
}

AdapterFacts wireless() {
    AdapterFacts a;
    a.Name = "wlan0";
    a.Description = "iwlwifi wireless";
    a.Index = 3;
    a.Type = 71;
    a.DhcpEnabled = true;
    a.Addresses = {{"10.0.0.7", "255.255.255.0"}};
    return a; // no gateway: an empty head entry
}

class RefreshTest : public ::testing::Test {
protected:
    void start() {
        CurrentDirectory here(db.folder());
        MainWindowServices services = TFrmMainProbe::services(messages);
        services.adapters = source;
        frm = std::make_unique<TFrmMain>(services);
        frm->show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(frm.get()));
    }
    QList<QStringList> rows() {
        QList<QStringList> all;
        for (int i = 0; i < frm->IPListView->topLevelItemCount(); ++i)
            all << QStringList{frm->IPListView->topLevelItem(i)->text(0),
                               frm->IPListView->topLevelItem(i)->text(1)};
        return all;
    }

    TempDatabase db;
    FakeMessageBoxes messages;
    std::shared_ptr<FakeAdapterSource> source = std::make_shared<FakeAdapterSource>();
    std::unique_ptr<TFrmMain> frm;
};

const QList<QStringList> TwoAdapters = {
    {"Adapter ID", "eth0"},
    {"Description", "e1000 Ethernet"},
    {"Current IP", "192.168.0.5/255.255.255.010.1.1.1/255.0.0.0"},
    {"Default Gateway", "192.168.0.1/0.0.0.0"},
    {"DHCP Enabled", "False"},
    {"Adapter ID", "wlan0"},
    {"Description", "iwlwifi wireless"},
    {"Current IP", "10.0.0.7/255.255.255.0"},
    {"Default Gateway", ""},
    {"DHCP Enabled", "True"},
};

TEST_F(RefreshTest, FirstShowingListsFiveRowsPerAdapter) {
    source->Adapters = {ethernet(), wireless()};
    start();
    EXPECT_EQ(rows(), TwoAdapters);
    ASSERT_NE(frm->AdapterInfo, nullptr);
    EXPECT_EQ(frm->AdapterInfo->AdapterCount(), 2);
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(RefreshTest, CtrlRRefreshesWithANewSnapshotInsteadOfAddingRows) {
    source->Adapters = {ethernet(), wireless()};
    start();
    const TIPInfo* first = frm->AdapterInfo.get();
    source->Adapters = {wireless()};
    QTest::keyClick(frm.get(), Qt::Key_R, Qt::ControlModifier);
    EXPECT_EQ(rows(), TwoAdapters.mid(5));
    EXPECT_NE(frm->AdapterInfo.get(), first);
    EXPECT_EQ(frm->AdapterInfo->AdapterCount(), 1);

    frm->RefreshCurrentConfiguration1->trigger();
    EXPECT_EQ(rows().size(), 5) << "refreshing twice leaves the same rows, not twice as many";
}

TEST_F(RefreshTest, NoAdaptersLeaveTheListEmpty) {
    start();
    EXPECT_TRUE(rows().isEmpty());
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(RefreshTest, FailedRefreshByCommandEmptiesTheListReportsAndKeepsTheSnapshot) {
    source->Adapters = {ethernet()};
    start();
    const TIPInfo* held = frm->AdapterInfo.get();
    source->Failures = {2};
    QTest::keyClick(frm.get(), Qt::Key_R, Qt::ControlModifier);
    EXPECT_TRUE(rows().isEmpty());
    EXPECT_EQ(frm->AdapterInfo.get(), held);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_TRUE(messages.shown[0].text.startsWith("System Error.  Code: 2.\r\n"))
        << messages.shown[0].text.toStdString();
    EXPECT_EQ(messages.shown[0].flags, Mb::OK | Mb::ICONHAND);

    QTest::keyClick(frm.get(), Qt::Key_R, Qt::ControlModifier);
    EXPECT_EQ(rows().size(), 5) << "a later refresh fills the list again";
}

TEST_F(RefreshTest, FailedSnapshotAtTheFirstShowingLeavesListAndTreeEmpty) {
    db.addIPSet("Home", "1.1.1.1", "", "", "", 0, 0);
    source->Failures = {2};
    start();
    EXPECT_TRUE(frm->isVisible());
    EXPECT_EQ(messages.shown.size(), 1u);
    EXPECT_TRUE(rows().isEmpty());
    EXPECT_EQ(frm->AdapterInfo, nullptr);
    EXPECT_EQ(frm->IPSetTreeView->topLevelItemCount(), 0) << "the showing ends at the failed refresh";

    frm->RefreshCurrentConfiguration1->trigger();
    EXPECT_EQ(rows().size(), 0);
    EXPECT_EQ(messages.shown.size(), 1u);
}

} // namespace
