#pragma once

#include <functional>
#include <thread>

// Loads the system's font configuration on a thread of its own while the
// application object connects to the display server, which is mostly waiting for
// its answers; the main window's first text then finds the configuration loaded
// instead of reading it then. Where the platform has no such configuration to load
// (FontConfigurationLoader() is empty), nothing is started.
//
// Start it before the application object and finish() right after it, so that Qt
// never loads the configuration a second time beside it.
class FontConfigurationWarmUp {
public:
    FontConfigurationWarmUp();
    ~FontConfigurationWarmUp();
    FontConfigurationWarmUp(const FontConfigurationWarmUp&) = delete;
    FontConfigurationWarmUp& operator=(const FontConfigurationWarmUp&) = delete;

    void finish(); // waits until the configuration is loaded; no effect once finished

private:
    std::thread m_loader;
};

// The platform's loader of its font configuration, or an empty function.
std::function<void()> FontConfigurationLoader();
