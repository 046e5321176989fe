// The data-aware text field over a real table: showing, following, taking input,
// handing over only what the user changed.
#include "tests/widgets/storefixture.h"
#include "widgets/dbedit.h"

#include <QTest>
#include <QVBoxLayout>
#include <gtest/gtest.h>

namespace {

using State = DataTable::State;

class DbEditTest : public StoreFixture {
protected:
    void SetUp() override {
        StoreFixture::SetUp();
        auto* layout = new QVBoxLayout(&window);
        edit = new DbEdit(&window);
        layout->addWidget(edit);
        edit->setDataField(QStringLiteral("IPSet_Name"));
        edit->setDataSource(&source);
        window.show();
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
        edit->setFocus();
    }

    void typeAtEnd(const QString& text) {
        edit->end(false);
        QTest::keyClicks(edit, text);
    }

    DataSource source{&ipSets};
    QWidget window;
    DbEdit* edit = nullptr;
};

TEST_F(DbEditTest, ShowsTheCurrentRowAndFollowsTheCursor) {
    EXPECT_EQ(edit->text(), "Office");
    ipSets.next();
    EXPECT_EQ(edit->text(), "Home");
    ipSets.insert();
    EXPECT_EQ(edit->text(), "");
    ipSets.cancel();
    EXPECT_EQ(edit->text(), "Home");
    ipSets.close();
    EXPECT_EQ(edit->text(), "");
}

TEST_F(DbEditTest, WithoutAutomaticEditingTakesInputOnlyWhileThePendingRowIsOpen) {
    source.setAutoEdit(false);
    edit->setDataSource(&source); // the read-only mark follows the new setting
    EXPECT_TRUE(edit->isReadOnly());
    typeAtEnd(QStringLiteral("X"));
    EXPECT_EQ(edit->text(), "Office");
    EXPECT_EQ(ipSets.state(), State::Browsing);

    ipSets.edit();
    EXPECT_FALSE(edit->isReadOnly());
    typeAtEnd(QStringLiteral("X"));
    EXPECT_EQ(edit->text(), "OfficeX");
    ipSets.post();
    EXPECT_TRUE(edit->isReadOnly());
    EXPECT_EQ(stored("IPSet_Name"), QStringList({"OfficeX", "Home"}));
}

TEST_F(DbEditTest, WithAutomaticEditingTheFirstKeyStartsEditingAndKeepsTheKey) {
    ASSERT_TRUE(source.autoEdit());
    typeAtEnd(QStringLiteral("2"));
    EXPECT_EQ(ipSets.state(), State::Editing);
    EXPECT_EQ(edit->text(), "Office2");
    EXPECT_TRUE(edit->isModified());
    ipSets.next(); // settles: the typed name is handed over and stored
    EXPECT_EQ(stored("IPSet_Name"), QStringList({"Office2", "Home"}));
    EXPECT_EQ(edit->text(), "Home");
    EXPECT_FALSE(edit->isModified());
}

TEST_F(DbEditTest, AnUnchangedFieldHandsNothingOver) {
    ipSets.edit();
    ipSets.next(); // nothing was written: the edit is dropped
    EXPECT_FALSE(ipSets.isModified());
    EXPECT_EQ(stored("IPSet_Name"), QStringList({"Office", "Home"}));

    ipSets.insert();
    ipSets.first(); // an untouched new row disappears
    EXPECT_EQ(ipSets.recordCount(), 2);
}

TEST_F(DbEditTest, CancelForgetsWhatWasTyped) {
    ipSets.edit();
    typeAtEnd(QStringLiteral(" A"));
    ipSets.cancel();
    EXPECT_EQ(edit->text(), "Office");
    EXPECT_FALSE(edit->isModified());
    ipSets.edit();
    ipSets.post(); // nothing typed since: the stored name stays
    EXPECT_EQ(stored("IPSet_Name"), QStringList({"Office", "Home"}));
}

TEST_F(DbEditTest, AWriteToAnotherFieldKeepsTheTypedText) {
    ipSets.edit();
    typeAtEnd(QStringLiteral(" B"));
    ipSets.setFieldString(QStringLiteral("DNS"), QStringLiteral("9.9.9.9"));
    EXPECT_EQ(edit->text(), "Office B");
    EXPECT_TRUE(edit->isModified());
    ipSets.setFieldString(QStringLiteral("ipset_name"), QStringLiteral("Written")); // our own field
    EXPECT_EQ(edit->text(), "Written");
    EXPECT_FALSE(edit->isModified());
    ipSets.post();
    EXPECT_EQ(stored("IPSet_Name"), QStringList({"Written", "Home"}));
    EXPECT_EQ(stored("DNS").value(0), "9.9.9.9");
}

TEST_F(DbEditTest, TypingStopsAtTheFieldsWidth) {
    ipSets.edit();
    edit->selectAll();
    QTest::keyClicks(edit, QString(300, QLatin1Char('n')));
    EXPECT_EQ(edit->text().size(), 255); // IPSet_Name VARCHAR(255)
    ipSets.post();
    EXPECT_EQ(stored("IPSet_Name").value(0), QString(255, QLatin1Char('n')));
}

TEST_F(DbEditTest, AFieldTheTableLacksShowsNothingAndTakesNothing) {
    edit->setDataField(QStringLiteral("NoSuchField"));
    EXPECT_EQ(edit->text(), "");
    EXPECT_TRUE(edit->isReadOnly());
    ipSets.edit();
    ipSets.post(); // no error from the field on the way
    EXPECT_EQ(ipSets.state(), State::Browsing);
}

} // namespace
