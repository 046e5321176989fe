#include "app/startup.h"

#include "resources/artwork.h"
#include "resources/helpfile.h"

#include <QApplication>

void PrepareApplication() {
    QApplication::setApplicationName(QStringLiteral("Orvantis"));
    QApplication::setQuitOnLastWindowClosed(false); // closing the main window ends the program
}

MainWindowServices StartupWindows::services(MessageBoxes& messages, const std::shared_ptr<Desktop>& desktop) {
    MainWindowServices services;
    services.messages = &messages;
    services.desktop = desktop;
    services.helpFile = helpFilePath();
    // The application title, applicationTitle(), is the main window's caption (its
    // taskbar text) and every message box's caption. It is not made Qt's display name,
    // which Qt would append to the caption of every other window.
    return services;
}

StartupWindows::StartupWindows()
    : m_desktop(std::make_shared<QtDesktop>()), FrmMain(services(m_messages, m_desktop)),
      AboutBox(*m_desktop), FrmManager(FrmMain.ConnectionsT, FrmMain.ConnectionsDs, m_messages) {
    FrmMain.setAboutBox(&AboutBox);
    FrmMain.setManager(&FrmManager);
}

// The icon's pictures are read and decoded (five sizes) only once the main window is
// on screen: the window is drawn first, and its icon follows in the next pass of the
// event loop.
void StartupWindows::show() {
    FrmMain.show();
    QMetaObject::invokeMethod(
        qApp, [] { QApplication::setWindowIcon(Artwork::applicationIcon()); }, Qt::QueuedConnection);
}
