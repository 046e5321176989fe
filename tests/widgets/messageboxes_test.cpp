// The real message boxes: caption, line breaks, icon, buttons and the default one,
// answered by a click on the box while it is open.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <memory>

#include "widgets/messageboxes.h"

namespace {

struct Seen {
    QString caption;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QStringList buttons;
    QString defaultButton;
};

class MessageBoxesTest : public ::testing::Test {
protected:
    // Shows a box through the real implementation and records it while it is open.
    int show(unsigned flags, const QString& press) {
        QTimer::singleShot(0, [this, press] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box)
                return;
            seen.caption = box->windowTitle();
            seen.text = box->text();
            seen.icon = box->icon();
            for (QAbstractButton* b : box->buttons())
                seen.buttons << b->text().remove('&');
            if (box->defaultButton())
                seen.defaultButton = box->defaultButton()->text().remove('&');
            for (QAbstractButton* b : box->buttons())
                if (b->text().remove('&') == press)
                    b->click();
        });
        return boxes.show(nullptr, "First line\rSecond line", flags);
    }

    QtMessageBoxes boxes;
    Seen seen;
};

TEST_F(MessageBoxesTest, QuestionCarriesTheTitleALineBreakAndNoAsDefault) {
    const int answer = show(Mb::YESNO | Mb::ICONQUESTION | Mb::DEFBUTTON2, "Yes");
    EXPECT_EQ(answer, Id::YES);
    EXPECT_EQ(seen.caption, "Orvantis Ver 0.2");
    EXPECT_EQ(seen.text, "First line\nSecond line");
    EXPECT_EQ(seen.icon, QMessageBox::Question);
    EXPECT_EQ(seen.buttons.size(), 2);
    EXPECT_EQ(seen.defaultButton, "No");
}

TEST_F(MessageBoxesTest, WarningWithYesNoAnswersNo) {
    EXPECT_EQ(show(Mb::YESNO | Mb::ICONWARNING, "No"), Id::NO);
    EXPECT_EQ(seen.icon, QMessageBox::Warning);
    EXPECT_EQ(seen.defaultButton, "Yes");
}

TEST_F(MessageBoxesTest, ErrorReportBoxHasAStopIconAndOk) {
    EXPECT_EQ(show(Mb::OK | Mb::ICONHAND, "OK"), Id::OK);
    EXPECT_EQ(seen.icon, QMessageBox::Critical);
    EXPECT_EQ(seen.buttons, QStringList({"OK"}));
    EXPECT_EQ(seen.caption, "Orvantis Ver 0.2");
}

} // namespace
