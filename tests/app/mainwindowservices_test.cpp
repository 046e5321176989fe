// MainWindowServices: a piece left empty is the platform's own.
#include "app/frmmain.h"
#include "dialogs/about/helpviewer.h"
#include "resources/helpfile.h"
#include "tests/dialogs/recordingdesktop.h"
#include "tests/fixtures/qstringprint.h"
#include "tests/fixtures/tempdatabase.h"
#include "tests/net/snapshot_fakesource.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

// Services with every piece that reaches this machine replaced, and the rest empty.
MainWindowServices servicesWithoutMessageBoxes() {
    MainWindowServices services;
    services.isAdmin = [] { return true; };
    services.adapters = std::make_shared<FakeAdapterSource>();
    services.desktop = std::make_shared<RecordingDesktop>();
    return services;
}

// Closes every platform message box that comes up, and keeps its text.
class MessageBoxCloser {
public:
    MessageBoxCloser() {
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                texts << box->text();
                box->accept();
            }
        });
        m_timer.start(10);
    }

    QStringList texts;

private:
    QTimer m_timer;
};

TEST(MainWindowServices, EmptyMessageBoxesAreThePlatformsOwn) {
    QTemporaryDir noDatabase; // opening the database fails: the error report shows it
    const MessageBoxCloser closer;
    {
        CurrentDirectory here(noDatabase.path());
        TFrmMain window(servicesWithoutMessageBoxes());
        window.show();
    }
    // Creating and showing the window each report the error.
    ASSERT_FALSE(closer.texts.isEmpty());
    const QString path = QDir(noDatabase.path()).absoluteFilePath(QStringLiteral("ipdb.ipdb"));
    for (const QString& text : closer.texts)
        EXPECT_EQ(text, "unable to open database file " + path +
                            ": there is no such file.\nCreate an empty database there with the command:\n"
                            "orvantis-createdb '" +
                            path + "'");
}

TEST(MainWindowServices, EmptyHelpFileIsTheProgramsOwn) {
    TempDatabase db;
    std::unique_ptr<TFrmMain> window;
    {
        CurrentDirectory here(db.folder());
        window = std::make_unique<TFrmMain>(servicesWithoutMessageBoxes());
    }
    window->show();
    window->HelpFile1->trigger();
    auto* viewer = window->findChild<THelpViewer*>();
    ASSERT_NE(viewer, nullptr);
    // Whatever the program's help file holds (or, where it is not installed, the
    // viewer's report of it), the window shows the same.
    RecordingDesktop desktop;
    THelpViewer programsOwn(desktop);
    programsOwn.showContents(helpFilePath());
    EXPECT_EQ(viewer->Browser->toPlainText(), programsOwn.Browser->toPlainText());
}

} // namespace
