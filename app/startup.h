#pragma once

#include "app/frmmain.h"
#include "dialogs/about/aboutbox.h"
#include "dialogs/conmanager/conmanager.h"
#include "widgets/desktop.h"
#include "widgets/messageboxes.h"

#include <memory>

// What start-up does after the application object exists: the application's name
// and closing rule (the icon comes with StartupWindows::show()).
void PrepareApplication();

// The three windows the program creates at start, in their order: the main window
// (which opens the database), the About box and the connection manager, both
// hidden; show() shows the main window, then gives the application its icon. The program and its start-up
// benchmark both start through this.
class StartupWindows {
public:
    StartupWindows();

    TFrmMain& mainWindow() { return FrmMain; }
    void show();

private:
    static MainWindowServices services(MessageBoxes& messages, const std::shared_ptr<Desktop>& desktop);

    QtMessageBoxes m_messages;
    std::shared_ptr<QtDesktop> m_desktop;
    TFrmMain FrmMain;
    TAboutBox AboutBox;
    TFrmManager FrmManager;
};
