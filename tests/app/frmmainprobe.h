#pragma once

#include "app/frmmain.h"
#include "widgets/messageboxes.h"

// Reaches the main window's private operations for the tests.
struct TFrmMainProbe {
    static bool LocateIPSetByName(TFrmMain& window, const QString& name) { return window.LocateIPSetByName(name); }
    static QString ConnectionNameById(TFrmMain& window, int id) { return window.ConnectionNameById(id); }
    static void LoadIPSetTree(TFrmMain& window) { window.LoadIPSetTree(); }

    // Services for a window under test: the given message boxes, the rest the
    // platform's (tests that activate or refresh put fakes in their place).
    static MainWindowServices services(MessageBoxes& messages) {
        MainWindowServices services;
        services.messages = &messages;
        return services;
    }
};
