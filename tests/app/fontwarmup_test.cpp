// The font configuration loaded on a thread of its own beside the application
// object, as main() does: Qt then finds its fonts and draws text with them.
#include "app/fontwarmup.h"

#include <QApplication>
#include <QFontDatabase>
#include <QImage>
#include <QLabel>
#include <gtest/gtest.h>

namespace {

// Pixels of the label's picture that are not its background.
int DrawnPixels(QLabel& label) {
    const QImage picture = label.grab().toImage();
    const QRgb background = picture.pixel(0, 0);
    int drawn = 0;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            drawn += picture.pixel(x, y) != background ? 1 : 0;
    return drawn;
}

TEST(FontConfigurationWarmUp, QtFindsItsFontsAndDrawsTextAfterTheWarmUp) {
    int argc = 1;
    char name[] = "fontwarmup_test";
    char* argv[] = {name, nullptr};
    FontConfigurationWarmUp fonts;
    QApplication application(argc, argv);
    fonts.finish();
    fonts.finish(); // a second finish waits for nothing

    EXPECT_FALSE(QFontDatabase::families().isEmpty());
    QLabel label(QStringLiteral("Available IP Sets"));
    label.resize(label.sizeHint());
    EXPECT_GT(DrawnPixels(label), 20) << "the text was drawn";
}

} // namespace
