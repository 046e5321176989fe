// Start-up: the signal handling that the program relies on, the font configuration
// loaded beside the application object, which meets the display, its help file and
// title, the three windows of the program, and the event loop.
#include "app/fontwarmup.h"
#include "app/startup.h"
#include "net/startsignals.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    RestoreSignalDefaults(); // before any thread: the runner waits for its netsh
    FontConfigurationWarmUp fonts; // loads while the application object meets the display
    QApplication application(argc, argv);
    fonts.finish();
    PrepareApplication();
    StartupWindows windows;
    windows.show();
    return QApplication::exec();
}
