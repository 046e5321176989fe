// Where a window goes on the screen: the place it asks for where it fits, else
// moved just enough to lie inside the available area.
#include "widgets/placed.h"

#include <QRect>
#include <gtest/gtest.h>
#include <ostream>

namespace {

struct PlaceCase {
    const char* name;
    QRect frame;
    QRect area;
    QPoint expected;
};

void PrintTo(const PlaceCase& place, std::ostream* out) {
    *out << place.name;
}

class KeptInsideTest : public ::testing::TestWithParam<PlaceCase> {};

TEST_P(KeptInsideTest, AnswersTheFramesTopLeft) {
    const PlaceCase& place = GetParam();
    const QPoint at = keptInside(place.frame, place.area);
    EXPECT_EQ(at, place.expected) << "got " << at.x() << "," << at.y();
    const QRect moved(at, place.frame.size());
    if (place.frame.width() <= place.area.width() && place.frame.height() <= place.area.height()) {
        EXPECT_TRUE(place.area.contains(moved)) << "a window that fits lies wholly inside";
    }
}

// The main window's frame: 418 x 590 at 390, 250.
const QRect Main(390, 250, 418, 590);

INSTANTIATE_TEST_SUITE_P(
    Cases, KeptInsideTest,
    ::testing::Values(
        PlaceCase{"Fits", Main, QRect(0, 0, 1920, 1040), QPoint(390, 250)},
        PlaceCase{"FitsExactly", QRect(10, 20, 100, 50), QRect(10, 20, 100, 50), QPoint(10, 20)},
        PlaceCase{"OverflowRight", Main, QRect(0, 0, 700, 1040), QPoint(282, 250)},
        PlaceCase{"OverflowBottom", Main, QRect(0, 0, 1920, 800), QPoint(390, 210)},
        PlaceCase{"OverflowBoth", Main, QRect(0, 0, 800, 600), QPoint(382, 10)},
        PlaceCase{"LeftOfTheArea", QRect(-50, 100, 200, 100), QRect(0, 0, 800, 600), QPoint(0, 100)},
        PlaceCase{"AboveTheArea", QRect(100, -30, 200, 100), QRect(0, 0, 800, 600), QPoint(100, 0)},
        PlaceCase{"WiderThanTheArea", QRect(390, 250, 900, 100), QRect(0, 0, 800, 600), QPoint(0, 250)},
        PlaceCase{"LargerThanTheArea", Main, QRect(0, 0, 400, 500), QPoint(0, 0)},
        PlaceCase{"LargerThanAnAreaWithAnOffset", Main, QRect(100, 40, 400, 500), QPoint(100, 40)},
        PlaceCase{"AreaWithAnOffsetFits", Main, QRect(200, 100, 1600, 1000), QPoint(390, 250)},
        PlaceCase{"AreaWithAnOffsetOverflowRightAndBottom", Main, QRect(100, 40, 600, 700), QPoint(282, 150)},
        PlaceCase{"AreaWithAnOffsetBeforeIt", Main, QRect(500, 300, 1000, 800), QPoint(500, 300)},
        PlaceCase{"SecondScreenLeftOfThePrimary", QRect(-300, 100, 200, 100), QRect(-1280, 0, 1280, 1024),
                  QPoint(-300, 100)}),
    [](const ::testing::TestParamInfo<PlaceCase>& info) { return std::string(info.param.name); });

} // namespace
