// Start-up: the signal handling that the program relies on, the application object,
// its help file and title, the three windows of the program, and the event loop.
#include "app/frmmain.h"
#include "dialogs/about/aboutbox.h"
#include "dialogs/conmanager/conmanager.h"
#include "net/startsignals.h"
#include "resources/artwork.h"
#include "resources/helpfile.h"
#include "widgets/desktop.h"
#include "widgets/messageboxes.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    RestoreSignalDefaults(); // before any thread: the runner waits for its netsh
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Orvantis"));
    QApplication::setWindowIcon(Artwork::applicationIcon());
    QApplication::setQuitOnLastWindowClosed(false); // closing the main window ends the program

    QtMessageBoxes messages;
    auto desktop = std::make_shared<QtDesktop>();
    MainWindowServices services;
    services.messages = &messages;
    services.desktop = desktop;
    services.helpFile = helpFilePath();
    // The application title, applicationTitle(), is the main window's caption (its
    // taskbar text) and every message box's caption. It is not made Qt's display name,
    // which Qt would append to the caption of every other window.

    TFrmMain FrmMain(services);
    TAboutBox AboutBox(*desktop);
    TFrmManager FrmManager(FrmMain.ConnectionsT, FrmMain.ConnectionsDs, messages);
    FrmMain.setAboutBox(&AboutBox);
    FrmMain.setManager(&FrmManager);
    FrmMain.show();
    return QApplication::exec();
}
