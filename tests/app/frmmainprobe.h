#pragma once

#include "app/frmmain.h"

// Reaches the main window's private operations for the tests.
struct TFrmMainProbe {
    static bool LocateIPSetByName(TFrmMain& window, const QString& name) { return window.LocateIPSetByName(name); }
    static QString ConnectionNameById(TFrmMain& window, int id) { return window.ConnectionNameById(id); }
    static void LoadIPSetTree(TFrmMain& window) { window.LoadIPSetTree(); }
};
