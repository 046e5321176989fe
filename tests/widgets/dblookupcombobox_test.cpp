// The data-aware lookup list over real tables: what it shows, how choosing and
// typing write the key, the typed search with its reset, and its keys.
#include "tests/widgets/storefixture.h"
#include "widgets/dblookupcombobox.h"

#include <QAbstractItemView>
#include <QTest>
#include <QVBoxLayout>
#include <gtest/gtest.h>

namespace {

using State = DataTable::State;

class LookupTest : public StoreFixture {
protected:
    void SetUp() override {
        StoreFixture::SetUp();
        source.setAutoEdit(false);
        auto* layout = new QVBoxLayout(&window);
        list = new DbLookupComboBox(&window);
        layout->addWidget(list);
        list->setClock(clock.function());
        list->setErrorHandler(
            [this](const std::exception& error) { errors << QString::fromUtf8(error.what()); });
        list->setListSource(&connectionsDs);
        list->setListField(QStringLiteral("ConnectionName"));
        list->setKeyField(QStringLiteral("AutoIncField"));
        list->setDataSource(&source);
        list->setDataField(QStringLiteral("Connection"));
        window.show();
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
        list->setFocus();
    }

    QStringList entries() const {
        QStringList names;
        for (int row = 0; row < list->count(); ++row)
            names << list->itemText(row);
        return names;
    }
    void type(const QString& keys) { QTest::keyClicks(list, keys); }
    int writtenKey() const { return ipSets.fieldAsInteger(QStringLiteral("Connection")); }

