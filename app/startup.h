#pragma once

#include "app/frmmain.h"
#include "dialogs/about/aboutbox.h"
#include "dialogs/conmanager/conmanager.h"
#include "widgets/desktop.h"
#include "widgets/messageboxes.h"

#include <QObject>
#include <memory>

// What start-up does after the application object exists: the application's name
// and closing rule (the icon comes with StartupWindows::show()).
void PrepareApplication();

// The three windows the program creates at start: the main window (which opens the
// database), the About box and the connection manager, both hidden. show() shows the
// main window; the two hidden windows and the application icon, none of which is on
// screen yet, are made right after the main window's first picture (within a quarter
// of a second at the latest), before any input is taken. The program and its start-up
// benchmark both start through this.
class StartupWindows : public QObject {
public:
    StartupWindows();
    ~StartupWindows() override;

    TFrmMain& mainWindow() { return FrmMain; }
    void show();
    // Makes the About box and the connection manager now, if not yet made.
    void createHiddenWindows();
    TAboutBox* aboutBox() const { return AboutBox.get(); }
    TFrmManager* manager() const { return FrmManager.get(); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    static MainWindowServices services(MessageBoxes& messages, const std::shared_ptr<Desktop>& desktop);

    QtMessageBoxes m_messages;
    std::shared_ptr<QtDesktop> m_desktop;
    TFrmMain FrmMain;
    std::unique_ptr<TAboutBox> AboutBox;
    std::unique_ptr<TFrmManager> FrmManager;
};
