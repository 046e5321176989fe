// Start-up: the signal handling that the program relies on, the application object,
// its help file and title, the three windows of the program, and the event loop.
#include "app/startup.h"
#include "net/startsignals.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    RestoreSignalDefaults(); // before any thread: the runner waits for its netsh
    QApplication application(argc, argv);
    PrepareApplication();
    StartupWindows windows;
    windows.show();
    return QApplication::exec();
}
