#include "app/startup.h"

#include "resources/artwork.h"
#include "resources/helpfile.h"

#include <QApplication>
#include <QEvent>
#include <QTimer>

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
    : m_desktop(std::make_shared<QtDesktop>()), FrmMain(services(m_messages, m_desktop)) {
    FrmMain.installEventFilter(this);
}

StartupWindows::~StartupWindows() {
    // The manager works on the main window's tables: it goes first.
    FrmManager.reset();
    AboutBox.reset();
}

void StartupWindows::show() {
    FrmMain.show();
    QTimer::singleShot(250, this, &StartupWindows::createHiddenWindows); // should no picture come
}

// The main window's first picture: what is not on screen is made in the next pass.
bool StartupWindows::eventFilter(QObject* watched, QEvent* event) {
    if (watched == &FrmMain && event->type() == QEvent::Paint) {
        FrmMain.removeEventFilter(this);
        QMetaObject::invokeMethod(this, &StartupWindows::createHiddenWindows, Qt::QueuedConnection);
    }
    return false;
}

void StartupWindows::createHiddenWindows() {
    if (FrmManager)
        return;
    AboutBox = std::make_unique<TAboutBox>(*m_desktop);
    FrmManager = std::make_unique<TFrmManager>(FrmMain.ConnectionsT, FrmMain.ConnectionsDs, m_messages);
    FrmMain.setAboutBox(AboutBox.get());
    FrmMain.setManager(FrmManager.get());
    QApplication::setWindowIcon(Artwork::applicationIcon());
}
