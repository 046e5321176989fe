// Activate: the administrator warning, the IP change job started from the window, the
// progress indicator, and the two command lines as a stand-in netsh receives them.
#include "app/frmmain.h"
#include "net/process.h"
#include "tests/app/frmmainprobe.h"
#include "tests/fixtures/fakemessageboxes.h"
#include "tests/fixtures/tempdatabase.h"
#include "tests/net/snapshot_fakesource.h"
#include "widgets/busyanimation.h"
#include "widgets/treeview.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>
#include <atomic>
#include <gtest/gtest.h>

namespace {

const QString AdminWarning =
    "You do not have Administrator rights.\rYou may not be able to change the Ip settings\r"
    "Do you want to try it anyway?";
const QString MissingConnection =
    "You did not set a valid Connection Name for the IP Set Or the record was not found.\r"
    "Please go to IP Sets and enter a valid Connection Name.";

// A netsh that notes its start, waits while a gate file is there, records its
// arguments (one call a line, arguments between '|'), and exits with the code in its exit file (0 when none).
const char* FakeNetsh = R"SH(#!/bin/sh
here=$(dirname "$0")
line=""
for a in "$@"; do line="$line|$a"; done
echo "$line" >> "$here/started"
while [ -e "$here/hold" ]; do sleep 0.02; done
printf '%s\n' "$line" >> "$here/calls"
[ -e "$here/exitcode" ] && exit "$(cat "$here/exitcode")"
exit 0
)SH";

class ActivateTest : public ::testing::Test {
protected:
    void SetUp() override { lan = db.addConnection("LAN 1"); }
    void start() {
        CurrentDirectory here(db.folder());
        MainWindowServices services = TFrmMainProbe::jobServices(messages, bin, pauses);
        services.isAdmin = [this] { return admin; };
        frm = std::make_unique<TFrmMain>(services);
        frm->show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(frm.get()));
    }
    void clickNode(QTreeWidgetItem* item) {
        QTreeWidget* tree = frm->IPSetTreeView;
        QTest::mouseClick(frm->windowHandle(), Qt::LeftButton, Qt::NoModifier,
                          tree->viewport()->mapTo(frm.get(), tree->visualItemRect(item).center()));
    }
    bool jobsDone(int lines) {
        return QTest::qWaitFor([&] { return pauses >= lines && !frm->Label1->isVisible(); }, 10000);
    }
    int startedLines() {
        QFile file(bin.filePath("started"));
        return file.open(QIODevice::ReadOnly) ? file.readAll().count('\n') : 0;
    }
    QStringList calls() {
        QFile file(bin.filePath("calls"));
        if (!file.open(QIODevice::ReadOnly))
            return {};
        return QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts);
    }
    void touch(const QString& name, const QByteArray& content = {}) {
        QFile file(bin.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
    }

    NetshFolder bin{FakeNetsh};
    TempDatabase db;
    FakeMessageBoxes messages;
    bool admin = true;
    std::atomic<int> pauses{0};
    qint64 lan = 0;
    std::unique_ptr<TFrmMain> frm;
};

TEST_F(ActivateTest, AdministratorActivatesTheCurrentStaticSetWithoutAQuestion) {
    db.addIPSet("Office", "10.0.0.5", "255.255.255.0", "10.0.0.1", "10.0.0.2", 0, lan);
    db.addIPSet("Other", "10.9.9.9", "255.0.0.0", "10.9.9.1", "10.9.9.2", 0, lan);
    start();
    clickNode(frm->IPSetTreeView->topLevelItem(0));
    QTest::keyClick(frm.get(), Qt::Key_A, Qt::ControlModifier);
    ASSERT_TRUE(jobsDone(2));

    EXPECT_EQ(calls(),
              QStringList({"|interface|ip|set|address|LAN 1|static|10.0.0.5|255.255.255.0|10.0.0.1|1",
                           "|interface|ip|set|dns|LAN 1|static|10.0.0.2|primary"}));
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_FALSE(frm->Animate1->isVisible());
    EXPECT_FALSE(frm->Animate1->isPlaying());
    EXPECT_EQ(frm->Label1->text(), "IP Settings Succecsfully changed...Posting data please wait...");
}

TEST_F(ActivateTest, DhcpSetSendsTheDhcpLines) {
    db.addIPSet("Roaming", "10.0.0.5", "255.255.255.0", "10.0.0.1", "10.0.0.2", 1, lan);
    start();
    frm->ActivatetheselectedIPSet1->trigger();
    ASSERT_TRUE(jobsDone(2));
    EXPECT_EQ(calls(),
              QStringList({"|interface|ip|set|address|LAN 1|dhcp", "|interface|ip|set|dns|LAN 1|dhcp"}));
}

TEST_F(ActivateTest, NonAdministratorWhoAnswersNoStartsNothing) {
    db.addIPSet("Office", "10.0.0.5", "255.255.255.0", "10.0.0.1", "10.0.0.2", 0, lan);
    admin = false;
    start();
    messages.answerNext(Id::NO);
    frm->ActivatethisIPSet2->trigger();
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, AdminWarning);
    EXPECT_EQ(messages.shown[0].flags, 0x34u);
    EXPECT_EQ(messages.shown[0].owner, frm.get());
    QTest::qWait(200);
    EXPECT_TRUE(calls().isEmpty());
    EXPECT_FALSE(frm->Label1->isVisible());
    EXPECT_EQ(frm->Label1->text(), "Test");
}

