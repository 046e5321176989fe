#pragma once

#include "app/frmmain.h"
#include "net/process.h"
#include "tests/fixtures/netshfolder.h"
#include "tests/net/snapshot_fakesource.h"
#include "widgets/messageboxes.h"

#include <atomic>

// Reaches the main window's private operations for the tests.
struct TFrmMainProbe {
    static bool LocateIPSetByName(TFrmMain& window, const QString& name) {
        return window.LocateIPSetByName(name);
    }
    static QString ConnectionNameById(TFrmMain& window, int id) { return window.ConnectionNameById(id); }
    static void LoadIPSetTree(TFrmMain& window) { window.LoadIPSetTree(); }

    // Services for a window under test: the given message boxes, the rest the
    // platform's (tests that activate or refresh put fakes in their place).
    static MainWindowServices services(MessageBoxes& messages) {
        MainWindowServices services;
        services.messages = &messages;
        return services;
    }

    // Services for a window that activates sets: an administrator, the stand-in netsh
    // of folder, pauses that only count, and an adapter source without adapters.
    static MainWindowServices jobServices(MessageBoxes& messages, const NetshFolder& folder,
                                          std::atomic<int>& pauses) {
        MainWindowServices services = TFrmMainProbe::services(messages);
        services.isAdmin = [] { return true; };
        services.launcher = makeProcessLauncher(folder.path().toStdString());
        services.pause = [&pauses](std::chrono::milliseconds) { ++pauses; };
        services.adapters = std::make_shared<FakeAdapterSource>();
        return services;
    }
};
