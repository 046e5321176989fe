#include "widgets/ipaddressedit.h"

#include <QApplication>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>
#include <gtest/gtest.h>

// Readable QString values in failure messages.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace {

// One address entry in a window of its own, shown and active, so that focus and
// keys behave as they do for a user.
class IpAddressEditTest : public ::testing::Test {
protected:
    void SetUp() override {
        auto* layout = new QVBoxLayout(&window);
        entry = new IpAddressEdit(&window);
        layout->addWidget(entry);
        other = new QLineEdit(&window);
        layout->addWidget(other);
        window.show();
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
        entry->setFocus();
    }

    // Keys go where a user's keys go: to the widget that has the focus.
    void type(const QString& keys) {
        for (const QChar key : keys)
            QTest::keyClick(QApplication::focusWidget(), key.toLatin1());
    }
    void press(Qt::Key key, int times = 1) {
        for (int i = 0; i < times; ++i)
            QTest::keyClick(QApplication::focusWidget(), key);
    }

    QWidget window;
    IpAddressEdit* entry = nullptr;
    QLineEdit* other = nullptr;
};

TEST_F(IpAddressEditTest, StartsAtZeroAndTheFirstOctetTakesTheFocus) {
    EXPECT_EQ(entry->text(), "0.0.0.0");
    EXPECT_EQ(entry->currentOctet(), 0);
}

struct TypingCase {
    const char* keys;
    const char* text;
};

class IpAddressTyping : public IpAddressEditTest, public ::testing::WithParamInterface<TypingCase> {};

TEST_P(IpAddressTyping, GivesTheAddress) {
    type(QString::fromLatin1(GetParam().keys));
    EXPECT_EQ(entry->text(), QString::fromLatin1(GetParam().text));
}

INSTANTIATE_TEST_SUITE_P(
    Keys, IpAddressTyping,
    ::testing::Values(TypingCase{"192.168.1.20", "192.168.1.20"}, // dots after full octets are absorbed
                      TypingCase{"10.0.0.1", "10.0.0.1"},         // dots move on from short octets
                      TypingCase{"1921681.1", "192.168.1.1"},     // full octets move on by themselves
                      TypingCase{"256", "255.0.0.0"},             // above 255 becomes 255
                      TypingCase{"259.7", "255.7.0.0"},
                      TypingCase{"99.5", "99.5.0.0"}, // 99 cannot take another digit
                      TypingCase{"30.40", "30.40.0.0"},
                      TypingCase{"1.2.3.4.5", "1.2.3.45"}, // no octet after the fourth
                      TypingCase{"1a-b 2", "12.0.0.0"},    // anything but digits and dots is dropped
                      TypingCase{"007.1", "7.1.0.0"}, TypingCase{"...9", "0.0.0.9"}));

TEST_F(IpAddressEditTest, BackspaceMovesBackAcrossOctets) {
    type("1.23.4");
    ASSERT_EQ(entry->currentOctet(), 2);
    press(Qt::Key_Backspace); // erases the 4
    EXPECT_EQ(entry->currentOctet(), 2);
    press(Qt::Key_Backspace); // moves back and erases the 3
    EXPECT_EQ(entry->currentOctet(), 1);
    EXPECT_EQ(entry->octetText(1), "2");
    press(Qt::Key_Backspace, 2); // erases the 2, moves back and erases the 1
    EXPECT_EQ(entry->currentOctet(), 0);
    EXPECT_EQ(entry->octetText(0), "");
    EXPECT_EQ(entry->text(), "0.0.0.0"); // blank octets count as 0
    press(Qt::Key_Backspace);            // nothing before the first octet
    EXPECT_EQ(entry->currentOctet(), 0);
    type("8.9");
    EXPECT_EQ(entry->text(), "8.9.0.0");
}

TEST_F(IpAddressEditTest, ArrowsCrossOctetsAtTheirEdges) {
    type("12.3");
    press(Qt::Key_Left); // to the start of "3"
    EXPECT_EQ(entry->currentOctet(), 1);
    press(Qt::Key_Left);
    EXPECT_EQ(entry->currentOctet(), 0);
    press(Qt::Key_Right);
    EXPECT_EQ(entry->currentOctet(), 1);
    type("2"); // typed at the start of "3": not at the end, so it stays
    EXPECT_EQ(entry->text(), "12.23.0.0");
    EXPECT_EQ(entry->currentOctet(), 1);
}

TEST_F(IpAddressEditTest, TypingReplacesAnOctetEnteredByTab) {
    entry->setText("1.2.3.4");
    press(Qt::Key_Tab); // leaves the whole entry
    EXPECT_EQ(QApplication::focusWidget(), other);
    QTest::keyClick(other, Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(entry->currentOctet(), 0);
    type("9");
    EXPECT_EQ(entry->text(), "9.2.3.4");
}

TEST_F(IpAddressEditTest, SignalsTellUserEditsFromStoredTexts) {
    QSignalSpy changed(entry, &IpAddressEdit::textChanged);
    QSignalSpy edited(entry, &IpAddressEdit::textEdited);
    entry->setText("10.1.2.3");
    EXPECT_EQ(changed.count(), 1);
    EXPECT_EQ(edited.count(), 0);
    entry->setText("10.1.2.3");
    EXPECT_EQ(changed.count(), 1);
    type("7"); // the cursor is at the end of the first octet
    ASSERT_EQ(edited.count(), 1);
    EXPECT_EQ(edited.last().at(0).toString(), "107.1.2.3");
}

TEST_F(IpAddressEditTest, DisabledEntryTakesNoInput) {
    entry->setText("1.2.3.4");
    entry->setEnabled(false);
    const QList<QLineEdit*> octets = entry->findChildren<QLineEdit*>();
    ASSERT_EQ(octets.size(), IpAddressEdit::OctetCount);
    for (QLineEdit* octet : octets) {
        EXPECT_FALSE(octet->isEnabled());
        QTest::keyClick(octet, '9');
    }
    EXPECT_EQ(entry->text(), "1.2.3.4");
    entry->setEnabled(true);
    entry->setFocus();
    type("9");
    EXPECT_EQ(entry->text(), "9.2.3.4");
}

struct StoredCase {
    const char* stored;
    const char* shown;
};

class IpAddressStoredText : public ::testing::TestWithParam<StoredCase> {};

TEST_P(IpAddressStoredText, IsReadPartByPart) {
    IpAddressEdit entry;
    entry.setText(QString::fromLatin1(GetParam().stored));
    EXPECT_EQ(entry.text(), QString::fromLatin1(GetParam().shown));
    EXPECT_EQ(IpAddressEdit::normalized(QString::fromLatin1(GetParam().stored)), entry.text());
}

INSTANTIATE_TEST_SUITE_P(
    Texts, IpAddressStoredText,
    ::testing::Values(StoredCase{"", "0.0.0.0"}, StoredCase{"192.168.10.1", "192.168.10.1"},
                      StoredCase{"1.2", "1.2.0.0"},             // missing parts
                      StoredCase{"1..3.4", "1.0.3.4"},          // blank part
                      StoredCase{"a.b.c.d", "0.0.0.0"},         // no numbers
                      StoredCase{"300.1.2.256", "255.1.2.255"}, // above 255
                      StoredCase{"99999999999999999999.1.1.1", "255.1.1.1"},
                      StoredCase{"-1.2.3.4", "0.2.3.4"}, StoredCase{"1.2.3.4.5", "1.2.3.4"},
                      StoredCase{"010.001.0.7", "10.1.0.7"}, StoredCase{"1x.2.3.4", "0.2.3.4"}));

} // namespace
