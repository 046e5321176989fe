#include "tests/fixtures/qstringprint.h"
#include "widgets/ipaddressedit.h"

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QToolTip>
#include <QVBoxLayout>
#include <gtest/gtest.h>

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

    // The four parts as the entry shows them, joined by dots.
    QString shown() const {
        QStringList parts;
        for (int octet = 0; octet < IpAddressEdit::OctetCount; ++octet)
            parts << entry->octetText(octet);
        return parts.join('.');
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
                      TypingCase{"99.5", "99.5.0.0"}, // a short octet waits for the dot
                      TypingCase{"30.40", "30.40.0.0"},
                      TypingCase{"1.2.3.4.5", "1.2.3.45"}, // no octet after the fourth
                      TypingCase{"1a-b 2", "12.0.0.0"},    // anything but digits and dots is dropped
                      TypingCase{"007.1", "7.1.0.0"}, TypingCase{"...9", "0.0.0.9"}));

// What the entry shows is what it stores: a typed part above 255 shows and stores 255
// and keeps the rest of what was typed out of the next part; leading zeros and blank
// parts show as the number stored once the text is read.
struct ShownCase {
    const char* keys;
    const char* shownWhileTyping; // before the text is read
    const char* stored;           // text(), and what is shown afterwards
};
void PrintTo(const ShownCase& c, std::ostream* out) {
    *out << '"' << c.keys << '"';
}

class IpAddressShownIsStored : public IpAddressEditTest, public ::testing::WithParamInterface<ShownCase> {};

TEST_P(IpAddressShownIsStored, WhileTypingAndOnceRead) {
    type(QString::fromLatin1(GetParam().keys));
    EXPECT_EQ(shown(), QString::fromLatin1(GetParam().shownWhileTyping));
    EXPECT_EQ(entry->text(), QString::fromLatin1(GetParam().stored));
    EXPECT_EQ(shown(), QString::fromLatin1(GetParam().stored)) << "shown after the text was read";
}

INSTANTIATE_TEST_SUITE_P(
    Keys, IpAddressShownIsStored,
    ::testing::Values(ShownCase{"300.1.1.1", "255.1.1.1", "255.1.1.1"},
                      ShownCase{"999.999.999.999", "255.255.255.255", "255.255.255.255"},
                      ShownCase{"10.260.0.1", "10.255.0.1", "10.255.0.1"},
                      ShownCase{"10.256.0.1", "10.255.0.1", "10.255.0.1"},
                      ShownCase{"26.5", "26.5.0.0", "26.5.0.0"},       // 26 waits for a third digit
                      ShownCase{"3001.2", "255.2.0.0", "255.2.0.0"},   // a full part takes no fourth digit
                      ShownCase{"01.002.0.00", "1.2.0.00", "1.2.0.0"}, // the part being typed is read too
                      ShownCase{"1..3", "1.0.3.0", "1.0.3.0"}));       // a part left blank shows 0

TEST_F(IpAddressEditTest, APartAboveTheLimitBeepsAndSaysWhatHappened) {
    type("300");
    EXPECT_EQ(entry->octetText(0), "255");
    EXPECT_EQ(entry->currentOctet(), 0) << "the corrected part keeps the focus";
    EXPECT_TRUE(QToolTip::isVisible());
    EXPECT_EQ(QToolTip::text(), "300 is not a valid entry. Please specify a value between 0 and 255.");
    type("7");
    EXPECT_EQ(entry->text(), "255.0.0.0") << "the full part takes no more digits";
    type(".7");
    EXPECT_EQ(entry->text(), "255.7.0.0");
}

TEST_F(IpAddressEditTest, LeavingAPartShowsItsStoredNumber) {
    type("01.0");
    press(Qt::Key_Backspace); // part 1 left blank
    EXPECT_EQ(shown(), "1..0.0");
    QSignalSpy changed(entry, &IpAddressEdit::textChanged);
    press(Qt::Key_Tab); // leaves the whole entry
    ASSERT_EQ(QApplication::focusWidget(), other);
    EXPECT_EQ(shown(), "1.0.0.0");
    EXPECT_EQ(changed.count(), 0) << "the address did not change";
}

struct PasteCase {
    const char* clipboard;
    const char* stored;
};
void PrintTo(const PasteCase& c, std::ostream* out) {
    *out << '"' << c.clipboard << '"';
}

class IpAddressPaste : public IpAddressEditTest, public ::testing::WithParamInterface<PasteCase> {};

TEST_P(IpAddressPaste, FillsTheWholeEntry) {
    entry->setText("9.9.9.9");
    QApplication::clipboard()->setText(QString::fromLatin1(GetParam().clipboard));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(entry->text(), QString::fromLatin1(GetParam().stored));
    EXPECT_EQ(shown(), QString::fromLatin1(GetParam().stored));
}

INSTANTIATE_TEST_SUITE_P(Clipboard, IpAddressPaste,
                         ::testing::Values(PasteCase{"192.168.10.20", "192.168.10.20"},
                                           PasteCase{" 10.0.0.1\n", "10.0.0.1"},
                                           PasteCase{"010.001.0.7", "10.1.0.7"},
                                           PasteCase{"300.1.2.999", "255.1.2.255"},
                                           PasteCase{"172.16", "172.16.0.0"},
                                           PasteCase{"1.2.3.4.5", "9.9.9.9"}, // no address: refused
                                           PasteCase{"host.example", "9.9.9.9"}));

TEST_F(IpAddressEditTest, PastingAPartAboveTheLimitSaysWhatHappened) {
    QApplication::clipboard()->setText(QStringLiteral("10.700.0.1"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(entry->text(), "10.255.0.1");
    EXPECT_EQ(QToolTip::text(), "700 is not a valid entry. Please specify a value between 0 and 255.");
}

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
