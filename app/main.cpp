// Start-up: the application object, its help file and title, the three windows
// of the program, and the event loop.
#include <QApplication>

#include "app/frmmain.h"
#include "widgets/messageboxes.h"

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Orvantis"));
    QApplication::setApplicationDisplayName(QStringLiteral("Orvantis Ver 0.2"));
    QApplication::setQuitOnLastWindowClosed(false);   // closing the main window ends the program

    QtMessageBoxes messages;
    MainWindowServices services;
    services.messages = &messages;

    TFrmMain FrmMain(services);
    FrmMain.show();
    return QApplication::exec();
}
