#include "resources/artwork.h"

#include <QFile>
#include <QImage>
#include <QImageReader>
#include <gtest/gtest.h>
#include <set>

namespace {

class IconSizeTest : public ::testing::TestWithParam<int> {};

TEST_P(IconSizeTest, IsDrawnAtThatSize) {
    const int size = GetParam();
    const QImage icon(Artwork::iconPath(size));
    ASSERT_FALSE(icon.isNull()) << Artwork::iconPath(size).toStdString();
    EXPECT_EQ(icon.size(), QSize(size, size));
    EXPECT_TRUE(icon.hasAlphaChannel());
    EXPECT_EQ(qAlpha(icon.pixel(0, 0)), 0) << "rounded corner";
    EXPECT_EQ(qAlpha(icon.pixel(size / 2, size / 2)), 255);
    EXPECT_TRUE(Artwork::applicationIcon().availableSizes().contains(QSize(size, size)));
}

INSTANTIATE_TEST_SUITE_P(Sizes, IconSizeTest, ::testing::ValuesIn(Artwork::IconSizes));

TEST(ArtworkTest, BannerIsATransparentGifOf199By119) {
    QImageReader reader(Artwork::bannerPath());
    EXPECT_EQ(reader.format(), "gif");
    const QImage banner = reader.read();
    ASSERT_FALSE(banner.isNull()) << reader.errorString().toStdString();
    EXPECT_EQ(banner.size(), QSize(199, 119));
    EXPECT_EQ(qAlpha(banner.pixel(0, 0)), 0);
    EXPECT_EQ(qAlpha(banner.pixel(198, 118)), 0);
    EXPECT_EQ(qAlpha(banner.pixel(99, 59)), 255);
}

// The Windows icon file holds every size, each in 32-bit colour, 256 colours and 16 colours,
// and every image in it can be read.
TEST(ArtworkTest, WindowsIconHoldsEverySizeInThreeColourDepths) {
    QFile file(QStringLiteral(ORVANTIS_ICO_FILE));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray ico = file.readAll();
    auto word = [&ico](int at) { return int(quint8(ico[at])) | int(quint8(ico[at + 1])) << 8; };
    ASSERT_GE(ico.size(), 6);
    ASSERT_EQ(word(2), 1) << "an icon file";
    const int count = word(4);
    ASSERT_GE(ico.size(), 6 + 16 * count);
    std::set<std::pair<int, int>> entries; // (size, bits per pixel)
    for (int i = 0; i < count; ++i) {
        const int at = 6 + 16 * i;
        const int side = quint8(ico[at]) == 0 ? 256 : quint8(ico[at]);
        entries.insert({side, word(at + 6)});
    }
    std::set<std::pair<int, int>> expected;
    for (int size : Artwork::IconSizes)
        for (int bits : {4, 8, 32})
            expected.insert({size, bits});
    EXPECT_EQ(count, 15);
    EXPECT_EQ(entries, expected);

    QImageReader reader(file.fileName());
    int read = 0;
    do {
        const QImage image = reader.read();
        ASSERT_FALSE(image.isNull()) << reader.errorString().toStdString();
        EXPECT_EQ(image.width(), image.height());
        ++read;
    } while (reader.jumpToNextImage());
    EXPECT_EQ(read, count);
}

} // namespace