    DataSource source{&ipSets};
    ManualClock clock;
    QStringList errors;
    QWidget window;
    DbLookupComboBox* list = nullptr;
};

TEST_F(LookupTest, OffersEveryNameInRowOrderAndShowsTheRowsConnection) {
    EXPECT_EQ(entries(), QStringList({"LAN", "Wireless Network Connection", "VPN"}));
    EXPECT_EQ(list->currentText(), "LAN"); // Office: key 1
    ipSets.next();
    EXPECT_EQ(list->currentText(), "Wireless Network Connection");
    EXPECT_EQ(list->shownKey(), 2);
    // Finding the name moved the connections table's cursor to it.
    EXPECT_EQ(connections.currentIndex(), 1);
}

TEST_F(LookupTest, ShowsNothingForANewRowOrAKeyWithoutARow) {
    ipSets.insert();
    EXPECT_EQ(list->currentIndex(), -1);
    EXPECT_EQ(list->currentText(), "");
    ipSets.setFieldInteger(QStringLiteral("Connection"), 42);
    EXPECT_EQ(list->currentText(), "");
    ipSets.setFieldInteger(QStringLiteral("Connection"), 3);
    EXPECT_EQ(list->currentText(), "VPN");
}

TEST_F(LookupTest, FollowsRowsAddedChangedAndRemovedInTheConnectionsTable) {
    connections.insert();
    EXPECT_EQ(connections.state(), State::Inserting); // the list leaves the new row alone
    EXPECT_EQ(list->count(), 4);
    connections.setFieldString(QStringLiteral("ConnectionName"), QStringLiteral("Dial-up"));
    connections.post();
    EXPECT_EQ(entries(), QStringList({"LAN", "Wireless Network Connection", "VPN", "Dial-up"}));
    connections.first();
    connections.remove(); // LAN, the connection Office refers to
    EXPECT_EQ(entries(), QStringList({"Wireless Network Connection", "VPN", "Dial-up"}));
    EXPECT_EQ(list->currentText(), "");
}

TEST_F(LookupTest, AHiddenListDoesNotMoveTheConnectionsCursor) {
    window.hide();
    connections.insert(); // as the connection manager does
    ipSets.next();
    EXPECT_EQ(connections.state(), State::Inserting);
    EXPECT_EQ(list->currentText(), "Wireless Network Connection");
    connections.cancel();
    window.show(); // on screen again: it finds its row
    EXPECT_EQ(connections.currentIndex(), 1);
}

TEST_F(LookupTest, TakesNoInputWhileTheRowIsNotPending) {
    type(QStringLiteral("v"));
    QTest::keyClick(list, Qt::Key_Down);
    EXPECT_EQ(ipSets.state(), State::Browsing);
    EXPECT_EQ(list->currentText(), "LAN");
    EXPECT_EQ(writtenKey(), 1);
}

TEST_F(LookupTest, TypedCharactersPickByPrefixWithoutRegardToCase) {
    ipSets.edit();
    type(QStringLiteral("w"));
    EXPECT_EQ(list->currentText(), "Wireless Network Connection");
    EXPECT_EQ(writtenKey(), 2); // written at once
    EXPECT_TRUE(ipSets.isModified());
    type(QStringLiteral("Ix")); // "wi" matches, "wix" does not: the x is dropped
    EXPECT_EQ(list->searchText(), "wI");
    EXPECT_EQ(writtenKey(), 2);
    type(QStringLiteral("r"));
    EXPECT_EQ(list->searchText(), "wIr");
    EXPECT_EQ(list->currentText(), "Wireless Network Connection");
    EXPECT_EQ(list->currentIndex(), 1);
    EXPECT_TRUE(errors.isEmpty());
}

TEST_F(LookupTest, TheTypedTextIsForgottenAfterMoreThanTwoSeconds) {
    ipSets.edit();
    type(QStringLiteral("v"));
    EXPECT_EQ(writtenKey(), 3);
    clock.now += DbLookupComboBox::SearchResetMs; // exactly two seconds: still one search
    type(QStringLiteral("l"));                    // "vl" matches nothing
    EXPECT_EQ(list->searchText(), "v");
    EXPECT_EQ(writtenKey(), 3);
    clock.now += DbLookupComboBox::SearchResetMs + 1;
    type(QStringLiteral("l")); // a new search: "l"
    EXPECT_EQ(list->searchText(), "l");
    EXPECT_EQ(list->currentText(), "LAN");
    EXPECT_EQ(writtenKey(), 1);
}

TEST_F(LookupTest, BackspaceAndEscapeForgetTheTypedText) {
    ipSets.edit();
    for (const Qt::Key key : {Qt::Key_Backspace, Qt::Key_Escape}) {
        type(QStringLiteral("v"));
        ASSERT_EQ(list->searchText(), "v");
        QTest::keyClick(list, key);
        EXPECT_EQ(list->searchText(), "");
        type(QStringLiteral("w")); // no pause: a fresh search all the same
        EXPECT_EQ(list->currentText(), "Wireless Network Connection");
        QTest::keyClick(list, Qt::Key_Escape);
    }
}

TEST_F(LookupTest, TheTypedTextHoldsAtMostThirtyTwoCharacters) {
    const QString longName(40, QLatin1Char('a'));
    file.addConnection(longName);
    connections.close();
    connections.open();
    ipSets.edit();
    type(QString(34, QLatin1Char('a')));
    EXPECT_EQ(list->searchText(), QString(DbLookupComboBox::MaxSearchLength, QLatin1Char('a')));
    EXPECT_EQ(list->currentText(), longName);
}

TEST_F(LookupTest, UpAndDownPickWithTheListClosed) {
    ipSets.insert(); // shows nothing: Down picks the first
    QTest::keyClick(list, Qt::Key_Down);
    EXPECT_EQ(list->currentText(), "LAN");
    EXPECT_EQ(writtenKey(), 1);
    QTest::keyClick(list, Qt::Key_Down);
    QTest::keyClick(list, Qt::Key_Down);
    QTest::keyClick(list, Qt::Key_Down); // stays on the last
    EXPECT_EQ(list->currentText(), "VPN");
    QTest::keyClick(list, Qt::Key_Up);
    EXPECT_EQ(writtenKey(), 2);
    EXPECT_FALSE(list->isListVisible());
}

TEST_F(LookupTest, AltUpAndDownOpenAndCloseTheList) {
    ipSets.edit();
    QTest::keyClick(list, Qt::Key_Down, Qt::AltModifier);
    EXPECT_TRUE(list->isListVisible());
    EXPECT_TRUE(list->view()->isVisible());
    QTest::keyClick(list->view(), Qt::Key_Up, Qt::AltModifier);
    EXPECT_FALSE(list->isListVisible());
    QTest::keyClick(list, Qt::Key_Up, Qt::AltModifier);
    EXPECT_TRUE(list->isListVisible());
    QTest::keyClick(list->view(), Qt::Key_Down, Qt::AltModifier);
    EXPECT_FALSE(list->isListVisible());
    EXPECT_EQ(writtenKey(), 1); // opening and closing chose nothing
}

TEST_F(LookupTest, AltDownOpensTheListAgainAfterTheSystemClosedIt) {
    ipSets.edit();
    QTest::keyClick(list, Qt::Key_Down, Qt::AltModifier);
    ASSERT_TRUE(list->view()->isVisible());
    list->view()->window()->close(); // as when another window takes the focus
    EXPECT_FALSE(list->isListVisible());
    QTest::keyClick(list, Qt::Key_Down, Qt::AltModifier);
    EXPECT_TRUE(list->view()->isVisible());
    EXPECT_TRUE(list->isListVisible());
}

TEST_F(LookupTest, ChoosingFromTheOpenListWritesTheKeyAtOnce) {
    ipSets.edit();
    list->showPopup();
    QAbstractItemView* view = list->view();
    view->setCurrentIndex(view->model()->index(2, 0));
    QTest::keyClick(view, Qt::Key_Return);
    EXPECT_FALSE(list->isListVisible());
    EXPECT_EQ(writtenKey(), 3);
    EXPECT_EQ(list->currentText(), "VPN");
    ipSets.post();
    EXPECT_EQ(file.column(QStringLiteral("SELECT Connection FROM IPSets ORDER BY rowid")).value(0), "3");
}

} // namespace
