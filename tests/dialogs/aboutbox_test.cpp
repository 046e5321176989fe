#include "dialogs/about/aboutbox.h"
#include "dialogs/about/maker.h"
#include "tests/dialogs/recordingdesktop.h"
#include "widgets/fonts.h"

#include <QApplication>
#include <QClipboard>
#include <QImage>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <gtest/gtest.h>

namespace {

class AboutBoxTest : public ::testing::Test {
protected:
    RecordingDesktop desktop;
    TAboutBox box{desktop};

    QString memoText() const { return box.Memo1->toPlainText(); }
};

TEST_F(AboutBoxTest, IsAFixedDialogWithCloseBoxOnly) {
    EXPECT_EQ(box.windowTitle(), "About Orvantis");
    EXPECT_EQ(box.size(), QSize(297, 361));
    EXPECT_EQ(box.minimumSize(), box.maximumSize());
    const Qt::WindowFlags flags = box.windowFlags();
    EXPECT_TRUE(flags.testFlag(Qt::WindowCloseButtonHint));
    EXPECT_FALSE(flags.testFlag(Qt::WindowMinimizeButtonHint));
    EXPECT_FALSE(flags.testFlag(Qt::WindowMaximizeButtonHint));
    EXPECT_FALSE(flags.testFlag(Qt::WindowContextHelpButtonHint));
    EXPECT_FALSE(box.isVisible());
}

TEST_F(AboutBoxTest, UsesTheBoldFormFont) {
    EXPECT_EQ(box.font(), Fonts::formFont(true));
    EXPECT_TRUE(box.Label1->font().bold());
}

TEST_F(AboutBoxTest, EverythingButOkLiesOnThePanel) {
    for (QWidget* control :
         std::initializer_list<QWidget*>{box.ProgramIcon, box.ProductName, box.Version, box.Label1,
                                         box.Label2, box.Label3, box.Label4, box.Memo1, box.Image1})
        EXPECT_EQ(control->parentWidget(), box.Panel1) << control->objectName().toStdString();
    EXPECT_EQ(box.OKButton->parentWidget(), &box);
}

struct Placed {
    const char* name;
    QRect geometry; // an empty size: only the place is fixed (a label as large as its text)
};

void PrintTo(const Placed& placed, std::ostream* out) {
    *out << placed.name;
}

class AboutBoxPlaceTest : public AboutBoxTest, public ::testing::WithParamInterface<Placed> {};

TEST_P(AboutBoxPlaceTest, ControlIsAtItsPlace) {
    const Placed& expected = GetParam();
    const auto* control = box.findChild<QWidget*>(QString::fromLatin1(expected.name));
    ASSERT_NE(control, nullptr);
    EXPECT_EQ(control->pos(), expected.geometry.topLeft());
    if (!expected.geometry.size().isEmpty()) {
        EXPECT_EQ(control->size(), expected.geometry.size());
    }
    EXPECT_TRUE(control->isVisibleTo(&box));
}

INSTANTIATE_TEST_SUITE_P(
    Controls, AboutBoxPlaceTest,
    ::testing::Values(Placed{"Panel1", QRect(8, 8, 281, 321)}, Placed{"Image1", QRect(8, 0, 265, 121)},
                      Placed{"ProgramIcon", QRect(8, 120, 32, 32)},
                      Placed{"ProductName", QRect(88, 128, 0, 0)}, Placed{"Label1", QRect(176, 128, 0, 0)},
                      Placed{"Version", QRect(88, 152, 0, 0)}, Placed{"Label2", QRect(176, 152, 0, 0)},
                      Placed{"Label3", QRect(72, 168, 0, 0)}, Placed{"Label4", QRect(160, 168, 0, 0)},
                      Placed{"Memo1", QRect(2, 256, 277, 63)}, Placed{"OKButton", QRect(111, 332, 75, 25)}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(AboutBoxTest, ShowsNameVersionAndMaker) {
    EXPECT_EQ(box.ProductName->text(), "Product Name");
    EXPECT_EQ(box.Label1->text(), "Orvantis");
    EXPECT_EQ(box.Version->text(), "Version");
    EXPECT_EQ(box.Label2->text(), "0.2");
    EXPECT_EQ(box.Label3->text(), Maker::Name);
    EXPECT_EQ(box.Label4->text(), Maker::Mail);
    EXPECT_EQ(box.OKButton->text(), "OK");
    EXPECT_TRUE(box.OKButton->isDefault());
}

TEST_F(AboutBoxTest, LabelsStayInsideThePanelAndDoNotOverlap) {
    const QRect inside = box.Panel1->rect().adjusted(2, 2, -2, -2);
    for (QLabel* label : {box.ProductName, box.Label1, box.Version, box.Label2, box.Label3, box.Label4})
        EXPECT_TRUE(inside.contains(label->geometry())) << label->objectName().toStdString();
    EXPECT_FALSE(box.Label3->geometry().intersects(box.Label4->geometry()));
    EXPECT_FALSE(box.ProductName->geometry().intersects(box.Label1->geometry()));
}

TEST_F(AboutBoxTest, OnlyTheLinksHaveTooltipsAndHandCursors) {
    EXPECT_EQ(box.Label4->toolTip(), "mailto:" + Maker::Mail);
    EXPECT_EQ(box.Image1->toolTip(), Maker::Web);
    EXPECT_EQ(box.Label4->cursor().shape(), Qt::PointingHandCursor);
    EXPECT_EQ(box.Image1->cursor().shape(), Qt::PointingHandCursor);
    for (QWidget* widget : box.findChildren<QWidget*>())
        if (widget != box.Label4 && widget != box.Image1) {
            EXPECT_TRUE(widget->toolTip().isEmpty()) << widget->objectName().toStdString();
        }
}

TEST_F(AboutBoxTest, ShowsTheTransparentBannerAtItsNaturalSizeTopLeft) {
    const QImage banner = box.Image1->pixmap().toImage();
    ASSERT_EQ(banner.size(), QSize(199, 119));
    EXPECT_TRUE(banner.hasAlphaChannel());
    EXPECT_EQ(qAlpha(banner.pixel(0, 0)), 0);      // rounded corner: transparent
    EXPECT_EQ(qAlpha(banner.pixel(100, 60)), 255); // the panel itself: opaque
    EXPECT_EQ(box.Image1->alignment(), Qt::AlignLeft | Qt::AlignTop);
}

TEST_F(AboutBoxTest, ShowsTheProgramIcon) {
    EXPECT_EQ(box.ProgramIcon->pixmap().size(), QSize(32, 32));
}

TEST_F(AboutBoxTest, CreditsNameTheLibrariesInUse) {
    const QStringList lines = memoText().split('\n');
    ASSERT_GE(lines.size(), 3);
    EXPECT_EQ(lines.first(), "Source Code has been used from :");
    EXPECT_TRUE(memoText().contains("Qt 6"));
    EXPECT_TRUE(memoText().contains("SQLite"));
    EXPECT_FALSE(box.Memo1->focusPolicy() & Qt::TabFocus);
    EXPECT_EQ(box.Memo1->frameShape(), QFrame::NoFrame);
}

TEST_F(AboutBoxTest, CreditsNameTheProgramsOwnLicenceAndShowEveryLine) {
    const QStringList lines = memoText().split('\n');
    EXPECT_EQ(lines.last(), "Orvantis itself: MIT License (LICENSE)");
    box.show();
    QCoreApplication::processEvents();
    // Every line is in view: the memo has no scroll bar, so nothing hides below its edge.
    EXPECT_EQ(box.Memo1->verticalScrollBar()->maximum(), 0);
}

// ---------------------------------------------------------------- the credits refuse every change

struct MemoKeys {
    const char* name;
    QKeySequence keys; // explicit keys: the platform's standard keys are not known before the application
};

void PrintTo(const MemoKeys& keys, std::ostream* out) {
    *out << keys.name;
}

class MemoEditTest : public AboutBoxTest, public ::testing::WithParamInterface<MemoKeys> {};

TEST_P(MemoEditTest, KeyLeavesTheCreditsAsTheyWere) {
    const QString before = memoText();
    QApplication::clipboard()->setText(QStringLiteral("pasted"));
    box.show();
    box.Memo1->setFocus();
    QTest::keyClick(box.Memo1, Qt::Key_End); // a cursor after text, so Backspace has something to take
    QTest::keySequence(box.Memo1, GetParam().keys);
    QTest::keyClick(box.Memo1, Qt::Key_Home); // and before text, for Delete
    QTest::keySequence(box.Memo1, GetParam().keys);
    box.Memo1->selectAll();
    QTest::keySequence(box.Memo1, GetParam().keys);
    EXPECT_EQ(memoText(), before);
    EXPECT_TRUE(box.isVisible());
}

INSTANTIATE_TEST_SUITE_P(
    Keys, MemoEditTest,
    ::testing::Values(
        MemoKeys{"Letter", QKeySequence(Qt::Key_A)}, MemoKeys{"Blank", QKeySequence(Qt::Key_Space)},
        MemoKeys{"Backspace", QKeySequence(Qt::Key_Backspace)},
        MemoKeys{"Delete", QKeySequence(Qt::Key_Delete)}, MemoKeys{"Cut", QKeySequence(Qt::CTRL | Qt::Key_X)},
        MemoKeys{"Paste", QKeySequence(Qt::CTRL | Qt::Key_V)},
        MemoKeys{"ShiftInsertPaste", QKeySequence(Qt::SHIFT | Qt::Key_Insert)},
        MemoKeys{"ShiftDeleteCut", QKeySequence(Qt::SHIFT | Qt::Key_Delete)},
        MemoKeys{"Enter", QKeySequence(Qt::Key_Return)}, MemoKeys{"KeypadEnter", QKeySequence(Qt::Key_Enter)},
        MemoKeys{"Tab", QKeySequence(Qt::Key_Tab)}, MemoKeys{"Undo", QKeySequence(Qt::CTRL | Qt::Key_Z)}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(AboutBoxTest, CutAndPasteCommandsLeaveTheCreditsAsTheyWere) {
    const QString before = memoText();
    QApplication::clipboard()->setText(QStringLiteral("pasted"));
    box.Memo1->selectAll();
    box.Memo1->cut();
    box.Memo1->paste();
    EXPECT_EQ(memoText(), before);
    EXPECT_TRUE(box.Memo1->isReadOnly());
}

TEST_F(AboutBoxTest, CreditsCanBeCopied) {
    box.show();
    box.Memo1->setFocus();
    box.Memo1->selectAll();
    QTest::keyClick(box.Memo1, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), memoText());
}

// ---------------------------------------------------------------- Enter and Esc

class AboutBoxKeysTest : public AboutBoxTest {
protected:
    void SetUp() override {
        box.open(); // modal, without a nested event loop
        ASSERT_TRUE(box.isVisible());
        box.setResult(-1);
    }
};

TEST_F(AboutBoxKeysTest, EscDoesNotClose) {
    QTest::keyClick(&box, Qt::Key_Escape);
    box.OKButton->setFocus();
    QTest::keyClick(box.OKButton, Qt::Key_Escape);
    EXPECT_TRUE(box.isVisible());
    EXPECT_EQ(box.result(), -1);
}

TEST_F(AboutBoxKeysTest, EnterClosesWithOk) {
    QTest::keyClick(&box, Qt::Key_Return);
    EXPECT_FALSE(box.isVisible());
    EXPECT_EQ(box.result(), QDialog::Accepted);
}

TEST_F(AboutBoxKeysTest, KeypadEnterClosesWithOk) {
    QTest::keyClick(&box, Qt::Key_Enter);
    EXPECT_FALSE(box.isVisible());
    EXPECT_EQ(box.result(), QDialog::Accepted);
}

TEST_F(AboutBoxKeysTest, EnterInTheCreditsDoesNotClose) {
    box.Memo1->setFocus();
    QTest::keyClick(box.Memo1, Qt::Key_Return);
    QTest::keyClick(box.Memo1, Qt::Key_Enter);
    EXPECT_TRUE(box.isVisible());
    EXPECT_EQ(box.result(), -1);
}

TEST_F(AboutBoxKeysTest, OkButtonClosesWithOk) {
    QTest::mouseClick(box.OKButton, Qt::LeftButton);
    EXPECT_FALSE(box.isVisible());
    EXPECT_EQ(box.result(), QDialog::Accepted);
}

TEST_F(AboutBoxKeysTest, ShownAgainWithTheSameContent) {
    const QString credits = memoText();
    QTest::mouseClick(box.OKButton, Qt::LeftButton);
    box.open();
    EXPECT_TRUE(box.isVisible());
    EXPECT_EQ(memoText(), credits);
    EXPECT_EQ(box.Label4->text(), Maker::Mail);
    QTest::keyClick(&box, Qt::Key_Return);
    EXPECT_FALSE(box.isVisible());
}

// ---------------------------------------------------------------- the links

TEST_F(AboutBoxTest, ClickOnTheAddressStartsAMail) {
    QTest::mouseClick(box.Label4, Qt::LeftButton);
    EXPECT_EQ(desktop.opened, QStringList{"mailto:" + Maker::Mail});
}

TEST_F(AboutBoxTest, ClickOnTheBannerOpensTheWebAddress) {
    QTest::mouseClick(box.Image1, Qt::LeftButton);
    EXPECT_EQ(desktop.opened, QStringList{Maker::Web});
}

TEST_F(AboutBoxTest, OtherClicksOpenNothing) {
    QTest::mouseClick(box.Label4, Qt::RightButton);
    QTest::mouseClick(box.Image1, Qt::MiddleButton);
    QTest::mouseClick(box.Label3, Qt::LeftButton);
    QTest::mouseClick(box.ProgramIcon, Qt::LeftButton);
    QTest::mouseClick(box.Panel1, Qt::LeftButton);
    EXPECT_TRUE(desktop.opened.isEmpty());
}

TEST_F(AboutBoxTest, ReleaseOutsideTheLinkOpensNothing) {
    QTest::mousePress(box.Label4, Qt::LeftButton);
    QTest::mouseRelease(box.Label4, Qt::LeftButton, {}, QPoint(-5, -5));
    EXPECT_TRUE(desktop.opened.isEmpty());
}

} // namespace