TEST_F(ActivateTest, NonAdministratorWhoAnswersYesGoesOn) {
    db.addIPSet("Office", "10.0.0.5", "255.255.255.0", "10.0.0.1", "10.0.0.2", 0, lan);
    admin = false;
    start();
    messages.answerNext(Id::YES);
    frm->ActivatetheselectedIPSet1->trigger();
    ASSERT_TRUE(jobsDone(2));
    EXPECT_EQ(calls().size(), 2);
}

TEST_F(ActivateTest, SetWithoutAConnectionGivesTheMissingConnectionWarningAndRunsNothing) {
    db.addIPSet("Lost", "10.0.0.5", "255.255.255.0", "10.0.0.1", "10.0.0.2", 0, 4242);
    start();
    frm->ActivatetheselectedIPSet1->trigger();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !messages.shown.empty(); }, 5000));
    EXPECT_EQ(messages.shown[0].text, MissingConnection);
    EXPECT_EQ(messages.shown[0].flags, 0x30u);
    EXPECT_EQ(messages.shown[0].owner, frm.get());
    QTest::qWait(100);
    EXPECT_TRUE(calls().isEmpty());
    EXPECT_FALSE(frm->Label1->isVisible());
    EXPECT_EQ(pauses, 0);
}

TEST_F(ActivateTest, FailingNetshIsReportedInsteadOfSuccess) {
    db.addIPSet("Office", "10.0.0.5", "255.255.255.0", "10.0.0.1", "10.0.0.2", 0, lan);
    touch("exitcode", "1");
    start();
    frm->ActivatetheselectedIPSet1->trigger();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !messages.shown.empty(); }, 10000));
    EXPECT_EQ(messages.shown[0].text,
              "The IP Set was not applied completely.\rAddress settings: netsh ended with "
              "code 1\rDNS settings: netsh ended with code 1");
    EXPECT_EQ(messages.shown[0].flags, Mb::OK | Mb::ICONWARNING);
    EXPECT_EQ(frm->Label1->text(), "Changing IP settings failed: netsh ended with code 1.");
    EXPECT_FALSE(frm->Label1->isVisible());
}

TEST_F(ActivateTest, AfterAClickOnADetailNodeTheLastSetIsApplied) {
    db.addIPSet("First", "10.0.0.1", "255.0.0.0", "10.0.0.254", "10.0.0.253", 0, lan);
    db.addIPSet("Last", "10.0.0.2", "255.0.0.0", "10.0.0.254", "10.0.0.253", 0, lan);
    start();
    QTreeWidgetItem* first = frm->IPSetTreeView->topLevelItem(0);
    clickNode(first);
    first->setExpanded(true);
    clickNode(first->child(0));
    frm->ActivatetheselectedIPSet1->trigger();
    ASSERT_TRUE(jobsDone(2));
    ASSERT_EQ(calls().size(), 2);
    EXPECT_TRUE(calls()[0].contains("|10.0.0.2|")) << calls()[0].toStdString();
}

TEST_F(ActivateTest, EditingTheSetWhileItsJobRunsDoesNotChangeItsLines) {
    db.addIPSet("Office", "10.0.0.5", "255.255.255.0", "10.0.0.1", "10.0.0.2", 0, lan);
    touch("hold");
    start();
    frm->ActivatetheselectedIPSet1->trigger();
    ASSERT_TRUE(QTest::qWaitFor([&] { return frm->Label1->isVisible(); }, 5000));
    frm->IPSetT.edit();
    frm->IPSetT.setFieldString("DNS", "9.9.9.9");
    frm->IPSetT.setFieldString("IPAddress", "9.9.9.8");
    frm->IPSetT.post();
    QFile::remove(bin.filePath("hold"));
    ASSERT_TRUE(jobsDone(2));
    EXPECT_EQ(calls(),
              QStringList({"|interface|ip|set|address|LAN 1|static|10.0.0.5|255.255.255.0|10.0.0.1|1",
                           "|interface|ip|set|dns|LAN 1|static|10.0.0.2|primary"}));
}

TEST_F(ActivateTest, TwoActivationsRunTwoJobsSideBySide) {
    db.addIPSet("Office", "10.0.0.5", "255.255.255.0", "10.0.0.1", "10.0.0.2", 0, lan);
    touch("hold");
    start();
    frm->ActivatetheselectedIPSet1->trigger();
    frm->ActivatetheselectedIPSet1->trigger();
    // Both commands have returned while their first lines are still held: the window never waits.
    ASSERT_TRUE(QTest::qWaitFor([&] { return startedLines() == 2; }, 5000));
    EXPECT_TRUE(calls().isEmpty());
    QFile::remove(bin.filePath("hold"));
    ASSERT_TRUE(jobsDone(4));
    EXPECT_EQ(calls().size(), 4);
}

TEST_F(ActivateTest, ClosingTheWindowWhileAJobRunsStartsNoFurtherLine) {
    db.addIPSet("Office", "10.0.0.5", "255.255.255.0", "10.0.0.1", "10.0.0.2", 0, lan);
    touch("hold");
    start();
    frm->ActivatetheselectedIPSet1->trigger();
    ASSERT_TRUE(QTest::qWaitFor([&] { return QFile::exists(bin.filePath("started")); }, 5000));
    frm.reset();
    QFile::remove(bin.filePath("hold"));
    QTest::qWait(1500);
    EXPECT_EQ(calls().size(), 1) << "the line already started ran on; the DNS line never started";
}

} // namespace
