// The program's start-up as a whole process that ends when the main window is first
// drawn: the same steps as main() (the windows through StartupWindows), in the
// current directory's database.
#include "app/fontwarmup.h"
#include "app/startup.h"
#include "bench/firstpaint.h"
#include "net/startsignals.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    RestoreSignalDefaults();
    FontConfigurationWarmUp fonts; // loads while the application object meets the display
    QApplication application(argc, argv);
    fonts.finish();
    PrepareApplication();
    StartupWindows windows;
    ExitWhenPainted exit(&windows.mainWindow());
    windows.show();
    return QApplication::exec();
}
