#include "tests/fixtures/qstringprint.h"
#include "widgets/componentcaption.h"

#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

struct ActionCase {
    const char* text;
    const char* caption;
};

class ActionCaption : public ::testing::TestWithParam<ActionCase> {};

TEST_P(ActionCaption, IsTheTextWithoutMnemonicsAndOuterBlanks) {
    QAction action(QString::fromUtf8(GetParam().text));
    EXPECT_EQ(GetComponentCaption(&action), QString::fromUtf8(GetParam().caption));
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ActionCaption,
    ::testing::Values(ActionCase{"Edit this IP Set", "Edit this IP Set"},
                      ActionCase{"&Edit the selected IP set", "Edit the selected IP set"},
                      ActionCase{"Edit the &selected IP set", "Edit the selected IP set"},
                      ActionCase{"  Edit this IP Set \t", "Edit this IP Set"},
                      ActionCase{"\x01\rEdit\n", "Edit"}, ActionCase{"Tom && Jerry", "Tom & Jerry"},
                      ActionCase{"Keep  inner  blanks", "Keep  inner  blanks"}, ActionCase{"", ""},
                      ActionCase{" & ", ""}));

TEST(ComponentCaption, WidgetsGiveTheirTextOrTitle) {
    QLabel label(QStringLiteral("  IP Address: "));
    EXPECT_EQ(GetComponentCaption(&label), "IP Address:");
    QGroupBox box(QStringLiteral("Current configuration\r\n"));
    EXPECT_EQ(GetComponentCaption(&box), "Current configuration");
    QMenu menu(QStringLiteral("IP Sets"));
    EXPECT_EQ(GetComponentCaption(&menu), "IP Sets");
}

TEST(ComponentCaption, IsEmptyWithoutACaption) {
    QTimer timer;
    EXPECT_EQ(GetComponentCaption(&timer), "");
    QObject plain;
    EXPECT_EQ(GetComponentCaption(&plain), "");
    EXPECT_EQ(GetComponentCaption(nullptr), "");
}

} // namespace
