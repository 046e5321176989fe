// The program's windows on a screen too small for them (700 x 600 of room, as a
// scaled screen gives, away from the origin): each window ends wholly inside the
// screen's available area, the main window as near to its own place as that
// allows. The offscreen platform is given that screen before the application starts.
#include "app/frmmain.h"
#include "dialogs/about/aboutbox.h"
#include "dialogs/addipset/addipset.h"
#include "dialogs/conmanager/conmanager.h"
#include "tests/app/frmmainprobe.h"
#include "tests/dialogs/recordingdesktop.h"
#include "tests/fixtures/fakemessageboxes.h"
#include "tests/fixtures/tempdatabase.h"
#include "widgets/placed.h"

#include <QApplication>
#include <QFile>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

namespace {

const QRect SmallScreen(100, 50, 700, 600);

class SmallScreenTest : public ::testing::Test {
protected:
    void SetUp() override {
        CurrentDirectory here(db.folder());
        main = std::make_unique<TFrmMain>(TFrmMainProbe::services(messages));
        main->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(main.get()));
    }

    static QRect area() { return QGuiApplication::primaryScreen()->availableGeometry(); }

    TempDatabase db;
    FakeMessageBoxes messages;
    std::unique_ptr<TFrmMain> main;
};

TEST_F(SmallScreenTest, TheScreenIsTheSmallOne) {
    ASSERT_EQ(QGuiApplication::screens().size(), 1);
    EXPECT_EQ(area(), SmallScreen);
}

TEST_F(SmallScreenTest, TheMainWindowMovesJustEnoughToLieInside) {
    const QRect frame = main->frameGeometry();
    EXPECT_TRUE(area().contains(frame))
        << frame.x() << "," << frame.y() << " " << frame.width() << "x" << frame.height();
    // At 390, 250 its right and bottom edges lie off the screen; it moves up and left
    // only as far as needed.
    ASSERT_GT(TFrmMain::InitialPosition.x() + frame.width(), area().right());
    ASSERT_GT(TFrmMain::InitialPosition.y() + frame.height(), area().bottom());
    EXPECT_EQ(frame.right(), area().right());
    EXPECT_EQ(frame.bottom(), area().bottom());
}

TEST_F(SmallScreenTest, TheManagerLiesInside) {
    TFrmManager manager(main->ConnectionsT, main->ConnectionsDs, messages);
    main->setManager(&manager);
    main->ManageConnections1->trigger();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&manager));
    EXPECT_TRUE(area().contains(manager.frameGeometry()));
}

TEST_F(SmallScreenTest, TheAboutBoxLiesInside) {
    RecordingDesktop desktop;
    TAboutBox about(desktop);
    about.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&about));
    EXPECT_TRUE(area().contains(about.frameGeometry()));
}

TEST_F(SmallScreenTest, TheEditorLiesInsideAlsoOverAnOwnerAtTheEdge) {
    main->move(area().right() - 100, area().bottom() - 100); // the owner mostly off the screen
    TFrmAddNewIP editor(main.get(), main->IPSetT, main->ConnectionsDs, main->errorReport(), {});
    editor.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&editor));
    EXPECT_TRUE(area().contains(editor.frameGeometry()));
}

} // namespace

// The offscreen platform with the one small screen, then the tests.
int main(int argc, char** argv) {
    QTemporaryDir folder;
    const QString config = folder.filePath(QStringLiteral("screens.json"));
    {
        QFile file(config);
        if (!file.open(QIODevice::WriteOnly))
            return 1;
        file.write(
            QStringLiteral(R"({"screens": [{"name": "small", "x": %1, "y": %2, "width": %3, "height": %4,
                                        "logicalDpi": 96}]})")
                .arg(SmallScreen.x())
                .arg(SmallScreen.y())
                .arg(SmallScreen.width())
                .arg(SmallScreen.height())
                .toUtf8());
    }
    qputenv("QT_QPA_PLATFORM", ("offscreen:configfile=" + config).toLocal8Bit());
    QApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
